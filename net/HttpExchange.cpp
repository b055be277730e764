#include "net/HttpExchange.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "app/ProgramState.h"
#include "net/BodyProgress.h"
#include "net/DebugTrace.h"
#include "net/HttpRequest.h"
#include "net/ResponseHeader.h"
#include "net/ServerAddress.h"
#include "net/TransferContext.h"
#include "net/TransferSeams.h"
#include "net/TransferWorker.h"

namespace {

constexpr DWORD kNoProgressTimeoutMs = 60000;
// How often a wait for body bytes looks at the abort flag.
constexpr DWORD kAbortPollMs = 100;
constexpr size_t kBodyBlockSize = 2058;
constexpr int kBodyReceiveMax = 512;

const char* g_peerHost = nullptr;  // test override of the direct peer
uint16_t g_peerPort = 0;
DWORD g_timeoutMs = kNoProgressTimeoutMs;

BOOL WriteWithFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return WriteFile(file, data, size, written, nullptr);
}
TargetWriter g_writer = WriteWithFile;

void ShowMessage(const char* text, const char* caption) {
  MessageBoxA(CurrentTransfer().dialog, text, caption, MB_OK);
}

[[noreturn]] void FailTransfer(const char* text, const char* caption) {
  ShowMessage(text, caption);
  EndTransfer(kTransferFailed);
}

[[noreturn]] void FailTimedOut() { FailTransfer("Connection to remote host timed out", "Socket error"); }

enum class Wait { Ready, TimedOut, Aborted };

// Waits until the socket has something to read (data, its end, or an error), until the
// no-progress limit counted from `start`; with `abortable` an abort request ends the wait within
// kAbortPollMs.
Wait WaitReadable(SOCKET s, bool abortable, DWORD start) {
  for (;;) {
    if (abortable && IsTransferAborted()) return Wait::Aborted;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= g_timeoutMs) return Wait::TimedOut;
    DWORD slice = g_timeoutMs - elapsed;
    if (abortable && slice > kAbortPollMs) slice = kAbortPollMs;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tv{static_cast<long>(slice / 1000), static_cast<long>(slice % 1000 * 1000)};
    int n = select(0, &readable, nullptr, nullptr, &tv);
    if (n != 0) return Wait::Ready;  // readable, or an error that the receive will report
  }
}

// Receives up to `size` bytes from the non-blocking socket, waiting for them at most the
// no-progress limit. Returns recv's result (0 when the peer has closed, SOCKET_ERROR when the
// receive failed); *wait tells when the wait ended first (timed out, aborted).
int Receive(SOCKET s, char* buffer, int size, bool abortable, Wait* wait) {
  *wait = Wait::Ready;
  const DWORD start = GetTickCount();
  for (;;) {
    int n = recv(s, buffer, size, 0);
    if (n != SOCKET_ERROR || WSAGetLastError() != WSAEWOULDBLOCK) return n;
    *wait = WaitReadable(s, abortable, start);
    if (*wait != Wait::Ready) return SOCKET_ERROR;
  }
}

// Connects with the no-progress limit: a peer that never answers is given up on.
int ConnectWithin(SOCKET s, const sockaddr_in& address) {
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return 0;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) return 0;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval tv{static_cast<long>(g_timeoutMs / 1000), static_cast<long>(g_timeoutMs % 1000 * 1000)};
    int n = select(0, nullptr, &writable, &failed, &tv);
    if (n == SOCKET_ERROR) return 0;
    if (n == 0) FailTimedOut();
    if (FD_ISSET(s, &failed)) {
      int error = 0;
      int size = sizeof error;
      getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
      WSASetLastError(error != 0 ? error : WSAECONNREFUSED);
      return 0;
    }
  }
  u_long blocking = 0;
  return ioctlsocket(s, FIONBIO, &blocking) == 0 ? 1 : 0;
}

// The target file while the body arrives: deleted on every way out unless the body is complete.
class PartialTarget {
 public:
  explicit PartialTarget(const char* path) : path_(path) {
    file_ = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    keep_ = !Opened();  // a file it could not create is not its own to delete
  }
  PartialTarget(const PartialTarget&) = delete;
  PartialTarget& operator=(const PartialTarget&) = delete;
  ~PartialTarget() { Discard(); }
  bool Opened() const { return file_ != INVALID_HANDLE_VALUE; }
  HANDLE File() const { return file_; }
  void Keep() { keep_ = true; }
  // Deletes the file now, before the failure is shown.
  void Discard() {
    Close();
    if (!keep_) DeleteFileA(path_);
    keep_ = true;
  }
  void Close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

 private:
  const char* path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  bool keep_ = false;
};

void SendProgress(UINT message, WPARAM wParam, LPARAM lParam) {
  SendMessageA(CurrentTransfer().progressBar, message, wParam, lParam);
}

}  // namespace

void SetServerPeerForTests(const char* host, uint16_t port) {
  g_peerHost = host;
  g_peerPort = port;
}

void SetNoProgressTimeoutForTests(DWORD milliseconds) {
  g_timeoutMs = milliseconds != 0 ? milliseconds : kNoProgressTimeoutMs;
}

void SetTargetWriterForTests(TargetWriter writer) { g_writer = writer != nullptr ? writer : WriteWithFile; }

int ResolveAddress(sockaddr_in* address, const char* host, uint16_t port) {
  std::memset(address, 0, sizeof *address);
  address->sin_family = AF_INET;
  address->sin_port = htons(port);
  const hostent* entry = gethostbyname(host);
  if (entry != nullptr && entry->h_addrtype == AF_INET && entry->h_length == 4 &&
      entry->h_addr_list[0] != nullptr) {
    std::memcpy(&address->sin_addr, entry->h_addr_list[0], 4);
    return 1;
  }
  unsigned long dotted = inet_addr(host);
  if (dotted == INADDR_NONE) return 0;
  address->sin_addr.s_addr = dotted;
  return 1;
}

int OpenServerConnection() {
  TransferContext& t = CurrentTransfer();
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return 0;
  t.socketsStarted = true;
  t.socket = socket(AF_INET, SOCK_STREAM, 0);
  if (t.socket == INVALID_SOCKET) return 0;

  // The proxy host field may lack its terminator in a damaged record: copy it bounded.
  char proxyHost[sizeof t.settings.ProxyHost + 1];
  std::string_view proxy = FieldText(t.settings.ProxyHost);
  proxy.copy(proxyHost, proxy.size());
  proxyHost[proxy.size()] = '\0';

  const char* host = kServerHost;
  uint16_t port = kServerPort;
  if (t.settings.UseProxy != 0) {
    host = proxyHost;
    port = t.settings.ProxyPort;
  } else if (g_peerHost != nullptr) {
    host = g_peerHost;
    port = g_peerPort;
  }
  sockaddr_in address;
  if (!ResolveAddress(&address, host, port)) return 0;
  return ConnectWithin(t.socket, address);
}

void GetVolumeSerialText(char* volumeName, DWORD volumeNameSize, char* out, size_t outSize) {
  DWORD serial = 0;
  if (!GetVolumeInformationA(nullptr, volumeName, volumeNameSize, &serial, nullptr, nullptr, nullptr, 0)) {
    serial = 0;
  }
  std::snprintf(out, outSize, "%lu", static_cast<unsigned long>(serial));
}

void ShowHttpStatusError(int code) { FailTransfer(HttpStatusMessage(code).c_str(), "HTTP error"); }

long ReadResponseHeader(bool* lengthGiven) {
  TransferContext& t = CurrentTransfer();
  if (lengthGiven != nullptr) *lengthGiven = false;
  std::unique_ptr<ResponseHeaderReader> reader(new (std::nothrow) ResponseHeaderReader);
  if (!reader) return -1;

  DebugTrace trace;
  if constexpr (kDebugBuild != 0) {
    if (!trace.Open()) FailTransfer("Unable to open debug file \\tkvndbg.txt", "Error");
  }
  for (;;) {
    char byte;
    Wait wait;
    int n = Receive(t.socket, &byte, 1, false, &wait);
    if (wait == Wait::TimedOut) FailTimedOut();
    if (n != 1) FailTransfer("Incomplete reply from server", "HTTP error");
    if constexpr (kDebugBuild != 0) trace.Put(byte);
    ResponseHeaderReader::Step step;
    try {
      step = reader->Feed(byte);
    } catch (const std::bad_alloc&) {
      return -1;
    }
    switch (step) {
      case ResponseHeaderReader::Step::More:
        continue;
      case ResponseHeaderReader::Step::LineTooLong:
        ShowMessage("Buffer overflow", "Error");
        if constexpr (kDebugBuild != 0) {
          ShowMessage("Created debug file \\tkvndbg.txt", "Debug");
          trace.Close();
        }
        EndTransfer(kTransferFailed);
      case ResponseHeaderReader::Step::Status: {
        int code = reader->StatusCode();
        reader.reset();
        ShowHttpStatusError(code);
      }
      case ResponseHeaderReader::Step::End:
        break;
    }
    break;
  }
  if (reader->NotFound()) return -2;
  if (lengthGiven != nullptr) *lengthGiven = reader->LengthGiven();
  return reader->BodyLength();
}

int GetFile() {
  TransferContext& t = CurrentTransfer();
  {
    std::string request;
    try {
      char volumeName[100];
      char serial[16];
      GetVolumeSerialText(volumeName, sizeof volumeName, serial, sizeof serial);
      RequestTarget target;
      target.serverHost = kServerHost;
      target.serverPort = kServerPort;
      target.serverPath = FieldText(t.serverPath);
      target.volumeSerial = serial;
      target.amiBrokerMode = g_amiBrokerMode != 0;
      if (!BuildHttpRequest(t.settings, target, &request)) FailTransfer("Memory error at GetFile", "Error");
    } catch (const std::bad_alloc&) {
      FailTransfer("Memory error at GetFile", "Error");
    }
    int sent = send(t.socket, request.data(), static_cast<int>(request.size()), 0);
    if (sent != static_cast<int>(request.size())) FailTransfer("Error attempting to send HTTP request", "Error");
  }
  // From here on every receive returns at once and waits, when it must, in Receive.
  u_long nonBlocking = 1;
  ioctlsocket(t.socket, FIONBIO, &nonBlocking);

  bool lengthGiven = false;
  long length = ReadResponseHeader(&lengthGiven);
  if (length == -2 || length == 0) return 0;
  if (length == -1) EndTransfer(kTransferFailed);

  PartialTarget target(t.targetPath);
  if (!target.Opened()) FailTransfer("Can't open target file for writing", "Error");
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBodyBlockSize]);
  if (!buffer) return 0;
  SendProgress(PBM_SETRANGE, 0, MAKELPARAM(0, kProgressRange));

  long long received = 0;
  int barStep = -1;  // the step last set on the bar in this transfer
  for (;;) {
    Wait wait;
    int n = Receive(t.socket, buffer.get(), kBodyReceiveMax, true, &wait);
    if (wait == Wait::TimedOut) {
      target.Discard();
      FailTimedOut();
    }
    if (wait == Wait::Aborted || IsTransferAborted()) EndTransfer(kTransferAborted);
    // The server closing the connection ends the body; so does a failed receive.
    if (n <= 0) break;
    // Each sent message waits for the user-interface thread, so none is sent that would not
    // change the bar: a step equal to the bar's current one is not set again, and a step of 0
    // (a block too small to show in a long body) moves nothing.
    int step = ProgressStep(n, length);
    if (step != 0) {
      if (step != barStep) SendProgress(PBM_SETSTEP, static_cast<WPARAM>(step), 0);
      barStep = step;
      SendProgress(PBM_STEPIT, 0, 0);
    }
    DWORD written = 0;
    if (!g_writer(target.File(), buffer.get(), static_cast<DWORD>(n), &written) ||
        written != static_cast<DWORD>(n)) {
      target.Discard();
      FailTransfer("Error writing target file", "Error");
    }
    received += n;
  }
  if (BodyIsShort(lengthGiven, length, received)) {
    target.Discard();
    char text[96];
    std::snprintf(text, sizeof text, "Incomplete download: received %ld of %ld bytes",
                  static_cast<long>(received), length);
    FailTransfer(text, "Error");
  }
  target.Keep();
  return 1;
}
