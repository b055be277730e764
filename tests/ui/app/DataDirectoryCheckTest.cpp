// The data directory check as the user meets it: its question and messages, answered.
#include "settings/DataDirectoryCheck.h"

#include <gtest/gtest.h>

#include <string>

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
  EXPECT_NE(0, CheckDataDirectory(nullptr, root.c_str()));
  EXPECT_EQ(before, CurrentDirectory());
  EXPECT_TRUE(ui::MessageBoxes().empty());
}

TEST_F(DataDirectory, MissingDirectoryIsCreatedOnYes) {
  std::string path = root + "\\new";
  std::string before = CurrentDirectory();
  int result = -1;
  ui::MessageBoxText question;
  ui::DriveModal([&] { result = CheckDataDirectory(nullptr, path.c_str()); },
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
  std::string path = root + "\\new";
  int result = -1;
  ui::MessageBoxText answer;
  ui::DriveModal([&] { result = CheckDataDirectory(nullptr, path.c_str()); },
                 [&] {
                   ui::AnswerMessageBox(IDNO, ui::kDefaultTimeoutMs, "File Download");
                   answer = ui::AnswerMessageBox(IDOK);
                 });
  EXPECT_EQ(0, result);
  EXPECT_EQ("Error", answer.caption);
  EXPECT_EQ("Unable to continue. Please select valid directory in update settings.", answer.text);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
}

TEST_F(DataDirectory, OnlyTheLastComponentIsCreatedAndAFileIsNoDirectory) {
  HANDLE f = CreateFileA((root + "\\afile").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  for (std::string path : {root + "\\missing\\deeper", root + "\\afile"}) {
    SCOPED_TRACE(path);
    int result = -1;
    ui::MessageBoxText failure;
    ui::DriveModal([&] { result = CheckDataDirectory(nullptr, path.c_str()); },
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
