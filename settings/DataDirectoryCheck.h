// Makes sure the data directory exists before the session opens and before each download list is
// built, offering to create it. The process's current directory is left as it was found.
#pragma once

#include <windows.h>

#include <string_view>

// Nonzero when the directory exists or has just been created; 0 when it is not usable (the user
// has been told why, in boxes owned by `owner`). Nothing is created unless the user says Yes; in
// automatic mode the unanswered question closes itself with No.
//
// The directory comes from the settings record, whose field need not be terminated: pass
// FieldText(record.DataDirectory). A bare character array is refused at compile time.
int CheckDataDirectory(HWND owner, std::string_view directory);
int CheckDataDirectory(HWND owner, const char* directory) = delete;
