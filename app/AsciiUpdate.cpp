#include "app/AsciiUpdate.h"

#include <cstdio>
#include <string>

#include "app/ChildProcess.h"
#include "app/SessionDisplay.h"
#include "app/SessionState.h"
#include "app/TextPieces.h"
#include "platform/ProgramState.h"
#include "platform/UniqueHandle.h"

namespace {

constexpr size_t kProgressPiece = 999;

unsigned long g_waitLimit = kAsciiUpdateWaitLimit;

// Shows the lines of procdate.txt that are not in the list yet. Pieces keep their line end, and a
// piece counts as shown when some list line begins with it. A line still being written waits for
// the next reading, or it would show now and again once whole (see ProgressPieceReady).
void ShowNewProgressLines(HWND dialog, bool ended) {
  for (const std::string& piece : ReadRawPieces("procdate.txt", kProgressPiece)) {
    if (!ProgressPieceReady(piece, kProgressPiece, ended)) continue;
    if (MessageListHasPrefix(dialog, piece.c_str())) continue;
    AppendMessageLine(dialog, piece.c_str());
    ScrollMessagesToEnd(dialog);
  }
}

// Dispatches the thread's messages until the process ends, so the dialog repaints and the About
// box stays usable; procdate.txt is read again at every wake. False when `limit` milliseconds
// passed first (the process is left running).
bool WaitDispatching(HWND dialog, HANDLE process, DWORD limit) {
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD waited = GetTickCount() - start;
    DWORD timeout = limit == INFINITE ? INFINITE : (waited < limit ? limit - waited : 0);
    DWORD wake = MsgWaitForMultipleObjects(1, &process, FALSE, timeout, QS_ALLINPUT);
    if (wake == WAIT_TIMEOUT) return false;
    if (wake != WAIT_OBJECT_0 + 1) return true;  // the process ended, or the wait failed
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Belongs to an outer loop: leave it queued for that loop and stop dispatching.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return true;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    // The dialog is closing (an unexpected error ends an automatic run through Exit): the batch
    // goes on by itself.
    if (Session().exiting) return true;
    ShowNewProgressLines(dialog, false);
  }
}

}  // namespace

void RunAsciiUpdate(HWND dialog, const std::string& directory) {
  EnableClosing(dialog, 0);
  DeleteFileA((directory + "\\result.txt").c_str());
  SetStatusLine(dialog, "Busy updating Tickvane ASCII database...");
  SetProgressMarquee(dialog, 1);

  // The batch is found only in the current directory, so the data directory becomes current for
  // the run.
  char previous[MAX_PATH + 1] = {};
  DWORD previousLength = GetCurrentDirectoryA(sizeof previous, previous);
  bool haveDirectory = SetCurrentDirectoryA(directory.c_str()) != 0;
  DWORD error = 0;
  UniqueObject process;
  bool started = false;
  if (!haveDirectory) {
    error = GetLastError();
  } else {
    DeleteFileA("procdate.txt");
    started = StartChildProcess(nullptr, "ascii_update.bat", SW_HIDE, &process, &error);
  }
  if (started) {
    bool ended = WaitDispatching(dialog, process.Get(), g_automaticMode ? g_waitLimit : INFINITE);
    // What the update wrote in its last moments, before the wait saw it end.
    ShowNewProgressLines(dialog, ended);
    if (!ended) AppendMessageLine(dialog, "Update failed: ascii_update.bat did not end in time and was left running");
  } else {
    char text[128];
    std::snprintf(text, sizeof text, "Update failed: ascii_update.bat could not be started (error %lu)",
                  static_cast<unsigned long>(error));
    AppendMessageLine(dialog, text);
  }
  if (previousLength > 0 && previousLength < sizeof previous) SetCurrentDirectoryA(previous);

  AppendMessageLine(dialog, " ");
  AppendMessageLines(dialog, ReadShownPieces(directory + "\\result.txt", 189));
}

void SetAsciiUpdateWaitLimit(unsigned long milliseconds) { g_waitLimit = milliseconds; }
