// The ASCII database update: ascii_update.bat in the data directory, run as a hidden process
// while the session dialog stays responsive and shows the progress lines that the batch writes
// into procdate.txt, then the lines of its result.txt.
#pragma once

#include <windows.h>

#include <string>

// Runs the update to its end. Exit and the system menu's Close are disabled meanwhile (and left
// disabled: the caller enables them again once it is done); the progress bar shows a marquee.
// A batch that cannot be started adds an "Update failed" line to the message list, so that the
// run counts as failed. In automatic mode nobody can see to a batch that does not end: the wait
// ends after the limit below, the batch is left running and an "Update failed" line says so.
void RunAsciiUpdate(HWND dialog, const std::string& dataDirectory);

// How long an automatic run waits for ascii_update.bat; generous, since a large database takes
// a while to convert.
constexpr unsigned long kAsciiUpdateWaitLimit = 60 * 60 * 1000;
// Sets that wait; tests shorten it.
void SetAsciiUpdateWaitLimit(unsigned long milliseconds);
