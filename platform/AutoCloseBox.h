// Every message box and modal dialog of the program is shown through these calls. Nobody may be
// at the screen in automatic mode ("/a", often the Task Scheduler), so there an unanswered box or
// dialog closes itself after AutoCloseDelay() with the answer that loses and changes nothing.
// Outside automatic mode they wait for the user as MessageBoxA and DialogBoxParamA do.
#pragma once

#include <windows.h>

// MessageBoxA owned by `owner`. The automatic answer follows the buttons: OK for MB_OK, No for
// MB_YESNO, Cancel for the types that have a Cancel button.
int ShowBox(HWND owner, const char* text, const char* caption, UINT type);

// DialogBoxParamA on the program's own template. In automatic mode an unanswered dialog receives
// WM_COMMAND `automaticAnswer` (a button id its procedure handles) once the delay has passed.
INT_PTR RunModalDialog(const char* templateName, HWND owner, DLGPROC procedure, LPARAM parameter,
                       int automaticAnswer = IDCANCEL);

// How long an automatic-mode box waits for a person; 30 seconds unless a test shortens it.
void SetAutoCloseDelay(unsigned milliseconds);
unsigned AutoCloseDelay();
