// Lets the user pick a directory with the old-style common open dialog, showing only the
// directory list, the drive list and the path of the directory shown.
#pragma once

#include <windows.h>

constexpr size_t kDirectoryPathSize = 260;

// `path` holds the start directory on entry (all of the buffer when it lacks a terminator). After OK it holds the
// directory shown at that moment, without a trailing backslash (a drive root gives "C:"); after
// Cancel, Esc or the close box it is unchanged. The process's current directory, which the
// common dialog moves, is put back as it was.
void ChooseDirectory(HWND owner, char (&path)[kDirectoryPathSize]);
