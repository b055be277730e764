// How the program starts a child process (the ASCII update, the command interpreter that runs
// FixFiles.bat): in a console of its own, with the null device as its standard input, output and
// error, so that a pause or a set /p returns at once instead of waiting for a key that nobody can
// press. What a batch reports, the program reads from the files it writes, never from its console.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

// Starts `commandLine` (run by `application`, or, when that is null, found as CreateProcessA finds
// it), its console window shown as `show`. False with the error code in *error.
bool StartChildProcess(const char* application, const std::string& commandLine, WORD show, UniqueObject* process,
                       DWORD* error);
