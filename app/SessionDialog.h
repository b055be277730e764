// The session dialog DailyDnl: the program's only visible window and the driver of a download.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SessionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
