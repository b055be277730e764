// Runs an operation on this thread while a driver thread answers every message box it shows with
// OK, and gives the boxes as the user saw them, with the window that owned each.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "tools/uidriver/UiDriver.h"

struct ShownBox {
  std::string caption;
  std::string text;
  HWND owner;
};

// Keeps this thread answering its messages until `finished` (or the driver gave up), so that a
// driver reading this thread's windows never waits on a thread that waits for the driver.
inline void PumpUntil(const std::atomic<bool>& finished) {
  while (!finished) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
}

// Runs `operation` on this thread while `watch` runs on the driver thread, called again and again
// until the operation has returned.
inline void WhileRunning(const std::function<void()>& operation, const std::function<void()>& watch) {
  ui::SetTargetProcess(GetCurrentProcessId());
  std::atomic<bool> done{false};
  std::atomic<bool> driverDone{false};
  ui::DriveModal(
      [&] {
        operation();
        done = true;
        PumpUntil(driverDone);
      },
      [&] {
        while (!done) watch();
        driverDone = true;
      });
}

inline std::vector<ShownBox> AnswerEveryBox(const std::function<void()>& operation) {
  std::vector<ShownBox> shown;
  WhileRunning(operation, [&] {
    std::vector<ui::MessageBoxText> boxes = ui::MessageBoxes();
    if (boxes.empty()) {
      Sleep(20);
      return;
    }
    const ui::MessageBoxText& box = boxes.front();
    shown.push_back({box.caption, box.text, GetWindow(box.window, GW_OWNER)});
    ui::Click(box.window, IDOK);
    ui::WaitForWindowGone(box.window);
  });
  return shown;
}
