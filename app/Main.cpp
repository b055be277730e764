// Program entry of tkvndn.exe. The exit code is 0 on every path.
#include <windows.h>

#include "app/MainWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (!RegisterMainClass(instance)) return 0;
  ReadSwitches(commandLine ? commandLine : "");
  CreateMainWindow(instance);
  return 0;
}
