// The end of a session in the dialog: the ASCII update batch run for real (its progress bar
// marquee started and taken off again), FixFiles.bat, and the exit steps with the follow-up
// program (through a launcher that records instead of opening anything) and the hang-up.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/AutoCloseBox.h"
#include "app/AsciiUpdate.h"
#include "app/CompleteSession.h"
#include "app/ExitCodes.h"
#include "app/ExitSteps.h"
#include "catalogue/DateHelpers.h"
#include "settings/HangUp.h"
#include "tests/ui/session/SessionFixture.h"

namespace {

class CompletionTest : public SessionTest {
 protected:
  // Runs a session of one Monday whose transfers all arrive, up to the completion steps.
  void RunOneDay(HWND d, const std::string& page) {
    PressDownload(d, "02/12/2024", "02/12/2024");
    Finish(d, transport.WaitStarted(1), 1, page);
    Finish(d, transport.WaitStarted(2), 1, "20240101\n");
    Finish(d, transport.WaitStarted(3), 1, "/tkvn/dn/data/,D,Daily DN File,dn\n");
    Finish(d, transport.WaitStarted(4), 1);
  }

  void SetUp() override {
    SessionTest::SetUp();
    dir.Write("ascii_update.exe", "MZ");
    registry.PutInt("DownloadAscii", 1);
    registry.PutInt("DownloadClean", 1);
    // Written to be run by hand: it waits for a key, which its null input gives at once.
    dir.Write("FixFiles.bat", "@echo off\r\npause\r\necho fixed> \"%~dp0fixed.txt\"\r\n");
  }
};

TEST_F(CompletionTest, AsciiUpdateShowsItsLinesOnceAndTakesTheMarqueeOffAgain) {
  // "step two" is written in two goes with a pause between; the last line has no line end.
  dir.Write("ascii_update.bat",
            "@echo off\r\necho step one> procdate.txt\r\n<nul set /p =step tw>> procdate.txt\r\n"
            ":wait\r\nif not exist go.txt goto wait\r\n"
            "echo o>> procdate.txt\r\necho step one>> procdate.txt\r\n<nul set /p =last words>> procdate.txt\r\n"
            "echo ^<PRE^>> result.txt\r\necho all done>> result.txt\r\nexit /b 0\r\n");
  LONG styleDuring = 0, styleAfter = 0;
  Run([&](HWND d) {
    RunOneDay(d, "hello\n");
    auto lines = [&] { return ui::ListLines(d, IDC_SESSION_MESSAGES); };
    ASSERT_TRUE(Eventually([&] {
      auto l = lines();
      return std::find(l.begin(), l.end(), "step one\n") != l.end();
    }));
    Sleep(500);  // many readings of the half-written line meanwhile
    styleDuring = GetWindowLongA(GetDlgItem(d, IDC_SESSION_PROGRESS), GWL_STYLE);
    EXPECT_FALSE(ui::IsItemEnabled(d, IDC_SESSION_EXIT));
    dir.Write("go.txt", "go");
    ui::MessageBoxText box = ui::AnswerMessageBox(IDOK, 30000);
    EXPECT_EQ("Tickvane", box.caption);
    styleAfter = GetWindowLongA(GetDlgItem(d, IDC_SESSION_PROGRESS), GWL_STYLE);
    EXPECT_EQ((std::vector<std::string>{"hello", "Busy updating Tickvane ASCII database. Please do not close this box.",
                                        " ", "step one\n", "step two\n", "last words", " ", "all done", " ", " ",
                                        "Download and ASCII completed successfully.", " "}),
              lines());
    EXPECT_EQ("Download and ASCII completed successfully", ui::ItemText(d, IDC_SESSION_STATUS));
    EXPECT_TRUE(ui::IsItemEnabled(d, IDC_SESSION_EXIT));
    ui::Click(d, IDC_SESSION_EXIT);
  });
  EXPECT_TRUE(styleDuring & PBS_MARQUEE);
  EXPECT_EQ(0, styleAfter & PBS_MARQUEE) << "later transfers must show their progress";
  EXPECT_TRUE(dir.Exists("fixed.txt")) << "FixFiles.bat after a successful update";
  EXPECT_EQ(20241202, registry.Int("DownloadInfo"));
}

// The catalogue fetched alone completes with the update: a press that reaches the dialog while
// the update runs starts nothing, and the buttons stay disabled until the end.
TEST_F(CompletionTest, APressDuringTheUpdateOnTheTemplateRoadStartsNothing) {
  std::remove(dir.File("files.ini").c_str());
  dir.Write("ascii_update.bat", "@echo off\r\n:wait\r\nif not exist go.txt goto wait\r\n");
  Run([&](HWND d) {
    ui::Click(d, IDC_SESSION_DOWNLOAD);
    ui::AnswerMessageBox(IDOK, ui::kDefaultTimeoutMs, "Warning");
    Finish(d, transport.WaitStarted(1), 1, "/tkvn/dn/data/,D,Daily DN File,dn\n");
    ASSERT_TRUE(Eventually([&] { return !ui::IsItemEnabled(d, IDC_SESSION_EXIT); }));
    for (int id : {IDC_SESSION_CONFIGURE, IDC_SESSION_FILES, IDC_SESSION_DOWNLOAD})
      EXPECT_FALSE(ui::IsItemEnabled(d, id)) << id;
    PostMessageA(d, WM_COMMAND, IDC_SESSION_DOWNLOAD, 0);
    Sleep(300);
    EXPECT_TRUE(ui::MessageBoxes().empty());
    dir.Write("go.txt", "go");
    EXPECT_EQ("Tickvane", ui::AnswerMessageBox(IDOK, 30000).caption);
    ui::Click(d, IDC_SESSION_EXIT);
  });
  EXPECT_EQ(1u, transport.Started().size());
}

// FixFiles.bat in a folder whose name holds what cmd would otherwise take apart; a batch that is
// not there is named in the message list.
TEST_F(CompletionTest, UpdateFailedOnTheMessagePageFailsTheRunAndRunsFixFiles) {
  const struct {
    const char* name;
    bool batch;
    const char* lastLine;  // before the closing blank line
  } rows[] = {
      {"batch present", true, "converted"},
      {"batch missing", false, "FixFiles.bat could not be started (error 2)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir odd(" (x86) & ^1");
    for (const char* name : {"files.ini", "files.use", "ascii_update.exe", "FixFiles.bat"})
      if (row.batch || std::string(name) != "FixFiles.bat") odd.Write(name, dir.Read(name));
    PutSettings("demo", odd.Path());
    odd.Write("ascii_update.bat", "@echo off\r\necho converted> result.txt\r\n");
    transport.Reset();
    Run([&](HWND d) {
      RunOneDay(d, "UPDATE FAILED last night\n");
      ASSERT_TRUE(Eventually([&] {
        return ui::ItemText(d, IDC_SESSION_STATUS) == "Update failed, please correct and try again!";
      }));
      ASSERT_TRUE(Eventually([&] { return ui::IsItemEnabled(d, IDC_SESSION_EXIT); }));
      EXPECT_TRUE(ui::MessageBoxes().empty());
      EXPECT_TRUE(ui::IsItemEnabled(d, IDC_SESSION_DOWNLOAD));
      std::vector<std::string> lines = ui::ListLines(d, IDC_SESSION_MESSAGES);
      EXPECT_EQ(row.lastLine, lines[lines.size() - 2]);
      EXPECT_EQ(" ", lines.back());
      ui::Click(d, IDC_SESSION_EXIT);
    });
    EXPECT_EQ(row.batch, odd.Exists("fixed.txt")) << "FixFiles.bat after a failed run";
  }
}

// Records the follow-up program the exit steps open, with the message list at that moment, and
// answers with a set result.
struct Launch {
  std::string file, parameters;
  std::vector<std::string> lines;
};
std::vector<Launch> g_launches;
INT_PTR g_launchResult = 42;
INT_PTR RecordLaunch(const char* file, const char* parameters) {
  g_launches.push_back({file, parameters ? parameters : "<none>", ui::ListLines(g_sessionWindow, IDC_SESSION_MESSAGES)});
  return g_launchResult;
}

class FakeRas final : public HangUpPlatform {
 public:
  std::vector<HRASCONN> Connections() override {
    ++enumerations;
    return {};
  }
  void HangUp(HRASCONN) override {}
  bool StillConnected(HRASCONN) override { return false; }
  DWORD Milliseconds() override { return 0; }
  void Pause(DWORD) override {}
  int enumerations = 0;
};

class ExitTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    g_launches.clear();
    g_launchResult = 42;
    SetFollowUpLauncher(RecordLaunch);
    SetHangUpPlatform(&ras);
  }
  void TearDown() override {
    SetFollowUpLauncher(nullptr);
    SetHangUpPlatform(nullptr);
    SessionTest::TearDown();
  }
  std::vector<ui::MessageBoxText> ExitWith(int amiBroker, int pivotrax) {
    g_amiBrokerMode = amiBroker;
    g_pivotraxMode = pivotrax;
    std::vector<ui::MessageBoxText> boxes;
    Run([&](HWND d) {
      ui::Click(d, IDC_SESSION_EXIT);
      if (g_launchResult <= 32) {
        // A completion still on its way, handled inside the box's loop, changes nothing.
        ui::WaitForMessageBox();
        PostMessageA(d, WM_TRANSFERDONE, 0, 3);
        Sleep(300);
        boxesWhileExiting = ui::MessageBoxes().size();
        boxes.push_back(ui::AnswerMessageBox(IDOK));
      }
      ui::WaitForWindowGone(d);
    });
    return boxes;
  }
  FakeRas ras;
  size_t boxesWhileExiting = 0;
};

TEST_F(ExitTest, AmiBrokerModeOpensTheScriptAndReportsAFailure) {
  g_launchResult = 2;
  std::vector<ui::MessageBoxText> boxes = ExitWith(1, 0);
  ASSERT_EQ(1u, g_launches.size());
  EXPECT_EQ("file:\\broker\\script\\six.js", g_launches[0].file);
  EXPECT_EQ("<none>", g_launches[0].parameters);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(1u, boxesWhileExiting);
  EXPECT_EQ("Problem", boxes[0].caption);
  EXPECT_EQ("An error occured attempting to run the Amibroker update\n"
            "Please contact Tickvane support and quote error code: 2",
            boxes[0].text);
  EXPECT_EQ(0, ras.enumerations) << "no hang-up unless chosen";
}

TEST_F(ExitTest, PivotraxWinsOverAmiBrokerAndTheHangUpComesFirst) {
  DownloadSettings record;
  DefaultDownloadSettings(&record);
  std::snprintf(record.DataDirectory, sizeof record.DataDirectory, "%s", dir.Path().c_str());
  std::snprintf(record.Username, sizeof record.Username, "demo");
  record.HangupOnExit = 1;
  registry.PutSettings(record);
  EXPECT_TRUE(ExitWith(1, 1).empty());
  ASSERT_EQ(1u, g_launches.size());
  EXPECT_EQ("pvtrx.exe", g_launches[0].file);
  EXPECT_EQ("/backfromdownload", g_launches[0].parameters);
  EXPECT_EQ(1, ras.enumerations);
}

TEST_F(ExitTest, NoFollowUpWithoutItsSwitch) {
  EXPECT_TRUE(ExitWith(0, 0).empty());
  EXPECT_TRUE(g_launches.empty());
}

LocalDateTime FridayEvening() { return {2024, 12, 6, 20, 0, 0}; }

// Automatic runs with nobody at the screen: every box and prompt closes itself with the answer
// that loses, and every road, stopped or completed, ends through the exit steps (here the
// follow-up program) with its own exit code. The list: Wednesday 4 to Friday 6 December.
TEST_F(ExitTest, AutomaticRunsEndByThemselvesWithTheirExitCode) {
  const std::string catalogue = "/tkvn/dn/data/,D,Daily DN File,dn\n";
  // Page, holidays, catalogue and the items up to the `last` transfer all arrive.
  auto fetch = [&](HWND d, size_t last) {
    Finish(d, transport.WaitStarted(1), 1, "hello\n");
    Finish(d, transport.WaitStarted(2), 1, "20240101\n");
    Finish(d, transport.WaitStarted(3), 1, catalogue);
    for (size_t n = 4; n <= last; ++n) Finish(d, transport.WaitStarted(n), 1);
  };
  struct Row {
    const char* name;
    std::function<void()> setUp;
    std::function<void(HWND)> serve;
    ExitCode code;
    int32_t downloadInfo;
    size_t transfers;
    const char* line = nullptr;  // one the message list holds at the end
  } rows[] = {
      {"no user name", [&] { PutSettings(""); }, [](HWND) {}, kExitNoUserName, 20241203, 0},
      {"start refused", [&] { transport.refuseWith = 5; }, [](HWND) {}, kExitTransferNotStarted, 20241203, 0},
      {"no files selected", [&] { dir.Write("files.use", "# none\n"); }, [](HWND) {}, kExitNothingToDownload,
       20241203, 0},
      {"server unreachable", [] {},
       [&](HWND d) {
         for (size_t n = 1; n <= 3; ++n) Finish(d, transport.WaitStarted(n), 0);
       },
       kExitCatalogueFailed, 20241203, 3},
      {"abort pressed", [] {},
       [&](HWND d) {
         StartedTransfer page = transport.WaitStarted(1);
         PostMessageA(d, WM_COMMAND, IDC_SESSION_DOWNLOAD, 0);
         ASSERT_TRUE(Eventually([&] { return transport.aborts == 1; }));
         Finish(d, page, 0);
       },
       kExitAborted, 20241203, 1},
      // Wednesday is a holiday of the fresh list: skipped unasked. Thursday's prompt goes
      // unanswered: left out, Friday still fetched, DownloadInfo before Thursday.
      {"holiday and a late day", [] {},
       [&](HWND d) {
         Finish(d, transport.WaitStarted(1), 1, "hello\n");
         Finish(d, transport.WaitStarted(2), 1, "20241204\n");
         Finish(d, transport.WaitStarted(3), 1, catalogue);
         Finish(d, transport.WaitStarted(4), 0);
         Finish(d, transport.WaitStarted(5), 0);
         Finish(d, transport.WaitStarted(6), 1);
       },
       kExitDaysLeftOut, 20241204, 6},
      {"damaged archive", [] {},
       [&](HWND d) {
         Finish(d, transport.WaitStarted(1), 1, "hello\n");
         Finish(d, transport.WaitStarted(2), 1, "20240101\n");
         Finish(d, transport.WaitStarted(3), 1, catalogue);
         Finish(d, transport.WaitStarted(4), 1);
         Finish(d, transport.WaitStarted(5), 1, "damaged");
         Finish(d, transport.WaitStarted(6), 1);
       },
       kExitNotExtracted, 20241204, 6},
      // Thursday's archive arrives but is gone by the extraction: a failure, not a day skipped.
      {"archive gone after its transfer", [] {},
       [&](HWND d) {
         fetch(d, 5);
         transport.WaitStarted(6);
         std::remove(transport.WaitStarted(5).target.c_str());
         Finish(d, transport.WaitStarted(6), 1);
       },
       kExitNotExtracted, 20241204, 6},
      // Every day extracted, but the upkeep failed: a directory stands where the date index goes,
      // or the registry refuses DownloadInfo.
      {"date index not written", [&] { CreateDirectoryA(dir.File("date").c_str(), nullptr); },
       [&](HWND d) { fetch(d, 6); }, kExitHousekeepingFailed, 20241206, 6},
      {"DownloadInfo not stored", [&] { registry.refuseWrites = true; }, [&](HWND d) { fetch(d, 6); },
       kExitHousekeepingFailed, 20241203, 6},
      // The catalogue is fetched, then the download it was started for runs.
      {"catalogue missing", [&] { std::remove(dir.File("files.ini").c_str()); },
       [&](HWND d) {
         Finish(d, transport.WaitStarted(1), 1, catalogue);
         Finish(d, transport.WaitStarted(2), 1, "hello\n");
         Finish(d, transport.WaitStarted(3), 1, "20240101\n");
         Finish(d, transport.WaitStarted(4), 1, catalogue);
         for (size_t n = 5; n <= 7; ++n) Finish(d, transport.WaitStarted(n), 1);
       },
       kExitCompleted, 20241206, 7},
      // After a failed update FixFiles.bat waits for input nobody gives: the run goes on without it.
      {"clean-up batch that does not end",
       [&] {
         dir.Write("FixFiles.bat",
                   "@echo off\r\necho waiting> \"%~dp0waiting.txt\"\r\n:wait\r\nif not exist \"%~dp0go.txt\" goto wait\r\n"
                   "echo done> \"%~dp0done.txt\"\r\n");
         registry.PutInt("DownloadClean", 1);
       },
       [&](HWND d) {
         Finish(d, transport.WaitStarted(1), 1, "UPDATE FAILED last night\n");
         Finish(d, transport.WaitStarted(2), 1, "20240101\n");
         Finish(d, transport.WaitStarted(3), 1, catalogue);
         for (size_t n = 4; n <= 6; ++n) Finish(d, transport.WaitStarted(n), 1);
         const bool ended = Eventually([&] { return !IsWindow(d); }, 20000);
         dir.Write("go.txt", "go");
         ASSERT_TRUE(ended);
         EXPECT_TRUE(dir.Exists("waiting.txt")) << "FixFiles.bat ran";
         // The batch left running must see go.txt before the next row empties the folder, or it
         // would wait for ever and hold the test's output open.
         EXPECT_TRUE(Eventually([&] { return dir.Exists("done.txt"); }, 20000)) << "FixFiles.bat ended";
       },
       kExitUpdateFailed, 20241206, 6},
      // Nobody can see to an update that does not end: the run goes on without it, and fails.
      {"update batch that does not end",
       [&] {
         dir.Write("ascii_update.bat", "@echo off\r\n:wait\r\nif not exist go-on.txt goto wait\r\n");
         dir.Write("ascii_update.exe", "MZ");
         registry.PutInt("DownloadAscii", 1);
       },
       [&](HWND d) {
         Finish(d, transport.WaitStarted(1), 1, "hello\n");
         Finish(d, transport.WaitStarted(2), 1, "20240101\n");
         Finish(d, transport.WaitStarted(3), 1, catalogue);
         for (size_t n = 4; n <= 6; ++n) Finish(d, transport.WaitStarted(n), 1);
         const bool ended = Eventually([&] { return !IsWindow(d); }, 20000);
         dir.Write("go-on.txt", "go");
         ASSERT_TRUE(ended);
       },
       kExitUpdateFailed, 20241206, 6, "Update failed: ascii_update.bat did not end in time and was left running"},
      {"out of memory", [&] { transport.throwNext = true; },
       [&](HWND d) { ASSERT_TRUE(Eventually([&] { return !IsWindow(d); })); }, kExitUnexpectedError, 20241203, 0,
       "Stopped by an unexpected error: out of memory"},
  };
  SetLocalClock(FridayEvening);
  SetAutoCloseDelay(200);
  SetFixFilesWaitLimit(500);
  SetAsciiUpdateWaitLimit(500);
  for (const Row& row : rows) {
    registry.refuseWrites = false;
    TearDown();
    SetUp();
    transport.Reset();
    // What an earlier row fetched: the list of the next one is built from the files on disk.
    std::filesystem::remove_all(dir.File("dn"));
    std::remove(dir.File("holiday.txt").c_str());
    std::filesystem::remove(dir.File("date"));
    registry.PutInt("DownloadInfo", 20241203);
    SCOPED_TRACE(row.name);
    g_automaticMode = g_pivotraxMode = 1;
    row.setUp();
    g_sessionWindow = nullptr;
    ui::DriveModal([&] { DialogBoxParamA(g_instance, "DailyDnl", owner, SessionDialogProc, 0); },
                   [&] {
                     ASSERT_TRUE(Eventually([] { return g_sessionWindow != nullptr; }));
                     row.serve(g_sessionWindow);
                   });
    EXPECT_EQ(row.code, ProgramExitCode()) << row.name;
    EXPECT_EQ(row.downloadInfo, registry.Int("DownloadInfo")) << row.name;
    EXPECT_EQ(row.transfers, transport.Started().size()) << row.name;
    ASSERT_EQ(1u, g_launches.size()) << row.name << ": the exit steps ran";
    const std::vector<std::string>& lines = g_launches[0].lines;
    if (row.line) {
      EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), row.line)) << row.name;
    }
  }
  SetAutoCloseDelay(30000);
  SetFixFilesWaitLimit(kFixFilesWaitLimit);
  SetAsciiUpdateWaitLimit(kAsciiUpdateWaitLimit);
  SetLocalClock(nullptr);
}

}  // namespace
