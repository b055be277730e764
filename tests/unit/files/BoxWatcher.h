// Reads and answers the message boxes that the test's own thread shows, from a thread of its own:
// each box's caption, text and owner are kept, and the box is closed with OK.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Box {
  std::string caption;
  std::string text;
  HWND owner;
};

class BoxWatcher {
 public:
  BoxWatcher() : thread_([this] { Run(); }) {}
  ~BoxWatcher() {
    stop_ = true;
    thread_.join();
  }
  std::vector<Box> Boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  void Run() {
    while (!stop_) {
      HWND box = FindWindowA("#32770", nullptr);
      if (box) {
        char caption[256] = {};
        char text[2048] = {};
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          boxes_.push_back({caption, text, GetWindow(box, GW_OWNER)});
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        while (IsWindow(box) && !stop_) Sleep(10);
      }
      Sleep(10);
    }
  }
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<Box> boxes_;
  std::thread thread_;
};
