// What the dialog tests share: an owner window to centre on, a pause for looking at a dialog
// (TKVN_UI_PAUSE_MS in the environment, for screenshots; no pause by default), paths compared as
// the file system does, and the check of a dialog's controls against its template.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/uidriver/UiDriver.h"

inline HWND MakeOwnerWindow() {
  return CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 240, 160, 800, 640, nullptr,
                         nullptr, nullptr, nullptr);
}

inline void PauseForLook() {
  if (const char* ms = std::getenv("TKVN_UI_PAUSE_MS")) Sleep(static_cast<DWORD>(std::atoi(ms)));
}

// Opens a dialog with `open` (which returns its end code), waits for the window of `caption`,
// lets `act` work on it until it has closed, and returns the end code (-2 if it never ended).
inline int RunDialog(const std::function<int()>& open, const char* caption, const std::function<void(HWND)>& act) {
  int result = -2;
  ui::DriveModal([&] { result = open(); },
                 [&] {
                   HWND dialog = ui::WaitForWindow(caption);
                   PauseForLook();
                   act(dialog);
                   ui::WaitForWindowGone(dialog);
                 });
  return result;
}

// Runs `call` on this thread while a driver first runs `answer` (the boxes the call is meant to
// show, answered; nothing by default) and then watches until the call has returned. A box that
// appears after that fails the test and is answered with its losing button, so a stray box is
// reported instead of blocking the call.
inline void RunAnsweringExactly(const std::function<void()>& call,
                                const std::function<void()>& answer = [] {}) {
  std::atomic<bool> done{false};
  std::vector<std::string> stray;
  ui::DriveModal(
      [&] {
        call();
        done = true;
      },
      [&] {
        answer();
        while (!done) {
          for (const ui::MessageBoxText& box : ui::MessageBoxes()) {
            stray.push_back(box.caption + ": " + box.text);
            for (int button : {IDCANCEL, IDNO, IDOK}) {
              if (HWND control = GetDlgItem(box.window, button)) {
                PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                             reinterpret_cast<LPARAM>(control));
                break;
              }
            }
            ui::WaitForWindowGone(box.window);
          }
          Sleep(10);
        }
      });
  for (const std::string& box : stray) ADD_FAILURE() << "unexpected message box " << box;
}

// Waits until `dialog` has closed; a message box that appears first fails at once.
inline void ExpectClosesWithoutBox(HWND dialog) {
  for (int waited = 0; IsWindow(dialog) && IsWindowVisible(dialog); waited += 10) {
    std::vector<ui::MessageBoxText> boxes = ui::MessageBoxes();
    if (!boxes.empty()) throw std::runtime_error("unexpected message box " + boxes[0].caption + ": " + boxes[0].text);
    if (waited >= ui::kDefaultTimeoutMs) throw ui::Timeout("the dialog did not close");
    Sleep(10);
  }
}

inline bool SamePath(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// One control as the template gives it: id, window class, text (null: not checked, for what the
// common dialog fills in), place and size in dialog units (a height of 0 is not checked: a combo
// box's window is not as tall as its drop-down, a list box rounds to whole lines), its kind
// (the low four style bits: BS_GROUPBOX, BS_AUTOCHECKBOX, SS_LEFT...; -1 for none) and the style
// flags that must be set (a list box drops WS_VSCROLL while it needs no scroll bar).
struct TemplateControl {
  int id;
  const char* windowClass;
  const char* text;
  int x, y, width, height;
  int kind;
  DWORD style;
};

// The dialog's children, in template order, are exactly `expected`.
inline void ExpectControls(HWND dialog, const std::vector<TemplateControl>& expected) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  ASSERT_EQ(children.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const TemplateControl& want = expected[i];
    HWND child = children[i];
    SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(want.id));
    EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), want.id);
    char windowClass[32] = {};
    GetClassNameA(child, windowClass, sizeof windowClass);
    EXPECT_STRCASEEQ(windowClass, want.windowClass);
    if (want.text) {
      EXPECT_EQ(ui::WindowText(child), want.text);
    }
    // The dialog manager converts the origin and the size each on its own.
    RECT origin = {want.x, want.y, 0, 0};
    RECT size = {0, 0, want.width, want.height};
    MapDialogRect(dialog, &origin);
    MapDialogRect(dialog, &size);
    RECT actual;
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, origin.left);
    EXPECT_EQ(actual.top, origin.top);
    EXPECT_EQ(actual.right - actual.left, size.right);
    if (want.height) {
      EXPECT_EQ(actual.bottom - actual.top, size.bottom);
    }
    DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    if (want.kind >= 0) {
      EXPECT_EQ(static_cast<int>(style & 0xF), want.kind) << std::hex << style;
    }
    // A bordered edit may show its border as a sunken client edge instead.
    DWORD wanted = want.style;
    if ((wanted & WS_BORDER) && (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) wanted &= ~WS_BORDER;
    EXPECT_EQ(style & wanted, wanted) << std::hex << style;
  }
}

// The dialog has the modal frame, caption and system menu, and a client area of the template's
// size in dialog units.
inline void ExpectDialogFrame(HWND dialog, int width, int height) {
  LONG style = GetWindowLongA(dialog, GWL_STYLE);
  EXPECT_EQ(style & (DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU),
            DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  RECT size = {0, 0, width, height};
  MapDialogRect(dialog, &size);
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);
}

// The ids that Tab visits from the dialog's first tab stop, once round.
inline std::vector<int> TabOrder(HWND dialog) {
  std::vector<int> ids;
  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  for (HWND item = first; item && ids.size() < 64;) {
    ids.push_back(static_cast<short>(GetDlgCtrlID(item)));
    item = GetNextDlgTabItem(dialog, item, FALSE);
    if (item == first) break;
  }
  return ids;
}
