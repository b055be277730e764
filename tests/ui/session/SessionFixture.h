// The session dialog opened in the test process from its real template, with the registry faked,
// a scratch data directory and a fake transport in place of the transfer worker: the test sees
// every transfer the session starts and ends each one itself with a WM_TRANSFERDONE, as the worker
// would, after writing the target file when it "arrives".
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/ProgramState.h"
#include "app/SessionDialog.h"
#include "app/SessionDialogRes.h"
#include "app/SessionTransfer.h"
#include "net/TransferDone.h"
#include "tests/unit/catalogue/FakeRegistry.h"
#include "tests/unit/catalogue/TempDir.h"
#include "tools/uidriver/UiDriver.h"

struct StartedTransfer {
  std::string target;
  std::string serverPath;
  int kind;
};

class FakeTransport final : public SessionTransport {
 public:
  FakeTransport() { SetSessionTransport(this); }
  ~FakeTransport() override { SetSessionTransport(nullptr); }

  int Start(HWND, HWND, const char* target, const char* serverPath, int32_t kind) override {
    if (throwNext.exchange(false)) throw std::bad_alloc();
    std::lock_guard<std::mutex> lock(mutex_);
    int code = refuseWith;
    refuseWith = 7;
    if (code == 7) started_.push_back({target, serverPath, kind});
    return code;
  }
  void Abort() override { ++aborts; }

  std::vector<StartedTransfer> Started() {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
  }
  // Waits until the session has started `count` transfers in all; the last of them.
  StartedTransfer WaitStarted(size_t count) {
    for (int waited = 0; waited < 15000; waited += 10) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (started_.size() >= count) return started_[count - 1];
      }
      Sleep(10);
    }
    throw ui::Timeout("transfer " + std::to_string(count) + " was not started");
  }

  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    started_.clear();
    aborts = 0;
  }

  std::atomic<int> refuseWith{7};  // the code the next Start returns; 7 = it runs
  std::atomic<int> aborts{0};
  std::atomic<bool> throwNext{false};  // the next Start runs out of memory

 private:
  std::mutex mutex_;
  std::vector<StartedTransfer> started_;
};

// A small archive that extracts (one member, small.csv), from the test data of the source tree.
inline std::string GoodArchive() {
  const char* root = std::getenv("TKVN_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : "../..") + "/tests/data/lha/l0_lh4.lzh", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) throw ui::Timeout("tests/data/lha/l0_lh4.lzh not found: set TKVN_SOURCE_DIR");
  return bytes;
}

class SessionTest : public ::testing::Test {
 protected:
  static constexpr const char* kCaption = "Tickvane Download Service";

  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    g_instance = GetModuleHandleA(nullptr);
    g_automaticMode = g_amiBrokerMode = g_pivotraxMode = 0;
    PutSettings("demo");
    registry.PutInt("DownloadInfo", 20241129);
    registry.PutInt("DownloadAscii", 0);
    registry.PutInt("DownloadClean", 0);
    dir.Write("files.ini", "/tkvn/dn/data/,D,Daily DN File,dn\r\n");
    dir.Write("files.use", "/tkvn/dn/data/,D,Daily DN File,dn\n");
    owner = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW, 200, 150, 700, 500, nullptr, nullptr,
                            nullptr, nullptr);
  }
  void TearDown() override {
    g_automaticMode = g_amiBrokerMode = g_pivotraxMode = 0;
    DestroyWindow(owner);
  }

  void PutSettings(const char* user, const std::string& dataDirectory = "") {
    DownloadSettings record;
    DefaultDownloadSettings(&record);
    const std::string path = dataDirectory.empty() ? dir.Path() : dataDirectory;
    std::memset(record.DataDirectory, 0, sizeof record.DataDirectory);
    std::memcpy(record.DataDirectory, path.data(), path.size());
    std::snprintf(record.Username, sizeof record.Username, "%s", user);
    record.DownloadTime = 0;
    registry.PutSettings(record);
  }

  // Runs the session dialog while `driver` works it from a second thread; the dialog's result.
  INT_PTR Run(const std::function<void(HWND)>& driver) {
    INT_PTR result = -7;
    ui::DriveModal([&] { result = DialogBoxParamA(g_instance, "DailyDnl", owner, SessionDialogProc, 0); },
                   [&] { driver(ui::WaitForWindow(kCaption)); });
    return result;
  }

  // Ends the last started transfer with `result`; a received one writes `body` to its target, by
  // default an archive that extracts.
  void Finish(HWND dialog, const StartedTransfer& t, int result, std::string body = "") {
    if (body.empty()) body = GoodArchive();
    if (result == 1) {
      std::FILE* f = std::fopen(t.target.c_str(), "wb");
      ASSERT_NE(nullptr, f) << t.target;
      std::fwrite(body.data(), 1, body.size(), f);
      std::fclose(f);
    }
    PostMessageA(dialog, WM_TRANSFERDONE, static_cast<WPARAM>(result), t.kind);
  }

  // Presses Download and confirms the dates dialog with the given range.
  void PressDownload(HWND dialog, const std::string& start = "02/12/2024", const std::string& end = "06/12/2024") {
    ui::Click(dialog, IDC_SESSION_DOWNLOAD);
    HWND dates = ui::WaitForWindow("Download Dates");
    ui::SetItemText(dates, 126, start);
    ui::SetItemText(dates, 127, end);
    ui::Click(dates, IDOK);
  }

  std::string Path(const std::string& name) const { return dir.Path() + "\\" + name; }

  FakeRegistry registry;
  TempDir dir;
  FakeTransport transport;
  HWND owner = nullptr;
};

// Polls until `probe` is true (the dialog works on its own thread); false after the time-out.
inline bool Eventually(const std::function<bool()>& probe, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    if (probe()) return true;
    Sleep(10);
  }
  return probe();
}
