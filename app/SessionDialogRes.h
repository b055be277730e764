// Control ids of the session dialog template DailyDnl (res/DailyDnl.rc).
#pragma once

#define IDC_SESSION_EXIT 2
#define IDC_SESSION_DOWNLOAD 111
#define IDC_SESSION_CONFIGURE 112
#define IDC_SESSION_PROGRESS 128
#define IDC_SESSION_ITEM 129
#define IDC_SESSION_STATUS 130
#define IDC_SESSION_FILES 131
#define IDC_SESSION_ABOUT 134
#define IDC_SESSION_MESSAGES 1014
