// Stands in for the charting program pvtrx.exe in tests of the exit steps: records the command
// line it was started with in pvtrx-args.txt beside itself, and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  char module[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
  if (n == 0 || n >= sizeof module) return 1;
  std::string path(module);
  path = path.substr(0, path.find_last_of('\\') + 1) + "pvtrx-args.txt";
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return 1;
  std::fputs(commandLine ? commandLine : "", f);
  std::fclose(f);
  return 0;
}
