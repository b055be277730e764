// A transfer whose process is killed in the middle of the body: the old file stays whole and the
// temporary left behind is removed by the next session's clean-up. The test program plays the
// killed process itself when started with kChildSwitch, which is also why it has its own main.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "net/TransferWorker.h"
#include "platform/ReplacementFile.h"
#include "settings/SettingsStore.h"
#include "tests/unit/net/TransferHarness.h"

namespace {

constexpr char kChildSwitch[] = "--transfer-child";

// The record the child's transfer loads: the test account through the stand-in server as proxy.
class ChildRegistry : public SettingsRegistry {
 public:
  bool Query(const char* name, void* buffer, DWORD size, DWORD* actual) override {
    if (std::strcmp(name, "DownloadSettings") != 0 || size < sizeof(DownloadSettings)) return false;
    DownloadSettings s;
    DefaultDownloadSettings(&s);
    std::strcpy(s.Username, "jsmith");
    std::strcpy(s.Password, "pw");
    s.UseProxy = 1;
    std::strcpy(s.ProxyHost, "127.0.0.1");
    s.ProxyPort = static_cast<uint16_t>(std::atoi(std::getenv("TKVN_TEST_SERVER_PORT")));
    std::memcpy(buffer, &s, sizeof s);
    *actual = sizeof s;
    return true;
  }
  bool Set(const char*, const void*, DWORD) override { return true; }
};

// Starts one transfer and dispatches messages until the parent kills this process.
int RunChildTransfer(const char* target, const char* serverPath) {
  static ChildRegistry registry;
  SetSettingsRegistry(&registry);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "TkvnKilledTransferWindow";
  RegisterClassA(&windowClass);
  HWND dialog = CreateWindowA(windowClass.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
  HWND bar = CreateWindowA(windowClass.lpszClassName, "", WS_CHILD, 0, 0, 10, 10, dialog, nullptr,
                           windowClass.hInstance, nullptr);
  if (StartTransfer(dialog, bar, target, serverPath, 3) != kStartRunning) return 2;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

// The size of the one temporary in `directory`, -1 while there is none. Asked of the open file:
// the size in a directory entry lags behind a file that is being written (NTFS).
long long TemporarySize(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((directory + "\\" + kTemporaryPattern).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return -1;
  FindClose(find);
  // No access asked for, so the writer's sharing mode does not stand in the way.
  HANDLE file = CreateFileA((directory + "\\" + found.cFileName).c_str(), 0,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  LARGE_INTEGER size;
  const BOOL known = GetFileSizeEx(file, &size);
  CloseHandle(file);
  return known ? size.QuadPart : -1;
}

using KilledTransfer = TransferTest;

TEST_F(KilledTransfer, OldFileStaysWholeAndTheLeftoverIsRemovedLater) {
  Serve("/tkvn/dn/26-12-09.lzh", Pattern(20000));
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"},
                "paths": {"/tkvn/dn/26-12-09.lzh": {"stall_body_after": 3000}}})");
  const std::string directory = Target("killed");
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
  const std::string target = directory + "\\26-12-09.lzh";
  const std::string old = "the archive as the last good session left it";
  WriteFileBytes(target, old);

  char exe[MAX_PATH];
  ASSERT_NE(GetModuleFileNameA(nullptr, exe, sizeof exe), 0u);
  std::string commandLine = std::string("\"") + exe + "\" " + kChildSwitch + " \"" + target + "\" /tkvn/dn/26-12-09.lzh";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
  // Killed once the stalled body's first 3000 bytes are in the temporary.
  for (int i = 0; i < 400 && TemporarySize(directory) < 3000; ++i) Sleep(50);
  const long long written = TemporarySize(directory);
  TerminateProcess(child.hProcess, 9);
  WaitForSingleObject(child.hProcess, 10000);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);

  EXPECT_EQ(written, 3000);
  EXPECT_EQ(ReadFileBytes(target), old);
  EXPECT_EQ(DirectoryNames(directory).size(), 2u);  // the old file and the killed run's temporary
  // Beside it, another leftover in other letters, and users' files that only look like ones.
  WriteFileBytes(directory + "\\~TK1a.TMP", "leftover");
  const std::vector<std::string> lookAlikes = {"~tk.tmp", "~tk12.tmp.keep", "~tkABCDE.tmp", "~tkG1.tmp",
                                               "~tkdata.tmpl"};  // sorted
  for (const std::string& name : lookAlikes) WriteFileBytes(directory + "\\" + name, "the user's");
  RemoveLeftoverTemporaries(directory);
  std::vector<std::string> names = DirectoryNames(directory);
  std::sort(names.begin(), names.end());
  std::vector<std::string> kept = lookAlikes;
  kept.insert(kept.begin(), "26-12-09.lzh");
  EXPECT_EQ(names, kept);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], kChildSwitch) == 0) return RunChildTransfer(argv[2], argv[3]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
