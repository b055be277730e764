#include "app/AsciiUpdate.h"

#include <cstdio>
#include <string>

#include "app/SessionDisplay.h"
#include "app/TextPieces.h"
#include "platform/UniqueHandle.h"

namespace {

constexpr size_t kProgressPiece = 999;

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
// box stays usable; procdate.txt is read again at every wake.
void WaitDispatching(HWND dialog, HANDLE process) {
  for (;;) {
    DWORD wake = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (wake != WAIT_OBJECT_0 + 1) break;  // the process ended, or the wait failed
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Belongs to an outer loop: leave it queued for that loop and stop dispatching.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    ShowNewProgressLines(dialog, false);
  }
}

// Starts ascii_update.bat from the current directory, hidden, in a console of its own. On
// failure returns false with the error code in *error.
bool StartUpdate(PROCESS_INFORMATION* info, DWORD* error) {
  char commandLine[] = "ascii_update.bat";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                     &startup, info))
    return true;
  *error = GetLastError();
  return false;
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
  PROCESS_INFORMATION info{};
  bool started = false;
  if (!haveDirectory) {
    error = GetLastError();
  } else {
    DeleteFileA("procdate.txt");
    started = StartUpdate(&info, &error);
  }
  if (started) {
    UniqueObject process(info.hProcess);
    UniqueObject thread(info.hThread);
    WaitDispatching(dialog, process.Get());
    // What the update wrote in its last moments, before the wait saw it end.
    ShowNewProgressLines(dialog, true);
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
