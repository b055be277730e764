// The exchange against the stand-in server: what is sent, and what each kind of reply becomes.
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/TransferSeams.h"
#include "net/TransferWorker.h"
#include "tests/unit/net/TransferHarness.h"

namespace {

using Exchange = TransferTest;

const std::string kAuthorization = "Authorization: Basic anNtaXRoOnB3\r\n";  // jsmith:pw

TEST_F(Exchange, ThroughTheProxySendsTheseBytesAndWritesTheBody) {
  std::string body = Pattern(5000);
  Serve("/tkvn/dn/holiday.txt", body);
  std::string target = Target("holiday.txt");
  TransferOutcome out = Run(target, "/tkvn/dn/holiday.txt", 2);
  EXPECT_EQ(out.result, kTransferReceived) << out.BoxSummary();
  EXPECT_EQ(out.kind, 2);
  EXPECT_TRUE(out.boxes.empty()) << out.BoxSummary();
  EXPECT_TRUE(SameBytes(ReadFileBytes(target), body));
  EXPECT_EQ(Requests(),
            "GET http://download.tickvane.com/tkvn/dn/holiday.txt HTTP/1.0\r\n"
            "User-Agent: tkvndn\r\n"
            "Host: download.tickvane.com:80\r\n"
            "Cookie: TICKVANE=jsmith; VOLSER=" + CurrentVolumeSerial() + "\r\n" +
                kAuthorization + "\r\n");
}

TEST_F(Exchange, DirectRequestNeverCarriesTheProxyCredentials) {
  SetServerPeerForTests("127.0.0.1", static_cast<uint16_t>(Port()));
  settings.UseProxy = 0;
  settings.ProxyLogin = 1;
  std::strcpy(settings.ProxyUsername, "abcdefghijklmnopqrs");
  std::strcpy(settings.ProxyPassword, "ABCDEFGHIJKLMNOPQRS");
  Serve("/daily.phtml", "<p>Message of the day</p>\r\n");
  std::string target = Target("message.txt");
  TransferOutcome out = Run(target, "/daily.phtml", 1);
  EXPECT_EQ(out.result, kTransferReceived) << out.BoxSummary();
  EXPECT_EQ(ReadFileBytes(target), "<p>Message of the day</p>\r\n");
  EXPECT_EQ(Requests(),
            "GET /daily.phtml HTTP/1.0\r\n"
            "User-Agent: tkvndn\r\n"
            "Host: download.tickvane.com:80\r\n"
            "Cookie: TICKVANE=jsmith; VOLSER=" + CurrentVolumeSerial() + "\r\n" +
                kAuthorization + "\r\n");
}

TEST_F(Exchange, ProxyCredentialsAreCheckedByTheProxy) {
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"},
                "proxy_auth": {"user": "puser", "password": "ppass"}})");
  Serve("/tkvn/tkvndn/files.ini", "catalogue\r\n");
  std::string target = Target("files.ini");
  TransferOutcome refused = Run(target, "/tkvn/tkvndn/files.ini");
  EXPECT_EQ(refused.result, kTransferFailed);
  ASSERT_EQ(refused.boxes.size(), 1u) << refused.BoxSummary();
  EXPECT_EQ(refused.boxes[0].caption, "HTTP error");
  EXPECT_EQ(refused.boxes[0].text, "Proxy authentication required");
  EXPECT_FALSE(FileExists(target));

  settings.ProxyLogin = 1;
  std::strcpy(settings.ProxyUsername, "puser");
  std::strcpy(settings.ProxyPassword, "ppass");
  TransferOutcome accepted = Run(target, "/tkvn/tkvndn/files.ini");
  EXPECT_EQ(accepted.result, kTransferReceived) << accepted.BoxSummary();
  EXPECT_EQ(ReadFileBytes(target), "catalogue\r\n");
}

TEST_F(Exchange, WrongPasswordIsRefusedByTheServer) {
  std::strcpy(settings.Password, "wrong");
  Serve("/tkvn/dn/holiday.txt", "x");
  TransferOutcome out = Run(Target("h.txt"), "/tkvn/dn/holiday.txt");
  EXPECT_EQ(out.result, kTransferFailed);
  ASSERT_EQ(out.boxes.size(), 1u) << out.BoxSummary();
  EXPECT_EQ(out.boxes[0].caption, "HTTP error");
  EXPECT_EQ(out.boxes[0].text, "Authorisation required");
}

TEST_F(Exchange, StatusesOtherThan200And404ShowTheirTextAndCreateNoFile) {
  struct Row {
    int status;
    const char* text;
  } rows[] = {{204, "No Content"}, {302, "Site temporarily moved"}, {503, "Service temporarily unavailable"},
              {418, "Unknown HTTP error # 418"}};
  std::string target = Target("status.bin");
  for (const Row& row : rows) {
    SetFaults(R"({"paths": {"/s": {"status": )" + std::to_string(row.status) +
              R"(, "headers": ["Location: http://elsewhere/"]}}})");
    WriteFileBytes(ServerPath("requests.log"), "");
    TransferOutcome out = Run(target, "/s");
    EXPECT_EQ(out.result, kTransferFailed) << row.status;
    ASSERT_EQ(out.boxes.size(), 1u) << row.status << out.BoxSummary();
    EXPECT_EQ(out.boxes[0].caption, "HTTP error");
    EXPECT_EQ(out.boxes[0].text, row.text);
    EXPECT_FALSE(FileExists(target)) << row.status;
    // A redirect is not followed: one request only.
    EXPECT_EQ(Requests().find("GET ", 1), std::string::npos) << row.status;
  }
}

TEST_F(Exchange, NotFoundAndEmptyBodiesGiveZeroSilentlyAndStoreNothing) {
  std::string target = Target("absent.lzh");
  TransferOutcome missing = Run(target, "/tkvn/dn/26-12-08.lzh");  // 404 with a Content-Length
  EXPECT_EQ(missing.result, kTransferFailed);
  EXPECT_TRUE(missing.boxes.empty()) << missing.BoxSummary();
  EXPECT_FALSE(FileExists(target));

  // An empty body, whether its length says 0 or it has none, leaves the old copy as it was.
  Serve("/empty.txt", "");
  const std::string directory = Target("empty-reply");
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
  target = directory + "\\message.txt";
  WriteFileBytes(target, "the old copy");
  for (const char* fault : {"{}", R"({"empty_body": true})"}) {
    SetFaults(std::string(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/empty.txt": )") + fault + "}}");
    TransferOutcome empty = Run(target, "/empty.txt");
    EXPECT_EQ(empty.result, kTransferFailed) << fault;
    EXPECT_TRUE(empty.boxes.empty()) << fault << empty.BoxSummary();
    EXPECT_EQ(ReadFileBytes(target), "the old copy") << fault;
    EXPECT_EQ(DirectoryNames(directory), std::vector<std::string>{"message.txt"}) << fault;
  }
}

TEST_F(Exchange, HeaderLinesUpTo2047BytesPassAndLongerOnesAreRefused) {
  Serve("/f", "body");
  std::string target = Target("long-header.txt");
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/f": {"header_line": 2047}}})");
  TransferOutcome fits = Run(target, "/f");
  EXPECT_EQ(fits.result, kTransferReceived) << fits.BoxSummary();
  EXPECT_EQ(ReadFileBytes(target), "body");

  DeleteFileA(target.c_str());
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/f": {"header_line": 2048}}})");
  TransferOutcome over = Run(target, "/f");
  EXPECT_EQ(over.result, kTransferFailed);
  ASSERT_EQ(over.boxes.size(), 1u) << over.BoxSummary();
  EXPECT_EQ(over.boxes[0].caption, "Error");
  EXPECT_EQ(over.boxes[0].text, "Buffer overflow");
  EXPECT_FALSE(FileExists(target));
}

// Odd Content-Length lines still deliver the whole body; a declared length ends it.
TEST_F(Exchange, OddContentLengthsAndBytesPastTheDeclaredLength) {
  std::string body = Pattern(3000);
  Serve("/odd.bin", body);
  std::string target = Target("odd.bin");
  const struct {
    const char* variant;
    size_t kept;
  } rows[] = {{R"("content_length": "lower")", 3000},
              {R"("content_length": "noblank")", 3000},
              {R"("content_length": "negative")", 3000},
              {R"("content_length": "none")", 3000},
              {R"("headers": ["X-Original-Content-Length: 99999"])", 3000},
              {R"("content_length": 1000)", 1000}};
  for (const auto& row : rows) {
    SetFaults(std::string(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/odd.bin": {)") +
              row.variant + "}}}");
    TransferOutcome out = Run(target, "/odd.bin");
    EXPECT_EQ(out.result, kTransferReceived) << row.variant << out.BoxSummary();
    EXPECT_TRUE(SameBytes(ReadFileBytes(target), body.substr(0, row.kept))) << row.variant;
  }
}

TEST_F(Exchange, ExistingTargetIsReplacedAndTheBarEndsAtZero) {
  std::string target = Target("replace.txt");
  WriteFileBytes(target, std::string(10000, 'o'));
  Serve("/new.txt", "new content");
  TransferOutcome out = Run(target, "/new.txt");
  EXPECT_EQ(out.result, kTransferReceived) << out.BoxSummary();
  EXPECT_EQ(ReadFileBytes(target), "new content");
  ASSERT_GE(out.progress.size(), 2u);
  EXPECT_EQ(out.progress.front().message, static_cast<UINT>(PBM_SETRANGE));
  EXPECT_EQ(out.progress.front().lParam, MAKELPARAM(0, 10000));
  EXPECT_EQ(out.progress.back().message, static_cast<UINT>(PBM_SETPOS));
  EXPECT_EQ(out.progress.back().wParam, 0u);
}

DWORD g_largestWrite = 0;
BOOL MeasuringWriter(HANDLE file, const void* data, DWORD size, DWORD* written) {
  if (size > g_largestWrite) g_largestWrite = size;
  return WriteFile(file, data, size, written, nullptr);
}

// Each block is written as it was received, at most 512 bytes; the bar (10 pixels wide here) moves
// only when a pixel's worth has arrived, not for each of the 400 blocks.
TEST_F(Exchange, BodyComesInReceivesOfAtMost512BytesAndTheBarMovesByPixels) {
  std::string body = Pattern(200000);
  Serve("/p.bin", body);
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/p.bin": {"trickle": [4000, 0.02]}}})");
  g_largestWrite = 0;
  SetTargetWriterForTests(MeasuringWriter);
  std::string target = Target("p.bin");
  TransferOutcome out = Run(target, "/p.bin");
  EXPECT_EQ(out.result, kTransferReceived) << out.BoxSummary();
  EXPECT_TRUE(SameBytes(ReadFileBytes(target), body));
  EXPECT_EQ(g_largestWrite, 512u);
  // Replays the messages as the bar would: each STEPIT advances by the step last set.
  long long step = -1;
  long long total = 0;
  for (const ProgressMessage& m : out.progress) {
    if (m.message == PBM_SETSTEP) step = static_cast<long long>(m.wParam);
    if (m.message == PBM_STEPIT) {
      ASSERT_GT(step, 0) << "STEPIT before any SETSTEP";
      total += step;
    }
  }
  EXPECT_LE(total, 10000);
  EXPECT_GE(out.Steps(), 1);
  EXPECT_LE(out.Steps(), 11);
}

TEST_F(Exchange, BodyCutShortIsAnIncompleteDownload) {
  Serve("/cut.lzh", Pattern(5000));
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/cut.lzh": {"cut_body_after": 1000}}})");
  std::string target = Target("cut.lzh");
  TransferOutcome out = Run(target, "/cut.lzh");
  EXPECT_EQ(out.result, kTransferFailed);
  ASSERT_EQ(out.boxes.size(), 1u) << out.BoxSummary();
  EXPECT_EQ(out.boxes[0].caption, "Error");
  EXPECT_EQ(out.boxes[0].text, "Incomplete download: received 1000 of 5000 bytes");
  EXPECT_FALSE(FileExists(target));
}

TEST_F(Exchange, EveryKindOfFileKeepsItsOldCopyUnderEveryFault) {
  struct Kind {
    const char* name;
    const char* serverPath;
    int32_t requestKind;
  } kinds[] = {{"message.txt", "/daily.phtml", 1},
               {"holiday.txt", "/tkvn/dn/holiday.txt", 2},
               {"files.ini", "/tkvn/tkvndn/files.ini", 3},
               {"26-12-08.lzh", "/tkvn/dn/26-12-08.lzh", 3}};
  struct Fault {
    const char* switches;
    bool abort;  // pressed once the transfer has stalled
    const char* caption;
    const char* text;
  } faults[] = {
      {R"("cut_body_after": 1000)", false, "Error", "Incomplete download: received 1000 of 5000 bytes"},
      {R"("reset_body_after": 1000, "content_length": "none")", false, "Socket error",
       "Connection to remote host lost (10054)"},
      {R"("chunked": true)", false, "HTTP error", "Unsupported transfer encoding in reply from server"},
      {R"("endless_header": true)", false, "HTTP error", "Reply header from server too long"},
      {R"("no_status_line": true)", false, "HTTP error", "Invalid reply from server: no status line"},
      {R"("stall_header_after": 20)", true, nullptr, nullptr},
      {R"("stall_body_after": 1000)", true, nullptr, nullptr},
  };
  int folder = 0;
  for (const Kind& kind : kinds) {
    Serve(kind.serverPath, Pattern(5000));
    for (const Fault& fault : faults) {
      const std::string where = std::string(kind.name) + " " + fault.switches;
      const std::string directory = Target("keep" + std::to_string(folder++));
      ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr)) << directory;
      const std::string target = directory + "\\" + kind.name;
      const std::string old = "the good old copy of " + where;
      WriteFileBytes(target, old);
      SetFaults(std::string(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {")") + kind.serverPath +
                R"(": {)" + fault.switches + "}}}");
      TransferOutcome out;
      if (fault.abort) {
        BeginRecording();
        ASSERT_EQ(Start(target, kind.serverPath, kind.requestKind), kStartRunning);
        ASSERT_EQ(Wait(0).doneCount, 0) << where;
        RequestTransferAbort();
        out = Wait(1, 10000);  // far less than the 60 seconds a stalled peer is given
        EXPECT_EQ(out.result, kTransferAborted) << where;
        EXPECT_TRUE(out.boxes.empty()) << where << out.BoxSummary();
      } else {
        out = Run(target, kind.serverPath, kind.requestKind);
        EXPECT_EQ(out.result, kTransferFailed) << where;
        ASSERT_EQ(out.boxes.size(), 1u) << where << out.BoxSummary();
        EXPECT_EQ(out.boxes[0].caption, fault.caption) << where;
        EXPECT_EQ(out.boxes[0].text, fault.text) << where;
      }
      EXPECT_EQ(out.doneCount, 1) << where;
      EXPECT_EQ(ReadFileBytes(target), old) << where;
      EXPECT_EQ(DirectoryNames(directory), std::vector<std::string>{kind.name}) << where;
    }
  }
}

TEST_F(Exchange, ConnectionEndingInsideTheHeaderIsAnIncompleteReply) {
  Serve("/h.lzh", Pattern(500));
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/h.lzh": {"cut_header_after": 30}}})");
  std::string target = Target("h.lzh");
  TransferOutcome out = Run(target, "/h.lzh");
  EXPECT_EQ(out.result, kTransferFailed);
  ASSERT_EQ(out.boxes.size(), 1u) << out.BoxSummary();
  EXPECT_EQ(out.boxes[0].caption, "HTTP error");
  EXPECT_EQ(out.boxes[0].text, "Incomplete reply from server");
  EXPECT_FALSE(FileExists(target));
}

// A stalled header or body, and a body that trickles below the least rate (10 bytes every 0.1 s
// against 1 KiB per window), with and without a length.
TEST_F(Exchange, ServerThatStopsOrTricklesTimesOutAndStoresNothing) {
  SetWaitLimitForTests(1000);
  Serve("/stall.lzh", Pattern(5000));
  std::string target = Target("stall.lzh");
  for (const char* fault : {R"("stall_header_after": 20)", R"("stall_body_after": 2000)", R"("trickle": [10, 0.1])",
                            R"("trickle": [10, 0.1], "content_length": "none")"}) {
    SetFaults(std::string(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/stall.lzh": {)") + fault +
              "}}}");
    TransferOutcome out = Run(target, "/stall.lzh");
    EXPECT_EQ(out.result, kTransferFailed) << fault;
    ASSERT_EQ(out.boxes.size(), 1u) << fault << out.BoxSummary();
    EXPECT_EQ(out.boxes[0].caption, "Socket error");
    EXPECT_EQ(out.boxes[0].text, "Connection to remote host timed out");
    EXPECT_FALSE(FileExists(target)) << fault;
    EXPECT_GE(out.elapsedMs, 900u) << fault;
  }
  // Above the least rate a body may take several windows.
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/stall.lzh": {"trickle": [250, 0.1]}}})");
  TransferOutcome slow = Run(target, "/stall.lzh");
  EXPECT_EQ(slow.result, kTransferReceived) << slow.BoxSummary();
  EXPECT_TRUE(SameBytes(ReadFileBytes(target), Pattern(5000)));
}

BOOL FailingWriter(HANDLE, const void*, DWORD size, DWORD* written) {
  *written = size / 2;  // a short write, as on a full disk
  return TRUE;
}

TEST_F(Exchange, FailedWriteIsReportedAndLeavesNoFile) {
  SetTargetWriterForTests(FailingWriter);
  Serve("/w.lzh", Pattern(3000));
  std::string target = Target("w.lzh");
  TransferOutcome out = Run(target, "/w.lzh");
  EXPECT_EQ(out.result, kTransferFailed);
  ASSERT_EQ(out.boxes.size(), 1u) << out.BoxSummary();
  EXPECT_EQ(out.boxes[0].caption, "Error");
  EXPECT_EQ(out.boxes[0].text, "Error writing target file");
  EXPECT_FALSE(FileExists(target));
}

TEST_F(Exchange, TargetThatCannotBeCreatedIsReported) {
  Serve("/t.txt", "x");
  TransferOutcome out = Run(ServerPath("scratch\\no-such-folder\\t.txt"), "/t.txt");
  EXPECT_EQ(out.result, kTransferFailed);
  ASSERT_EQ(out.boxes.size(), 1u) << out.BoxSummary();
  EXPECT_EQ(out.boxes[0].caption, "Error");
  EXPECT_EQ(out.boxes[0].text, "Can't open target file for writing");
}

}  // namespace
