// Runs a command through the command interpreter and waits for it to end, as the C library's
// system() does: the shell named by COMSPEC with "/c" and the command, or "cmd.exe" when that
// cannot be started. Used for the clean-up batch FixFiles.bat, which runs in a minimised console
// so that a batch waiting for input can be seen. `command` is handed on whole, quotes included.
#pragma once

#include <string>

// Returns true when an interpreter ran (whatever the command's exit code), false when none
// could be started. The wait dispatches no messages.
bool RunThroughCommandInterpreter(const std::string& command);
