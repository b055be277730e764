// What the settings dialog tests share: an owner window to centre on, and a pause for looking at
// a dialog (TKVN_UI_PAUSE_MS in the environment, for screenshots; no pause by default).
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

inline HWND MakeOwnerWindow() {
  return CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 240, 160, 800, 640, nullptr,
                         nullptr, nullptr, nullptr);
}

inline void PauseForLook() {
  if (const char* ms = std::getenv("TKVN_UI_PAUSE_MS")) Sleep(static_cast<DWORD>(std::atoi(ms)));
}

// Windows paths compared as the file system does, without regard to case.
inline bool SamePath(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}
