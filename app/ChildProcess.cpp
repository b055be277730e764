#include "app/ChildProcess.h"

#include <vector>

bool StartChildProcess(const char* application, const std::string& commandLine, WORD show, UniqueObject* process,
                       DWORD* error) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  UniqueFile nullDevice(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inheritable, OPEN_EXISTING, 0, nullptr));
  if (!nullDevice) {
    *error = GetLastError();
    return false;
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = show;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nullDevice.Get();
  PROCESS_INFORMATION info{};
  // Handles are inherited so that the null device reaches the child. No transfer runs while a
  // child is started, so no socket or download file goes with it.
  if (!CreateProcessA(application, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                      &startup, &info)) {
    *error = GetLastError();
    return false;
  }
  CloseHandle(info.hThread);
  process->Reset(info.hProcess);
  return true;
}
