// Makes sure the data directory exists before the session opens and before each download list is
// built, offering to create it. The process's current directory is left as it was found.
#pragma once

#include <windows.h>

// Nonzero when the directory exists or has just been created; 0 when it is not usable (the user
// has been told why, in boxes owned by `owner`).
int CheckDataDirectory(HWND owner, const char* directory);
