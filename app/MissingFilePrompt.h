// The prompt DownloadNotAvail, shown when the server does not have an archive of the list: the
// user chooses to fetch it again, skip its day or stop the session.
#pragma once

#include <windows.h>

// The prompt's result in automatic mode when nobody answered it in time: no button has this id.
// The day is left out for now, neither fetched nor counted as done.
constexpr int kPromptLeftUnanswered = 210;

// Shows the prompt modally over `owner`, captioned "File: " and the archive's server path.
// Returns the id of the button pressed: IDC_PROMPT_TRY_AGAIN, IDC_PROMPT_SKIP or
// IDC_PROMPT_ABORT; kPromptLeftUnanswered in automatic mode once the wait for a person is over;
// -1 when the prompt cannot be created.
INT_PTR RunMissingFilePrompt(HWND owner, const char* serverPath);

INT_PTR CALLBACK MissingFilePromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
