#include "settings/DirectoryChooser.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "app/CentreWindow.h"
#include "platform/ProgramState.h"
#include "settings/DirectoryChooserRes.h"
#include "settings/DownloadSettings.h"

namespace {

constexpr DWORD kChooserFlags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_NOVALIDATE;
static_assert(kChooserFlags == 0x164, "hide read-only, hook, template, no validation");

// Set only by the hook, read by ChooseDirectory once the dialog has closed; empty means that
// nothing was chosen.
char g_chosen[kDirectoryPathSize];

UINT_PTR CALLBACK DirectoryHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        // The dialog's own OK would try to open the "*.*" pattern; take the directory shown and
        // close the dialog instead.
        GetDlgItemTextA(dialog, IDC_DIRSELECT_PATH, g_chosen, sizeof g_chosen);
        PostMessageA(dialog, WM_COMMAND, IDABORT, 0);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) g_chosen[0] = '\0';
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ChooseDirectory(HWND owner, char (&path)[kDirectoryPathSize]) {
  g_chosen[0] = '\0';
  // The field need not hold a terminator; the start directory is all of it then.
  const std::string start(FieldText(path));
  // The pattern serves as both the file name and the file title buffer.
  char pattern[300] = "*.*";

  char current[MAX_PATH + 1];
  DWORD currentLength = GetCurrentDirectoryA(sizeof current, current);

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.hInstance = g_instance;
  dialog.lpstrFile = pattern;
  dialog.nMaxFile = sizeof pattern;
  dialog.lpstrFileTitle = pattern;
  dialog.nMaxFileTitle = sizeof pattern;
  dialog.lpstrInitialDir = start.c_str();
  dialog.lpstrTitle = "Select Directory";
  // Without OFN_EXPLORER the old-style dialog is used, which takes the template below.
  dialog.Flags = kChooserFlags;
  dialog.lpfnHook = DirectoryHook;
  dialog.lpTemplateName = IDD_DIRSELECT;
  // The outcome is read from the hook's buffer, not from the return value.
  GetOpenFileNameA(&dialog);

  if (currentLength > 0 && currentLength < sizeof current) SetCurrentDirectoryA(current);

  if (g_chosen[0] == '\0') return;
  size_t length = std::strlen(g_chosen);
  if (g_chosen[length - 1] == '\\') g_chosen[length - 1] = '\0';
  std::memcpy(path, g_chosen, length + 1);
}
