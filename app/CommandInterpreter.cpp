#include "app/CommandInterpreter.h"

#include <windows.h>

#include <vector>

#include "platform/UniqueHandle.h"

namespace {

CommandRun RunAndWait(const char* application, const std::string& commandLine, DWORD waitMilliseconds) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  // Minimised but visible: a batch that stops to ask something can be found on the task bar.
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINNOACTIVE;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(application, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                      nullptr, &startup, &info))
    return {CommandRun::kNotStarted, GetLastError()};
  UniqueObject process(info.hProcess);
  UniqueObject thread(info.hThread);
  // Closing the handles leaves a process that has not ended running on its own.
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
