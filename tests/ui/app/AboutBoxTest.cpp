#include "app/AboutBox.h"

#include <gtest/gtest.h>

#include <regex>

#include "app/AboutBoxRes.h"
#include "platform/ProgramState.h"
#include "tools/uidriver/UiDriver.h"

TEST(AboutBox, BuildLineHasTheCompilersForms) {
  EXPECT_EQ("This Compile: Sep  2 2013 17:19:28", BuildLine("Sep  2 2013", "17:19:28"));
}

TEST(AboutBox, ShowsItsTextsAndOnlyOkEndsIt) {
  ui::SetTargetProcess(GetCurrentProcessId());
  INT_PTR result = 0;
  std::string build, title, version;
  bool stillOpenAfterEscape = false, stillOpenAfterClose = false;
  ui::DriveModal(
      [&] { result = DialogBoxParamA(GetModuleHandleA(nullptr), "AboutBox", nullptr, AboutBoxProc, 0); },
      [&] {
        HWND box = ui::WaitForWindow("About");
        build = ui::ItemText(box, IDC_ABOUT_BUILD);
        ui::PressKey(box, VK_ESCAPE);
        ui::CloseBox(box);
        Sleep(300);
        stillOpenAfterEscape = IsWindowVisible(box) != FALSE;
        stillOpenAfterClose = stillOpenAfterEscape;
        ui::Click(box, IDOK);
        ui::WaitForWindowGone(box);
      });
  EXPECT_EQ(1, result);
  EXPECT_TRUE(stillOpenAfterEscape);
  EXPECT_TRUE(stillOpenAfterClose);
  EXPECT_TRUE(std::regex_match(build, std::regex("This Compile: [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} "
                                                 "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]")))
      << build;
}

TEST(AboutBox, EnterEndsIt) {
  ui::SetTargetProcess(GetCurrentProcessId());
  INT_PTR result = 0;
  ui::DriveModal(
      [&] { result = DialogBoxParamA(GetModuleHandleA(nullptr), "AboutBox", nullptr, AboutBoxProc, 0); },
      [&] {
        HWND box = ui::WaitForWindow("About");
        ui::PressKey(box, VK_RETURN);
        ui::WaitForWindowGone(box);
      });
  EXPECT_EQ(1, result);
}
