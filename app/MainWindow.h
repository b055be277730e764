// Program start: the single-instance rule, the hidden main window of class "tkvndn" that owns
// every dialog, and the session dialog run to its end.
#pragma once

#include <windows.h>

extern const char kMainClassName[];  // "tkvndn"

// Nonzero (the class atom) to go on; 0 when another instance runs (it has been brought
// forward) or the class cannot be registered.
ATOM RegisterMainClass(HINSTANCE instance);

// The window of a running instance that a person sees: the enabled top-level window of its
// process that comes first in z-order (the session dialog, or the box or dialog over it), else
// its first visible one, else `mainWindow` itself.
HWND VisibleWindowOf(HWND mainWindow);

// Sets the three mode flags from the command-line text: each switch counts wherever it occurs,
// with exact letter case. In automatic mode the system is also asked to show none of its own
// error boxes (critical errors, crashes, files it cannot open).
void ReadSwitches(const char* commandLine);

// Creates the hidden main window, checks the data directory and runs the session dialog.
void CreateMainWindow(HINSTANCE instance);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
