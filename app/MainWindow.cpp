#include "app/MainWindow.h"

#include <commctrl.h>

#include <cstring>

#include "platform/AutoCloseBox.h"
#include "platform/CallbackGuard.h"
#include "app/ExitCodes.h"
#include "app/MainWindowRes.h"
#include "platform/ProgramState.h"
#include "app/SessionDialog.h"
#include "settings/DataDirectoryCheck.h"
#include "settings/SettingsDialog.h"
#include "settings/SettingsStore.h"

const char kMainClassName[] = "tkvndn";

namespace {

struct WindowSearch {
  DWORD process;
  HWND enabled = nullptr;
  HWND visible = nullptr;
};

BOOL CALLBACK NoteVisibleWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search->process || !IsWindowVisible(window)) return TRUE;
  if (!search->visible) search->visible = window;
  if (!IsWindowEnabled(window)) return TRUE;
  search->enabled = window;
  return FALSE;
}

}  // namespace

HWND VisibleWindowOf(HWND mainWindow) {
  WindowSearch search{};
  GetWindowThreadProcessId(mainWindow, &search.process);
  // Top-level windows come in z-order, so the first enabled one is the box or dialog that a
  // modal chain leaves usable; the transfer worker's boxes belong to another thread, which is
  // why the whole process is searched.
  EnumWindows(NoteVisibleWindow, reinterpret_cast<LPARAM>(&search));
  if (search.enabled) return search.enabled;
  return search.visible ? search.visible : mainWindow;
}

ATOM RegisterMainClass(HINSTANCE instance) {
  if (HWND running = FindWindowA(kMainClassName, nullptr)) {
    // The main window stays hidden: the person who started us again is to see what the running
    // instance shows. A second automatic start has done nothing, which its exit code says.
    HWND shown = VisibleWindowOf(running);
    if (IsIconic(shown)) ShowWindow(shown, SW_RESTORE);
    SetForegroundWindow(shown);
    SetRunOutcome(kExitAlreadyRunning);
    return 0;
  }
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "TKVNICO");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszMenuName = "Menu";
  wc.lpszClassName = kMainClassName;
  ATOM atom = RegisterClassA(&wc);
  if (!atom) SetRunOutcome(kExitStartFailed);
  return atom;
}

void ReadSwitches(const char* commandLine) {
  g_automaticMode = std::strstr(commandLine, "/a") != nullptr;
  g_amiBrokerMode = std::strstr(commandLine, "/xami") != nullptr;
  g_pivotraxMode = std::strstr(commandLine, "/zpvtrx") != nullptr;
  // Nobody may be at the screen: the system is not to stop the run with a box of its own ("There
  // is no disk in the drive", a crash report). Child processes inherit this.
  if (g_automaticMode) SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

void CreateMainWindow(HINSTANCE instance) {
  g_instance = instance;
  HWND window = CreateWindowExA(0, kMainClassName, "Tickvane Download Service", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, instance, nullptr);
  if (!window) {
    SetRunOutcome(kExitStartFailed);
    return;
  }
  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);

  // A user whose data directory has gone (a drive letter changed, say) chooses another one in
  // the settings dialog; Cancel there ends the program. Nobody can in automatic mode.
  DownloadSettings settings;
  LoadDownloadSettings(window, &settings);
  while (!CheckDataDirectory(window, FieldText(settings.DataDirectory))) {
    if (g_automaticMode || RunSettingsDialog(window) != 1) {
      SetRunOutcome(kExitDataDirectoryUnusable);
      return;
    }
    LoadDownloadSettings(window, &settings);
  }

  // The session dialog is the run itself and ends by its own steps: it gets no automatic answer.
  if (DialogBoxParamA(instance, "DailyDnl", window, SessionDialogProc, 0) == -1) {
    SetRunOutcome(kExitStartFailed);
    ShowBox(window, "Unable to create DailyDnl dialog box", "Fatal Error", MB_OK);
  }
}

namespace {

LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      InitCommonControls();
      if (kDebugBuild == 1)
        ShowBox(window, "Special Debug Version (1)", "Information", MB_OK | MB_ICONINFORMATION);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_EXIT) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A fault while the window is created fails the creation, which ends the program.
  return Guarded(window, [&] { return Dispatch(window, message, wParam, lParam); },
                 [&] { return LRESULT{message == WM_CREATE ? -1 : 0}; });
}
