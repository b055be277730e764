// The files dialog driven as a user would, on a catalogue and a selection in a data directory of
// its own: what the list shows and marks, what OK writes to files.use, the question on an empty
// choice, Cancel, and the two failures.
#include "catalogue/FilesDialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/ProgramState.h"
#include "catalogue/FilesDialogRes.h"
#include "settings/SettingsStore.h"
#include "tests/ui/settings/DialogTestSupport.h"
#include "tools/uidriver/UiDriver.h"

namespace {

const char kCaption[] = "Select download files";
const char kDirectory[] = "C:\\tkvn-files";
const char kCatalogue[] = "C:\\tkvn-files\\files.ini";
const char kSelection[] = "C:\\tkvn-files\\files.use";
const char kEmptyQuestion[] = "No files will be downloaded.\nAre you sure you don't want to select any files?";

void WriteFile(const char* path, const std::string& content) {
  FILE* file = std::fopen(path, "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
}

// The file's bytes; "<missing>" when it cannot be read.
std::string ReadFile(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return "<missing>";
  std::string content;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  std::fclose(file);
  return content;
}

class FilesDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    g_instance = GetModuleHandleA(nullptr);
    CreateDirectoryA(kDirectory, nullptr);
    DeleteFileA(kCatalogue);
    DeleteFileA(kSelection);
    RemoveDirectoryA(kSelection);
    DownloadSettings settings;
    DefaultDownloadSettings(&settings);
    std::memcpy(settings.DataDirectory, kDirectory, sizeof kDirectory);
    ASSERT_EQ(SaveDownloadSettings(nullptr, &settings), 1);
    owner_ = MakeOwnerWindow();
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    DestroyWindow(owner_);
  }

  // Opens the dialog and lets `act` work on it until it has closed; returns the end code.
  int Run(const std::function<void(HWND)>& act) {
    return RunDialog([&] { return RunFilesDialog(owner_); }, kCaption, act);
  }

  HWND owner_ = nullptr;
};

int LineOf(HWND dialog, const std::string& text, int nth = 0) {
  auto lines = ui::ListLines(dialog, IDC_FILES_LIST);
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == text && nth-- == 0) return static_cast<int>(i);
  ADD_FAILURE() << "no line " << text;
  return 0;
}

TEST_F(FilesDialogTest, TemplateHasItsControlsInPlace) {
  WriteFile(kCatalogue, "/d/,D,Daily,dn\n");
  const std::vector<TemplateControl> controls = {
      {-1, "Static", "Select files required", 7, 7, 60, 8, SS_LEFT, 0},
      {IDC_FILES_LIST, "ListBox", "", 7, 18, 93, 61, -1,
       LBS_SORT | LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP | WS_BORDER},
      {IDOK, "Button", "OK", 109, 7, 50, 14, BS_DEFPUSHBUTTON, WS_TABSTOP},
      {IDCANCEL, "Button", "Cancel", 109, 24, 50, 14, BS_PUSHBUTTON, WS_TABSTOP},
  };
  Run([&](HWND dialog) {
    ExpectDialogFrame(dialog, 167, 87);
    ExpectControls(dialog, controls);
    EXPECT_EQ(TabOrder(dialog), std::vector<int>({IDC_FILES_LIST, IDOK, IDCANCEL}));
    ui::Click(dialog, IDCANCEL);
  });
}

TEST_F(FilesDialogTest, ShowsTheDescriptionsSortedAndWritesTheChosenRowsInThatOrder) {
  WriteFile(kCatalogue, "/w/,W,Weekly,wk\r\n/d/,D,Daily,dn\r\n# a comment\r\n/m/,d,metals,mt\r\n");
  int result = Run([](HWND dialog) {
    EXPECT_EQ(ui::ListLines(dialog, IDC_FILES_LIST), std::vector<std::string>({"Daily", "metals", "Weekly"}));
    EXPECT_TRUE(ui::ListSelection(dialog, IDC_FILES_LIST).empty());
    ui::SelectListLine(dialog, IDC_FILES_LIST, LineOf(dialog, "Weekly"), true);
    ui::SelectListLine(dialog, IDC_FILES_LIST, LineOf(dialog, "Daily"), true);
    ui::Click(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ReadFile(kSelection), "/d/,D,Daily,dn\r\n/w/,W,Weekly,wk\r\n");
}

TEST_F(FilesDialogTest, SelectionMarksByCaseBlindPrefixAndOkRewritesFromTheCatalogue) {
  WriteFile(kCatalogue, "/dn/,D,Daily DN File,dn\n/ws/,W,Weekly Summary,ws\n/mt/,D,Metals,mt\n");
  // A row differing in case, a row naming the start of a description, a row matching nothing.
  WriteFile(kSelection, "/old/,D,daily dn file,old\n/x/,W,Weekly,xx\n/z/,D,Gone,zz\n");
  int result = Run([](HWND dialog) {
    EXPECT_EQ(ui::ListSelection(dialog, IDC_FILES_LIST),
              std::vector<int>({LineOf(dialog, "Daily DN File"), LineOf(dialog, "Weekly Summary")}));
    ui::Click(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ReadFile(kSelection), "/dn/,D,Daily DN File,dn\r\n/ws/,W,Weekly Summary,ws\r\n");
}

TEST_F(FilesDialogTest, EitherOfTwoRowsWithOneDescriptionWritesTheFirst) {
  WriteFile(kCatalogue, "/a/,D,Same,aa\n/b/,W,Same,bb\n");
  int result = Run([](HWND dialog) {
    ASSERT_EQ(ui::ListLines(dialog, IDC_FILES_LIST).size(), 2u);
    ui::SelectListLine(dialog, IDC_FILES_LIST, LineOf(dialog, "Same", 1), true);
    ui::Click(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ReadFile(kSelection), "/a/,D,Same,aa\r\n");
  // Both entries give that row once: a second copy would share its folder.
  Run([](HWND dialog) {
    for (int line : {0, 1}) ui::SelectListLine(dialog, IDC_FILES_LIST, line, true);
    ui::Click(dialog, IDOK);
  });
  EXPECT_EQ(ReadFile(kSelection), "/a/,D,Same,aa\r\n");
}

TEST_F(FilesDialogTest, EmptyChoiceAsksFirstNoKeepsTheDialogYesWritesAnEmptySelection) {
  WriteFile(kCatalogue, "/d/,D,Daily,dn\n");
  WriteFile(kSelection, "/d/,D,Daily,dn\n");
  std::vector<ui::MessageBoxText> boxes;
  int result = Run([&](HWND dialog) {
    ui::SelectListLine(dialog, IDC_FILES_LIST, 0, false);
    ui::Click(dialog, IDOK);
    HWND question = ui::WaitForMessageBox().window;
    EXPECT_EQ(GetWindow(question, GW_OWNER), dialog);
    boxes.push_back(ui::AnswerMessageBox(IDNO));
    Sleep(100);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "No keeps the dialog open";
    EXPECT_EQ(ReadFile(kSelection), "/d/,D,Daily,dn\n");
    ui::Click(dialog, IDOK);
    boxes.push_back(ui::AnswerMessageBox(IDYES));
  });
  EXPECT_EQ(result, 1);
  ASSERT_EQ(boxes.size(), 2u);
  for (const auto& box : boxes) {
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.text, kEmptyQuestion);
  }
  EXPECT_EQ(ReadFile(kSelection), "");
}

TEST_F(FilesDialogTest, CancelEscapeAndCloseBoxLeaveTheSelectionUntouched) {
  WriteFile(kCatalogue, "/d/,D,Daily,dn\n/w/,W,Weekly,wk\n");
  const std::string selection = "/old/,d,daily,dn\n";
  WriteFile(kSelection, selection);
  const std::function<void(HWND)> ways[] = {
      [](HWND dialog) { ui::Click(dialog, IDCANCEL); },
      [](HWND dialog) { ui::PressKey(dialog, VK_ESCAPE); },
      [](HWND dialog) { ui::CloseBox(dialog); },
  };
  for (const auto& way : ways) {
    int result = Run([&](HWND dialog) {
      EXPECT_EQ(ui::ListSelection(dialog, IDC_FILES_LIST), std::vector<int>({0}));
      ui::SelectListLine(dialog, IDC_FILES_LIST, 0, false);
      ui::SelectListLine(dialog, IDC_FILES_LIST, 1, true);
      way(dialog);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(kSelection), selection);
  }
}

TEST_F(FilesDialogTest, MissingCatalogueIsReportedAndEndsTheDialog) {
  WriteFile(kSelection, "/d/,D,Daily,dn\n");
  int result = -2;
  ui::MessageBoxText box;
  ui::DriveModal([&] { result = RunFilesDialog(owner_); }, [&] { box = ui::AnswerMessageBox(IDOK); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.text, "Unable to load list of available file types.\nPlease select Download option to get a new list.");
  EXPECT_EQ(ui::FindTopWindow(kCaption), nullptr);
  EXPECT_EQ(ReadFile(kSelection), "/d/,D,Daily,dn\n");
}

TEST_F(FilesDialogTest, EmptyCatalogueIsNoFailure) {
  WriteFile(kCatalogue, "# nothing offered today\n");
  int result = Run([](HWND dialog) {
    EXPECT_TRUE(ui::ListLines(dialog, IDC_FILES_LIST).empty());
    ui::Click(dialog, IDOK);
    EXPECT_EQ(ui::AnswerMessageBox(IDYES).caption, "Warning");
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ReadFile(kSelection), "");
}

TEST_F(FilesDialogTest, AllOfAFullCatalogueIsWritten) {
  std::string catalogue;
  for (int i = 0; i < 300; ++i) {
    char row[64];
    std::snprintf(row, sizeof row, "/t%03d/,D,Type %03d,t%03d\n", i, i, i);
    catalogue += row;
  }
  WriteFile(kCatalogue, catalogue);
  int result = Run([](HWND dialog) {
    ASSERT_EQ(ui::ListLines(dialog, IDC_FILES_LIST).size(), 300u);
    for (int i = 0; i < 300; ++i) ui::SelectListLine(dialog, IDC_FILES_LIST, i, true);
    ui::Click(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  std::string written = ReadFile(kSelection);
  size_t rows = 0;
  for (char c : written) rows += c == '\n';
  EXPECT_EQ(rows, 300u);
  EXPECT_EQ(written.substr(0, 23), "/t000/,D,Type 000,t000\r");
  EXPECT_NE(written.find("Type 299"), std::string::npos);
}

// Writes half of what it is given, then fails, as a volume that fills up would.
BOOL FailPartWay(HANDLE file, const void* data, DWORD size, DWORD* written) {
  ::WriteFile(file, data, size / 2, written, nullptr);
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

bool TemporariesLeft() {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((std::string(kDirectory) + "\\~tk*.tmp").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

// files.use that cannot be written is reported, stays as it was and leaves no temporary behind.
TEST_F(FilesDialogTest, UnwritableSelectionIsReportedKeptAndStillEndsWithOne) {
  const std::string previous = "/w/,W,Weekly,wk\r\n";
  const struct {
    const char* name;
    bool folderInPlace;  // a folder where files.use should be
    SelectionWriter writer;
  } cases[] = {{"folder in place", true, nullptr}, {"write fails part way", false, FailPartWay}};
  WriteFile(kCatalogue, "/d/,D,Daily,dn\n/w/,W,Weekly,wk\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.folderInPlace)
      ASSERT_TRUE(CreateDirectoryA(kSelection, nullptr));
    else
      WriteFile(kSelection, previous);
    SetSelectionWriterForTests(c.writer);
    ui::MessageBoxText box;
    int result = Run([&](HWND dialog) {
      ui::SelectListLine(dialog, IDC_FILES_LIST, LineOf(dialog, "Daily"), true);
      ui::Click(dialog, IDOK);
      box = ui::AnswerMessageBox(IDOK);
    });
    SetSelectionWriterForTests(nullptr);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, "Error attempting to write choices");
    if (!c.folderInPlace) {
      EXPECT_EQ(ReadFile(kSelection), previous);
    }
    EXPECT_FALSE(TemporariesLeft());
    RemoveDirectoryA(kSelection);
  }
}

}  // namespace
