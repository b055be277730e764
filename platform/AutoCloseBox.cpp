#include "platform/AutoCloseBox.h"

#include <vector>

#include "platform/ProgramState.h"

namespace {

constexpr unsigned kDefaultDelay = 30000;
constexpr UINT_PTR kAutoCloseTimer = 0x7456;
const char kAnswerProperty[] = "TkvnAutomaticAnswer";

unsigned g_delay = kDefaultDelay;

// One entry per box or dialog being opened on this thread: it takes the first top-level dialog
// window created after it, so a box shown from inside a dialog gets its own entry and timer.
struct PendingBox {
  int answer;
  HWND window;
};

thread_local std::vector<PendingBox*> t_pending;
thread_local HHOOK t_hook = nullptr;

bool IsDialogClass(LPCSTR className) {
  if (IS_INTRESOURCE(className)) return LOWORD(reinterpret_cast<ULONG_PTR>(className)) == 32770;
  return lstrcmpiA(className, "#32770") == 0;
}

void CALLBACK AnswerUnattended(HWND window, UINT, UINT_PTR timer, DWORD) {
  // A box opened on top of this one must be answered first; this one is looked at again later.
  if (!IsWindowEnabled(window)) {
    SetTimer(window, timer, 1000, AnswerUnattended);
    return;
  }
  KillTimer(window, timer);
  const int answer = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(window, kAnswerProperty)));
  RemovePropA(window, kAnswerProperty);
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, answer)));
}

LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && !t_pending.empty() && t_pending.back()->window == nullptr) {
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    if (!(create->style & WS_CHILD) && IsDialogClass(create->lpszClass)) {
      HWND window = reinterpret_cast<HWND>(wParam);
      PendingBox* box = t_pending.back();
      box->window = window;
      SetPropA(window, kAnswerProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(box->answer)));
      SetTimer(window, kAutoCloseTimer, g_delay, AnswerUnattended);
    }
  }
  return CallNextHookEx(t_hook, code, wParam, lParam);
}

// Watches for the window of one box or dialog while it is open; only in automatic mode.
class AutomaticAnswer {
 public:
  explicit AutomaticAnswer(int answer) : box_{answer, nullptr} {
    if (!g_automaticMode) return;
    if (t_pending.empty()) t_hook = SetWindowsHookExA(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId());
    t_pending.push_back(&box_);
    active_ = true;
  }
  ~AutomaticAnswer() {
    if (!active_) return;
    t_pending.pop_back();
    if (t_pending.empty() && t_hook) {
      UnhookWindowsHookEx(t_hook);
      t_hook = nullptr;
    }
  }
  AutomaticAnswer(const AutomaticAnswer&) = delete;
  AutomaticAnswer& operator=(const AutomaticAnswer&) = delete;

 private:
  PendingBox box_;
  bool active_ = false;
};

int LosingAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_YESNO:
      return IDNO;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
      return IDCANCEL;
    default:
      return IDOK;
  }
}

}  // namespace

int ShowBox(HWND owner, const char* text, const char* caption, UINT type) {
  AutomaticAnswer automatic(LosingAnswer(type));
  return MessageBoxA(owner, text, caption, type);
}

INT_PTR RunModalDialog(const char* templateName, HWND owner, DLGPROC procedure, LPARAM parameter,
                       int automaticAnswer) {
  AutomaticAnswer automatic(automaticAnswer);
  return DialogBoxParamA(g_instance, templateName, owner, procedure, parameter);
}

void SetAutoCloseDelay(unsigned milliseconds) { g_delay = milliseconds; }

unsigned AutoCloseDelay() { return g_delay; }
