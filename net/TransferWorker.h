// One HTTP transfer on a worker thread of its own. The session dialog starts it, watches the
// progress bar move (sent PBM_ messages), may ask for an abort, and learns the outcome from one
// posted WM_TRANSFERDONE. At most one transfer runs at a time: the caller starts the next only
// from an idle dialog or from its WM_TRANSFERDONE handler.
#pragma once

#include <windows.h>

#include <cstdint>

#include "net/TransferDone.h"

// StartTransfer's results: only kStartRunning is followed by WM_TRANSFERDONE.
constexpr int kStartThreadFailed = 3;
constexpr int kStartSettingsFailed = 4;
constexpr int kStartTargetTooLong = 5;      // more than 259 characters
constexpr int kStartServerPathTooLong = 6;  // more than 200 characters
constexpr int kStartRunning = 7;

constexpr size_t kTargetPathMax = 259;
constexpr size_t kServerPathMax = 200;

// Loads the settings afresh (messages owned by `dialog`), checks the two paths and starts the
// worker. `progressBar` must belong to the calling thread, which has to keep dispatching messages
// until WM_TRANSFERDONE arrives: the worker sends it the progress messages and waits for them.
int StartTransfer(HWND dialog, HWND progressBar, const char* targetPath, const char* serverPath,
                  int32_t requestKind);

// Asks the running transfer to stop; honoured while connecting, reading the header or receiving
// the body, within a tenth of a second of the next wait.
// The flag stays set after the end of a transfer and is cleared by the next StartTransfer.
void RequestTransferAbort();
int IsTransferAborted();
