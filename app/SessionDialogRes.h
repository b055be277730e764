// Control ids of the session dialog template DailyDnl (res/DailyDnl.rc).
#pragma once

#define IDC_SESSION_EXIT 2
