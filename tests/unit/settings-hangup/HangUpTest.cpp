// The modem hang-up against a Remote Access Service that the test plays: no connection, two, a
// line that takes a while to go down and one that never goes. Message boxes are read and answered
// as the user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"
#include "settings/HangUp.h"
#include "tools/uidriver/UiDriver.h"

namespace {

HRASCONN Handle(uintptr_t n) { return reinterpret_cast<HRASCONN>(n); }

// Reports `connections` in enumeration order. A connection stays up until it is hung up; after
// that the status query succeeds `queriesUntilGone` times, or always when it is negative. The
// clock is a counter that only the pauses move, unless `realTime` is set.
class FakePlatform : public HangUpPlatform {
 public:
  std::vector<HRASCONN> connections;
  int queriesUntilGone = 0;
  bool realTime = false;

  std::vector<std::string> calls;
  std::vector<HRASCONN> hungUp;
  std::vector<DWORD> pauses;
  int statusQueries = 0;
  int clockReads = 0;
  DWORD now = 0xFFFFF000u;  // close to the wrap of the tick count

  std::vector<HRASCONN> Connections() override {
    calls.push_back("enumerate");
    return connections;
  }
  void HangUp(HRASCONN connection) override {
    calls.push_back("hang up");
    hungUp.push_back(connection);
  }
  bool StillConnected(HRASCONN connection) override {
    calls.push_back("status");
    ++statusQueries;
    if (std::find(hungUp.begin(), hungUp.end(), connection) == hungUp.end()) return true;
    return queriesUntilGone < 0 || statusQueries <= queriesUntilGone;
  }
  DWORD Milliseconds() override {
    ++clockReads;
    return realTime ? GetTickCount() : now;
  }
  void Pause(DWORD ms) override {
    pauses.push_back(ms);
    if (realTime)
      Sleep(ms);
    else
      now += ms;
  }
};

class HangUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    session_ = CreateWindowExA(0, "STATIC", "session", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    g_sessionWindow = session_;
    SetHangUpPlatform(&fake_);
  }
  void TearDown() override {
    SetHangUpPlatform(nullptr);
    g_sessionWindow = nullptr;
    DestroyWindow(session_);
  }

  // Runs the hang-up while a driver answers every message box that appears, and returns them.
  std::vector<ui::MessageBoxText> HangUpAnsweringBoxes() {
    std::vector<ui::MessageBoxText> boxes;
    std::atomic<bool> done{false};
    ui::DriveModal(
        [&] {
          HangUpModem();
          done = true;
        },
        [&] {
          while (!done) {
            auto shown = ui::MessageBoxes();
            if (!shown.empty()) {
              HWND owner = GetWindow(shown.front().window, GW_OWNER);
              ui::MessageBoxText box = ui::AnswerMessageBox(IDOK, 2000);
              box.window = owner;  // the box itself is gone; its owner is what the test checks
              boxes.push_back(box);
            }
            Sleep(10);
          }
        });
    return boxes;
  }

  FakePlatform fake_;
  HWND session_ = nullptr;
};

TEST_F(HangUpTest, WithoutConnectionOnlyEnumeratesAndSaysNothing) {
  EXPECT_TRUE(HangUpAnsweringBoxes().empty());
  EXPECT_EQ(fake_.calls, std::vector<std::string>({"enumerate"}));
  EXPECT_TRUE(fake_.pauses.empty());
}

TEST_F(HangUpTest, HangsUpOnlyTheFirstOfTwoConnections) {
  fake_.connections = {Handle(0x111), Handle(0x222)};
  fake_.queriesUntilGone = 2;
  EXPECT_TRUE(HangUpAnsweringBoxes().empty());
  EXPECT_EQ(fake_.hungUp, std::vector<HRASCONN>({Handle(0x111)}));
  EXPECT_EQ(fake_.statusQueries, 3);
}

// Nobody at the screen: the time-out notice closes itself and the exit goes on.
TEST_F(HangUpTest, InAutomaticModeTheTimeoutNoticeClosesByItself) {
  fake_.connections = {Handle(0x111)};
  fake_.queriesUntilGone = -1;
  struct Unattended {
    unsigned delay = AutoCloseDelay();
    Unattended() { g_automaticMode = 1, SetAutoCloseDelay(200); }
    ~Unattended() { g_automaticMode = 0, SetAutoCloseDelay(delay); }
  } unattended;
  ui::MessageBoxText seen;
  ui::DriveModal([] { HangUpModem(); },
                 [&] {
                   seen = ui::WaitForMessageBox();
                   ui::WaitForWindowGone(seen.window, 5000);
                 });
  EXPECT_EQ(seen.text, "Timeout hanging up modem.\nYou may need to disconnect your modem manually.");
}

TEST_F(HangUpTest, LineGoneAtTheFirstQueryNeedsNoPauseAndNoFurtherClockRead) {
  fake_.connections = {Handle(0x111)};
  fake_.queriesUntilGone = 0;
  EXPECT_TRUE(HangUpAnsweringBoxes().empty());
  EXPECT_EQ(fake_.calls, std::vector<std::string>({"enumerate", "hang up", "status"}));
  EXPECT_TRUE(fake_.pauses.empty());
  EXPECT_EQ(fake_.clockReads, 1);
}

TEST_F(HangUpTest, SlowLinePausesBetweenQueriesUntilItHasGone) {
  fake_.connections = {Handle(0x111)};
  fake_.queriesUntilGone = 30;  // 1.5 s of pauses, well inside the limit
  EXPECT_TRUE(HangUpAnsweringBoxes().empty());
  EXPECT_EQ(fake_.statusQueries, 31);
  EXPECT_EQ(fake_.pauses, std::vector<DWORD>(30, kHangUpPollMs));
}

TEST_F(HangUpTest, LineThatNeverGoesGivesOneTimeoutAfterFiveSecondsAcrossTheClockWrap) {
  fake_.connections = {Handle(0x111)};
  fake_.queriesUntilGone = -1;
  auto boxes = HangUpAnsweringBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Timeout hanging up modem.\nYou may need to disconnect your modem manually.");
  EXPECT_EQ(boxes[0].window, session_) << "the box belongs to the session window";
  DWORD paused = 0;
  for (DWORD p : fake_.pauses) {
    EXPECT_EQ(p, kHangUpPollMs);
    paused += p;
  }
  EXPECT_GT(paused, kHangUpLimitMs);
  EXPECT_LE(paused, kHangUpLimitMs + kHangUpPollMs);
}

// The one test that waits for real: about five seconds, spent asleep rather than polling.
TEST_F(HangUpTest, RealTimeoutTakesAboutFiveSecondsWithoutBusyPolling) {
  fake_.connections = {Handle(0x111)};
  fake_.queriesUntilGone = -1;
  fake_.realTime = true;
  DWORD start = GetTickCount();
  FILETIME created, exited, kernelStart, userStart, kernelEnd, userEnd;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernelStart, &userStart);
  auto boxes = HangUpAnsweringBoxes();
  DWORD elapsed = GetTickCount() - start;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernelEnd, &userEnd);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_GE(elapsed, kHangUpLimitMs);
  EXPECT_LT(elapsed, kHangUpLimitMs + 2000);
  EXPECT_LE(fake_.statusQueries, static_cast<int>(kHangUpLimitMs / kHangUpPollMs) + 2);
  auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  ULONGLONG busy100ns = ticks(userEnd) - ticks(userStart) + ticks(kernelEnd) - ticks(kernelStart);
  EXPECT_LT(busy100ns / 10000, 1000u) << "processor time spent waiting, in ms";
}

TEST(HangUpWithoutRemoteAccess, ReturnsAtOnceWhenTheSystemReportsNoConnection) {
  // Wine's Remote Access Service reports no connection; the real calls must accept our records.
  SetHangUpPlatform(nullptr);
  DWORD start = GetTickCount();
  HangUpModem();
  EXPECT_LT(GetTickCount() - start, 1000u);
}

}  // namespace
