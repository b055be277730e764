#include "catalogue/DatesDialog.h"

#include <cstdio>
#include <string>

#include "platform/AutoCloseBox.h"
#include "platform/CallbackGuard.h"
#include "app/CentreWindow.h"
#include "platform/ProgramState.h"
#include "catalogue/DateHelpers.h"
#include "catalogue/DatesDialogRes.h"
#include "files/BoundedFormat.h"
#include "platform/UniqueHandle.h"
#include "settings/SettingsStore.h"

namespace {

const char kStartInvalid[] =
    "The start date is not valid.\nPlease enter a date in the format dd/mm/yyyy.\n"
    "21 May 1997 would be entered as 21/05/1997";
const char kEndInvalid[] =
    "The end date is not valid.\nPlease enter a date in the format dd/mm/yyyy.\n"
    "21 May 1997 would be entered as 21/05/1997";
const char kReversed[] = "Start date cannot be greater than end date";

// ascii_update.exe in the data directory is what makes the ASCII update possible at all.
bool AsciiUpdaterMissing(const std::string& dataDirectory) {
  char path[kLocalPathSize];
  if (!FormatInto(path, sizeof path, "%s\\ascii_update.exe", dataDirectory.c_str())) return true;
  WIN32_FIND_DATAA found;
  UniqueFind find(FindFirstFileA(path, &found));
  if (find) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

void SetCheck(HWND dialog, int id, int32_t state) {
  CheckDlgButton(dialog, id, state ? BST_CHECKED : BST_UNCHECKED);
}

// "Clean Up Files" goes with "ASCII Update": without it, it is off, stored as off, and disabled.
void DisableCleanUp(HWND dialog, DownloadDates* dates) {
  SetCheck(dialog, IDC_CLEAN_UP, 0);
  EnableWindow(GetDlgItem(dialog, IDC_CLEAN_UP), FALSE);
  dates->CleanUp = 0;
  SaveDownloadClean(dialog, &dates->CleanUp);
}

void OnInit(HWND dialog, DownloadDates* dates) {
  CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
  SetDlgItemTextA(dialog, IDC_START_DATE, DateNumberToText(dates->StartDate).c_str());
  SetDlgItemTextA(dialog, IDC_END_DATE, DateNumberToText(dates->EndDate).c_str());

  DownloadSettings settings;
  LoadDownloadSettings(dialog, &settings);
  if (AsciiUpdaterMissing(std::string(FieldText(settings.DataDirectory)))) {
    SetCheck(dialog, IDC_ASCII_UPDATE, 0);
    SetCheck(dialog, IDC_CLEAN_UP, 0);
    dates->AsciiUpdate = 0;
    dates->CleanUp = 0;
    SaveDownloadAscii(dialog, &dates->AsciiUpdate);
    SaveDownloadClean(dialog, &dates->CleanUp);
    ShowWindow(GetDlgItem(dialog, IDC_ASCII_UPDATE), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_CLEAN_UP), SW_HIDE);
    return;
  }
  SetCheck(dialog, IDC_ASCII_UPDATE, dates->AsciiUpdate);
  SetCheck(dialog, IDC_CLEAN_UP, dates->CleanUp);
  if (!dates->AsciiUpdate) DisableCleanUp(dialog, dates);
}

void OnAsciiUpdateClicked(HWND dialog, DownloadDates* dates) {
  dates->AsciiUpdate = IsDlgButtonChecked(dialog, IDC_ASCII_UPDATE) == BST_CHECKED ? 1 : 0;
  SaveDownloadAscii(dialog, &dates->AsciiUpdate);
  if (dates->AsciiUpdate)
    EnableWindow(GetDlgItem(dialog, IDC_CLEAN_UP), TRUE);
  else
    DisableCleanUp(dialog, dates);
}

void OnCleanUpClicked(HWND dialog, DownloadDates* dates) {
  dates->CleanUp = IsDlgButtonChecked(dialog, IDC_CLEAN_UP) == BST_CHECKED ? 1 : 0;
  SaveDownloadClean(dialog, &dates->CleanUp);
}

// Tells the user, then puts the focus on the edit with its whole text selected.
void Refuse(HWND dialog, int editId, const char* message) {
  ShowBox(dialog, message, "Error", MB_OK);
  HWND edit = GetDlgItem(dialog, editId);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  SendMessageA(edit, EM_SETSEL, 0, -1);
}

// A date edit's text and its validity; at most 49 characters are read.
bool ReadDate(HWND dialog, int id, int32_t* date) {
  char text[50];
  GetDlgItemTextA(dialog, id, text, sizeof text);
  if (!IsValidDateText(text)) return false;
  *date = DateTextToNumber(text);
  return true;
}

void OnOk(HWND dialog, DownloadDates* dates) {
  int32_t start = 0;
  int32_t end = 0;
  if (!ReadDate(dialog, IDC_START_DATE, &start)) return Refuse(dialog, IDC_START_DATE, kStartInvalid);
  if (!ReadDate(dialog, IDC_END_DATE, &end)) return Refuse(dialog, IDC_END_DATE, kEndInvalid);
  if (end < start) return Refuse(dialog, IDC_START_DATE, kReversed);
  dates->StartDate = start;
  dates->EndDate = end;
  EndDialog(dialog, 1);
}

INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    OnInit(dialog, reinterpret_cast<DownloadDates*>(lParam));
    return TRUE;  // the focus goes to the first tab stop, the start date
  }
  auto* dates = reinterpret_cast<DownloadDates*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message != WM_COMMAND || !dates) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_ASCII_UPDATE:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      OnAsciiUpdateClicked(dialog, dates);
      return TRUE;
    case IDC_CLEAN_UP:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      OnCleanUpClicked(dialog, dates);
      return TRUE;
    case IDOK:
      OnOk(dialog, dates);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK DatesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // Ending the dialog counts as a cancel.
  return Guarded(dialog, [&] { return Dispatch(dialog, message, wParam, lParam); }, [&] {
    EndDialog(dialog, 0);
    return INT_PTR{TRUE};
  });
}

void LoadRunOptions(DownloadDates* dates, HWND owner) {
  int32_t flag = 0;
  if (LoadDownloadAscii(owner, &flag)) dates->AsciiUpdate = flag;
  if (LoadDownloadClean(owner, &flag)) dates->CleanUp = flag;
}

// The proposal, and in *stored the last date as stored (0 when none, or when it cannot be loaded).
DownloadDates Propose(HWND owner, int32_t* stored) {
  DownloadDates dates = {0, 0, 0, 0};
  int32_t last = 0;
  *stored = 0;
  if (!LoadDownloadInfo(owner, &last)) return dates;
  *stored = last;
  const int32_t today = TodayDateNumber();
  if (last == 0) last = PreviousWeekday(today);
  dates.StartDate = NextWeekday(last);
  dates.EndDate = today;
  LoadRunOptions(&dates, owner);

  DownloadSettings settings;
  LoadDownloadSettings(owner, &settings);
  // Before the download time today's data is not yet on the server, whatever the last date.
  if (CurrentTimeNumber() < settings.DownloadTime) dates.EndDate = PreviousWeekday(today);
  // The end before the start (nothing new yet, or a weekend): the dialog proposes the end alone.
  if (dates.EndDate < dates.StartDate) dates.StartDate = dates.EndDate;
  return dates;
}

}  // namespace

DownloadDates DefaultDownloadDates(HWND owner) {
  int32_t stored = 0;
  return Propose(owner, &stored);
}

int RunDatesDialog(HWND owner, DownloadDates* dates) {
  INT_PTR result = RunModalDialog("GetDnlDates", owner, DatesDialogProc, reinterpret_cast<LPARAM>(dates));
  if (result == -1) {
    ShowBox(owner, "Error creating GetDnlDates dialog box", "Error", MB_OK);
    return 0;
  }
  return result == 1 ? 1 : 0;
}

int GetDownloadDates(HWND owner, DownloadDates* dates) {
  int32_t stored = 0;
  *dates = Propose(owner, &stored);
  if (!g_automaticMode) return RunDatesDialog(owner, dates);
  // Nobody chose the last day again: an unattended run with nothing new fetches nothing. Its
  // range then starts after its end.
  if (stored != 0 && dates->StartDate <= stored) dates->StartDate = NextWeekday(stored);
  return 1;
}
