// What Exit does before the session dialog ends: the modem hang-up when chosen, the download list
// released, and the follow-up program the command line asked for.
#pragma once

#include <windows.h>

#include "settings/DownloadSettings.h"

// Runs the exit steps; the caller then ends the dialog. A follow-up program that cannot be
// started is reported in a "Problem" box owned by `dialog`.
void RunExitSteps(HWND dialog, const DownloadSettings& settings);

// Opens `file` (with `parameters`, or null) as ShellExecuteA does, returning its result: more
// than 32 when it started.
using FollowUpLauncher = INT_PTR (*)(const char* file, const char* parameters);
// Replaces the launcher; nullptr restores ShellExecuteA. For tests, which must never have a URL
// or a browser opened.
void SetFollowUpLauncher(FollowUpLauncher launcher);
