#include "platform/CallbackGuard.h"

#include <cstdio>
#include <exception>
#include <new>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"

namespace {

FaultHandler g_handler = nullptr;

void ShowFault(HWND window, const char* what) {
  char text[256];
  std::snprintf(text, sizeof text, "An unexpected error occurred: %s.\nThe step in progress was stopped.", what);
  ShowBox(window, text, "Error", MB_OK | MB_ICONERROR);
}

}  // namespace

void SetFaultHandler(FaultHandler handler) { g_handler = handler; }

void ReportCaughtFault(HWND window) noexcept {
  // Fixed buffers only: memory may be what ran out.
  char what[128] = "unknown error";
  try {
    throw;
  } catch (const std::bad_alloc&) {
    std::snprintf(what, sizeof what, "out of memory");
  } catch (const std::exception& e) {
    std::snprintf(what, sizeof what, "%s", e.what());
  } catch (...) {
  }
  try {
    if (!g_automaticMode) ShowFault(window, what);
    if (g_handler) g_handler(window, what);
  } catch (...) {
    // A fault while reporting a fault: the callback's own recovery still follows.
  }
}
