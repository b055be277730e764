// The session's state machine, driven through the dialog with a fake transport: what the dialog
// shows in each state, the order of the fetches, the missing-file prompt, abort, refusals to start,
// the questions of the failure table, automatic mode, and the settings read at every message.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/ExitCodes.h"
#include "app/MissingFilePromptRes.h"
#include "catalogue/DateHelpers.h"
#include "tests/ui/session/SessionFixture.h"

namespace {

struct Display {
  std::string status, caption, item;
  bool configure, files, download;
};

Display Read(HWND d) {
  return {ui::ItemText(d, IDC_SESSION_STATUS), ui::ItemText(d, IDC_SESSION_DOWNLOAD),
          ui::ItemText(d, IDC_SESSION_ITEM), ui::IsItemEnabled(d, IDC_SESSION_CONFIGURE),
          ui::IsItemEnabled(d, IDC_SESSION_FILES), ui::IsItemEnabled(d, IDC_SESSION_DOWNLOAD)};
}

void ExpectDisplay(HWND d, const Display& want, const char* state) {
  ASSERT_TRUE(Eventually([&] { return ui::ItemText(d, IDC_SESSION_ITEM) == want.item; })) << state;
  Display got = Read(d);
  EXPECT_EQ(want.status, got.status) << state;
  EXPECT_EQ(want.caption, got.caption) << state;
  EXPECT_EQ(want.configure, got.configure) << state;
  EXPECT_EQ(want.files, got.files) << state;
  EXPECT_EQ(want.download, got.download) << state;
}

void ExpectIdle(HWND d, const char* after) {
  ASSERT_TRUE(Eventually([&] { return ui::IsItemEnabled(d, IDC_SESSION_DOWNLOAD); })) << after;
  ExpectDisplay(d, {"Idle", "&Download", "", true, true, true}, after);
}

const char kPage[] = "<PRE>\n <PRE>\n<pre>\nToday\xC9s note\nline two\n\n</PRE>\n";

TEST_F(SessionTest, WalksTheStateTableThroughPromptToCompletion) {
  // Left behind by a run killed while writing; the press clears them, and only them, away.
  CreateDirectoryA(dir.File("dn").c_str(), nullptr);
  for (const char* name : {"~tk1A2B.tmp", "dn\\~tk0001.tmp", "dn\\keep.tmp"}) dir.Write(name, "part");
  std::vector<ui::MessageBoxText> boxes;
  INT_PTR result = Run([&](HWND d) {
    ExpectDisplay(d, {"Idle", "&Download", "", true, true, true}, "idle");
    PressDownload(d);
    StartedTransfer page = transport.WaitStarted(1);
    EXPECT_EQ(1, page.kind);
    EXPECT_EQ("/daily.phtml", page.serverPath);
    EXPECT_EQ(Path("message.txt"), page.target);
    ExpectDisplay(d, {"Downloading", "&Abort", "Daily message page", true, true, true}, "message page");

    Finish(d, page, 1, kPage);
    StartedTransfer holidays = transport.WaitStarted(2);
    EXPECT_EQ(2, holidays.kind);
    EXPECT_EQ("/tkvn/dn/holiday.txt", holidays.serverPath);
    EXPECT_EQ(Path("holiday.txt"), holidays.target);
    ExpectDisplay(d, {"Idle", "&Abort", "List of holidays", false, false, false}, "holiday list");
    // The message page as shown: no exact "<PRE>", the rest as it stands, cut before 0x80 and up.
    EXPECT_EQ((std::vector<std::string>{" <PRE>", "<pre>", "Today", "line two", "", "</PRE>"}),
              ui::ListLines(d, IDC_SESSION_MESSAGES));

    Finish(d, holidays, 1, "20241204\r\n");
    StartedTransfer catalogue = transport.WaitStarted(3);
    EXPECT_EQ(3, catalogue.kind);
    EXPECT_EQ("/tkvn/tkvndn/files.ini", catalogue.serverPath);
    ExpectDisplay(d, {"Idle", "&Abort", "List file types", false, false, false}, "catalogue");

    Finish(d, catalogue, 1, "/tkvn/dn/data/,D,Daily DN File,dn\r\n");
    StartedTransfer monday = transport.WaitStarted(4);
    EXPECT_EQ("/tkvn/dn/data/24-12-02.lzh", monday.serverPath);
    EXPECT_EQ(Path("dn\\24-12-02.lzh"), monday.target);
    ExpectDisplay(d, {"Downloading", "&Abort", monday.target, false, false, false}, "item");

    // Tuesday is missing: Try Again fetches it once more, then Skip goes on.
    Finish(d, monday, 1);
    StartedTransfer tuesday = transport.WaitStarted(5);
    Finish(d, tuesday, 0);
    HWND prompt = ui::WaitForWindow("File: /tkvn/dn/data/24-12-03.lzh");
    ExpectDisplay(d, {"Idle", "&Download", "", false, false, false}, "prompt");
    ui::Click(prompt, IDC_PROMPT_TRY_AGAIN);
    StartedTransfer again = transport.WaitStarted(6);
    EXPECT_EQ(tuesday.serverPath, again.serverPath);
    Finish(d, again, 0);
    ui::Click(ui::WaitForWindow("File: /tkvn/dn/data/24-12-03.lzh"), IDC_PROMPT_SKIP);
    // The holiday list that just arrived serves the next session: this list was built from the
    // files present at the press, with no holiday.txt, so Wednesday is an item as well.
    size_t n = 7;
    for (const char* day : {"24-12-04", "24-12-05", "24-12-06"}) {
      StartedTransfer item = transport.WaitStarted(n++);
      EXPECT_EQ(std::string("/tkvn/dn/data/") + day + ".lzh", item.serverPath);
      Finish(d, item, 0);
      ui::Click(ui::WaitForWindow("File: " + item.serverPath), IDC_PROMPT_SKIP);
    }
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    EXPECT_EQ("Download completed successfully", ui::ItemText(d, IDC_SESSION_STATUS));
    ExpectDisplay(d, {"Download completed successfully", "&Download", "", true, true, true}, "completed");
    ui::Click(d, IDC_SESSION_EXIT);
  });
  EXPECT_EQ(0, result);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Tickvane", boxes[0].caption);
  EXPECT_EQ("Download completed successfully", boxes[0].text);
  // The newest date is raised by the skipped items too.
  EXPECT_EQ(20241206, registry.Int("DownloadInfo"));
  EXPECT_FALSE(dir.Exists("~tk1A2B.tmp"));
  EXPECT_FALSE(dir.Exists("dn\\~tk0001.tmp"));
  EXPECT_TRUE(dir.Exists("dn\\keep.tmp"));
}

// The transfer ends as aborted, or (the abort came before the body) as failed, a 404 say: the
// session stops either way.
TEST_F(SessionTest, DownloadDuringTheMessagePageAborts) {
  for (int ending : {-1, 0}) {
    Run([&](HWND d) {
      PressDownload(d);
      StartedTransfer page = transport.WaitStarted(1);
      ui::Click(d, IDC_SESSION_DOWNLOAD);
      ASSERT_TRUE(Eventually([&] { return transport.aborts == 1; }));
      Finish(d, page, ending);
      ExpectIdle(d, "abort");
      Sleep(200);
      EXPECT_EQ(1u, transport.Started().size()) << ending;
      ui::Click(d, IDC_SESSION_EXIT);
    });
    transport.Reset();
  }
  EXPECT_EQ(20241129, registry.Int("DownloadInfo"));
}

TEST_F(SessionTest, PromptAbortStopsWithTheDateUnchanged) {
  Run([&](HWND d) {
    PressDownload(d, "02/12/2024", "03/12/2024");
    Finish(d, transport.WaitStarted(1), 1, "<PRE>\nhello\n");
    Finish(d, transport.WaitStarted(2), 1, "20241225\n");
    Finish(d, transport.WaitStarted(3), 1, "/tkvn/dn/data/,D,Daily DN File,dn\n");
    Finish(d, transport.WaitStarted(4), 0);
    ui::Click(ui::WaitForWindow("File: /tkvn/dn/data/24-12-02.lzh"), IDC_PROMPT_ABORT);
    ExpectIdle(d, "prompt Abort");
    EXPECT_EQ((std::vector<std::string>{"hello"}), ui::ListLines(d, IDC_SESSION_MESSAGES));
    EXPECT_FALSE(dir.Exists("date"));
    // The catalogue alone, fetched next, completes with an empty list: the refused Monday and
    // the Tuesday after it are neither fetched nor counted.
    std::remove(dir.File("files.ini").c_str());
    ui::Click(d, IDC_SESSION_DOWNLOAD);
    ui::AnswerMessageBox(IDOK, ui::kDefaultTimeoutMs, "Warning");
    Finish(d, transport.WaitStarted(5), 1, "/tkvn/dn/data/,D,Daily DN File,dn\n");
    ui::AnswerMessageBox(IDOK, ui::kDefaultTimeoutMs, "Tickvane");
    ui::Click(d, IDC_SESSION_EXIT);
  });
  EXPECT_EQ(5u, transport.Started().size());
  EXPECT_EQ(20241129, registry.Int("DownloadInfo"));
}

// A message page of megabytes is shown up to the read limit, and the list says so.
TEST_F(SessionTest, AHugeMessagePageIsCutAndSaysSo) {
  std::string page;
  for (int i = 0; i < 30000; ++i) page += std::string(99, 'x') + "\n";
  Run([&](HWND d) {
    PressDownload(d);
    Finish(d, transport.WaitStarted(1), 1, page);
    StartedTransfer holidays = transport.WaitStarted(2);
    // Read line by line here: the driver's reading of 20000 lines takes long under Wine.
    HWND list = GetDlgItem(d, IDC_SESSION_MESSAGES);
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    EXPECT_GT(count, 20000);
    EXPECT_LT(count, 22000);
    char last[2][200] = {};
    SendMessageA(list, LB_GETTEXT, count - 2, reinterpret_cast<LPARAM>(last[0]));
    SendMessageA(list, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(last[1]));
    EXPECT_EQ(std::string(99, 'x'), last[0]);
    EXPECT_EQ(std::string("The rest of the message page is not shown: it is longer than 2 MiB."), last[1]);
    Finish(d, holidays, -1);
    ui::Click(d, IDC_SESSION_EXIT);
  });
}

TEST_F(SessionTest, FailedFetchesOfPageHolidaysAndCatalogue) {
  dir.Write("message.txt", "yesterday's page\n");
  std::vector<ui::MessageBoxText> boxes;
  Run([&](HWND d) {
    PressDownload(d);
    // A failed message page still leads on, showing the message.txt already there.
    Finish(d, transport.WaitStarted(1), 0);
    StartedTransfer holidays = transport.WaitStarted(2);
    EXPECT_EQ((std::vector<std::string>{"yesterday's page"}), ui::ListLines(d, IDC_SESSION_MESSAGES));
    Finish(d, holidays, 0);
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    Finish(d, transport.WaitStarted(3), 0);
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    ExpectIdle(d, "catalogue failed");
    ui::Click(d, IDC_SESSION_EXIT);
  });
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ("File missing", boxes[0].caption);
  EXPECT_EQ("Unable to get list of public holidays.\nPlease skip manually when prompted.", boxes[0].text);
  EXPECT_EQ("Error", boxes[1].caption);
  EXPECT_EQ("Could not get list of file types from server.\nCan't proceed with download.\n"
            "Check with Tickvane technical support.",
            boxes[1].text);
  EXPECT_EQ(3u, transport.Started().size());
}

TEST_F(SessionTest, ARefusedStartIsReportedAndLeavesTheDialogIdle) {
  std::vector<ui::MessageBoxText> boxes;
  Run([&](HWND d) {
    transport.refuseWith = 5;
    PressDownload(d);
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    ExpectIdle(d, "refused message page");
    // Later in the chain too: the holiday list refused with 4.
    PressDownload(d);
    StartedTransfer page = transport.WaitStarted(1);
    transport.refuseWith = 4;
    Finish(d, page, 1);
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    ExpectIdle(d, "refused holiday list");
    ui::Click(d, IDC_SESSION_EXIT);
  });
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_EQ("Unable to start the transfer (code 5)", boxes[0].text);
  EXPECT_EQ("Unable to start the transfer (code 4)", boxes[1].text);
}

// Out of memory as the holiday list starts, the buttons disabled: a box says so, and the dialog
// is usable again for the next press.
TEST_F(SessionTest, AnUnexpectedErrorIsReportedAndLeavesTheDialogUsable) {
  ui::MessageBoxText box;
  Run([&](HWND d) {
    PressDownload(d);
    StartedTransfer page = transport.WaitStarted(1);
    transport.throwNext = true;
    Finish(d, page, 1, "hello\n");
    box = ui::AnswerMessageBox(IDOK);
    ExpectDisplay(d, {"Stopped by an unexpected error", "&Download", "", true, true, true}, "after the error");
    EXPECT_EQ("Stopped by an unexpected error: out of memory", ui::ListLines(d, IDC_SESSION_MESSAGES).back());
    PressDownload(d);
    Finish(d, transport.WaitStarted(2), -1);
    ExpectIdle(d, "the next session aborted");
    ui::Click(d, IDC_SESSION_EXIT);
  });
  EXPECT_EQ("Error", box.caption);
  EXPECT_EQ("An unexpected error occurred: out of memory.\nThe step in progress was stopped.", box.text);
}

TEST_F(SessionTest, CatalogueFetchAloneWhenMissingAndRefusedPressesMeanwhile) {
  std::remove(dir.File("files.ini").c_str());
  std::vector<ui::MessageBoxText> boxes;
  Run([&](HWND d) {
    ui::Click(d, IDC_SESSION_DOWNLOAD);
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    StartedTransfer catalogue = transport.WaitStarted(1);
    EXPECT_EQ(3, catalogue.kind);
    EXPECT_EQ(Path("files.ini"), catalogue.target);
    ExpectDisplay(d, {"Idle", "&Download", "", true, true, true}, "catalogue fetch");
    ui::Click(d, IDC_SESSION_DOWNLOAD);  // refused: one transfer at a time
    Sleep(300);
    EXPECT_EQ(1u, transport.Started().size());
    EXPECT_TRUE(ui::MessageBoxes().empty());
    Finish(d, catalogue, 1, "/tkvn/dn/data/,D,Daily DN File,dn\r\n");
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    ui::Click(d, IDC_SESSION_EXIT);
  });
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ("Warning", boxes[0].caption);
  EXPECT_EQ("The file list template is missing, will download a new copy", boxes[0].text);
  EXPECT_EQ("Tickvane", boxes[1].caption);
  EXPECT_EQ(20241129, registry.Int("DownloadInfo"));
  EXPECT_TRUE(dir.Exists("date"));
}

TEST_F(SessionTest, NoSelectedFilesAsksWhetherToChooseSome) {
  dir.Write("files.use", "# nothing chosen\n");
  std::vector<ui::MessageBoxText> boxes;
  Run([&](HWND d) {
    ui::Click(d, IDC_SESSION_DOWNLOAD);
    boxes.push_back(ui::AnswerMessageBox(IDNO));
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    ui::Click(d, IDC_SESSION_DOWNLOAD);
    boxes.push_back(ui::AnswerMessageBox(IDYES));
    HWND files = ui::WaitForWindow("Select download files");
    ui::Click(files, IDCANCEL);
    ui::WaitForWindowGone(files);
    ui::Click(d, IDC_SESSION_EXIT);
  });
  ASSERT_EQ(3u, boxes.size());
  EXPECT_EQ("Download", boxes[0].caption);
  EXPECT_EQ("There are currently no files selected to download.\nWould you like to select files now?", boxes[0].text);
  EXPECT_EQ("Error", boxes[1].caption);
  EXPECT_EQ("No files found to download.\nCheck dates and file configuration.", boxes[1].text);
  EXPECT_EQ(boxes[0].text, boxes[2].text);
  EXPECT_TRUE(transport.Started().empty());
}

TEST_F(SessionTest, TheLeftoverSweepStaysInsideTheDataDirectory) {
  // Beside the data directory, a user's file named as the program names its temporaries.
  dir.Write("~tk1a.tmp", "the user's");
  const std::string data = dir.File("data");
  ASSERT_TRUE(CreateDirectoryA(data.c_str(), nullptr));
  dir.Write("data/files.ini", "/x/,D,Up,..\r\n");
  dir.Write("data/files.use", "/x/,D,Up,..\n");
  PutSettings("demo", data);
  Run([&](HWND d) {
    ui::Click(d, IDC_SESSION_DOWNLOAD);
    HWND dates = ui::WaitForWindow("Download Dates");
    ui::Click(dates, IDCANCEL);
    ui::WaitForWindowGone(dates);
    ui::Click(d, IDC_SESSION_EXIT);
  });
  EXPECT_TRUE(dir.Exists("~tk1a.tmp"));
}

TEST_F(SessionTest, WithoutUserNameTheSettingsDialogOpensAndNothingStarts) {
  PutSettings("");
  ui::MessageBoxText box;
  // The question comes while the dialog opens, before it is shown.
  ui::DriveModal([&] { DialogBoxParamA(g_instance, "DailyDnl", owner, SessionDialogProc, 0); },
                 [&] {
                   box = ui::AnswerMessageBox(IDOK);
                   HWND settings = ui::WaitForWindow("Download Settings");
                   ui::Click(settings, IDCANCEL);
                   ui::WaitForWindowGone(settings);
                   Sleep(300);
                   EXPECT_TRUE(transport.Started().empty());
                   ui::Click(ui::WaitForWindow(kCaption), IDC_SESSION_EXIT);
                 });
  EXPECT_EQ("Download", box.caption);
  EXPECT_EQ("Username and Password needs to be configured.", box.text);
}

LocalDateTime FridayEvening() { return {2024, 12, 6, 20, 0, 0}; }

TEST_F(SessionTest, AutomaticModeRunsWithoutQuestionsAndExits) {
  g_automaticMode = 1;
  SetLocalClock(FridayEvening);
  registry.PutInt("DownloadInfo", 20241203);
  INT_PTR result = Run([&](HWND d) {
    // No dates dialog: the message page starts at once, then Wednesday to Friday.
    StartedTransfer page = transport.WaitStarted(1);
    EXPECT_EQ(1, page.kind);
    Finish(d, page, 1, "hello\n");
    Finish(d, transport.WaitStarted(2), 1, "20240101\n");
    Finish(d, transport.WaitStarted(3), 1, "/tkvn/dn/data/,D,Daily DN File,dn\n");
    for (size_t n = 4; n <= 6; ++n) Finish(d, transport.WaitStarted(n), 1);
    // No success box: the dialog closes itself through Exit.
    ui::WaitForWindowGone(d);
  });
  SetLocalClock(nullptr);
  EXPECT_EQ(0, result);
  EXPECT_EQ(kExitCompleted, ProgramExitCode());
  EXPECT_EQ(6u, transport.Started().size());
  EXPECT_EQ("/tkvn/dn/data/24-12-06.lzh", transport.Started()[5].serverPath);
  EXPECT_EQ(20241206, registry.Int("DownloadInfo"));
}

// An archive that arrived but cannot be extracted is fetched again next time: DownloadInfo stays
// before its day, and the run says so instead of reporting success. A weekly archive has no day
// of its own, so DownloadInfo stays where it was.
TEST_F(SessionTest, AnArchiveThatCannotBeExtractedHoldsTheDateBackAndIsNoSuccess) {
  const std::string weekly = "/tkvn/wk/data/,W,Weekly WK File,wk\n";
  const struct {
    const char* name;
    std::string selection, start, end;
    size_t damaged;  // the transfer whose archive is damaged
    int32_t downloadInfo;
  } rows[] = {
      {"daily", "", "02/12/2024", "04/12/2024", 5, 20241202},
      // Thursday and Friday extract; Saturday's weekly archive does not.
      {"weekly", "/tkvn/dn/data/,D,Daily DN File,dn\n" + weekly, "05/12/2024", "07/12/2024", 6, 20241129},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    transport.Reset();
    if (!row.selection.empty()) dir.Write("files.use", row.selection);
    std::vector<ui::MessageBoxText> boxes;
    Run([&](HWND d) {
      PressDownload(d, row.start, row.end);
      Finish(d, transport.WaitStarted(1), 1, "hello\n");
      Finish(d, transport.WaitStarted(2), 1, "20240101\n");
      Finish(d, transport.WaitStarted(3), 1, "/tkvn/dn/data/,D,Daily DN File,dn\n" + weekly);
      for (size_t n = 4; n <= 6; ++n)
        Finish(d, transport.WaitStarted(n), 1, n == row.damaged ? "-lh5- damaged beyond repair" : "");
      // The extractor may name the file in a box of its own first.
      do boxes.push_back(ui::AnswerMessageBox(IDOK));
      while (boxes.back().caption != "Error" || boxes.back().text.rfind("Download incomplete", 0) != 0);
      EXPECT_EQ("Download incomplete", ui::ItemText(d, IDC_SESSION_STATUS));
      ui::Click(d, IDC_SESSION_EXIT);
    });
    EXPECT_EQ("Download incomplete: some files could not be extracted.\nThey will be downloaded again next time.",
              boxes.back().text);
    EXPECT_EQ(row.downloadInfo, registry.Int("DownloadInfo"));
    EXPECT_EQ(6u, transport.Started().size());
    EXPECT_TRUE(dir.Exists("small.csv"));
    std::remove(dir.File("small.csv").c_str());
  }
}

TEST_F(SessionTest, SettingsAreReadAfreshAtEveryMessage) {
  TempDir other("-other");
  other.Write("files.ini", "/tkvn/dn/data/,D,Daily DN File,dn\r\n");
  other.Write("files.use", "/tkvn/dn/data/,D,Daily DN File,dn\n");
  Run([&](HWND d) {
    PutSettings("demo", other.Path());
    PressDownload(d);
    EXPECT_EQ(other.Path() + "\\message.txt", transport.WaitStarted(1).target);
    Finish(d, transport.Started()[0], -1);
    ExpectIdle(d, "abort");
    ui::Click(d, IDC_SESSION_EXIT);
  });
}

// The stored record is a raw image: a text field that fills its whole size has no terminator,
// and what follows it (here more text) is no part of it.
TEST_F(SessionTest, UnterminatedTextFieldsAreReadWithinTheirSize) {
  DownloadSettings record;
  std::memset(&record, 'q', sizeof record);
  std::memset(record.DataDirectory, 'd', sizeof record.DataDirectory);
  record.UseProxy = record.ProxyLogin = record.HangupOnExit = 0;
  registry.PutSettings(record);
  std::string catalogueTarget;
  Run([&](HWND d) {
    ui::Click(d, IDC_SESSION_DOWNLOAD);
    ui::AnswerMessageBox(IDOK, ui::kDefaultTimeoutMs, "Warning");
    catalogueTarget = transport.WaitStarted(1).target;
    // Arrived, though nothing can be written there: the completion steps, which cannot write
    // the date index either, and Exit follow.
    PostMessageA(d, WM_TRANSFERDONE, 1, 3);
    ui::AnswerMessageBox(IDOK, ui::kDefaultTimeoutMs, "Error");
    ui::Click(d, IDC_SESSION_EXIT);
  });
  EXPECT_EQ(std::string(260, 'd') + "\\files.ini", catalogueTarget);
  EXPECT_EQ(20241129, registry.Int("DownloadInfo"));
}

// A registry that refuses writes while the record has gone: the store's load writes the defaults,
// fails and says so. The box's own messages reach the dialog again, and must not each load (and
// fail, and show a box) once more.
TEST_F(SessionTest, AFailingSettingsLoadShowsOneBoxNotAStorm) {
  std::vector<ui::MessageBoxText> boxes;
  Run([&](HWND d) {
    registry.Erase("DownloadSettings");
    registry.refuseWrites = true;
    ui::Click(d, IDC_SESSION_ABOUT);
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    HWND about = ui::WaitForWindow("About");
    Sleep(500);
    EXPECT_TRUE(ui::MessageBoxes().empty());
    ui::Click(about, IDOK);
    ui::WaitForWindowGone(about);
    Sleep(300);
    EXPECT_TRUE(ui::MessageBoxes().empty());
    registry.refuseWrites = false;
    PutSettings("demo");
    ui::Click(d, IDC_SESSION_EXIT);
  });
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_EQ("Error attempting to create registry key(pds)", boxes[0].text);
}

TEST_F(SessionTest, APromptThatCannotBeCreatedStopsTheSession) {
  ui::MessageBoxText box;
  Run([&](HWND d) {
    PressDownload(d, "02/12/2024", "02/12/2024");
    Finish(d, transport.WaitStarted(1), 1, "hello\n");
    Finish(d, transport.WaitStarted(2), 1, "20241225\n");
    Finish(d, transport.WaitStarted(3), 1, "/tkvn/dn/data/,D,Daily DN File,dn\n");
    StartedTransfer monday = transport.WaitStarted(4);
    // A module without the template: the prompt cannot be created.
    g_instance = GetModuleHandleA("kernel32.dll");
    Finish(d, monday, 0);
    box = ui::AnswerMessageBox(IDOK);
    g_instance = GetModuleHandleA(nullptr);
    ExpectIdle(d, "prompt not created");
    ui::Click(d, IDC_SESSION_EXIT);
  });
  EXPECT_EQ("Error", box.caption);
  EXPECT_EQ("Can't create download dialog box", box.text);
  EXPECT_EQ(20241129, registry.Int("DownloadInfo"));
}

}  // namespace
