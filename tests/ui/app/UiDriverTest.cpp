// The driver itself: a key press and a click must reach a real dialog, or the dialog tests that
// rely on them prove nothing.
#include "tools/uidriver/UiDriver.h"

#include <gtest/gtest.h>

TEST(UiDriver, EscapeAndClicksReachAMessageBox) {
  ui::SetTargetProcess(GetCurrentProcessId());
  int result = 0;
  ui::DriveModal([&] { result = MessageBoxA(nullptr, "Press Escape", "Driver", MB_OKCANCEL); },
                 [&] {
                   HWND box = ui::WaitForMessageBox(ui::kDefaultTimeoutMs, "Driver").window;
                   ui::PressKey(box, VK_ESCAPE);
                   ui::WaitForWindowGone(box);
                 });
  EXPECT_EQ(IDCANCEL, result);

  ui::DriveModal([&] { result = MessageBoxA(nullptr, "Say yes", "Driver", MB_YESNO); },
                 [&] { EXPECT_EQ("Say yes", ui::AnswerMessageBox(IDYES).text); });
  EXPECT_EQ(IDYES, result);
}

TEST(UiDriver, TimeOutEndsTheModalLoopAndReports) {
  ui::SetTargetProcess(GetCurrentProcessId());
  bool threw = false;
  try {
    ui::DriveModal([&] { MessageBoxA(nullptr, "Nobody answers", "Driver", MB_OK); },
                   [&] { ui::WaitForWindow("A window that never comes", 300); });
  } catch (const ui::Timeout& e) {
    threw = std::string(e.what()).find("A window that never comes") != std::string::npos;
  }
  EXPECT_TRUE(threw);
  EXPECT_TRUE(ui::MessageBoxes().empty());
}
