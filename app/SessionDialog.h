// The session dialog DailyDnl: the program's only visible window and the driver of a download.
//
// How a session runs: a Download press builds the download list and starts the first transfer,
// the daily message page. Every transfer ends with one posted WM_TRANSFERDONE, and the handler of
// that message is the session's state machine: from the request kind and the result it starts
// the next fetch (holiday list, catalogue, then each item of the list), shows the missing-file
// prompt, stops, or, once the list is exhausted, runs the completion steps.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SessionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
