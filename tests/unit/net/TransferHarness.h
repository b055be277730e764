// Runs transfers under Wine the way the session dialog does: a window that receives
// WM_TRANSFERDONE, a progress bar window that records what it is sent, a thread that reads and
// answers the message boxes, and the stand-in server that run_with_server.py started.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/DownloadSettings.h"
#include "tools/uidriver/UiDriver.h"

struct ProgressMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct TransferOutcome {
  int result = -100;       // wParam of the first WM_TRANSFERDONE, as int
  LPARAM kind = 0;         // its lParam
  int doneCount = 0;       // how many WM_TRANSFERDONE arrived (exactly one is right)
  DWORD elapsedMs = 0;     // from StartTransfer to the completion message
  std::vector<ui::MessageBoxText> boxes;  // every message box shown, in order
  std::vector<ProgressMessage> progress;  // every PBM_ message the progress bar received

  int Steps() const;
  std::string BoxSummary() const;  // "caption: text" lines, for failure messages
};

class TransferTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  static int Port();
  // Windows form of a path inside the server's folder ("root/x", "scratch/y").
  static std::string ServerPath(const std::string& relative);

  void SetFaults(const std::string& json);
  // Puts a file into the served data tree at this URL path.
  void Serve(const std::string& urlPath, const std::string& bytes);
  std::string Requests();  // every raw request since the test began
  static std::string Target(const std::string& name);  // a scratch target path

  // The record StartTransfer loads: the account "jsmith"/"pw", through the stand-in as the proxy.
  DownloadSettings settings;
  bool refuseSettingsWrites = false;
  bool settingsStored = true;

  // Starts one transfer and runs the message loop until its WM_TRANSFERDONE, then a little
  // longer so that a second one would be seen. `onProgress` runs on this thread for each PBM_
  // message; `onDone` for each completion (it may start the next transfer).
  TransferOutcome Run(const std::string& target, const std::string& serverPath, int32_t kind = 3,
                      const std::function<void(const ProgressMessage&)>& onProgress = {});
  // While paused, message boxes wait for nobody, as in an unattended run.
  static void PauseBoxAnswers(bool paused);
  // Forgets the boxes, progress and completions recorded so far (Run does this itself).
  void BeginRecording();
  // StartTransfer's code without waiting; a started transfer's outcome then comes from Wait.
  int Start(const std::string& target, const std::string& serverPath, int32_t kind);
  TransferOutcome Wait(int expectedDone, DWORD timeoutMs = 30000);

  std::function<void(const ProgressMessage&)> onProgress;
  std::function<void(int result, LPARAM kind)> onDone;
  HWND dialog = nullptr;
  HWND progressBar = nullptr;
};

std::string ReadFileBytes(const std::string& path);  // empty when absent
bool FileExists(const std::string& path);
std::vector<std::string> DirectoryNames(const std::string& directory);  // without "." and ".."
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string Pattern(size_t size);  // deterministic bytes that show any loss or shift
// Compares file contents without printing kilobytes of binary on a mismatch.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected);
std::string CurrentVolumeSerial();  // unsigned decimal, read from the system here
