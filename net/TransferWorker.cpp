#include "net/TransferWorker.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/AutoCloseBox.h"
#include "net/HttpExchange.h"
#include "net/TransferContext.h"
#include "settings/SettingsStore.h"

namespace {

TransferContext g_transfer;
constexpr DWORD kPreviousEndWaitMs = 10000;

// Thrown by EndTransfer and caught only by the thread routine, so that every RAII owner of the
// exchange (the partial target among them) is done before the completion is posted.
struct TransferEnding {
  int result;
};

// The end of every transfer, in this order: progress bar reset, the one completion message,
// socket closed, WinSock released. The context is read before the post: once the dialog has the
// message it may start the next transfer, which overwrites the context.
void FinishTransfer(int result) {
  TransferContext& t = g_transfer;
  HWND dialog = t.dialog;
  HWND progressBar = t.progressBar;
  int32_t kind = t.requestKind;
  SOCKET s = t.socket;
  bool started = t.socketsStarted;
  t.socket = INVALID_SOCKET;
  t.socketsStarted = false;

  SendMessageA(progressBar, PBM_SETPOS, 0, 0);
  PostMessageA(dialog, WM_TRANSFERDONE, static_cast<WPARAM>(result), static_cast<LPARAM>(kind));
  if (s != INVALID_SOCKET) closesocket(s);
  if (started) WSACleanup();
}

int RunTransfer() {
  if (!OpenServerConnection()) {
    char text[80];
    std::snprintf(text, sizeof text, "Can't open connection to remote host (%d)", WSAGetLastError());
    ShowBox(g_transfer.dialog, text, "Socket error", MB_OK);
    return kTransferFailed;
  }
  return GetFile() != 0 ? kTransferReceived : kTransferFailed;
}

}  // namespace

TransferContext& CurrentTransfer() { return g_transfer; }

void EndTransfer(int result) { throw TransferEnding{result}; }

DWORD WINAPI TransferWorker(LPVOID) {
  // The transfer before this one posted its completion and is still closing its socket and
  // releasing WinSock: its WSACleanup must come before this transfer's WSAStartup, or it may
  // close this transfer's socket (Wine does). It needs no window any more, so this wait is short.
  if (g_transfer.previousThread) WaitForSingleObject(g_transfer.previousThread.Get(), kPreviousEndWaitMs);
  int result = kTransferFailed;
  try {
    result = RunTransfer();
  } catch (const TransferEnding& ending) {
    result = ending.result;
  } catch (const std::exception& e) {
    ShowBox(g_transfer.dialog, e.what(), "Error", MB_OK);
  }
  if (result != kTransferReceived) ForgetRememberedLookups();
  FinishTransfer(result);
  return 0;
}

int StartTransfer(HWND dialog, HWND progressBar, const char* targetPath, const char* serverPath,
                  int32_t requestKind) {
  TransferContext& t = g_transfer;
  t.dialog = dialog;
  t.progressBar = progressBar;
  t.requestKind = requestKind;
  t.abort.store(0);
  if (!LoadDownloadSettings(dialog, &t.settings)) return kStartSettingsFailed;
  size_t targetLength = strnlen(targetPath, kTargetPathMax + 1);
  if (targetLength > kTargetPathMax) return kStartTargetTooLong;
  size_t serverLength = strnlen(serverPath, kServerPathMax + 1);
  if (serverLength > kServerPathMax) return kStartServerPathTooLong;
  std::memcpy(t.targetPath, targetPath, targetLength + 1);
  std::memcpy(t.serverPath, serverPath, serverLength + 1);
  // Handed over before the new worker runs, which reads it first.
  t.previousThread = std::move(t.thread);
  HANDLE thread = CreateThread(nullptr, 0, TransferWorker, nullptr, 0, nullptr);
  if (thread == nullptr) return kStartThreadFailed;
  t.thread.Reset(thread);
  return kStartRunning;
}

void RequestTransferAbort() { g_transfer.abort.store(1); }

int IsTransferAborted() { return g_transfer.abort.load(); }
