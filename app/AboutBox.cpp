#include "app/AboutBox.h"

#include "app/AboutBoxRes.h"
#include "app/CentreWindow.h"
#include "platform/CallbackGuard.h"

std::string BuildLine(const char* date, const char* time) {
  return std::string("This Compile: ") + date + " " + time;
}

namespace {

INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
      // The compiler's own date and time of this build are already in the required forms.
      SetDlgItemTextA(dialog, IDC_ABOUT_BUILD, BuildLine(__DATE__, __TIME__).c_str());
      return TRUE;
    case WM_COMMAND:
      // Only OK (or Enter) ends the box; Escape and the rest do nothing.
      if (wParam == IDOK) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  return Guarded(dialog, [&] { return Dispatch(dialog, message, wParam); }, [] { return INT_PTR{FALSE}; });
}
