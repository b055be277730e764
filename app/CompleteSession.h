// What the session does once the last item of the download list has been fetched or skipped:
// extracts every archive of the list, tidies the data directory, stores the newest date as
// DownloadInfo, runs the ASCII update when chosen and reports the outcome. In automatic mode it
// closes the dialog through Exit instead of reporting.
#pragma once

#include <windows.h>

#include "settings/DownloadSettings.h"

// Runs on the user-interface thread inside the dialog's WM_TRANSFERDONE handler, when no transfer
// is active. `settings` is the record the dialog loaded for the message at hand.
void CompleteSession(HWND dialog, const DownloadSettings& settings);

// How long an automatic run waits for FixFiles.bat before it goes on without it.
constexpr unsigned long kFixFilesWaitLimit = 10 * 60 * 1000;
// Sets that wait; tests shorten it.
void SetFixFilesWaitLimit(unsigned long milliseconds);
