// Every procedure that the system calls (dialog and window procedures, hooks, timer and enumeration
// callbacks) runs its body through Guarded: a C++ exception must never cross into the system's
// code, which cannot unwind it. A caught exception (out of memory, say) is reported through the
// program's fault handler, and the callback then returns what its own recovery gives.
#pragma once

#include <windows.h>

// What else the program does about a fault caught in a callback of `window` (ending an automatic
// run, say); `what` names the fault ("out of memory").
using FaultHandler = void (*)(HWND window, const char* what);
void SetFaultHandler(FaultHandler handler);

// Reports the exception being handled; to be called only inside a catch block. Outside automatic
// mode a box owned by `window` says what happened; then the fault handler, if one is set, runs.
void ReportCaughtFault(HWND window) noexcept;

// Runs `body`; when it throws, reports the fault and returns `recover()` instead. `recover` does
// only what cannot throw (ending a dialog, enabling controls).
template <typename Body, typename Recover>
auto Guarded(HWND window, Body&& body, Recover&& recover) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    ReportCaughtFault(window);
    return recover();
  }
}
