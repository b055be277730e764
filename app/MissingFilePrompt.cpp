#include "app/MissingFilePrompt.h"

#include <string>

#include "app/CentreWindow.h"
#include "app/MissingFilePromptRes.h"
#include "app/ProgramState.h"

INT_PTR RunMissingFilePrompt(HWND owner, const char* serverPath) {
  return DialogBoxParamA(g_instance, "DownloadNotAvail", owner, MissingFilePromptProc,
                         reinterpret_cast<LPARAM>(serverPath));
}

INT_PTR CALLBACK MissingFilePromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
      const char* serverPath = reinterpret_cast<const char*>(lParam);
      SetWindowTextA(dialog, (std::string("File: ") + (serverPath ? serverPath : "")).c_str());
      return TRUE;
    }
    case WM_COMMAND:
      // Only the three buttons leave the prompt: Escape and the system menu's Close arrive here
      // as IDCANCEL and are swallowed, so the user has to decide.
      switch (LOWORD(wParam)) {
        case IDC_PROMPT_TRY_AGAIN:
        case IDC_PROMPT_SKIP:
        case IDC_PROMPT_ABORT:
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
