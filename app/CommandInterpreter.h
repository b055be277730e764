// Runs a command through the command interpreter and waits for it to end, as the C library's
// system() does: the shell named by COMSPEC with "/c" and the command, or "cmd.exe" when that
// cannot be started. Used for the clean-up batch FixFiles.bat, which runs in a minimised console
// with the null device as its input and output (app/ChildProcess.h). `command` is handed on
// whole, quotes included.
#pragma once

#include <string>

struct CommandRun {
  enum Outcome {
    kEnded,         // the interpreter ran and ended (whatever its exit code)
    kStillRunning,  // it did not end within the wait; it is left running
    kNotStarted,    // no interpreter could be started; `error` says why
  };
  Outcome outcome = kEnded;
  unsigned long error = 0;
};

// Waits at most `waitMilliseconds` (INFINITE: until it ends). The wait dispatches no messages.
CommandRun RunThroughCommandInterpreter(const std::string& command, unsigned long waitMilliseconds);
