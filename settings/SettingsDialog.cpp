#include "settings/SettingsDialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/AutoCloseBox.h"
#include "platform/CallbackGuard.h"
#include "app/CentreWindow.h"
#include "catalogue/DateHelpers.h"
#include "settings/DirectoryChooser.h"
#include "settings/DownloadSettings.h"
#include "settings/SettingsDialogRes.h"
#include "settings/SettingsStore.h"

namespace {

// The record as loaded at this opening, with the directory chosen since. OK checks a copy of it
// and saves that copy only when every check passes, so a value read during a refused OK never
// reaches the registry, not even when the box that guarded it is unticked afterwards.
DownloadSettings g_record;

// Room for the retyped passwords and the download time: longer entries are read cut to 99
// characters, which still differ from any stored password of at most 19.
constexpr int kScratchSize = 100;

const int kProxyControls[] = {IDC_SETTINGS_PROXY_HOST, IDC_SETTINGS_PROXY_HOST_LABEL, IDC_SETTINGS_PROXY_PORT,
                              IDC_SETTINGS_PROXY_PORT_LABEL, IDC_SETTINGS_PROXY_LOGIN};
const int kLoginControls[] = {IDC_SETTINGS_PROXY_USER,     IDC_SETTINGS_PROXY_USER_LABEL,
                              IDC_SETTINGS_PROXY_PASSWORD, IDC_SETTINGS_PROXY_PASSWORD_LABEL,
                              IDC_SETTINGS_PROXY_RETYPE,   IDC_SETTINGS_PROXY_RETYPE_LABEL};

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void ApplyEnablingRule(HWND dialog) {
  const bool proxy = Checked(dialog, IDC_SETTINGS_USE_PROXY);
  const bool login = proxy && Checked(dialog, IDC_SETTINGS_PROXY_LOGIN);
  for (int id : kProxyControls) EnableWindow(GetDlgItem(dialog, id), proxy);
  for (int id : kLoginControls) EnableWindow(GetDlgItem(dialog, id), login);
}

// Shows a text field of the record. A record from the registry is not checked by the store, so a
// field may lack its terminator: no more than the field itself is shown.
template <size_t N>
void ShowField(HWND dialog, int id, const char (&field)[N]) {
  const std::string text(FieldText(field));
  SetDlgItemTextA(dialog, id, text.c_str());
}

void FillControls(HWND dialog, const DownloadSettings& record) {
  char number[16];
  std::snprintf(number, sizeof number, "%ld", static_cast<long>(record.DownloadTime));
  SetDlgItemTextA(dialog, IDC_SETTINGS_TIME, number);
  ShowField(dialog, IDC_SETTINGS_USER, record.Username);
  ShowField(dialog, IDC_SETTINGS_PASSWORD, record.Password);
  ShowField(dialog, IDC_SETTINGS_RETYPE, record.Password);
  CheckDlgButton(dialog, IDC_SETTINGS_HANGUP, record.HangupOnExit ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_SETTINGS_USE_PROXY, record.UseProxy ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_SETTINGS_PROXY_LOGIN, record.ProxyLogin ? BST_CHECKED : BST_UNCHECKED);
  ShowField(dialog, IDC_SETTINGS_PROXY_HOST, record.ProxyHost);
  std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(record.ProxyPort));
  SetDlgItemTextA(dialog, IDC_SETTINGS_PROXY_PORT, number);
  ShowField(dialog, IDC_SETTINGS_PROXY_USER, record.ProxyUsername);
  ShowField(dialog, IDC_SETTINGS_PROXY_PASSWORD, record.ProxyPassword);
  ShowField(dialog, IDC_SETTINGS_PROXY_RETYPE, record.ProxyPassword);
}

// Shows a failed check and puts the user back on the field with its whole text selected.
void Refuse(HWND dialog, const char* message, int focus) {
  ShowBox(dialog, message, "Error", MB_OK);
  HWND control = GetDlgItem(dialog, focus);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  SendMessageA(control, EM_SETSEL, 0, -1);
}

// Reads the field with the size of its destination: a longer entry is cut there.
template <size_t N>
void ReadField(HWND dialog, int id, char (&field)[N]) {
  GetDlgItemTextA(dialog, id, field, static_cast<int>(N));
}

bool RetypeMatches(HWND dialog, int retypeId, const char* stored) {
  char retyped[kScratchSize];
  GetDlgItemTextA(dialog, retypeId, retyped, sizeof retyped);
  return std::strcmp(retyped, stored) == 0;
}

// Reads and checks the controls in order, storing each value in `record` as soon as it is read.
// The proxy fields are neither read nor checked unless the proxy box is checked, and the proxy
// login fields only when the login box is checked too: they keep the values loaded at opening.
bool ReadAndCheck(HWND dialog, DownloadSettings* record) {
  char time[kScratchSize];
  GetDlgItemTextA(dialog, IDC_SETTINGS_TIME, time, sizeof time);
  // Leading blanks and a sign, then the leading digits; anything else reads as 0.
  record->DownloadTime = static_cast<int32_t>(std::strtol(time, nullptr, 10));
  if (!IsValidTimeNumber(record->DownloadTime)) {
    Refuse(dialog, "The download time is not correct.\nFor example 5 pm would be entered as 170000",
           IDC_SETTINGS_TIME);
    return false;
  }

  ReadField(dialog, IDC_SETTINGS_USER, record->Username);
  ReadField(dialog, IDC_SETTINGS_PASSWORD, record->Password);
  if (!RetypeMatches(dialog, IDC_SETTINGS_RETYPE, record->Password)) {
    Refuse(dialog, "'Download password' does not match 'Retype password'. Please try again.",
           IDC_SETTINGS_PASSWORD);
    return false;
  }

  record->HangupOnExit = Checked(dialog, IDC_SETTINGS_HANGUP) ? 1 : 0;
  record->UseProxy = Checked(dialog, IDC_SETTINGS_USE_PROXY) ? 1 : 0;
  if (!record->UseProxy) return true;

  ReadField(dialog, IDC_SETTINGS_PROXY_HOST, record->ProxyHost);
  BOOL translated = FALSE;
  UINT port = GetDlgItemInt(dialog, IDC_SETTINGS_PROXY_PORT, &translated, FALSE);
  record->ProxyPort = static_cast<uint16_t>(port & 0xFFFF);
  if (!translated || record->ProxyPort == 0) {
    Refuse(dialog,
           "The 'Proxy port' setting is invalid.\nEnter a number of your proxy port.\nThis number cannot be zero.",
           IDC_SETTINGS_PROXY_PORT);
    return false;
  }

  record->ProxyLogin = Checked(dialog, IDC_SETTINGS_PROXY_LOGIN) ? 1 : 0;
  if (!record->ProxyLogin) return true;

  ReadField(dialog, IDC_SETTINGS_PROXY_USER, record->ProxyUsername);
  ReadField(dialog, IDC_SETTINGS_PROXY_PASSWORD, record->ProxyPassword);
  if (!RetypeMatches(dialog, IDC_SETTINGS_PROXY_RETYPE, record->ProxyPassword)) {
    // The user name, not the password, gets the focus: the pair is typed again from there.
    Refuse(dialog, "'Proxy password' does not match 'Retype password'. Please try again.",
           IDC_SETTINGS_PROXY_USER);
    return false;
  }
  return true;
}

void OnOk(HWND dialog) {
  DownloadSettings checked = g_record;
  if (!ReadAndCheck(dialog, &checked)) return;
  // The store has already said why a save failed; say what it means here as well.
  if (!SaveDownloadSettings(dialog, &checked))
    ShowBox(dialog, "Unable to save download settings to registry", "Error", MB_OK);
  EndDialog(dialog, 1);
}

INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
      if (!LoadDownloadSettings(dialog, &g_record)) {
        // The controls stay as the template makes them: empty, unchecked and all enabled.
        ShowBox(dialog, "Unable to load download settings from registry", "Error", MB_OK);
        return TRUE;
      }
      FillControls(dialog, g_record);
      ApplyEnablingRule(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOk(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_SETTINGS_DIRECTORY:
          ChooseDirectory(dialog, g_record.DataDirectory);
          return TRUE;
        case IDC_SETTINGS_USE_PROXY:
        case IDC_SETTINGS_PROXY_LOGIN:
          if (HIWORD(wParam) == BN_CLICKED) ApplyEnablingRule(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  // The dialog stays open: Cancel leaves the stored settings as they were.
  return Guarded(dialog, [&] { return Dispatch(dialog, message, wParam); }, [] { return INT_PTR{TRUE}; });
}

}  // namespace

int RunSettingsDialog(HWND owner) {
  return static_cast<int>(RunModalDialog("DownloadSettings", owner, SettingsDialogProc, 0));
}
