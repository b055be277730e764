// Program entry of tkvndn.exe. The exit code is 0 for every interactive run; an automatic run
// returns the code of its outcome (app/ExitCodes.h).
#include <windows.h>

#include "app/ExitCodes.h"
#include "app/MainWindow.h"
#include "platform/CallbackGuard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  ReadSwitches(commandLine ? commandLine : "");
  try {
    if (RegisterMainClass(instance)) CreateMainWindow(instance);
  } catch (...) {
    ReportCaughtFault(nullptr);
    SetRunOutcome(kExitUnexpectedError);
  }
  return ProgramExitCode();
}
