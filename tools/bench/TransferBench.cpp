// Fetches bodies through StartTransfer as the session dialog does (a window that receives
// WM_TRANSFERDONE, a real progress bar, each next transfer started from the completion message)
// and prints how long it took. Driven by transfer-bench.sh, which starts the stand-in server.
//
//   transfer_bench PORT TARGETDIR PATH COUNT      fetches PATH (with %d replaced by 0..COUNT-1)
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/TransferWorker.h"
#include "settings/SettingsStore.h"

namespace {

// The transfer's settings come from memory: the stand-in server as the proxy.
class BenchRegistry : public SettingsRegistry {
 public:
  DownloadSettings record;
  bool Query(const char* name, void* buffer, DWORD size, DWORD* actual) override {
    if (std::strcmp(name, "DownloadSettings") != 0 || size < sizeof record) return false;
    std::memcpy(buffer, &record, sizeof record);
    *actual = sizeof record;
    return true;
  }
  bool Set(const char*, const void*, DWORD) override { return true; }
};

BenchRegistry g_registry;
HWND g_dialog = nullptr;
HWND g_bar = nullptr;
std::string g_pathPattern;
std::string g_targetDir;
int g_count = 0;
int g_next = 0;
int g_failures = 0;
bool g_done = false;

std::string Numbered(const std::string& pattern, int i) {
  std::string s = pattern;
  size_t at = s.find("%d");
  if (at != std::string::npos) s.replace(at, 2, std::to_string(i));
  return s;
}

bool StartNext() {
  std::string serverPath = Numbered(g_pathPattern, g_next);
  std::string target = g_targetDir + "\\bench" + std::to_string(g_next % 8) + ".bin";
  ++g_next;
  int code = StartTransfer(g_dialog, g_bar, target.c_str(), serverPath.c_str(), 3);
  if (code != kStartRunning) {
    std::fprintf(stderr, "StartTransfer gave %d\n", code);
    return false;
  }
  return true;
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TRANSFERDONE) {
    if (static_cast<int>(wParam) != kTransferReceived) ++g_failures;
    if (g_next < g_count && StartNext()) return 0;
    g_done = true;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: transfer_bench PORT TARGETDIR PATH COUNT\n");
    return 2;
  }
  DefaultDownloadSettings(&g_registry.record);
  std::strcpy(g_registry.record.Username, "bench");
  g_registry.record.UseProxy = 1;
  std::strcpy(g_registry.record.ProxyHost, "127.0.0.1");
  g_registry.record.ProxyPort = static_cast<uint16_t>(std::atoi(argv[1]));
  SetSettingsRegistry(&g_registry);
  g_targetDir = argv[2];
  g_pathPattern = argv[3];
  g_count = std::atoi(argv[4]);

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TkvnBenchDialog";
  RegisterClassA(&wc);
  g_dialog = CreateWindowA(wc.lpszClassName, "bench", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
  g_bar = CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, g_dialog, nullptr, wc.hInstance, nullptr);

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!StartNext()) return 1;
  MSG msg;
  while (!g_done && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  QueryPerformanceCounter(&end);
  double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("%d transfers of %s: %.3f s inside the program, %d failed\n", g_count, g_pathPattern.c_str(),
              seconds, g_failures);
  std::fflush(stdout);
  return g_failures == 0 ? 0 : 1;
}
