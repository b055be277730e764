// Process-wide values set once at start-up and read by the other subsystems.
#pragma once

#include <windows.h>

extern HINSTANCE g_instance;  // the program's instance, for dialogs from templates
extern int g_automaticMode;   // "/a": download at once, no questions, exit at the end
extern int g_amiBrokerMode;   // "/xami": "-ami" user agent, the broker script on exit
extern int g_pivotraxMode;    // "/zpvtrx": start the charting program on exit
extern HWND g_sessionWindow;  // the session dialog, owner of most message boxes, once it is open

// Fixed when the program is built; nothing changes it at run time.
#ifdef TKVN_DEBUG
constexpr int kDebugBuild = 1;
#else
constexpr int kDebugBuild = 0;
#endif
