// The proposed dates, and the GetDnlDates dialog driven as a user would: typed dates, OK and
// Cancel, the check boxes and what they store. The registry is faked and the clock fixed.
#include "catalogue/DatesDialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ProgramState.h"
#include "catalogue/DateHelpers.h"
#include "catalogue/DatesDialogRes.h"
#include "catalogue/DownloadList.h"
#include "tests/unit/catalogue/AnswerBoxes.h"
#include "tests/unit/catalogue/FakeRegistry.h"
#include "tests/unit/catalogue/TempDir.h"
#include "tools/uidriver/UiDriver.h"

namespace {

LocalDateTime g_now;
LocalDateTime FixedNow() { return g_now; }

void SetNow(int y, int mo, int d, int h, int mi) { g_now = {y, mo, d, h, mi, 0}; }

class DatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    g_instance = GetModuleHandleA(nullptr);
    g_automaticMode = 0;
    SetLocalClock(FixedNow);
    SetNow(2013, 9, 25, 20, 0);
    registry.PutSettings(dir.Path());
    registry.PutInt("DownloadInfo", 20130924);
    owner = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150, 700, 500, nullptr,
                            nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    SetLocalClock(nullptr);
    g_automaticMode = 0;
    DestroyWindow(owner);
  }
  void WithAsciiUpdater() { dir.Write("ascii_update.exe", "MZ"); }

  // Opens the dialog on `dates` and lets `driver` work it; the dialog's result.
  int Run(DownloadDates* dates, const std::function<void(HWND)>& driver) {
    int result = -7;
    ui::DriveModal([&] { result = RunDatesDialog(owner, dates); },
                   [&] {
                     HWND dialog = ui::WaitForWindow("Download Dates");
                     driver(dialog);
                   });
    return result;
  }

  TempDir dir;
  FakeRegistry registry;
  HWND owner = nullptr;
};

void TypeDates(HWND dialog, const std::string& start, const std::string& end) {
  ui::TypeText(dialog, IDC_START_DATE, start);
  ui::TypeText(dialog, IDC_END_DATE, end);
}

struct Refusal {
  ui::MessageBoxText box;
  bool ownedByDialog;
  int focus;
  int selStart, selEnd;
  bool stillOpen;
};

// Presses OK, reads the message that comes, answers it, and reads where the focus went.
Refusal OkRefused(HWND dialog) {
  ui::Click(dialog, IDOK);
  Refusal r;
  r.box = ui::WaitForMessageBox();
  r.ownedByDialog = GetWindow(r.box.window, GW_OWNER) == dialog;
  ui::Click(r.box.window, IDOK);
  ui::WaitForWindowGone(r.box.window);
  Sleep(100);
  r.focus = ui::FocusedItemId(dialog);
  ui::EditSelection(dialog, r.focus, &r.selStart, &r.selEnd);
  r.stillOpen = IsWindowVisible(dialog) != FALSE;
  return r;
}

// --- The proposed range ---------------------------------------------------------------------

TEST_F(DatesTest, ProposedRanges) {
  const struct {
    int32_t last;
    int day, hour;
    int32_t start, end;
    const char* why;
  } cases[] = {
      {20130924, 25, 20, 20130925, 20130925, "after the download time: today"},
      {20130923, 25, 10, 20130924, 20130924, "before it: the previous weekday"},
      {20130924, 25, 10, 20130924, 20130924, "nothing new before it: the last day again, never today"},
      {20130927, 28, 20, 20130928, 20130928, "a Saturday: start after end, both today"},
      {0, 25, 20, 20130925, 20130925, "nothing downloaded yet"},
      {0, 25, 10, 20130924, 20130924, "nothing downloaded yet, before the download time"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    registry.PutInt("DownloadInfo", c.last);
    SetNow(2013, 9, c.day, c.hour, 0);
    const DownloadDates dates = DefaultDownloadDates(owner);
    EXPECT_EQ(c.start, dates.StartDate);
    EXPECT_EQ(c.end, dates.EndDate);
  }
}

TEST_F(DatesTest, ProposedOptionsComeFromTheRegistry) {
  registry.PutInt("DownloadAscii", 1);
  registry.PutInt("DownloadClean", 1);
  DownloadDates dates = DefaultDownloadDates(owner);
  EXPECT_EQ(1, dates.AsciiUpdate);
  EXPECT_EQ(1, dates.CleanUp);
  registry.PutInt("DownloadAscii", 0);
  dates = DefaultDownloadDates(owner);
  EXPECT_EQ(0, dates.AsciiUpdate);
}

TEST_F(DatesTest, WithoutTheLastDateEverythingIsZero) {
  registry.Erase("DownloadInfo");
  registry.refuseWrites = true;
  DownloadDates dates{};
  std::vector<ShownBox> boxes = AnswerEveryBox([&] { dates = DefaultDownloadDates(owner); });
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Error attempting to create registry key(pdi)", boxes[0].text);
  EXPECT_EQ(0, dates.StartDate);
  EXPECT_EQ(0, dates.EndDate);
}

// --- The dialog --------------------------------------------------------------------------

TEST_F(DatesTest, ShowsTheProposedDatesAndConfirmsThem) {
  WithAsciiUpdater();
  DownloadDates dates = {20130916, 20130925, 0, 0};
  std::string start, end, caption;
  int focus = 0;
  const int result = Run(&dates, [&](HWND dialog) {
    caption = ui::WindowText(dialog);
    start = ui::ItemText(dialog, IDC_START_DATE);
    end = ui::ItemText(dialog, IDC_END_DATE);
    focus = ui::FocusedItemId(dialog);
    if (const char* ms = std::getenv("TKVN_UI_PAUSE_MS")) Sleep(std::atoi(ms));
    ui::Click(dialog, IDOK);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ("16/09/2013", start);
  EXPECT_EQ("25/09/2013", end);
  EXPECT_EQ(IDC_START_DATE, focus);
  EXPECT_EQ(20130916, dates.StartDate);
  EXPECT_EQ(20130925, dates.EndDate);
}

TEST_F(DatesTest, TypedDatesAreConfirmed) {
  DownloadDates dates = {20130916, 20130925, 0, 0};
  const int result = Run(&dates, [&](HWND dialog) {
    TypeDates(dialog, "2/9/2013", "//30//09//2013");
    ui::Click(dialog, IDOK);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ(20130902, dates.StartDate);
  EXPECT_EQ(20130930, dates.EndDate);
}

TEST_F(DatesTest, NoDatesShowEmptyEditsThatCanBeTyped) {
  DownloadDates dates = {0, 0, 0, 0};
  std::string start = "x", end = "x";
  const int result = Run(&dates, [&](HWND dialog) {
    start = ui::ItemText(dialog, IDC_START_DATE);
    end = ui::ItemText(dialog, IDC_END_DATE);
    TypeDates(dialog, "23/09/2013", "24/09/2013");
    ui::Click(dialog, IDOK);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ("", start);
  EXPECT_EQ("", end);
  EXPECT_EQ(20130923, dates.StartDate);
}

const char kStartMessage[] =
    "The start date is not valid.\nPlease enter a date in the format dd/mm/yyyy.\n21 May 1997 would be entered as "
    "21/05/1997";
const char kEndMessage[] =
    "The end date is not valid.\nPlease enter a date in the format dd/mm/yyyy.\n21 May 1997 would be entered as "
    "21/05/1997";

TEST_F(DatesTest, RefusedDatesKeepTheDialogOpenWithTheEditSelected) {
  const struct {
    const char *start, *end, *message;
    int focus;
  } cases[] = {
      {"31/04/2013", "30/09/2013", kStartMessage, IDC_START_DATE},
      {"21/05/97", "bad", kStartMessage, IDC_START_DATE},  // both wrong: only the start is reported
      {"01/09/2013", "29/02/2013", kEndMessage, IDC_END_DATE},
      {"01/10/2013", "30/09/2013", "Start date cannot be greater than end date", IDC_START_DATE},
  };
  DownloadDates dates = {20130916, 20130925, 0, 0};
  std::vector<Refusal> refusals;
  std::vector<std::string> texts;
  const int result = Run(&dates, [&](HWND dialog) {
    for (const auto& c : cases) {
      TypeDates(dialog, c.start, c.end);
      refusals.push_back(OkRefused(dialog));
      texts.push_back(ui::ItemText(dialog, c.focus));
    }
    ui::Click(dialog, IDCANCEL);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_EQ(0, result);
  ASSERT_EQ(4u, refusals.size());
  for (std::size_t i = 0; i < refusals.size(); ++i) {
    SCOPED_TRACE(cases[i].start);
    const Refusal& r = refusals[i];
    EXPECT_EQ("Error", r.box.caption);
    EXPECT_EQ(cases[i].message, r.box.text);
    EXPECT_TRUE(r.stillOpen);
    EXPECT_EQ(cases[i].focus, r.focus);
    EXPECT_EQ(0, r.selStart);
    EXPECT_EQ(static_cast<int>(texts[i].size()), r.selEnd);
    EXPECT_TRUE(r.ownedByDialog);
  }
  EXPECT_EQ(20130916, dates.StartDate);  // cancelled: the dates are not taken
}

TEST_F(DatesTest, EscapeCancels) {
  DownloadDates dates = {20130916, 20130925, 0, 0};
  const int result = Run(&dates, [&](HWND dialog) {
    ui::PressKey(dialog, VK_ESCAPE);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_EQ(0, result);
}

TEST_F(DatesTest, CheckBoxesStoreTheirStateAtOnceEvenWhenCancelled) {
  WithAsciiUpdater();
  registry.PutInt("DownloadAscii", 1);
  registry.PutInt("DownloadClean", 1);
  DownloadDates dates = {20130925, 20130925, 1, 1};
  bool asciiChecked = false, cleanChecked = false, cleanEnabledAfter = true, cleanCheckedAfter = true;
  int32_t asciiStored = -1, cleanStored = -1, cleanStoredLater = -1;
  bool cleanEnabledAgain = false;
  const int result = Run(&dates, [&](HWND dialog) {
    asciiChecked = ui::IsChecked(dialog, IDC_ASCII_UPDATE);
    cleanChecked = ui::IsChecked(dialog, IDC_CLEAN_UP);
    ui::Click(dialog, IDC_ASCII_UPDATE);
    Sleep(100);
    cleanEnabledAfter = ui::IsItemEnabled(dialog, IDC_CLEAN_UP);
    cleanCheckedAfter = ui::IsChecked(dialog, IDC_CLEAN_UP);
    asciiStored = registry.Int("DownloadAscii");
    cleanStored = registry.Int("DownloadClean");
    ui::Click(dialog, IDC_ASCII_UPDATE);
    Sleep(100);
    cleanEnabledAgain = ui::IsItemEnabled(dialog, IDC_CLEAN_UP);
    ui::Click(dialog, IDC_CLEAN_UP);
    Sleep(100);
    cleanStoredLater = registry.Int("DownloadClean");
    ui::Click(dialog, IDC_ASCII_UPDATE);
    Sleep(100);
    ui::Click(dialog, IDCANCEL);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_EQ(0, result);
  EXPECT_TRUE(asciiChecked);
  EXPECT_TRUE(cleanChecked);
  EXPECT_FALSE(cleanEnabledAfter);
  EXPECT_FALSE(cleanCheckedAfter);
  EXPECT_EQ(0, asciiStored);
  EXPECT_EQ(0, cleanStored);
  EXPECT_TRUE(cleanEnabledAgain);
  EXPECT_EQ(1, cleanStoredLater);
  // Unchecked again before Cancel: both stay stored as 0.
  EXPECT_EQ(0, registry.Int("DownloadAscii"));
  EXPECT_EQ(0, registry.Int("DownloadClean"));
}

TEST_F(DatesTest, CleanUpStartsDisabledWithoutAsciiUpdate) {
  WithAsciiUpdater();
  registry.PutInt("DownloadClean", 1);
  DownloadDates dates = {20130925, 20130925, 0, 1};
  bool cleanEnabled = true, cleanChecked = true, visible = false;
  const int result = Run(&dates, [&](HWND dialog) {
    cleanEnabled = ui::IsItemEnabled(dialog, IDC_CLEAN_UP);
    cleanChecked = ui::IsChecked(dialog, IDC_CLEAN_UP);
    visible = ui::IsItemVisible(dialog, IDC_ASCII_UPDATE) && ui::IsItemVisible(dialog, IDC_CLEAN_UP);
    ui::Click(dialog, IDOK);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_EQ(1, result);
  EXPECT_TRUE(visible);
  EXPECT_FALSE(cleanEnabled);
  EXPECT_FALSE(cleanChecked);
  EXPECT_EQ(0, registry.Int("DownloadClean"));
  EXPECT_EQ(0, dates.CleanUp);
}

// Also when the record's text fields lack their terminators: a data directory that fills its
// field names no file within the path limit, whatever the bytes after it.
TEST_F(DatesTest, WithoutTheUpdaterTheOptionsAreHiddenAndStoredOff) {
  WithAsciiUpdater();
  DownloadSettings unterminated;
  DefaultDownloadSettings(&unterminated);
  std::string full = dir.Path();
  while (full.size() < sizeof unterminated.DataDirectory) full += "\\.";
  std::memcpy(unterminated.DataDirectory, full.data(), sizeof unterminated.DataDirectory);
  std::memset(unterminated.Username, 'U', sizeof unterminated.Username);
  std::memset(unterminated.Password, 'P', sizeof unterminated.Password);
  for (bool fullField : {false, true}) {
    SCOPED_TRACE(fullField ? "directory fills its field" : "no ascii_update.exe");
    if (fullField)
      registry.PutSettings(unterminated);
    else
      registry.PutSettings(dir.File("elsewhere"));
    registry.PutInt("DownloadAscii", 1);
    registry.PutInt("DownloadClean", 1);
    DownloadDates dates = {20130925, 20130925, 1, 1};
    bool asciiVisible = true, cleanVisible = true;
    const int result = Run(&dates, [&](HWND dialog) {
      asciiVisible = ui::IsItemVisible(dialog, IDC_ASCII_UPDATE);
      cleanVisible = ui::IsItemVisible(dialog, IDC_CLEAN_UP);
      ui::Click(dialog, IDCANCEL);
      ui::WaitForWindowGone(dialog);
    });
    EXPECT_EQ(0, result);
    EXPECT_FALSE(asciiVisible);
    EXPECT_FALSE(cleanVisible);
    EXPECT_EQ(0, registry.Int("DownloadAscii"));
    EXPECT_EQ(0, registry.Int("DownloadClean"));
    EXPECT_EQ(0, dates.AsciiUpdate);
    EXPECT_EQ(0, dates.CleanUp);
  }
}

TEST_F(DatesTest, ARefusedRegistryWriteIsReportedAndTheDialogStays) {
  WithAsciiUpdater();
  DownloadDates dates = {20130925, 20130925, 1, 0};
  ui::MessageBoxText box;
  HWND boxOwner = nullptr;
  HWND dialogWindow = nullptr;
  bool stillOpen = false;
  const int result = Run(&dates, [&](HWND dialog) {
    dialogWindow = dialog;
    registry.refuseWrites = true;
    ui::Click(dialog, IDC_ASCII_UPDATE);
    box = ui::WaitForMessageBox();
    boxOwner = GetWindow(box.window, GW_OWNER);
    ui::Click(box.window, IDOK);
    ui::WaitForWindowGone(box.window);
    ui::AnswerMessageBox(IDOK);  // then the clean-up option's own write
    stillOpen = IsWindowVisible(dialog) != FALSE;
    ui::Click(dialog, IDCANCEL);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_EQ(0, result);
  EXPECT_EQ("Error attempting to create registry key(pda)", box.text);
  EXPECT_EQ("Error", box.caption);
  EXPECT_EQ(dialogWindow, boxOwner);
  EXPECT_TRUE(stillOpen);
}

TEST_F(DatesTest, TheDialogIsCentredOverItsOwner) {
  DownloadDates dates = {20130925, 20130925, 0, 0};
  RECT dialogRect{}, ownerRect{};
  GetWindowRect(owner, &ownerRect);
  Run(&dates, [&](HWND dialog) {
    GetWindowRect(dialog, &dialogRect);
    ui::Click(dialog, IDCANCEL);
    ui::WaitForWindowGone(dialog);
  });
  EXPECT_NEAR((ownerRect.left + ownerRect.right) / 2, (dialogRect.left + dialogRect.right) / 2, 2);
  EXPECT_NEAR((ownerRect.top + ownerRect.bottom) / 2, (dialogRect.top + dialogRect.bottom) / 2, 2);
}

TEST_F(DatesTest, ADialogThatCannotBeCreatedIsReported) {
  g_instance = GetModuleHandleA("kernel32.dll");  // holds no GetDnlDates template
  DownloadDates dates = {20130925, 20130925, 0, 0};
  int result = -7;
  std::vector<ShownBox> boxes = AnswerEveryBox([&] { result = RunDatesDialog(owner, &dates); });
  EXPECT_EQ(0, result);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Error creating GetDnlDates dialog box", boxes[0].text);
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_EQ(owner, boxes[0].owner);
}

// --- GetDownloadDates and the list builder --------------------------------------------------

TEST_F(DatesTest, AutomaticModeTakesTheProposedRangeWithoutAsking) {
  g_automaticMode = 1;
  registry.PutInt("DownloadInfo", 20130920);
  bool dialogSeen = false;
  int result = -7;
  DownloadDates dates{};
  WhileRunning([&] { result = GetDownloadDates(owner, &dates); },
               [&] {
                 if (HWND dialog = FindWindowA(nullptr, "Download Dates")) {
                   dialogSeen = true;
                   PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                 }
                 Sleep(20);
               });
  EXPECT_FALSE(dialogSeen);
  EXPECT_EQ(1, result);
  EXPECT_EQ(20130923, dates.StartDate);
  EXPECT_EQ(20130925, dates.EndDate);

  // With nothing new the unattended range holds no day, not the last one again.
  registry.PutInt("DownloadInfo", 20130924);
  SetNow(2013, 9, 25, 10, 0);
  ASSERT_EQ(1, GetDownloadDates(owner, &dates));
  EXPECT_GT(dates.StartDate, 20130924);
  EXPECT_EQ(20130924, dates.EndDate);
}

TEST_F(DatesTest, CancellingTheDatesCancelsTheBuild) {
  g_sessionWindow = owner;
  ClearDownloadList();
  AddDownloadItem("/kept/", "kept", 1);
  int result = 0;
  ui::DriveModal([&] { result = BuildDownloadList(owner); },
                 [&] {
                   HWND dialog = ui::WaitForWindow("Download Dates");
                   ui::Click(dialog, IDCANCEL);
                   ui::WaitForWindowGone(dialog);
                 });
  g_sessionWindow = nullptr;
  EXPECT_EQ(-1, result);
  EXPECT_EQ(1, DownloadItemCount());
  ClearDownloadList();
}

TEST_F(DatesTest, ConfirmedDatesBuildTheList) {
  g_sessionWindow = owner;
  ClearDownloadList();
  int result = 0;
  ui::DriveModal([&] { result = BuildDownloadList(owner); },
                 [&] {
                   HWND dialog = ui::WaitForWindow("Download Dates");
                   TypeDates(dialog, "27/09/2013", "01/10/2013");
                   ui::Click(dialog, IDOK);
                   ui::WaitForWindowGone(dialog);
                 });
  g_sessionWindow = nullptr;
  EXPECT_EQ(1, result);
  ASSERT_EQ(3, DownloadItemCount());
  RewindDownloadList();
  EXPECT_EQ(20130927, NextDownloadItem()->Date);
  EXPECT_EQ(20130930, NextDownloadItem()->Date);
  EXPECT_EQ(20131001, NextDownloadItem()->Date);
  ClearDownloadList();
}

}  // namespace
