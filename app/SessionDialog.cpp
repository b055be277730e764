#include "app/SessionDialog.h"

#include "app/CentreWindow.h"
#include "app/ProgramState.h"
#include "app/SessionDialogRes.h"

INT_PTR CALLBACK SessionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
      g_sessionWindow = dialog;
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_SESSION_EXIT) EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}
