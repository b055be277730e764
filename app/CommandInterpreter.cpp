#include "app/CommandInterpreter.h"

#include <windows.h>

#include "app/ChildProcess.h"

namespace {

CommandRun RunAndWait(const char* application, const std::string& commandLine, DWORD waitMilliseconds) {
  UniqueObject process;
  DWORD error = 0;
  // Minimised but visible: a batch that stops on something other than its input can be found on
  // the task bar and closed.
  if (!StartChildProcess(application, commandLine, SW_SHOWMINNOACTIVE, &process, &error))
    return {CommandRun::kNotStarted, error};
  // Closing the handle leaves a process that has not ended running on its own.
  if (WaitForSingleObject(process.Get(), waitMilliseconds) == WAIT_TIMEOUT) return {CommandRun::kStillRunning, 0};
  return {};
}

}  // namespace

CommandRun RunThroughCommandInterpreter(const std::string& command, unsigned long waitMilliseconds) {
  // cmd takes off the first and the last quote of what follows /c unless the text is one plain
  // quoted name; one more pair around the whole command leaves a quoted path with ( ) & ^ whole.
  const std::string argument = " /c \"" + command + "\"";
  char comspec[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableA("COMSPEC", comspec, sizeof comspec);
  if (n > 0 && n < sizeof comspec) {
    CommandRun run = RunAndWait(comspec, std::string("\"") + comspec + "\"" + argument, waitMilliseconds);
    if (run.outcome != CommandRun::kNotStarted) return run;
  }
  return RunAndWait(nullptr, "cmd.exe" + argument, waitMilliseconds);
}
