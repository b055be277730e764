// The start-up road without the session dialog's template: the debug announcement, then the
// fatal error; both boxes owned by the hidden main window.
#include <gtest/gtest.h>

#include <string>

#include "app/MainWindow.h"
#include "platform/ProgramState.h"
#include "settings/SettingsStore.h"
#include "tools/uidriver/UiDriver.h"

TEST(Start, DebugNoticeThenFatalErrorWhenTheSessionDialogCannotBeCreated) {
  ui::SetTargetProcess(GetCurrentProcessId());
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  DownloadSettings settings;
  DefaultDownloadSettings(&settings);
  std::string dir = std::string(temp) + "tkvn-start";
  CreateDirectoryA(dir.c_str(), nullptr);
  std::snprintf(settings.DataDirectory, sizeof settings.DataDirectory, "%s", dir.c_str());
  ASSERT_EQ(1, SaveDownloadSettings(nullptr, &settings));

  HINSTANCE instance = GetModuleHandleA(nullptr);
  ASSERT_NE(0, RegisterMainClass(instance));
  ui::MessageBoxText notice, fatal;
  HWND owner = nullptr, mainWindow = nullptr, shown = nullptr;
  ui::DriveModal([&] { CreateMainWindow(instance); },
                 [&] {
                   notice = ui::AnswerMessageBox(IDOK);
                   fatal = ui::WaitForMessageBox();
                   owner = GetWindow(fatal.window, GW_OWNER);
                   mainWindow = FindWindowA(kMainClassName, nullptr);
                   // What a second start brings forward: the box, not the hidden main window.
                   shown = VisibleWindowOf(mainWindow);
                   ui::AnswerMessageBox(IDOK);
                 });
  EXPECT_EQ("Information", notice.caption);
  EXPECT_EQ("Special Debug Version (1)", notice.text);
  EXPECT_EQ("Fatal Error", fatal.caption);
  EXPECT_EQ("Unable to create DailyDnl dialog box", fatal.text);
  ASSERT_NE(nullptr, mainWindow);
  EXPECT_EQ(mainWindow, owner);
  EXPECT_EQ(fatal.window, shown);
  EXPECT_FALSE(IsWindowVisible(mainWindow)) << "the main window stays hidden";
  EXPECT_EQ(instance, g_instance);

  // A second start now finds this instance's window and does not register.
  EXPECT_EQ(0, RegisterMainClass(instance));
  RemoveDirectoryA(dir.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}
