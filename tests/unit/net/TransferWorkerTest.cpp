// The worker as the session dialog sees it: start codes, the one completion message, aborts.
#include <windows.h>

#include <commctrl.h>
#include <winsock.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"
#include "net/TransferSeams.h"
#include "net/TransferWorker.h"
#include "tests/unit/net/TransferHarness.h"

namespace {

class Worker : public TransferTest {
 protected:
  static std::string PaddedTarget(size_t length) {
    std::string path = Target("t");
    path += std::string(length - path.size(), 'x');
    return path;
  }
};

TEST_F(Worker, PathLimitsRefuseWithoutAThreadOrAMessage) {
  Serve("/long.txt", "long");
  std::string longest = PaddedTarget(259);
  TransferOutcome accepted = Run(longest, "/long.txt");
  EXPECT_EQ(accepted.result, kTransferReceived) << accepted.BoxSummary();
  EXPECT_EQ(ReadFileBytes(longest), "long");

  std::string serverPath = "/" + std::string(199, 'p');
  TransferOutcome longPath = Run(Target("p.txt"), serverPath);  // started; the server has no such file
  EXPECT_EQ(longPath.doneCount, 1);
  EXPECT_NE(Requests().find("GET http://download.tickvane.com" + serverPath + " HTTP/1.0\r\n"), std::string::npos);

  const std::string requestsBefore = Requests();
  EXPECT_EQ(Start(PaddedTarget(260), "/long.txt", 3), kStartTargetTooLong);
  EXPECT_EQ(Start(Target("p.txt"), serverPath + "p", 3), kStartServerPathTooLong);
  TransferOutcome none = Wait(0, 500);
  EXPECT_EQ(none.doneCount, 1);  // still only the started one
  EXPECT_EQ(Requests(), requestsBefore);  // no worker ran: the server heard nothing more
}

TEST_F(Worker, SettingsThatCannotBeLoadedStopTheStartBeforeThePathsAreChecked) {
  settingsStored = false;
  refuseSettingsWrites = true;
  BeginRecording();
  EXPECT_EQ(Start(PaddedTarget(300), "/" + std::string(300, 'p'), 3), kStartSettingsFailed);
  TransferOutcome out = Wait(0, 500);
  EXPECT_EQ(out.doneCount, 0);
  ASSERT_EQ(out.boxes.size(), 1u) << out.BoxSummary();  // the settings store's own message
  EXPECT_EQ(out.boxes[0].text, "Error attempting to create registry key(pds)");
}

TEST_F(Worker, RequestKindComesBackUnchanged) {
  Serve("/k.txt", "k");
  for (int32_t kind : {1, 2, 3, 0, -7, 2147483647, -2147483647 - 1}) {
    TransferOutcome out = Run(Target("k.txt"), "/k.txt", kind);
    EXPECT_EQ(out.doneCount, 1) << kind;
    EXPECT_EQ(static_cast<int32_t>(out.kind), kind);
    EXPECT_EQ(out.result, kTransferReceived) << out.BoxSummary();
  }
}

int ClosedPort() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = inet_addr("127.0.0.1");
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  closesocket(s);
  return ntohs(a.sin_port);
}

TEST_F(Worker, ConnectionThatCannotBeOpenedGivesOneSocketErrorBox) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  settings.ProxyPort = static_cast<uint16_t>(ClosedPort());
  WSACleanup();
  std::string target = Target("refused.txt");
  TransferOutcome refused = Run(target, "/daily.phtml", 1);
  EXPECT_EQ(refused.result, kTransferFailed);
  EXPECT_EQ(refused.doneCount, 1);
  ASSERT_EQ(refused.boxes.size(), 1u) << refused.BoxSummary();
  EXPECT_EQ(refused.boxes[0].caption, "Socket error");
  EXPECT_EQ(refused.boxes[0].text, "Can't open connection to remote host (10061)");
  EXPECT_FALSE(FileExists(target));

  std::strcpy(settings.ProxyHost, "no-such-host.invalid");
  TransferOutcome unknown = Run(target, "/daily.phtml", 1);
  EXPECT_EQ(unknown.result, kTransferFailed);
  ASSERT_EQ(unknown.boxes.size(), 1u) << unknown.BoxSummary();
  EXPECT_EQ(unknown.boxes[0].caption, "Socket error");
  EXPECT_EQ(unknown.boxes[0].text, "Can't open connection to remote host (11001)");
}

TEST_F(Worker, UnattendedFailureBoxClosesItselfAndTheTransferEnds) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  settings.ProxyPort = static_cast<uint16_t>(ClosedPort());
  WSACleanup();
  const unsigned delay = AutoCloseDelay();
  g_automaticMode = 1;
  SetAutoCloseDelay(200);
  PauseBoxAnswers(true);
  TransferOutcome out = Run(Target("unattended.txt"), "/daily.phtml", 1);
  g_automaticMode = 0;
  SetAutoCloseDelay(delay);
  EXPECT_EQ(out.doneCount, 1) << "the Socket error box waited for a person";
  EXPECT_EQ(out.result, kTransferFailed);
}

TEST_F(Worker, PeerThatNeverAcceptsTimesOutWhileConnecting) {
  // A listener whose queue is full drops further connection requests unanswered.
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = inet_addr("127.0.0.1");
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  int size = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size);
  std::vector<SOCKET> fillers;
  for (int i = 0; i < 4; ++i) {
    SOCKET f = socket(AF_INET, SOCK_STREAM, 0);
    u_long nonBlocking = 1;
    ioctlsocket(f, FIONBIO, &nonBlocking);
    connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers.push_back(f);
  }
  Sleep(200);
  settings.ProxyPort = ntohs(a.sin_port);
  SetWaitLimitForTests(1000);
  TransferOutcome out = Run(Target("never.txt"), "/daily.phtml", 1);
  for (SOCKET f : fillers) closesocket(f);
  closesocket(listener);
  WSACleanup();
  EXPECT_EQ(out.result, kTransferFailed);
  ASSERT_EQ(out.boxes.size(), 1u) << out.BoxSummary();
  EXPECT_EQ(out.boxes[0].caption, "Socket error");
  EXPECT_EQ(out.boxes[0].text, "Connection to remote host timed out");
  EXPECT_GE(out.elapsedMs, 900u);
}

TEST_F(Worker, TransfersStartedFromTheCompletionMessagePostExactlyOneEach) {
  const int kCount = 6;
  for (int i = 0; i < kCount; ++i) Serve("/c" + std::to_string(i), Pattern(700 + i * 1000));
  int started = 1;
  std::vector<LPARAM> kinds;
  std::vector<int> results;
  onDone = [&](int result, LPARAM kind) {
    results.push_back(result);
    kinds.push_back(kind);
    if (started < kCount) {
      int i = started++;
      EXPECT_EQ(Start(Target("c" + std::to_string(i)), "/c" + std::to_string(i), 100 + i), kStartRunning);
    }
  };
  TransferOutcome first = Run(Target("c0"), "/c0", 100);
  TransferOutcome all = Wait(kCount, 30000);
  onDone = nullptr;
  EXPECT_EQ(first.result, kTransferReceived) << first.BoxSummary();
  EXPECT_EQ(all.doneCount, kCount);
  ASSERT_EQ(kinds.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(kinds[i], 100 + i);
    EXPECT_EQ(results[i], kTransferReceived) << i << all.BoxSummary();
    EXPECT_TRUE(SameBytes(ReadFileBytes(Target("c" + std::to_string(i))), Pattern(700 + i * 1000))) << i;
  }
  EXPECT_TRUE(all.boxes.empty()) << all.BoxSummary();
}

TEST_F(Worker, AbortDuringAStalledBodyEndsWithinHalfASecondAndLeavesNoFile) {
  Serve("/a.lzh", Pattern(20000));
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/a.lzh": {"stall_body_after": 3000}}})");
  std::string target = Target("a.lzh");
  BeginRecording();
  ASSERT_EQ(Start(target, "/a.lzh", 3), kStartRunning);
  TransferOutcome started = Wait(0);  // runs the message loop for 300 ms
  ASSERT_EQ(started.doneCount, 0) << started.BoxSummary();
  EXPECT_GT(started.Steps(), 0);
  const DWORD asked = GetTickCount();
  RequestTransferAbort();
  TransferOutcome out = Wait(1, 10000);
  const DWORD took = GetTickCount() - asked;
  EXPECT_EQ(out.doneCount, 1);
  EXPECT_EQ(out.result, kTransferAborted);
  EXPECT_TRUE(out.boxes.empty()) << out.BoxSummary();
  EXPECT_FALSE(FileExists(target));
  EXPECT_LT(took, 1000u) << "the abort must not wait for the next byte";
  EXPECT_EQ(out.progress.back().message, static_cast<UINT>(PBM_SETPOS));

  // Pressed after the end, it has no effect on the next transfer.
  RequestTransferAbort();
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}})");
  TransferOutcome next = Run(target, "/a.lzh", 3);
  EXPECT_EQ(next.result, kTransferReceived) << next.BoxSummary();
  EXPECT_TRUE(SameBytes(ReadFileBytes(target), Pattern(20000)));
}

TEST_F(Worker, AbortBeforeTheBodyEndsTheTransferAtOnce) {
  Serve("/h.lzh", Pattern(4000));
  // The header stalls for an hour; only the abort can end the transfer within the wait below.
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}, "paths": {"/h.lzh": {"stall_header_after": 10}}})");
  std::string target = Target("h.lzh");
  BeginRecording();
  ASSERT_EQ(Start(target, "/h.lzh", 3), kStartRunning);
  ASSERT_EQ(Wait(0).doneCount, 0);
  RequestTransferAbort();
  TransferOutcome out = Wait(1, 10000);
  EXPECT_EQ(out.doneCount, 1);
  EXPECT_EQ(out.result, kTransferAborted);
  EXPECT_EQ(out.Steps(), 0);
  EXPECT_TRUE(out.boxes.empty()) << out.BoxSummary();
  EXPECT_FALSE(FileExists(target));
}

TEST_F(Worker, RealProgressBarStandsAtZeroAfterATransfer) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  ASSERT_TRUE(InitCommonControlsEx(&controls));
  HWND bar = CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 10, dialog, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(bar, nullptr);
  progressBar = bar;
  Serve("/bar.bin", Pattern(9000));
  TransferOutcome out = Run(Target("bar.bin"), "/bar.bin");
  EXPECT_EQ(out.result, kTransferReceived) << out.BoxSummary();
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 10000);
}

}  // namespace
