#include "tests/unit/net/TransferHarness.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "net/TransferSeams.h"
#include "net/TransferWorker.h"
#include "settings/SettingsStore.h"

namespace {

std::mutex g_boxLock;
std::vector<ui::MessageBoxText> g_boxes;
std::atomic<bool> g_answering{false};
std::atomic<bool> g_answersPaused{false};

// Answers every message box of this process with OK, recording what it said.
void AnswerBoxes() {
  while (g_answering) {
    if (g_answersPaused) {
      Sleep(20);
      continue;
    }
    try {
      ui::MessageBoxText box = ui::AnswerMessageBox(IDOK, 200);
      std::lock_guard<std::mutex> lock(g_boxLock);
      g_boxes.push_back(box);
    } catch (const ui::Timeout&) {
    } catch (const std::exception& e) {
      std::fprintf(stderr, "message box answerer: %s\n", e.what());
      Sleep(50);
    }
  }
}

std::vector<ProgressMessage> g_progress;
std::function<void(const ProgressMessage&)>* g_onProgress = nullptr;
std::function<void(int, LPARAM)>* g_onDone = nullptr;
int g_doneCount = 0;
int g_firstResult = -100;
LPARAM g_firstKind = 0;
DWORD g_doneTick = 0;

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TRANSFERDONE) {
    if (g_doneCount++ == 0) {
      g_firstResult = static_cast<int>(wParam);
      g_firstKind = lParam;
      g_doneTick = GetTickCount();
    }
    if (g_onDone != nullptr && *g_onDone) (*g_onDone)(static_cast<int>(wParam), lParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= PBM_SETRANGE && message <= PBM_SETRANGE32) {
    ProgressMessage m{message, wParam, lParam};
    g_progress.push_back(m);
    if (g_onProgress != nullptr && *g_onProgress) (*g_onProgress)(m);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The settings store reads the test's record from memory, never the Wine registry, so that
// tests running at the same time cannot disturb each other.
class MemoryRegistry : public SettingsRegistry {
 public:
  DownloadSettings* record = nullptr;
  bool* refuseWrites = nullptr;
  bool* stored = nullptr;
  bool Query(const char* name, void* buffer, DWORD size, DWORD* actual) override {
    if (std::strcmp(name, "DownloadSettings") != 0 || !*stored || size < sizeof *record) return false;
    std::memcpy(buffer, record, sizeof *record);
    *actual = sizeof *record;
    return true;
  }
  bool Set(const char* name, const void* data, DWORD size) override {
    if (*refuseWrites) return false;
    if (std::strcmp(name, "DownloadSettings") == 0 && size == sizeof *record) {
      std::memcpy(record, data, size);
      *stored = true;
    }
    return true;
  }
};
MemoryRegistry g_registry;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

int TransferOutcome::Steps() const {
  int n = 0;
  for (const ProgressMessage& m : progress) n += m.message == PBM_STEPIT;
  return n;
}

std::string TransferOutcome::BoxSummary() const {
  std::string s;
  for (const ui::MessageBoxText& b : boxes) s += b.caption + ": " + b.text + "\n";
  return s.empty() ? "(no message box)" : s;
}

void TransferTest::SetUpTestSuite() {
  static bool once = false;
  if (once) return;
  once = true;
  ASSERT_NE(Port(), 0) << "run through run_with_server.py, which starts the stand-in server";
  ui::SetTargetProcess(GetCurrentProcessId());
  g_answering = true;
  std::thread(AnswerBoxes).detach();

  WNDCLASSA dialogClass = {};
  dialogClass.lpfnWndProc = DialogProc;
  dialogClass.hInstance = GetModuleHandleA(nullptr);
  dialogClass.lpszClassName = "TkvnTestSessionDialog";
  RegisterClassA(&dialogClass);
  WNDCLASSA progressClass = dialogClass;
  progressClass.lpfnWndProc = ProgressProc;
  progressClass.lpszClassName = "TkvnTestProgressBar";
  RegisterClassA(&progressClass);

  // The volume serial in the request comes from the current directory's drive.
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  SetSettingsRegistry(&g_registry);
}

void TransferTest::SetUp() {
  DefaultDownloadSettings(&settings);
  std::strcpy(settings.Username, "jsmith");
  std::strcpy(settings.Password, "pw");
  settings.UseProxy = 1;
  std::strcpy(settings.ProxyHost, "127.0.0.1");
  settings.ProxyPort = static_cast<uint16_t>(Port());
  g_registry.record = &settings;
  g_registry.refuseWrites = &refuseSettingsWrites;
  g_registry.stored = &settingsStored;
  SetFaults(R"({"auth": {"user": "jsmith", "password": "pw"}})");
  WriteFileBytes(WindowsPath(Env("TKVN_TEST_SERVER_DIR") + "/requests.log"), "");
  dialog = CreateWindowA("TkvnTestSessionDialog", "Tickvane Download Service", WS_OVERLAPPED, 0, 0, 100, 100,
                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  progressBar = CreateWindowA("TkvnTestProgressBar", "", WS_CHILD, 0, 0, 10, 10, dialog, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(progressBar, nullptr);
}

void TransferTest::PauseBoxAnswers(bool paused) {
  g_answersPaused = paused;
  // A search for a box already under way (200 ms at most) must end before the pause counts.
  if (paused) Sleep(400);
}

void TransferTest::TearDown() {
  g_answersPaused = false;
  SetWaitLimitForTests(0);
  SetServerPeerForTests(nullptr, 0);
  SetTargetWriterForTests(nullptr);
  DestroyWindow(dialog);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

int TransferTest::Port() { return std::atoi(Env("TKVN_TEST_SERVER_PORT").c_str()); }

std::string TransferTest::ServerPath(const std::string& relative) {
  return WindowsPath(Env("TKVN_TEST_SERVER_DIR") + "/" + relative);
}

void TransferTest::SetFaults(const std::string& json) {
  // Written beside and renamed over, so the server never reads half a file.
  std::string path = ServerPath("faults.json");
  WriteFileBytes(path + ".new", json);
  ASSERT_TRUE(MoveFileExA((path + ".new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
}

void TransferTest::Serve(const std::string& urlPath, const std::string& bytes) {
  std::string path = ServerPath("root");
  size_t start = 1;
  while (start < urlPath.size()) {
    size_t slash = urlPath.find('/', start);
    if (slash == std::string::npos) break;
    path += "\\" + urlPath.substr(start, slash - start);
    CreateDirectoryA(path.c_str(), nullptr);
    start = slash + 1;
  }
  WriteFileBytes(path + "\\" + urlPath.substr(start), bytes);
}

std::string TransferTest::Requests() { return ReadFileBytes(ServerPath("requests.log")); }

std::string TransferTest::Target(const std::string& name) { return ServerPath("scratch/" + name); }

int TransferTest::Start(const std::string& target, const std::string& serverPath, int32_t kind) {
  return StartTransfer(dialog, progressBar, target.c_str(), serverPath.c_str(), kind);
}

TransferOutcome TransferTest::Wait(int expectedDone, DWORD timeoutMs) {
  TransferOutcome out;
  const DWORD start = GetTickCount();
  DWORD quietUntil = 0;
  for (;;) {
    DWORD now = GetTickCount();
    if (g_doneCount >= expectedDone && quietUntil == 0) quietUntil = now + 300;
    if (quietUntil != 0 && static_cast<LONG>(now - quietUntil) >= 0) break;
    if (now - start > timeoutMs) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  out.result = g_firstResult;
  out.kind = g_firstKind;
  out.doneCount = g_doneCount;
  out.elapsedMs = g_doneCount > 0 ? g_doneTick - start : GetTickCount() - start;
  out.progress = g_progress;
  {
    std::lock_guard<std::mutex> lock(g_boxLock);
    out.boxes = g_boxes;
  }
  return out;
}

void TransferTest::BeginRecording() {
  {
    std::lock_guard<std::mutex> lock(g_boxLock);
    g_boxes.clear();
  }
  g_progress.clear();
  g_doneCount = 0;
  g_firstResult = -100;
  g_firstKind = 0;
}

TransferOutcome TransferTest::Run(const std::string& target, const std::string& serverPath, int32_t kind,
                                  const std::function<void(const ProgressMessage&)>& progressHook) {
  BeginRecording();
  onProgress = progressHook;
  g_onProgress = &onProgress;
  g_onDone = &onDone;
  const DWORD start = GetTickCount();
  int code = Start(target, serverPath, kind);
  EXPECT_EQ(code, kStartRunning);
  TransferOutcome out = code == kStartRunning ? Wait(1) : Wait(0, 300);
  out.elapsedMs = out.doneCount > 0 ? g_doneTick - start : out.elapsedMs;
  g_onProgress = nullptr;
  return out;
}

std::string ReadFileBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string bytes;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(file);
  return bytes;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> DirectoryNames(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD n = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(file);
  ASSERT_EQ(n, bytes.size());
}

std::string CurrentVolumeSerial() {
  DWORD serial = 0;
  EXPECT_TRUE(GetVolumeInformationA(nullptr, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
  return std::to_string(static_cast<unsigned long>(serial));
}

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + i / 509) & 0xFF);
  return s;
}

::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  return ::testing::AssertionFailure() << actual.size() << " bytes instead of " << expected.size()
                                       << ", first difference at offset " << i;
}
