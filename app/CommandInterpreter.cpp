#include "app/CommandInterpreter.h"

#include <windows.h>

#include <vector>

#include "platform/UniqueHandle.h"

namespace {

bool RunAndWait(const char* application, const std::string& commandLine) {
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
    return false;
  UniqueObject process(info.hProcess);
  UniqueObject thread(info.hThread);
  WaitForSingleObject(process.Get(), INFINITE);
  return true;
}

}  // namespace

bool RunThroughCommandInterpreter(const std::string& command) {
  // cmd takes off the first and the last quote of what follows /c unless the text is one plain
  // quoted name; one more pair around the whole command leaves a quoted path with ( ) & ^ whole.
  const std::string argument = " /c \"" + command + "\"";
  char comspec[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableA("COMSPEC", comspec, sizeof comspec);
  if (n > 0 && n < sizeof comspec) {
    if (RunAndWait(comspec, std::string("\"") + comspec + "\"" + argument)) return true;
  }
  return RunAndWait(nullptr, "cmd.exe" + argument);
}
