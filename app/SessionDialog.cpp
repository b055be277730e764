#include "app/SessionDialog.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "app/AboutBox.h"
#include "platform/AutoCloseBox.h"
#include "platform/CallbackGuard.h"
#include "app/CentreWindow.h"
#include "app/CompleteSession.h"
#include "app/ExitCodes.h"
#include "app/ExitSteps.h"
#include "app/MessagePage.h"
#include "app/MissingFilePrompt.h"
#include "app/MissingFilePromptRes.h"
#include "platform/ProgramState.h"
#include "app/SessionDialogRes.h"
#include "app/SessionDisplay.h"
#include "app/SessionState.h"
#include "app/SessionTransfer.h"
#include "catalogue/DateHelpers.h"
#include "catalogue/DownloadList.h"
#include "catalogue/FileCatalogue.h"
#include "catalogue/FilesDialog.h"
#include "files/Housekeeping.h"
#include "files/ListedName.h"
#include "net/TransferDone.h"
#include "net/TransferWorker.h"
#include "platform/ReplacementFile.h"
#include "settings/SettingsDialog.h"
#include "settings/SettingsStore.h"

namespace {

// Request kinds the session hands to the transfer worker.
constexpr int32_t kKindMessagePage = 1;
constexpr int32_t kKindHolidays = 2;
constexpr int32_t kKindFile = 3;  // the catalogue and every archive

constexpr char kMessagePagePath[] = "/daily.phtml";
constexpr char kHolidaysPath[] = "/tkvn/dn/holiday.txt";
constexpr char kCataloguePath[] = "/tkvn/tkvndn/files.ini";

// In automatic mode a weekday that the server never publishes would hold DownloadInfo back for
// good. Once the server has a later archive of the same type and the day is this many weekdays
// old, the day is skipped as Skip would; a late archive still has a week to come.
constexpr int kUnpublishedAfterWeekdays = 5;

std::string InDataDirectory(const DownloadSettings& settings, const char* name) {
  return std::string(FieldText(settings.DataDirectory)) + "\\" + name;
}

// Nothing caches the settings: each message that acts on them (the dialog's opening, a button,
// a transfer's end) loads the record afresh, so the settings dialog's changes count from the next
// one on. The many other messages (painting, timers, the progress bar's) take the defaults: they
// use no setting, and a registry read for each of them would cost a session of a year's archives
// about a second. A load that fails shows the store's box, whose own messages reach this dialog
// again; those nested messages take the defaults as well, so that boxes never pile up.
void LoadForMessage(HWND dialog, UINT message, DownloadSettings* settings) {
  static bool loading = false;
  const bool acts = message == WM_INITDIALOG || message == WM_COMMAND || message == WM_TRANSFERDONE;
  if (loading || !acts) {
    DefaultDownloadSettings(settings);
    return;
  }
  loading = true;
  LoadDownloadSettings(dialog, settings);
  loading = false;
}

bool ClosingEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDC_SESSION_EXIT)) != FALSE; }

// Back to idle after an abort or a failure: the completion handler has already shown "Idle",
// "&Download" and an empty item label. The download list stays until the next press. In
// automatic mode nobody is there to go on: the run ends as a completed one does, through Exit,
// with the exit code that says why.
void StopSession(HWND dialog, ExitCode why) {
  EnableSessionButtons(dialog, 1);
  if (!g_automaticMode) return;
  SetRunOutcome(why);
  PostMessageA(dialog, WM_COMMAND, IDC_SESSION_EXIT, 0);
}

// Temporaries of a run that was killed while writing: in the data directory and in the archive
// folder of every chosen file type. No transfer runs at a press, so none of them is in use.
void RemoveLeftovers(const DownloadSettings& settings) {
  const std::string directory(FieldText(settings.DataDirectory));
  RemoveLeftoverTemporaries(directory);
  int count = 0;
  std::unique_ptr<FileType[]> chosen = LoadFileTypes(InDataDirectory(settings, "files.use").c_str(), &count);
  // A prefix that reaches outside the data directory is refused, as the list builder refuses it.
  for (int i = 0; chosen && i < count; ++i) {
    const std::string prefix(FieldText(chosen[i].Prefix));
    if (IsSafeListedName(prefix)) RemoveLeftoverTemporaries(directory + "\\" + prefix);
  }
}

// Starts one transfer. One that does not start is reported and leaves the dialog idle, since no
// WM_TRANSFERDONE will come to move it on.
bool BeginTransfer(HWND dialog, const std::string& target, const char* serverPath, int32_t kind) {
  // Exit ran inside a nested loop of this handler (an automatic run ended by a fault): the dialog
  // is ending.
  if (Session().exiting) return false;
  int code = Transport().Start(dialog, GetDlgItem(dialog, IDC_SESSION_PROGRESS), target.c_str(), serverPath, kind);
  SessionState& session = Session();
  if (code == kStartRunning) {
    session.transferRunning = 1;
    return true;
  }
  session.busy = 0;
  session.catalogueFetch = 0;
  SetStatusLine(dialog, "Idle");
  SetBusyDisplay(dialog, 0, "");
  char text[64];
  std::snprintf(text, sizeof text, "Unable to start the transfer (code %d)", code);
  ShowBox(dialog, text, "Error", MB_OK);
  StopSession(dialog, kExitTransferNotStarted);
  return false;
}

// A transfer of the session proper: the busy display first, then the start.
void BeginBusyTransfer(HWND dialog, const char* label, const char* status, const std::string& target,
                       const char* serverPath, int32_t kind) {
  SetBusyDisplay(dialog, 1, label);
  Session().busy = 1;
  if (status) SetStatusLine(dialog, status);
  BeginTransfer(dialog, target, serverPath, kind);
}

// A fault caught anywhere in the program once the session is open (the box that tells the user
// has been shown). An automatic run ends through Exit with its own exit code, the message list
// saying why; a fault of the session dialog itself is named there too. Fixed buffers only: memory
// may be what ran out.
void OnFault(HWND window, const char* what) {
  HWND dialog = g_sessionWindow;
  const bool sessionOpen = dialog && IsWindow(dialog);
  if (g_automaticMode) SetRunOutcome(kExitUnexpectedError);
  if (!sessionOpen || (!g_automaticMode && window != dialog)) return;
  char line[200];
  std::snprintf(line, sizeof line, "Stopped by an unexpected error: %s", what);
  AppendMessageLine(dialog, line);
  ScrollMessagesToEnd(dialog);
  SetStatusLine(dialog, "Stopped by an unexpected error");
  if (!g_automaticMode || Session().exiting) return;
  EnableClosing(dialog, 1);
  PostMessageA(dialog, WM_COMMAND, IDC_SESSION_EXIT, 0);
}

void OnInitDialog(HWND dialog, const DownloadSettings& settings) {
  CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
  g_sessionWindow = dialog;
  Session() = SessionState{};
  // Until the run gets further: the dialog closed before the end.
  ResetRunOutcome(kExitAborted);
  SetFaultHandler(OnFault);
  if (settings.Username[0] == '\0') {
    ShowBox(dialog, "Username and Password needs to be configured.", "Download", MB_OK);
    // Nobody is there to fill in the settings: an automatic run ends instead.
    if (g_automaticMode) {
      SetRunOutcome(kExitNoUserName);
      PostMessageA(dialog, WM_COMMAND, IDC_SESSION_EXIT, 0);
    } else {
      PostMessageA(dialog, WM_COMMAND, IDC_SESSION_CONFIGURE, 0);
    }
  } else if (g_automaticMode) {
    PostMessageA(dialog, WM_COMMAND, IDC_SESSION_DOWNLOAD, 0);
  }
}

// The list builder gave 0: with no file type selected the user may choose some now. True when
// the files dialog comes next.
bool ReportNothingToDownload(HWND dialog, const DownloadSettings& settings) {
  int count = 0;
  LoadFileTypes(InDataDirectory(settings, "files.use").c_str(), &count);
  if (count < 1 &&
      ShowBox(dialog, "There are currently no files selected to download.\nWould you like to select files now?",
              "Download", MB_YESNO | MB_ICONQUESTION) == IDYES) {
    PostMessageA(dialog, WM_COMMAND, IDC_SESSION_FILES, 0);
    return true;
  }
  ShowBox(dialog, "No files found to download.\nCheck dates and file configuration.", "Error", MB_OK);
  return false;
}

void ReportNoCatalogue(HWND dialog) {
  ShowBox(dialog,
          "Could not get list of file types from server.\nCan't proceed with download.\n"
          "Check with Tickvane technical support.",
          "Error", MB_OK);
}

void OnDownloadPress(HWND dialog, const DownloadSettings& settings) {
  SessionState& session = Session();
  if (session.busy == 1) {
    Transport().Abort();
    session.abortRequested = 1;
    return;
  }
  // The catalogue alone is on its way: one transfer at a time, so the press is refused. A press
  // that reaches the dialog while the completion steps run (the ASCII update dispatches
  // messages) or once Exit has begun starts nothing either.
  if (session.catalogueFetch || session.completing || session.exiting) return;

  RemoveLeftovers(settings);
  session.holidaysFetched = 0;
  session.leftOut = 0;
  session.firstLeftOut = 0;
  session.heldDays.clear();
  session.skippedForGood = 0;
  session.undatedLeftUndone = 0;
  session.fetched.clear();

  // Seeded before the catalogue test too: the catalogue fetch of a first run also ends in the
  // completion steps, which store the newest date, and must not store 0 over the last date.
  LoadDownloadInfo(dialog, &session.newestDate);

  const std::string catalogue = InDataDirectory(settings, "files.ini");
  if (!FileHasData(catalogue.c_str())) {
    // An automatic run fetched it already and goes on with the download: it came empty.
    if (g_automaticMode && session.templateFetched) {
      ReportNoCatalogue(dialog);
      StopSession(dialog, kExitCatalogueFailed);
      return;
    }
    ShowBox(dialog, "The file list template is missing, will download a new copy", "Warning", MB_OK);
    // Its completion runs the item table against the list: an empty, rewound one, whatever an
    // earlier stop left behind.
    ClearDownloadList();
    RewindDownloadList();
    session.currentItem = nullptr;
    session.catalogueFetch = 1;
    BeginTransfer(dialog, catalogue, kCataloguePath, kKindFile);
    return;
  }

  // The builder may clear and rebuild the list, which the current item must not outlive.
  session.currentItem = nullptr;
  switch (BuildDownloadList(dialog)) {
    case -1:
      StopSession(dialog, kExitNothingToDownload);
      return;
    case 0:
      if (!ReportNothingToDownload(dialog, settings)) StopSession(dialog, kExitNothingToDownload);
      return;
    default:
      BeginBusyTransfer(dialog, "Daily message page", "Downloading", InDataDirectory(settings, "message.txt"),
                        kMessagePagePath, kKindMessagePage);
      return;
  }
}

void OnMessagePageDone(HWND dialog, const DownloadSettings& settings) {
  EnableSessionButtons(dialog, 0);
  ShowMessagePage(dialog, std::string(FieldText(settings.DataDirectory)));
  int32_t ascii = 0;
  LoadDownloadAscii(dialog, &ascii);
  if (ascii) {
    AppendMessageLine(dialog, "Busy updating Tickvane ASCII database. Please do not close this box.");
    AppendMessageLine(dialog, " ");
  }
  BeginBusyTransfer(dialog, "List of holidays", nullptr, InDataDirectory(settings, "holiday.txt"), kHolidaysPath,
                    kKindHolidays);
}

void OnHolidaysDone(HWND dialog, const DownloadSettings& settings, int result) {
  Session().holidaysFetched = result == kTransferReceived;
  if (result == kTransferFailed)
    ShowBox(dialog, "Unable to get list of public holidays.\nPlease skip manually when prompted.", "File missing",
            MB_OK);
  BeginBusyTransfer(dialog, "List file types", nullptr, InDataDirectory(settings, "files.ini"), kCataloguePath,
                    kKindFile);
  RewindDownloadList();
  Session().currentItem = nullptr;
}

// In automatic mode, a missing archive of a day that this session's fresh holiday list names is
// skipped as Skip would, without asking.
bool IsKnownHoliday(const DownloadSettings& settings, const DownloadItem& item) {
  if (!g_automaticMode || !Session().holidaysFetched || item.Date <= 0) return false;
  return IsHoliday(InDataDirectory(settings, "holiday.txt").c_str(), std::to_string(item.Date).c_str()) == 1;
}

// The server directory of an item: its server path without the archive name.
std::string ServerDirectory(const DownloadItem& item) {
  const std::string path(item.ServerPath);
  return path.substr(0, path.rfind('/') + 1);
}

// The earliest day still left out, 0 when none: DownloadInfo stays before it.
void NoteFirstLeftOut(SessionState& session) {
  session.firstLeftOut = 0;
  for (const HeldDay& day : session.heldDays)
    if (session.firstLeftOut == 0 || day.date < session.firstLeftOut) session.firstLeftOut = day.date;
}

// The prompt went unanswered in automatic mode: the day is neither fetched nor done. The other
// days go on, and the completion keeps DownloadInfo before it so that the next run fetches it.
void LeaveOut(HWND dialog, const DownloadItem& item) {
  SessionState& session = Session();
  ++session.leftOut;
  if (item.Date <= 0)
    session.undatedLeftUndone = 1;
  else
    session.heldDays.push_back({item.Date, ServerDirectory(item)});
  NoteFirstLeftOut(session);
  AppendMessageLine(dialog, (std::string("Left out for now: ") + item.ServerPath).c_str());
  ScrollMessagesToEnd(dialog);
}

bool OldEnoughToSkip(int32_t date) {
  const int32_t today = TodayDateNumber();
  for (int i = 0; i < kUnpublishedAfterWeekdays; ++i) {
    date = NextWeekday(date);
    if (date == 0 || date > today) return false;
  }
  return true;
}

// `arrived` came from the server: a day of its type left out before it, old enough, was never
// published and never will be. It is skipped for good, and the list says so.
void SkipUnpublished(HWND dialog, const DownloadItem& arrived) {
  SessionState& session = Session();
  if (!g_automaticMode || arrived.Date <= 0) return;
  const std::string directory = ServerDirectory(arrived);
  std::vector<HeldDay>& held = session.heldDays;
  for (auto day = held.begin(); day != held.end();) {
    if (day->directory != directory || day->date >= arrived.Date || !OldEnoughToSkip(day->date)) {
      ++day;
      continue;
    }
    AppendMessageLine(dialog, ("Not published, skipped: " + DateNumberToText(day->date)).c_str());
    ScrollMessagesToEnd(dialog);
    --session.leftOut;
    ++session.skippedForGood;
    day = held.erase(day);
  }
  NoteFirstLeftOut(session);
}

// The catalogue or an item has arrived or failed: choose the next item, or complete.
void OnFileDone(HWND dialog, const DownloadSettings& settings, int result, bool templateRoad) {
  SessionState& session = Session();
  const DownloadItem* next = nullptr;
  if (!session.currentItem) {
    if (result == kTransferFailed) {
      ReportNoCatalogue(dialog);
      StopSession(dialog, kExitCatalogueFailed);
      return;
    }
    // An automatic run was started to download: with the catalogue in place it does so now.
    if (templateRoad && g_automaticMode) {
      session.templateFetched = 1;
      PostMessageA(dialog, WM_COMMAND, IDC_SESSION_DOWNLOAD, 0);
      return;
    }
    next = NextDownloadItem();
  } else if (result == kTransferReceived) {
    session.fetched.insert(session.currentItem->LocalPath);
    SkipUnpublished(dialog, *session.currentItem);
    next = NextDownloadItem();
  } else if (IsKnownHoliday(settings, *session.currentItem)) {
    next = NextDownloadItem();
  } else {
    INT_PTR choice = RunMissingFilePrompt(dialog, session.currentItem->ServerPath);
    if (choice == -1) {
      ShowBox(dialog, "Can't create download dialog box", "Error", MB_OK);
      StopSession(dialog, kExitPromptNotCreated);
      return;
    }
    if (choice == IDC_PROMPT_ABORT) {
      StopSession(dialog, kExitAborted);
      return;
    }
    if (choice == kPromptLeftUnanswered) LeaveOut(dialog, *session.currentItem);
    next = choice == IDC_PROMPT_TRY_AGAIN ? session.currentItem : NextDownloadItem();
  }

  session.currentItem = next;
  if (next)
    BeginBusyTransfer(dialog, next->LocalPath, "Downloading", next->LocalPath, next->ServerPath, kKindFile);
  else
    CompleteSession(dialog, settings);
}

void OnTransferDone(HWND dialog, const DownloadSettings& settings, int result, int32_t kind) {
  SessionState& session = Session();
  session.transferRunning = 0;
  // Exit has begun (its boxes dispatch messages): the list is gone and the dialog is ending.
  if (session.exiting) return;
  const bool templateRoad = session.catalogueFetch == 1;
  SetStatusLine(dialog, "Idle");
  session.busy = 0;
  session.catalogueFetch = 0;
  SetBusyDisplay(dialog, 0, "");
  if (session.abortRequested) {
    session.abortRequested = 0;
    result = kTransferAborted;
  }
  if (result == kTransferAborted) {
    StopSession(dialog, kExitAborted);
    return;
  }
  switch (kind) {
    case kKindMessagePage:
      OnMessagePageDone(dialog, settings);
      break;
    case kKindHolidays:
      OnHolidaysDone(dialog, settings, result);
      break;
    case kKindFile:
      OnFileDone(dialog, settings, result, templateRoad);
      break;
    default:
      break;
  }
}

void OnCommand(HWND dialog, DownloadSettings* settings, int id) {
  switch (id) {
    case IDC_SESSION_DOWNLOAD:
      OnDownloadPress(dialog, *settings);
      break;
    case IDC_SESSION_CONFIGURE:
      RunSettingsDialog(dialog);
      LoadDownloadSettings(dialog, settings);
      break;
    case IDC_SESSION_FILES:
      RunFilesDialog(dialog);
      break;
    case IDC_SESSION_ABOUT:
      RunModalDialog("AboutBox", dialog, AboutBoxProc, 0, IDOK);
      break;
    case IDC_SESSION_EXIT:
      // Escape arrives here too; while the ASCII update runs the dialog must stay.
      if (!ClosingEnabled(dialog)) break;
      Session().exiting = 1;
      RunExitSteps(dialog, *settings);
      EndDialog(dialog, 0);
      break;
    default:
      break;
  }
}

INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DownloadSettings settings;
  LoadForMessage(dialog, message, &settings);
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog, settings);
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, &settings, LOWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      if (wParam != SC_CLOSE) return FALSE;
      // Close leaves at once, without the exit steps; not while the ASCII update runs.
      if (ClosingEnabled(dialog)) DestroyWindow(dialog);
      return TRUE;
    case WM_TRANSFERDONE:
      OnTransferDone(dialog, settings, static_cast<int>(wParam), static_cast<int32_t>(lParam));
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
      return TRUE;
    default:
      return FALSE;
  }
}

// After a fault in the dialog's own handler: the dialog is to stay usable. `outermost` is false
// while another handler of the dialog runs below this one (the ASCII update's wait and every box
// dispatch messages); that one carries on and leaves the dialog as it should.
INT_PTR RecoverFromFault(HWND dialog, bool outermost) {
  SessionState& session = Session();
  // The exit steps failed: the dialog ends all the same, or nothing would end it.
  if (session.exiting) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  // In automatic mode Exit is on its way.
  if (!outermost || g_automaticMode) return TRUE;
  session.completing = 0;
  if (session.transferRunning) {
    // Its completion stops the session as an abort does.
    Transport().Abort();
    session.abortRequested = 1;
  } else {
    session.busy = 0;
    session.catalogueFetch = 0;
    SetBusyDisplay(dialog, 0, "");
    EnableSessionButtons(dialog, 1);
  }
  EnableClosing(dialog, 1);
  SetProgressMarquee(dialog, 0);
  return TRUE;
}

// How many calls of the dialog procedure are running, one inside another.
int g_depth = 0;

}  // namespace

INT_PTR CALLBACK SessionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ++g_depth;
  INT_PTR result = Guarded(
      dialog, [&] { return Dispatch(dialog, message, wParam, lParam); },
      [&] { return RecoverFromFault(dialog, g_depth == 1); });
  --g_depth;
  return result;
}
