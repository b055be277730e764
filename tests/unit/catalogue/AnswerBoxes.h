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

inline std::vector<ShownBox> AnswerEveryBox(const std::function<void()>& operation) {
  ui::SetTargetProcess(GetCurrentProcessId());
  std::vector<ShownBox> shown;
  std::atomic<bool> done{false};
  ui::DriveModal(
      [&] {
        operation();
        done = true;
      },
      [&] {
        while (!done) {
          std::vector<ui::MessageBoxText> boxes = ui::MessageBoxes();
          if (boxes.empty()) {
            Sleep(20);
            continue;
          }
          const ui::MessageBoxText& box = boxes.front();
          shown.push_back({box.caption, box.text, GetWindow(box.window, GW_OWNER)});
          ui::Click(box.window, IDOK);
          ui::WaitForWindowGone(box.window);
        }
      });
  return shown;
}
