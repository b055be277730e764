#include "app/MainWindow.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/MainWindowRes.h"
#include "app/ProgramState.h"
#include "app/SessionDialog.h"
#include "settings/DataDirectoryCheck.h"
#include "settings/SettingsStore.h"

const char kMainClassName[] = "tkvndn";

ATOM RegisterMainClass(HINSTANCE instance) {
  if (HWND running = FindWindowA(kMainClassName, nullptr)) {
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
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
  return RegisterClassA(&wc);
}

void ReadSwitches(const char* commandLine) {
  g_automaticMode = std::strstr(commandLine, "/a") != nullptr;
  g_amiBrokerMode = std::strstr(commandLine, "/xami") != nullptr;
  g_pivotraxMode = std::strstr(commandLine, "/zpvtrx") != nullptr;
}

void CreateMainWindow(HINSTANCE instance) {
  g_instance = instance;
  HWND window = CreateWindowExA(0, kMainClassName, "Tickvane Download Service", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, instance, nullptr);
  if (!window) return;
  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);

  DownloadSettings settings;
  LoadDownloadSettings(window, &settings);
  if (!CheckDataDirectory(window, std::string(FieldText(settings.DataDirectory)).c_str())) return;

  if (DialogBoxParamA(instance, "DailyDnl", window, SessionDialogProc, 0) == -1)
    MessageBoxA(window, "Unable to create DailyDnl dialog box", "Fatal Error", MB_OK);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      InitCommonControls();
      if (kDebugBuild == 1)
        MessageBoxA(window, "Special Debug Version (1)", "Information", MB_OK | MB_ICONINFORMATION);
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
