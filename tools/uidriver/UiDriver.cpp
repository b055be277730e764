#include "tools/uidriver/UiDriver.h"

#include <exception>
#include <thread>

namespace ui {
namespace {

DWORD g_pid = 0;
constexpr int kPollMs = 20;
constexpr UINT kSendTimeoutMs = 5000;

bool OfTarget(HWND w) {
  if (g_pid == 0) return true;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid == g_pid;
}

std::string ClassOf(HWND w) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
  return out;
}

LRESULT Send(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result))
    throw Timeout("window " + std::to_string(reinterpret_cast<uintptr_t>(w)) + " did not answer message " +
                  std::to_string(msg));
  return static_cast<LRESULT>(result);
}

LRESULT SendW(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result))
    throw Timeout("window did not answer message " + std::to_string(msg));
  return static_cast<LRESULT>(result);
}

HWND Item(HWND dialog, int id) {
  HWND w = GetDlgItem(dialog, id);
  if (!w) throw std::runtime_error("no control " + std::to_string(id) + " in window '" + WindowText(dialog) + "'");
  return w;
}

BOOL CALLBACK CollectWindow(HWND w, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

template <typename F>
std::vector<HWND> TopWindows(F keep) {
  std::vector<HWND> all;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> kept;
  for (HWND w : all)
    if (IsWindowVisible(w) && OfTarget(w) && keep(w)) kept.push_back(w);
  return kept;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

// A message box holds its text in one static control of id 0xFFFF, perhaps an icon, and buttons
// of the standard ids only; a dialog whose labels have id -1 holds other controls too.
bool IsMessageBox(HWND w) {
  if (ClassOf(w) != "#32770") return false;
  std::vector<HWND> children;
  EnumChildWindows(w, CollectChild, reinterpret_cast<LPARAM>(&children));
  int texts = 0;
  for (HWND child : children) {
    int id = GetDlgCtrlID(child);
    std::string cls = ClassOf(child);
    if (id == 0xFFFF && cls == "Static") {
      ++texts;
    } else if (cls == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      continue;
    } else if (!(cls == "Button" && id >= IDOK && id <= 11)) {
      return false;
    }
  }
  return texts == 1;
}

}  // namespace

void SetTargetProcess(DWORD pid) { g_pid = pid; }

std::string WindowText(HWND window) {
  LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT got = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(got));
  return text;
}

HWND FindTopWindow(const std::string& caption) {
  auto found = TopWindows([&](HWND w) {
    char title[512] = {};
    GetWindowTextA(w, title, sizeof title);
    return caption == title;
  });
  return found.empty() ? nullptr : found.front();
}

HWND WaitForWindow(const std::string& caption, int timeoutMs) {
  for (int waited = 0;; waited += kPollMs) {
    if (HWND w = FindTopWindow(caption)) return w;
    if (waited >= timeoutMs)
      throw Timeout("timed out after " + std::to_string(timeoutMs) + " ms waiting for window '" + caption + "'");
    Sleep(kPollMs);
  }
}

void WaitForWindowGone(HWND window, int timeoutMs) {
  for (int waited = 0; IsWindow(window) && IsWindowVisible(window); waited += kPollMs) {
    if (waited >= timeoutMs)
      throw Timeout("timed out after " + std::to_string(timeoutMs) + " ms waiting for window '" +
                    WindowText(window) + "' to close");
    Sleep(kPollMs);
  }
}

std::vector<MessageBoxText> MessageBoxes() {
  std::vector<MessageBoxText> boxes;
  for (HWND w : TopWindows(IsMessageBox)) {
    char title[512] = {};
    GetWindowTextA(w, title, sizeof title);
    boxes.push_back({w, title, WindowText(GetDlgItem(w, 0xFFFF))});
  }
  return boxes;
}

MessageBoxText WaitForMessageBox(int timeoutMs, const std::string& caption) {
  for (int waited = 0;; waited += kPollMs) {
    for (auto& box : MessageBoxes())
      if (caption.empty() || box.caption == caption) return box;
    if (waited >= timeoutMs)
      throw Timeout("timed out after " + std::to_string(timeoutMs) + " ms waiting for a message box" +
                    (caption.empty() ? std::string() : " '" + caption + "'"));
    Sleep(kPollMs);
  }
}

MessageBoxText AnswerMessageBox(int button, int timeoutMs, const std::string& caption) {
  MessageBoxText box = WaitForMessageBox(timeoutMs, caption);
  HWND control = GetDlgItem(box.window, button);
  if (!control)
    throw std::runtime_error("message box '" + box.caption + "' (" + box.text + ") has no button " +
                             std::to_string(button));
  PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  WaitForWindowGone(box.window, timeoutMs);
  return box;
}

std::string ItemText(HWND dialog, int id) { return WindowText(Item(dialog, id)); }

void SetItemText(HWND dialog, int id, const std::string& text) {
  Send(Item(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TypeText(HWND dialog, int id, const std::string& text) {
  HWND edit = Item(dialog, id);
  Send(edit, EM_SETSEL, 0, -1);
  Send(edit, WM_CLEAR, 0, 0);
  for (unsigned char c : text) Send(edit, WM_CHAR, c, 1);
}

bool IsItemEnabled(HWND dialog, int id) { return IsWindowEnabled(Item(dialog, id)) != FALSE; }
bool IsItemVisible(HWND dialog, int id) { return IsWindowVisible(Item(dialog, id)) != FALSE; }
bool IsChecked(HWND dialog, int id) { return Send(Item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

HWND FocusedWindow(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

int FocusedItemId(HWND dialog) {
  HWND focus = FocusedWindow(dialog);
  return focus ? GetDlgCtrlID(focus) : 0;
}

void EditSelection(HWND dialog, int id, int* start, int* end) {
  LRESULT packed = Send(Item(dialog, id), EM_GETSEL, 0, 0);
  *start = LOWORD(packed);
  *end = HIWORD(packed);
}

void Click(HWND dialog, int id) {
  HWND control = Item(dialog, id);
  if (!IsWindowVisible(control) || !IsWindowEnabled(control))
    throw std::runtime_error("control " + std::to_string(id) + " ('" + WindowText(control) +
                             "') cannot be clicked: it is disabled or hidden");
  PostMessageA(control, BM_CLICK, 0, 0);
}

void PressKey(HWND dialog, UINT virtualKey) {
  HWND target = FocusedWindow(dialog);
  if (!target) target = dialog;
  UINT scan = MapVirtualKeyA(virtualKey, 0);
  PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16));
  PostMessageA(target, WM_KEYUP, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16) | (3u << 30));
}

void CloseBox(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::vector<std::string> ListLines(HWND dialog, int id) {
  // Read through the wide form: across processes Wine answers the ANSI form in UTF-16.
  HWND list = Item(dialog, id);
  bool combo = ClassOf(list) == "ComboBox";
  UINT getCount = combo ? CB_GETCOUNT : LB_GETCOUNT;
  UINT getLength = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  UINT getText = combo ? CB_GETLBTEXT : LB_GETTEXT;
  std::vector<std::string> lines;
  LRESULT count = SendW(list, getCount, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendW(list, getLength, i, 0);
    if (length < 0) break;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = SendW(list, getText, i, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    lines.push_back(Narrow(text));
  }
  return lines;
}

std::vector<int> ListSelection(HWND dialog, int id) {
  HWND list = Item(dialog, id);
  std::vector<int> selected;
  LRESULT count = Send(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i)
    if (Send(list, LB_GETSEL, i, 0) > 0) selected.push_back(static_cast<int>(i));
  return selected;
}

void SelectListLine(HWND dialog, int id, int index, bool selected) {
  HWND list = Item(dialog, id);
  LONG style = GetWindowLongA(list, GWL_STYLE);
  if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL))
    Send(list, LB_SETSEL, selected ? TRUE : FALSE, index);
  else
    Send(list, LB_SETCURSEL, selected ? index : -1, 0);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void ActivateListLine(HWND dialog, int id, int index) {
  HWND list = Item(dialog, id);
  if (Send(list, LB_SETCURSEL, index, 0) == LB_ERR)
    throw std::runtime_error("list " + std::to_string(id) + " has no line " + std::to_string(index));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

void DriveModal(const std::function<void()>& modal, const std::function<void()>& driver) {
  DWORD uiThread = GetCurrentThreadId();
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      driver();
    } catch (...) {
      failure = std::current_exception();
      // Ends every modal loop of the UI thread, so the test can report instead of hanging.
      PostThreadMessageA(uiThread, WM_QUIT, 0, 0);
    }
  });
  modal();
  worker.join();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace ui
