// What the exchange and the worker share about the transfer in progress. StartTransfer writes it
// on the user-interface thread before the worker exists; afterwards only the abort flag changes
// while the worker runs, and the socket, which the worker itself opens.
#pragma once

#include <winsock.h>
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "platform/UniqueHandle.h"
#include "settings/DownloadSettings.h"

struct TransferContext {
  HWND dialog = nullptr;       // receives WM_TRANSFERDONE, owns the worker's message boxes
  HWND progressBar = nullptr;  // the dialog's progress bar
  int32_t requestKind = 0;     // handed back unchanged in lParam
  std::atomic<int32_t> abort{0};
  char targetPath[260] = {};
  char serverPath[220] = {};
  DownloadSettings settings = {};  // the transfer's own copy, loaded at its start
  SOCKET socket = INVALID_SOCKET;  // belongs to the transfer that opened it
  bool socketsStarted = false;     // WSAStartup succeeded for this transfer
  UniqueObject thread;             // the UI thread never waits for it
  UniqueObject previousThread;     // the transfer before: its end is waited for by this worker
};

TransferContext& CurrentTransfer();

// Ends the transfer with `result` (1, 0 or -1) and the worker thread: the exchange's RAII
// cleanup runs first (an unfinished temporary is deleted, the target untouched), then the
// progress bar is reset, the one WM_TRANSFERDONE is posted, the socket closed and WinSock
// released. Only on the worker thread.
[[noreturn]] void EndTransfer(int result);

DWORD WINAPI TransferWorker(LPVOID);
