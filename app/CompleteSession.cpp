#include "app/CompleteSession.h"

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/AsciiUpdate.h"
#include "platform/AutoCloseBox.h"
#include "app/CommandInterpreter.h"
#include "app/ExitCodes.h"
#include "platform/ProgramState.h"
#include "app/SessionDialogRes.h"
#include "app/SessionDisplay.h"
#include "app/SessionState.h"
#include "catalogue/DownloadItems.h"
#include "files/ExtractArchive.h"
#include "files/Housekeeping.h"
#include "settings/SettingsStore.h"

namespace {

constexpr char kNotExtractedLine[] =
    "Download incomplete: some files could not be extracted; they will be downloaded again next time.";
constexpr char kLeftOutLine[] = "Download incomplete: some days were left out; they will be downloaded again next time.";
constexpr char kRewriteLine[] = "Some files that abc.def lists could not be rewritten; they were left as they were.";
constexpr char kIndexLine[] = "The date index (date) could not be written; the file was left as it was.";
constexpr char kInfoLine[] =
    "The last downloaded date could not be stored; the same days will be downloaded again next time.";

// What ExtractArchive gave, read with the session's knowledge: an archive that arrived but is
// missing or empty at the extraction (the disk, another program) is a failure like a damaged one,
// while a skipped item has none.
bool Extracted(HWND dialog, const DownloadSettings& settings, const DownloadItem& item) {
  const int result = ExtractArchive(dialog, settings, item.LocalPath);
  if (result != -1 || !Session().fetched.count(item.LocalPath)) return result != 0;
  const std::string message = std::string("Could not uncompress ") + item.LocalPath + " (the file is missing or empty)";
  ShowBox(dialog, message.c_str(), "Error", MB_OK);
  return false;
}

// Extracts every archive of the list into the data directory; gives the number of archives that
// were fetched but could not be extracted. The newest date rises by every item, fetched or
// skipped, that comes before the first day left undone: a day left out at the prompt, or one
// whose archive could not be extracted, is fetched again by the next run, so DownloadInfo stays
// before it. Weekly items carry -1 and never raise it; one of them left undone keeps the newest
// date as stored, since its week has no date to stay before.
int ExtractionPass(HWND dialog, const DownloadSettings& settings, const std::string& dataDirectory) {
  HWND bar = GetDlgItem(dialog, IDC_SESSION_PROGRESS);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(DownloadItemCount())));
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  SessionState& session = Session();
  int32_t firstUndone = session.firstLeftOut;  // 0: none
  std::vector<int32_t> done;
  int notExtracted = 0;
  RewindDownloadList();
  BeginRewritePass();
  while (const DownloadItem* item = NextDownloadItem()) {
    session.currentItem = item;
    SetItemLabel(dialog, item->LocalPath);
    // A message has been shown for an archive not extracted; the pass goes on either way.
    if (!Extracted(dialog, settings, *item)) {
      ++notExtracted;
      if (item->Date <= 0)
        session.undatedLeftUndone = 1;
      else if (firstUndone == 0 || item->Date < firstUndone)
        firstUndone = item->Date;
    } else {
      done.push_back(item->Date);
    }
    RewriteListedTextFiles("abc.def", dataDirectory.c_str());
    SendMessageA(bar, PBM_STEPIT, 0, 0);
  }
  session.fetched.clear();
  if (session.undatedLeftUndone) return notExtracted;
  for (int32_t date : done)
    if (date > session.newestDate && (firstUndone == 0 || date < firstUndone)) session.newestDate = date;
  return notExtracted;
}

// The outcome of an automatic run that reached its end, worst first.
ExitCode Outcome(bool updateFailed, int notExtracted, bool housekeepingFailed, int leftOut, int skippedForGood) {
  if (updateFailed) return kExitUpdateFailed;
  if (notExtracted > 0) return kExitNotExtracted;
  if (housekeepingFailed) return kExitHousekeepingFailed;
  if (leftOut > 0) return kExitDaysLeftOut;
  if (skippedForGood > 0) return kExitDaysSkipped;
  return kExitCompleted;
}

// The newest weekly archive of the list, now extracted, is not to be fetched again.
void StoreWeekDone(HWND dialog, int32_t week) {
  int32_t done = 0;
  if (week > 0 && !Session().undatedLeftUndone && LoadDownloadWeekly(dialog, &done) && week > done)
    SaveDownloadWeekly(dialog, &week);
}

unsigned long g_fixFilesWaitLimit = kFixFilesWaitLimit;

// Runs the clean-up batch and names in the message list what kept it from running or ending. In
// automatic mode nobody can answer a batch that stops to ask something, so the wait is bounded
// and the batch is left running; otherwise its console is on the task bar and the wait is not.
void RunFixFiles(HWND dialog, const std::string& dataDirectory) {
  const std::string batch = dataDirectory + "\\FixFiles.bat";
  CommandRun run;
  // The interpreter starts whether the batch is there or not; a missing batch is found here.
  if (GetFileAttributesA(batch.c_str()) == INVALID_FILE_ATTRIBUTES)
    run = {CommandRun::kNotStarted, GetLastError()};
  else
    run = RunThroughCommandInterpreter("\"" + batch + "\"", g_automaticMode ? g_fixFilesWaitLimit : INFINITE);
  std::string line;
  if (run.outcome == CommandRun::kNotStarted)
    line = "FixFiles.bat could not be started (error " + std::to_string(run.error) + ")";
  else if (run.outcome == CommandRun::kStillRunning)
    line = "FixFiles.bat did not end in time and was left running";
  else
    return;
  AppendMessageLine(dialog, line.c_str());
  AppendMessageLine(dialog, " ");
}

}  // namespace

void CompleteSession(HWND dialog, const DownloadSettings& settings) {
  SessionState& session = Session();
  // Whatever road led here (the template fetch never disabled them), nothing may start a second
  // session or move the data directory while the ASCII update's wait dispatches messages.
  EnableSessionButtons(dialog, 0);
  session.completing = 1;
  const std::string dataDirectory(FieldText(settings.DataDirectory));
  SetStatusLine(dialog, "Decompressing");
  const int notExtracted = ExtractionPass(dialog, settings, dataDirectory);

  // What the data directory's upkeep could not do; the run does not complete without it.
  std::vector<const char*> housekeeping;
  if (RewritePassFailed()) housekeeping.push_back(kRewriteLine);
  if (WriteDateIndex(dataDirectory.c_str()) < 0) housekeeping.push_back(kIndexLine);
  SetStatusLine(dialog, "Downloading");
  SetItemLabel(dialog, "");
  SendDlgItemMessageA(dialog, IDC_SESSION_PROGRESS, PBM_SETPOS, 0, 0);
  const int32_t week = NewestListedWeek();
  ClearDownloadList();
  session.currentItem = nullptr;

  if (!SaveDownloadInfo(dialog, &session.newestDate)) housekeeping.push_back(kInfoLine);
  StoreWeekDone(dialog, week);
  int32_t ascii = 0;
  int32_t cleanUp = 0;
  LoadDownloadAscii(dialog, &ascii);
  LoadDownloadClean(dialog, &cleanUp);

  bool asciiRan = false;
  if (ascii) {
    RunAsciiUpdate(dialog, dataDirectory);
    asciiRan = true;
  }
  AppendMessageLine(dialog, " ");

  // "Update failed" anywhere at the start of a line, the message page's lines included.
  bool failed = MessageListHasPrefix(dialog, "Update failed");
  if (failed) {
    SetStatusLine(dialog, "Update failed, please correct and try again!");
    if (cleanUp) RunFixFiles(dialog, dataDirectory);
    ScrollMessagesToEnd(dialog);
    if (ascii) SetProgressMarquee(dialog, 0);
  }
  // Days that the next run fetches again: this run did not complete, whatever else it did.
  const bool incomplete = notExtracted > 0 || session.leftOut > 0;
  if (incomplete && !failed) AppendMessageLine(dialog, notExtracted > 0 ? kNotExtractedLine : kLeftOutLine);
  for (const char* line : housekeeping) AppendMessageLine(dialog, line);
  if ((incomplete && !failed) || !housekeeping.empty()) {
    AppendMessageLine(dialog, " ");
    if (!failed) SetStatusLine(dialog, incomplete ? "Download incomplete" : "Download completed with errors");
    ScrollMessagesToEnd(dialog);
  }
  session.completing = 0;
  EnableSessionButtons(dialog, 1);
  if (ascii) {
    EnableClosing(dialog, 1);
    SetProgressMarquee(dialog, 0);
  }

  if (g_automaticMode) {
    SetRunOutcome(Outcome(failed, notExtracted, !housekeeping.empty(), session.leftOut, session.skippedForGood));
    PostMessageA(dialog, WM_COMMAND, IDC_SESSION_EXIT, 0);
    return;
  }
  if (failed) return;
  if (incomplete) {
    ShowBox(dialog, "Download incomplete: some files could not be extracted.\nThey will be downloaded again next time.",
            "Error", MB_OK);
    return;
  }
  if (!housekeeping.empty()) {
    ShowBox(dialog, "Download completed with errors.\nThe last lines of the message list say what went wrong.", "Error",
            MB_OK);
    return;
  }

  AppendMessageLine(dialog, " ");
  if (asciiRan) {
    AppendMessageLine(dialog, "Download and ASCII completed successfully.");
    AppendMessageLine(dialog, " ");
    SetStatusLine(dialog, "Download and ASCII completed successfully");
    if (cleanUp) RunFixFiles(dialog, dataDirectory);
  } else {
    AppendMessageLine(dialog, "Download completed successfully.");
    AppendMessageLine(dialog, " ");
    SetStatusLine(dialog, "Download completed successfully");
  }
  ScrollMessagesToEnd(dialog);
  ShowBox(dialog, "Download completed successfully", "Tickvane", MB_OK);
}

void SetFixFilesWaitLimit(unsigned long milliseconds) { g_fixFilesWaitLimit = milliseconds; }
