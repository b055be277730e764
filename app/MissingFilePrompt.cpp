#include "app/MissingFilePrompt.h"

#include <string>

#include "platform/AutoCloseBox.h"
#include "app/CentreWindow.h"
#include "platform/CallbackGuard.h"
#include "app/MissingFilePromptRes.h"

INT_PTR RunMissingFilePrompt(HWND owner, const char* serverPath) {
  return RunModalDialog("DownloadNotAvail", owner, MissingFilePromptProc, reinterpret_cast<LPARAM>(serverPath),
                        kPromptLeftUnanswered);
}

namespace {

INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
      const char* serverPath = reinterpret_cast<const char*>(lParam);
      SetWindowTextA(dialog, (std::string("File: ") + (serverPath ? serverPath : "")).c_str());
      return TRUE;
    }
    case WM_COMMAND:
      // Only the three buttons leave the prompt (and, in automatic mode, the answer nobody gave):
      // Escape and the system menu's Close arrive here as IDCANCEL and are swallowed, so the
      // user has to decide.
      switch (LOWORD(wParam)) {
        case IDC_PROMPT_TRY_AGAIN:
        case IDC_PROMPT_SKIP:
        case IDC_PROMPT_ABORT:
        case kPromptLeftUnanswered:
          EndDialog(dialog, LOWORD(wParam));
          break;
        default:
          break;
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK MissingFilePromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // The prompt stays: its three buttons still decide.
  return Guarded(dialog, [&] { return Dispatch(dialog, message, wParam, lParam); }, [] { return INT_PTR{TRUE}; });
}
