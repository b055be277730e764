#include "app/ExitSteps.h"

#include <shellapi.h>

#include <cstdio>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"
#include "app/SessionState.h"
#include "catalogue/DownloadItems.h"
#include "settings/HangUp.h"

namespace {

INT_PTR ShellLaunch(const char* file, const char* parameters) {
  return reinterpret_cast<INT_PTR>(ShellExecuteA(GetDesktopWindow(), "open", file, parameters, nullptr, SW_SHOW));
}

FollowUpLauncher g_launcher = ShellLaunch;

// `failureText` is the message up to the error code, which follows it.
void StartFollowUp(HWND dialog, const char* file, const char* parameters, const char* failureText) {
  INT_PTR result = g_launcher(file, parameters);
  if (result > 32) return;
  char text[200];
  std::snprintf(text, sizeof text, "%s%ld", failureText, static_cast<long>(result));
  ShowBox(dialog, text, "Problem", MB_OK);
}

}  // namespace

void SetFollowUpLauncher(FollowUpLauncher launcher) { g_launcher = launcher ? launcher : ShellLaunch; }

void RunExitSteps(HWND dialog, const DownloadSettings& settings) {
  if (settings.HangupOnExit) HangUpModem();
  ClearDownloadList();
  Session().currentItem = nullptr;
  // Pivotrax mode wins when both follow-up modes are given.
  if (g_pivotraxMode) {
    StartFollowUp(dialog, "pvtrx.exe", "/backfromdownload",
                  "An error occured attempting to run Pivotrax\n"
                  "Please contact Tickvane support and quote error code: ");
  } else if (g_amiBrokerMode) {
    StartFollowUp(dialog, "file:\\broker\\script\\six.js", nullptr,
                  "An error occured attempting to run the Amibroker update\n"
                  "Please contact Tickvane support and quote error code: ");
  }
}
