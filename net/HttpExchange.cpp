#include "net/HttpExchange.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"
#include "net/BodyProgress.h"
#include "net/DebugTrace.h"
#include "net/HttpRequest.h"
#include "net/LowSpeedLimit.h"
#include "net/ResponseHeader.h"
#include "net/ServerAddress.h"
#include "net/TransferContext.h"
#include "net/TransferSeams.h"
#include "net/TransferWorker.h"
#include "platform/FreeSpaceReserve.h"
#include "platform/ReplacementFile.h"
#include "platform/UniqueHandle.h"

namespace {

// The longest wait for the connection and for the whole header; the body has a least rate instead
// (LowSpeedLimit).
constexpr DWORD kWaitLimitMs = 60000;
static_assert(kWaitLimitMs == kLowSpeedWindowMs, "one limit for the tests to shorten");
// How often a wait for body bytes looks at the abort flag.
constexpr DWORD kAbortPollMs = 100;
constexpr size_t kBodyBlockSize = 2058;
constexpr int kBodyReceiveMax = 512;
// How much of a body may be written before the free space is asked for again: others may be
// filling the same volume.
constexpr uint64_t kFreeSpaceRecheckBytes = uint64_t{1} << 20;

// What one transfer learns that the next may use again without asking the system: the peer's
// address (a proxy's name is looked up once, not for every file of a session) and the serial of
// the current directory's volume (some volumes are slow to tell it). Each is asked afresh after
// kRememberMs, and both after a transfer that did not bring its file. Only the transfer worker
// reads and writes them, one transfer after the other.
constexpr DWORD kRememberMs = 5 * 60 * 1000;
struct RememberedPeer {
  bool known = false;
  DWORD when = 0;
  std::string host;
  uint16_t port = 0;
  sockaddr_in address = {};
} g_rememberedPeer;
struct RememberedSerial {
  bool known = false;
  DWORD when = 0;
  std::string directory;
  char text[16] = {};
} g_rememberedSerial;

bool StillFresh(bool known, DWORD when) { return known && GetTickCount() - when < kRememberMs; }

const char* g_peerHost = nullptr;  // test override of the direct peer
uint16_t g_peerPort = 0;
DWORD g_waitLimitMs = kWaitLimitMs;

BOOL WriteWithFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return WriteFile(file, data, size, written, nullptr);
}
TargetWriter g_writer = WriteWithFile;

void ShowMessage(const char* text, const char* caption) {
  ShowBox(CurrentTransfer().dialog, text, caption, MB_OK);
}

[[noreturn]] void FailTransfer(const char* text, const char* caption) {
  ShowMessage(text, caption);
  EndTransfer(kTransferFailed);
}

constexpr char kTimedOut[] = "Connection to remote host timed out";

[[noreturn]] void FailTimedOut() { FailTransfer(kTimedOut, "Socket error"); }

enum class Wait { Ready, TimedOut, Aborted };

// Waits until the socket has something to read (data, its end, or an error). `waiting` is called
// with GetTickCount before each slice of the wait and ends it as timed out by returning true; an
// abort request ends it within kAbortPollMs.
template <typename Waiting>
Wait WaitReadable(SOCKET s, Waiting waiting) {
  for (;;) {
    if (IsTransferAborted()) return Wait::Aborted;
    if (waiting(GetTickCount())) return Wait::TimedOut;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tv{0, static_cast<long>(kAbortPollMs * 1000)};
    int n = select(0, &readable, nullptr, nullptr, &tv);
    if (n != 0) return Wait::Ready;  // readable, or an error that the receive will report
  }
}

// Receives up to `size` bytes from the non-blocking socket (with MSG_PEEK in `flags`, leaves them
// there); only when none are there yet does it wait for them, as WaitReadable does. Returns recv's
// result (0 when the peer has closed, SOCKET_ERROR when the receive failed); *wait tells when the
// wait ended first (timed out, aborted).
template <typename Waiting>
int Receive(SOCKET s, char* buffer, int size, Waiting waiting, Wait* wait, int flags = 0) {
  *wait = Wait::Ready;
  for (;;) {
    int n = recv(s, buffer, size, flags);
    if (n != SOCKET_ERROR || WSAGetLastError() != WSAEWOULDBLOCK) return n;
    *wait = WaitReadable(s, waiting);
    if (*wait != Wait::Ready) return SOCKET_ERROR;
  }
}

// Connects within the wait limit: a peer that never answers is given up on, and an abort request
// ends the attempt within kAbortPollMs.
int ConnectWithin(SOCKET s, const sockaddr_in& address) {
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return 0;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) return 0;
    const DWORD start = GetTickCount();
    for (;;) {
      if (IsTransferAborted()) EndTransfer(kTransferAborted);
      DWORD elapsed = GetTickCount() - start;
      if (elapsed >= g_waitLimitMs) FailTimedOut();
      DWORD slice = g_waitLimitMs - elapsed;
      if (slice > kAbortPollMs) slice = kAbortPollMs;
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s, &writable);
      FD_SET(s, &failed);
      timeval tv{static_cast<long>(slice / 1000), static_cast<long>(slice % 1000 * 1000)};
      int n = select(0, nullptr, &writable, &failed, &tv);
      if (n == SOCKET_ERROR) return 0;
      if (n == 0) continue;
      if (FD_ISSET(s, &failed)) {
        int error = 0;
        int size = sizeof error;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        WSASetLastError(error != 0 ? error : WSAECONNREFUSED);
        return 0;
      }
      break;
    }
  }
  u_long blocking = 0;
  return ioctlsocket(s, FIONBIO, &blocking) == 0 ? 1 : 0;
}

// The error that ended the connection, 0 for a clean close. Windows reports a reset to recv;
// Wine hands recv a clean end and keeps the reset for the poll, which WSAPoll (Windows Vista on,
// and Wine) shows as POLLERR. Where WSAPoll is missing, recv's own report is all there is.
int PendingSocketError(SOCKET s) {
  struct PollEntry {  // WSAPOLLFD, which <winsock.h> does not declare
    SOCKET fd;
    SHORT events;
    SHORT revents;
  };
  constexpr SHORT kPollErr = 0x0001;
  constexpr SHORT kPollReadNormal = 0x0100;
  using PollFunction = int(WINAPI*)(PollEntry*, ULONG, INT);
  static const PollFunction poll = [] {
    HMODULE winsock = LoadLibraryA("ws2_32.dll");
    return winsock != nullptr ? reinterpret_cast<PollFunction>(
                                    reinterpret_cast<void*>(GetProcAddress(winsock, "WSAPoll")))
                              : nullptr;
  }();
  int error = 0;
  int size = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) return WSAGetLastError();
  if (error != 0 || poll == nullptr) return error;
  PollEntry entry{s, kPollReadNormal, 0};
  if (poll(&entry, 1, 0) == 1 && (entry.revents & kPollErr) != 0) return WSAECONNRESET;
  return 0;
}

// A failure of the body is shown with the temporary already gone, so that nothing is left behind
// while the box waits.
[[noreturn]] void FailBody(UniqueFile& file, ReplacementFile& replacement, const char* text, const char* caption) {
  file.Reset();
  replacement.Discard();
  FailTransfer(text, caption);
}

void SendProgress(UINT message, WPARAM wParam, LPARAM lParam) {
  SendMessageA(CurrentTransfer().progressBar, message, wParam, lParam);
}

// The free-space rule for a body: what it may still write on the target's volume without eating
// into the reserve. The system is asked again when that room runs out and after every
// kFreeSpaceRecheckBytes written. A volume that cannot tell its free space is not held to the rule.
class BodyRoom {
 public:
  explicit BodyRoom(const char* target) {
    const std::string path(target);
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos) directory_ = path.substr(0, slash + 1);
  }

  // Whether `bytes` more may be written.
  bool Allows(uint64_t bytes) {
    if (asked_ && bytes <= room_ && sinceAsked_ + bytes <= kFreeSpaceRecheckBytes) return true;
    asked_ = true;
    sinceAsked_ = 0;
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(directory_.empty() ? nullptr : directory_.c_str(), &available, nullptr, nullptr)) {
      room_ = UINT64_MAX;
      return true;
    }
    room_ = LeavesReserve(available.QuadPart, 0) ? available.QuadPart - kFreeSpaceReserve : 0;
    return bytes <= room_;
  }

  void Wrote(uint64_t bytes) {
    room_ -= bytes < room_ ? bytes : room_;
    sinceAsked_ += bytes;
  }

 private:
  std::string directory_;  // with its final separator; empty for the current drive
  bool asked_ = false;
  uint64_t room_ = 0;
  uint64_t sinceAsked_ = 0;
};

std::string NoRoomText() {
  return "Not enough disk space for the download: " + std::to_string(kFreeSpaceReserve >> 20) +
         " MB must stay free on the drive";
}

// GetVolumeSerialText, asked of the system only when the current directory has changed or a while
// has passed.
void CurrentVolumeSerialText(char* out, size_t outSize) {
  RememberedSerial& remembered = g_rememberedSerial;
  char directory[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
  const bool named = length > 0 && length < sizeof directory;
  if (named && StillFresh(remembered.known, remembered.when) && remembered.directory == directory) {
    std::snprintf(out, outSize, "%s", remembered.text);
    return;
  }
  char volumeName[100];
  // A serial that could not be read ("0") is asked for again next time.
  remembered.known = GetVolumeSerialText(volumeName, sizeof volumeName, out, outSize) && named;
  if (!remembered.known) return;
  remembered.when = GetTickCount();
  remembered.directory = directory;
  std::snprintf(remembered.text, sizeof remembered.text, "%s", out);
}

}  // namespace

void SetServerPeerForTests(const char* host, uint16_t port) {
  g_peerHost = host;
  g_peerPort = port;
}

void SetWaitLimitForTests(DWORD milliseconds) { g_waitLimitMs = milliseconds != 0 ? milliseconds : kWaitLimitMs; }

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
  RememberedPeer& peer = g_rememberedPeer;
  if (!StillFresh(peer.known, peer.when) || peer.host != host || peer.port != port) {
    peer.known = false;
    if (!ResolveAddress(&peer.address, host, port)) return 0;
    peer.known = true;
    peer.when = GetTickCount();
    peer.host = host;
    peer.port = port;
  }
  return ConnectWithin(t.socket, peer.address);
}

void ForgetRememberedLookups() {
  g_rememberedPeer.known = false;
  g_rememberedSerial.known = false;
}

bool GetVolumeSerialText(char* volumeName, DWORD volumeNameSize, char* out, size_t outSize) {
  DWORD serial = 0;
  const bool read = GetVolumeInformationA(nullptr, volumeName, volumeNameSize, &serial, nullptr, nullptr, nullptr, 0);
  if (!read) serial = 0;
  std::snprintf(out, outSize, "%lu", static_cast<unsigned long>(serial));
  return read;
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
  // The whole header must arrive within the wait limit: a byte now and then does not hold the
  // transfer for ever. Each receive looks at what has arrived without taking it (MSG_PEEK), the
  // reader is fed from it one byte at a time, and then exactly the bytes fed are taken: no byte of
  // the body is consumed here, and a header costs a few receives rather than one per byte.
  const DWORD start = GetTickCount();
  const auto waiting = [start](DWORD now) { return now - start >= g_waitLimitMs; };
  for (;;) {
    char piece[kBodyReceiveMax];
    Wait wait;
    int n = Receive(t.socket, piece, sizeof piece, waiting, &wait, MSG_PEEK);
    if (wait == Wait::TimedOut) FailTimedOut();
    if (wait == Wait::Aborted || IsTransferAborted()) EndTransfer(kTransferAborted);
    if (n <= 0) FailTransfer("Incomplete reply from server", "HTTP error");
    ResponseHeaderReader::Step step = ResponseHeaderReader::Step::More;
    int fed = 0;
    try {
      while (fed < n && step == ResponseHeaderReader::Step::More) {
        if constexpr (kDebugBuild != 0) trace.Put(piece[fed]);
        step = reader->Feed(piece[fed++]);
      }
    } catch (const std::bad_alloc&) {
      return -1;
    }
    if (recv(t.socket, piece, fed, 0) != fed) FailTransfer("Incomplete reply from server", "HTTP error");
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
      case ResponseHeaderReader::Step::HeaderTooLong:
        FailTransfer("Reply header from server too long", "HTTP error");
      case ResponseHeaderReader::Step::NoStatusLine:
        FailTransfer("Invalid reply from server: no status line", "HTTP error");
      case ResponseHeaderReader::Step::TransferCoding:
        FailTransfer("Unsupported transfer encoding in reply from server", "HTTP error");
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
      char serial[sizeof g_rememberedSerial.text];
      CurrentVolumeSerialText(serial, sizeof serial);
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
  if (length == -1) FailTransfer("Memory error at GetFile", "Error");
  // A body that says how long it is must fit before any of it is written.
  BodyRoom room(t.targetPath);
  if (lengthGiven && !room.Allows(static_cast<uint64_t>(length))) FailTransfer(NoRoomText().c_str(), "Error");
  // Taken before the temporary exists, so that its failure leaves nothing to clear away.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBodyBlockSize]);
  if (!buffer) FailTransfer("Memory error at GetFile", "Error");

  // The body goes into a temporary beside the target, which is replaced only by a complete body:
  // on every failure, abort or kill the previous file stays as it was.
  ReplacementFile replacement(t.targetPath, Durability::kCopyOfServerData);
  if (!replacement.Valid()) FailTransfer("Can't open target file for writing", "Error");
  UniqueFile file(CreateFileA(replacement.TemporaryPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) FailTransfer("Can't open target file for writing", "Error");
  SendProgress(PBM_SETRANGE, 0, MAKELPARAM(0, kProgressRange));

  const DWORD bodyStart = GetTickCount();
  LowSpeedLimit rate(bodyStart, g_waitLimitMs);
  RECT bar = {};
  GetClientRect(t.progressBar, &bar);
  BodyProgress progress(lengthGiven, length, bodyStart, bar.right > 0 ? kProgressRange / bar.right : 1);
  int barStep = -1;  // the step last set on the bar in this transfer
  const auto moveBar = [&barStep](int step) {
    if (step == 0) return;
    if (step != barStep) SendProgress(PBM_SETSTEP, static_cast<WPARAM>(step), 0);
    barStep = step;
    SendProgress(PBM_STEPIT, 0, 0);
  };
  // While the body waits for more, the bar catches up (there is time for it), and a body that
  // comes slower than the least rate ends.
  const auto waiting = [&](DWORD now) {
    moveBar(progress.CatchUp(now));
    return rate.TooSlow(now);
  };
  long long received = 0;
  for (;;) {
    // A given length is the whole body: bytes a server sends past it are never read.
    int size = kBodyReceiveMax;
    if (lengthGiven) {
      if (received >= length) break;
      if (length - received < size) size = static_cast<int>(length - received);
    }
    Wait wait;
    int n = Receive(t.socket, buffer.get(), size, waiting, &wait);
    if (wait == Wait::TimedOut) FailBody(file, replacement, kTimedOut, "Socket error");
    if (wait == Wait::Aborted || IsTransferAborted()) EndTransfer(kTransferAborted);
    // Otherwise only the server closing the connection ends the body; a reset or a failed
    // receive loses the rest of it.
    const int error = n < 0 ? WSAGetLastError() : n == 0 ? PendingSocketError(t.socket) : 0;
    if (n == 0 && error == 0) break;
    if (n <= 0) {
      char text[64];
      std::snprintf(text, sizeof text, "Connection to remote host lost (%d)", error);
      FailBody(file, replacement, text, "Socket error");
    }
    const DWORD now = GetTickCount();
    rate.Received(now, static_cast<uint32_t>(n));
    moveBar(progress.Step(n, now));
    if (!room.Allows(static_cast<uint64_t>(n))) FailBody(file, replacement, NoRoomText().c_str(), "Error");
    DWORD written = 0;
    if (!g_writer(file.Get(), buffer.get(), static_cast<DWORD>(n), &written) ||
        written != static_cast<DWORD>(n)) {
      FailBody(file, replacement, "Error writing target file", "Error");
    }
    room.Wrote(static_cast<uint64_t>(n));
    received += n;
  }
  if (BodyIsShort(lengthGiven, length, received)) {
    char text[96];
    std::snprintf(text, sizeof text, "Incomplete download: received %ld of %ld bytes",
                  static_cast<long>(received), length);
    FailBody(file, replacement, text, "Error");
  }
  // No body is no file, whatever the header said: the temporary goes with `replacement`.
  if (received == 0) return 0;
  if (!CloseHandle(file.Release()) || !replacement.Commit()) FailTransfer("Error writing target file", "Error");
  return 1;
}
