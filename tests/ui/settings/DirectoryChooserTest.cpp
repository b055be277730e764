// The directory chooser driven as a user would: OK on the start directory, on a subdirectory
// opened from the list, on a drive root; a highlighted but unopened entry; Cancel, Esc and the
// close box. Wine shows the path in lower case, so paths are compared without regard to case.
#include "settings/DirectoryChooser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/ProgramState.h"
#include "settings/DirectoryChooserRes.h"
#include "tests/ui/settings/DialogTestSupport.h"
#include "tools/uidriver/UiDriver.h"

namespace {

const char kBase[] = "C:\\tkvn-chooser";

std::string CurrentDirectory() {
  char buffer[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

class DirectoryChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    g_instance = GetModuleHandleA(nullptr);
    CreateDirectoryA(kBase, nullptr);
    CreateDirectoryA((std::string(kBase) + "\\alpha").c_str(), nullptr);
    CreateDirectoryA((std::string(kBase) + "\\beta").c_str(), nullptr);
    owner_ = MakeOwnerWindow();
  }
  void TearDown() override { DestroyWindow(owner_); }

  // Opens the chooser on `start` and lets `act` work on it; returns the buffer afterwards.
  std::string Choose(const std::string& start, const std::function<void(HWND)>& act) {
    char path[kDirectoryPathSize];
    std::memset(path, 'x', sizeof path);
    std::memcpy(path, start.c_str(), start.size() + 1);
    ui::DriveModal([&] { ChooseDirectory(owner_, path); },
                   [&] {
                     HWND chooser = ui::WaitForWindow("Select Directory");
                     PauseForLook();
                     act(chooser);
                     ui::WaitForWindowGone(chooser);
                   });
    return path;
  }

  HWND owner_ = nullptr;
};

// Waits until the path control shows `expected`.
void WaitForPath(HWND chooser, const std::string& expected) {
  for (int waited = 0; !SamePath(ui::ItemText(chooser, IDC_DIRSELECT_PATH), expected); waited += 20) {
    ASSERT_LT(waited, 5000) << "the chooser shows " << ui::ItemText(chooser, IDC_DIRSELECT_PATH);
    Sleep(20);
  }
}

int LineOf(HWND chooser, const std::string& name) {
  auto lines = ui::ListLines(chooser, IDC_DIRSELECT_DIRECTORIES);
  for (size_t i = 0; i < lines.size(); ++i)
    if (SamePath(lines[i], name) || SamePath(lines[i], "[" + name + "]")) return static_cast<int>(i);
  ADD_FAILURE() << "no line " << name << " in the directory list";
  return -1;
}

TEST_F(DirectoryChooserTest, TemplateShowsOnlyDirectoriesDrivesAndThePath) {
  const std::vector<TemplateControl> controls = {
      {IDC_DIRSELECT_PATH, "Static", nullptr, 15, 17, 92, 9, SS_LEFT, SS_NOPREFIX},
      {-1, "Static", "&Directories:", 14, 8, 40, 8, SS_LEFT, 0},
      {IDC_DIRSELECT_DIRECTORIES, "ListBox", "", 14, 30, 92, 0, -1,
       LBS_SORT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP},
      {IDC_DIRSELECT_DRIVES_LABEL, "Static", "Dri&ves:", 15, 85, 92, 9, SS_LEFT, 0},
      {IDC_DIRSELECT_DRIVES, "ComboBox", nullptr, 15, 97, 92, 0, CBS_DROPDOWNLIST,
       CBS_OWNERDRAWFIXED | CBS_SORT | CBS_HASSTRINGS | WS_TABSTOP},
      {IDOK, "Button", "OK", 126, 13, 50, 14, BS_DEFPUSHBUTTON, WS_TABSTOP},
      {IDCANCEL, "Button", "Cancel", 126, 31, 50, 14, BS_PUSHBUTTON, WS_TABSTOP},
  };
  Choose(kBase, [&](HWND chooser) {
    WaitForPath(chooser, kBase);
    LONG style = GetWindowLongA(chooser, GWL_STYLE);
    EXPECT_EQ(style & (DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU),
              DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ExpectControls(chooser, controls);
    ui::Click(chooser, IDCANCEL);
  });
}

TEST_F(DirectoryChooserTest, OkTakesTheStartDirectoryAsShown) {
  std::string shown;
  std::string chosen = Choose(std::string(kBase) + "\\alpha", [&](HWND chooser) {
    shown = ui::ItemText(chooser, IDC_DIRSELECT_PATH);
    ui::Click(chooser, IDOK);
  });
  EXPECT_TRUE(SamePath(shown, std::string(kBase) + "\\alpha")) << shown;
  EXPECT_EQ(chosen, shown);
}

TEST_F(DirectoryChooserTest, OkTakesASubdirectoryOpenedFromTheList) {
  std::string chosen = Choose(kBase, [&](HWND chooser) {
    WaitForPath(chooser, kBase);
    ui::ActivateListLine(chooser, IDC_DIRSELECT_DIRECTORIES, LineOf(chooser, "beta"));
    WaitForPath(chooser, std::string(kBase) + "\\beta");
    ui::Click(chooser, IDOK);
  });
  EXPECT_TRUE(SamePath(chosen, std::string(kBase) + "\\beta")) << chosen;
}

TEST_F(DirectoryChooserTest, OkIgnoresAHighlightedEntryThatWasNotOpened) {
  std::string chosen = Choose(kBase, [&](HWND chooser) {
    WaitForPath(chooser, kBase);
    ui::SelectListLine(chooser, IDC_DIRSELECT_DIRECTORIES, LineOf(chooser, "alpha"), true);
    Sleep(100);
    ui::Click(chooser, IDOK);
  });
  EXPECT_TRUE(SamePath(chosen, kBase)) << chosen;
}

TEST_F(DirectoryChooserTest, DriveRootLosesItsBackslash) {
  std::string shown;
  std::string chosen = Choose("C:\\", [&](HWND chooser) {
    WaitForPath(chooser, "C:\\");
    shown = ui::ItemText(chooser, IDC_DIRSELECT_PATH);
    ui::Click(chooser, IDOK);
  });
  EXPECT_EQ(shown.size(), 3u) << shown;
  EXPECT_TRUE(SamePath(chosen, "C:")) << chosen;
  // Exactly what the chooser showed, byte for byte, less its one trailing backslash.
  EXPECT_EQ(chosen, shown.substr(0, 2));
}

TEST_F(DirectoryChooserTest, CancelEscapeAndCloseBoxChangeNothing) {
  const std::string start = std::string(kBase) + "\\alpha";
  const std::string before = CurrentDirectory();
  const std::function<void(HWND)> ways[] = {
      [](HWND chooser) { ui::Click(chooser, IDCANCEL); },
      [](HWND chooser) { ui::PressKey(chooser, VK_ESCAPE); },
      [](HWND chooser) { ui::CloseBox(chooser); },
  };
  for (const auto& way : ways) {
    // Moving to another directory first: nothing of it may stick after the dialog is dismissed.
    std::string chosen = Choose(start, [&](HWND chooser) {
      WaitForPath(chooser, start);
      ui::ActivateListLine(chooser, IDC_DIRSELECT_DIRECTORIES, 0);
      Sleep(100);
      way(chooser);
    });
    EXPECT_EQ(chosen, start);
    EXPECT_EQ(CurrentDirectory(), before) << "the process's current directory moved";
  }
}

TEST_F(DirectoryChooserTest, CurrentDirectoryIsPutBackAfterAChoice) {
  const std::string before = CurrentDirectory();
  std::string chosen = Choose(std::string(kBase) + "\\beta", [](HWND chooser) { ui::Click(chooser, IDOK); });
  EXPECT_TRUE(SamePath(chosen, std::string(kBase) + "\\beta")) << chosen;
  EXPECT_EQ(CurrentDirectory(), before);
}

}  // namespace
