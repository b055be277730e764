#include "app/SessionDialog.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "app/AboutBox.h"
#include "app/CentreWindow.h"
#include "app/CompleteSession.h"
#include "app/ExitSteps.h"
#include "app/MessagePage.h"
#include "app/MissingFilePrompt.h"
#include "app/MissingFilePromptRes.h"
#include "app/ProgramState.h"
#include "app/SessionDialogRes.h"
#include "app/SessionDisplay.h"
#include "app/SessionState.h"
#include "app/SessionTransfer.h"
#include "catalogue/DownloadList.h"
#include "catalogue/FileCatalogue.h"
#include "catalogue/FilesDialog.h"
#include "files/Housekeeping.h"
#include "net/TransferDone.h"
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

std::string InDataDirectory(const DownloadSettings& settings, const char* name) {
  return std::string(FieldText(settings.DataDirectory)) + "\\" + name;
}

// Nothing caches the settings: each message loads the record afresh, so the settings dialog's
// changes count from the next message on. A load that fails shows the store's box, whose own
// messages reach this dialog again; those nested messages, and after a failure every message that
// does not act on the settings, take the defaults instead of loading, so that boxes never pile up.
void LoadForMessage(HWND dialog, UINT message, DownloadSettings* settings) {
  static bool loading = false;
  static bool failing = false;
  bool acts = message == WM_INITDIALOG || message == WM_COMMAND || message == WM_TRANSFERDONE;
  if (loading || (failing && !acts)) {
    DefaultDownloadSettings(settings);
    return;
  }
  loading = true;
  failing = LoadDownloadSettings(dialog, settings) == 0;
  loading = false;
}

bool ClosingEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDC_SESSION_EXIT)) != FALSE; }

// Back to idle after an abort or a failure: the completion handler has already shown "Idle",
// "&Download" and an empty item label. The download list stays until the next press.
void StopSession(HWND dialog) { EnableSessionButtons(dialog, 1); }

// Temporaries of a run that was killed while writing: in the data directory and in the archive
// folder of every chosen file type. No transfer runs at a press, so none of them is in use.
void RemoveLeftovers(const DownloadSettings& settings) {
  const std::string directory(FieldText(settings.DataDirectory));
  RemoveLeftoverTemporaries(directory);
  int count = 0;
  std::unique_ptr<FileType[]> chosen = LoadFileTypes(InDataDirectory(settings, "files.use").c_str(), &count);
  for (int i = 0; chosen && i < count; ++i)
    RemoveLeftoverTemporaries(directory + "\\" + std::string(FieldText(chosen[i].Prefix)));
}

// Starts one transfer. One that does not start is reported and leaves the dialog idle, since no
// WM_TRANSFERDONE will come to move it on.
bool BeginTransfer(HWND dialog, const std::string& target, const char* serverPath, int32_t kind) {
  int code = Transport().Start(dialog, GetDlgItem(dialog, IDC_SESSION_PROGRESS), target.c_str(), serverPath, kind);
  if (code == 7) return true;
  SessionState& session = Session();
  session.busy = 0;
  session.catalogueFetch = 0;
  SetStatusLine(dialog, "Idle");
  SetBusyDisplay(dialog, 0, "");
  StopSession(dialog);
  char text[64];
  std::snprintf(text, sizeof text, "Unable to start the transfer (code %d)", code);
  MessageBoxA(dialog, text, "Error", MB_OK);
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

void OnInitDialog(HWND dialog, const DownloadSettings& settings) {
  CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
  g_sessionWindow = dialog;
  Session() = SessionState{};
  if (settings.Username[0] == '\0') {
    MessageBoxA(dialog, "Username and Password needs to be configured.", "Download", MB_OK);
    PostMessageA(dialog, WM_COMMAND, IDC_SESSION_CONFIGURE, 0);
  } else if (g_automaticMode) {
    PostMessageA(dialog, WM_COMMAND, IDC_SESSION_DOWNLOAD, 0);
  }
}

// The list builder gave 0: with no file type selected the user may choose some now.
void ReportNothingToDownload(HWND dialog, const DownloadSettings& settings) {
  int count = 0;
  LoadFileTypes(InDataDirectory(settings, "files.use").c_str(), &count);
  if (count < 1 &&
      MessageBoxA(dialog, "There are currently no files selected to download.\nWould you like to select files now?",
                  "Download", MB_YESNO | MB_ICONQUESTION) == IDYES) {
    PostMessageA(dialog, WM_COMMAND, IDC_SESSION_FILES, 0);
    return;
  }
  MessageBoxA(dialog, "No files found to download.\nCheck dates and file configuration.", "Error", MB_OK);
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

  // Seeded before the catalogue test too: the catalogue fetch of a first run also ends in the
  // completion steps, which store the newest date, and must not store 0 over the last date.
  LoadDownloadInfo(dialog, &session.newestDate);

  const std::string catalogue = InDataDirectory(settings, "files.ini");
  if (!FileHasData(catalogue.c_str())) {
    MessageBoxA(dialog, "The file list template is missing, will download a new copy", "Warning", MB_OK);
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
      return;
    case 0:
      ReportNothingToDownload(dialog, settings);
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
  if (result == kTransferFailed)
    MessageBoxA(dialog, "Unable to get list of public holidays.\nPlease skip manually when prompted.",
                "File missing", MB_OK);
  BeginBusyTransfer(dialog, "List file types", nullptr, InDataDirectory(settings, "files.ini"), kCataloguePath,
                    kKindFile);
  RewindDownloadList();
  Session().currentItem = nullptr;
}

// The catalogue or an item has arrived or failed: choose the next item, or complete.
void OnFileDone(HWND dialog, const DownloadSettings& settings, int result) {
  SessionState& session = Session();
  const DownloadItem* next = nullptr;
  if (!session.currentItem) {
    if (result == kTransferFailed) {
      MessageBoxA(dialog,
                  "Could not get list of file types from server.\nCan't proceed with download.\n"
                  "Check with Tickvane technical support.",
                  "Error", MB_OK);
      StopSession(dialog);
      return;
    }
    next = NextDownloadItem();
  } else if (result == kTransferReceived) {
    next = NextDownloadItem();
  } else {
    INT_PTR choice = RunMissingFilePrompt(dialog, session.currentItem->ServerPath);
    if (choice == -1) {
      MessageBoxA(dialog, "Can't create download dialog box", "Error", MB_OK);
      StopSession(dialog);
      return;
    }
    if (choice == IDC_PROMPT_ABORT) {
      StopSession(dialog);
      return;
    }
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
  // Exit has begun (its boxes dispatch messages): the list is gone and the dialog is ending.
  if (session.exiting) return;
  SetStatusLine(dialog, "Idle");
  session.busy = 0;
  session.catalogueFetch = 0;
  SetBusyDisplay(dialog, 0, "");
  if (session.abortRequested) {
    session.abortRequested = 0;
    result = kTransferAborted;
  }
  if (result == kTransferAborted) {
    StopSession(dialog);
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
      OnFileDone(dialog, settings, result);
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
      DialogBoxParamA(g_instance, "AboutBox", dialog, AboutBoxProc, 0);
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

}  // namespace

INT_PTR CALLBACK SessionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // No C++ exception may cross into the system's callback.
  try {
    return Dispatch(dialog, message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}
