#include "app/SessionDisplay.h"

#include <commctrl.h>

#include "app/SessionDialogRes.h"

void SetBusyDisplay(HWND dialog, int busy, const char* text) {
  SetDlgItemTextA(dialog, IDC_SESSION_DOWNLOAD, busy == 1 ? "&Abort" : "&Download");
  SetDlgItemTextA(dialog, IDC_SESSION_ITEM, busy == 1 ? text : "");
}

void EnableSessionButtons(HWND dialog, int enable) {
  EnableWindow(GetDlgItem(dialog, IDC_SESSION_CONFIGURE), enable);
  EnableWindow(GetDlgItem(dialog, IDC_SESSION_FILES), enable);
  EnableWindow(GetDlgItem(dialog, IDC_SESSION_DOWNLOAD), enable);
}

void AppendMessageLine(HWND dialog, const char* text) {
  SendDlgItemMessageA(dialog, IDC_SESSION_MESSAGES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void AppendMessageLines(HWND dialog, const std::vector<std::string>& lines) {
  HWND list = GetDlgItem(dialog, IDC_SESSION_MESSAGES);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for (const std::string& line : lines) AppendMessageLine(dialog, line.c_str());
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void ScrollMessagesToEnd(HWND dialog) {
  LRESULT count = SendDlgItemMessageA(dialog, IDC_SESSION_MESSAGES, LB_GETCOUNT, 0, 0);
  if (count > 0) SendDlgItemMessageA(dialog, IDC_SESSION_MESSAGES, LB_SETTOPINDEX, count - 1, 0);
}

bool MessageListHasPrefix(HWND dialog, const char* prefix) {
  // LB_FINDSTRING from -1 searches the whole list from its first line, by prefix, ignoring case.
  return SendDlgItemMessageA(dialog, IDC_SESSION_MESSAGES, LB_FINDSTRING, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(prefix)) != LB_ERR;
}

void SetStatusLine(HWND dialog, const char* text) { SetDlgItemTextA(dialog, IDC_SESSION_STATUS, text); }

void SetItemLabel(HWND dialog, const char* text) { SetDlgItemTextA(dialog, IDC_SESSION_ITEM, text); }

void SetProgressMarquee(HWND dialog, int on) {
  HWND bar = GetDlgItem(dialog, IDC_SESSION_PROGRESS);
  LONG_PTR style = GetWindowLongPtrA(bar, GWL_STYLE);
  if (on) {
    SetWindowLongPtrA(bar, GWL_STYLE, style | PBS_MARQUEE);
    SendMessageA(bar, PBM_SETMARQUEE, 1, 10);
  } else {
    SendMessageA(bar, PBM_SETMARQUEE, 0, 10);
    SetWindowLongPtrA(bar, GWL_STYLE, style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    InvalidateRect(bar, nullptr, TRUE);
  }
}

void EnableClosing(HWND dialog, int enable) {
  EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
  EnableWindow(GetDlgItem(dialog, IDC_SESSION_EXIT), enable);
}
