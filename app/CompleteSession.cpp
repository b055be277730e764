#include "app/CompleteSession.h"

#include <commctrl.h>

#include <cstdint>
#include <string>

#include "app/AsciiUpdate.h"
#include "app/CommandInterpreter.h"
#include "app/ProgramState.h"
#include "app/SessionDialogRes.h"
#include "app/SessionDisplay.h"
#include "app/SessionState.h"
#include "catalogue/DownloadItems.h"
#include "files/ExtractArchive.h"
#include "files/Housekeeping.h"
#include "settings/SettingsStore.h"

namespace {

// Extracts every archive of the list into the data directory and raises the newest date by
// every item, fetched or skipped (weekly items carry -1 and never raise it).
void ExtractionPass(HWND dialog, const DownloadSettings& settings, const std::string& dataDirectory) {
  HWND bar = GetDlgItem(dialog, IDC_SESSION_PROGRESS);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(DownloadItemCount())));
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  SessionState& session = Session();
  RewindDownloadList();
  while (const DownloadItem* item = NextDownloadItem()) {
    session.currentItem = item;
    SetItemLabel(dialog, item->LocalPath);
    // A skipped item's archive is missing and passed over silently; a damaged one has had its
    // message. Either way the pass goes on.
    ExtractArchive(dialog, settings, item->LocalPath);
    RewriteListedTextFiles("abc.def", dataDirectory.c_str());
    if (item->Date > session.newestDate) session.newestDate = item->Date;
    SendMessageA(bar, PBM_STEPIT, 0, 0);
  }
}

std::string CleanUpCommand(const std::string& dataDirectory) {
  return "\"" + dataDirectory + "\\FixFiles.bat\"";
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
  ExtractionPass(dialog, settings, dataDirectory);

  WriteDateIndex(dataDirectory.c_str());
  SetStatusLine(dialog, "Downloading");
  SetItemLabel(dialog, "");
  SendDlgItemMessageA(dialog, IDC_SESSION_PROGRESS, PBM_SETPOS, 0, 0);
  ClearDownloadList();
  session.currentItem = nullptr;

  SaveDownloadInfo(dialog, &session.newestDate);
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
    if (cleanUp) RunThroughCommandInterpreter(CleanUpCommand(dataDirectory));
    ScrollMessagesToEnd(dialog);
    if (ascii) SetProgressMarquee(dialog, 0);
  }
  session.completing = 0;
  EnableSessionButtons(dialog, 1);
  if (ascii) {
    EnableClosing(dialog, 1);
    SetProgressMarquee(dialog, 0);
  }

  if (g_automaticMode) {
    PostMessageA(dialog, WM_COMMAND, IDC_SESSION_EXIT, 0);
    return;
  }
  if (failed) return;

  AppendMessageLine(dialog, " ");
  if (asciiRan) {
    AppendMessageLine(dialog, "Download and ASCII completed successfully.");
    AppendMessageLine(dialog, " ");
    SetStatusLine(dialog, "Download and ASCII completed successfully");
    if (cleanUp) RunThroughCommandInterpreter(CleanUpCommand(dataDirectory));
  } else {
    AppendMessageLine(dialog, "Download completed successfully.");
    AppendMessageLine(dialog, " ");
    SetStatusLine(dialog, "Download completed successfully");
  }
  ScrollMessagesToEnd(dialog);
  MessageBoxA(dialog, "Download completed successfully", "Tickvane", MB_OK);
}
