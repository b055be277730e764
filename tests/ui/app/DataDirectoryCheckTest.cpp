// The data directory check as the user meets it: its question and messages, answered, and left
// unanswered in automatic mode.
#include "settings/DataDirectoryCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"
#include "tests/ui/settings/DialogTestSupport.h"
#include "tools/uidriver/UiDriver.h"

namespace {

std::string CurrentDirectory() {
  char buffer[MAX_PATH];
  GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

class DataDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root = std::string(temp) + "tkvn-ddc-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root.c_str(), nullptr);
  }
  void TearDown() override {
    RemoveDirectoryA((root + "\\new").c_str());
    DeleteFileA((root + "\\afile").c_str());
    RemoveDirectoryA(root.c_str());
  }
  std::string root;
};

TEST_F(DataDirectory, ExistingDirectoryPassesSilently) {
  std::string before = CurrentDirectory();
  int result = 0;
  RunAnsweringExactly([&] { result = CheckDataDirectory(nullptr, root); });
  EXPECT_NE(0, result);
  EXPECT_EQ(before, CurrentDirectory());
}

TEST_F(DataDirectory, MissingDirectoryIsCreatedOnYes) {
  std::string path = root + "\\new";
  std::string before = CurrentDirectory();
  int result = -1;
  ui::MessageBoxText question;
  RunAnsweringExactly([&] { result = CheckDataDirectory(nullptr, path); },
                      [&] { question = ui::AnswerMessageBox(IDYES); });
  EXPECT_NE(0, result);
  EXPECT_EQ("File Download", question.caption);
  EXPECT_EQ("The directory selected in update settings (" + path +
                ") does not exist.\nWould you like to create it now?",
            question.text);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
  EXPECT_EQ(before, CurrentDirectory());
}

TEST_F(DataDirectory, NoEndsWithUnableToContinue) {
  // The directory is given as a view into longer text, as a settings field without its
  // terminator is: nothing after the view may be taken for part of the path.
  const std::string text = root + "\\newXYZ";
  const std::string_view path(text.data(), text.size() - 3);
  int result = -1;
  ui::MessageBoxText question, answer;
  RunAnsweringExactly([&] { result = CheckDataDirectory(nullptr, path); },
                      [&] {
                        question = ui::AnswerMessageBox(IDNO, ui::kDefaultTimeoutMs, "File Download");
                        answer = ui::AnswerMessageBox(IDOK);
                      });
  EXPECT_EQ(0, result);
  EXPECT_NE(question.text.find("(" + root + "\\new) does not exist"), std::string::npos) << question.text;
  EXPECT_EQ("Error", answer.caption);
  EXPECT_EQ("Unable to continue. Please select valid directory in update settings.", answer.text);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((root + "\\new").c_str()));
}

// Nobody at the screen: the question closes itself with No, nothing is created, the check fails.
TEST_F(DataDirectory, UnansweredInAutomaticModeCreatesNothing) {
  struct Unattended {
    unsigned delay = AutoCloseDelay();
    Unattended() { g_automaticMode = 1, SetAutoCloseDelay(100); }
    ~Unattended() { g_automaticMode = 0, SetAutoCloseDelay(delay); }
  } unattended;
  const std::string path = root + "\\new";
  int result = -1;
  std::vector<std::string> seen;
  ui::DriveModal([&] { result = CheckDataDirectory(nullptr, path); },
                 [&] {
                   for (int i = 0; i < 2; ++i) {
                     ui::MessageBoxText box = ui::WaitForMessageBox();
                     seen.push_back(box.caption);
                     ui::WaitForWindowGone(box.window, 5000);
                   }
                 });
  EXPECT_EQ(0, result);
  EXPECT_EQ(seen, std::vector<std::string>({"File Download", "Error"}));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
}

TEST_F(DataDirectory, OnlyTheLastComponentIsCreatedAndAFileIsNoDirectory) {
  HANDLE f = CreateFileA((root + "\\afile").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  for (std::string path : {root + "\\missing\\deeper", root + "\\afile"}) {
    SCOPED_TRACE(path);
    int result = -1;
    ui::MessageBoxText failure;
    RunAnsweringExactly([&] { result = CheckDataDirectory(nullptr, path); },
                        [&] {
                          ui::AnswerMessageBox(IDYES, ui::kDefaultTimeoutMs, "File Download");
                          failure = ui::AnswerMessageBox(IDOK);
                        });
    EXPECT_EQ(0, result);
    EXPECT_EQ("Error", failure.caption);
    EXPECT_EQ("Failed attempting to create directory.", failure.text);
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((root + "\\missing").c_str()));
}

}  // namespace
