#include "settings/HangUp.h"

#include <cstddef>
#include <vector>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"

namespace {

// The RASCONNA and RASCONNSTATUSA layouts of Windows 7 and later, which every later version
// accepts. The SDK headers pick an older layout for the Windows versions this program targets.
// Like the system's own, they are packed on 4-byte boundaries: in a 64-bit program the handle
// follows dwSize at offset 4.
#pragma pack(push, 4)
struct RasConnection {
  DWORD dwSize;
  HRASCONN hrasconn;
  CHAR szEntryName[RAS_MaxEntryName + 1];
  CHAR szDeviceType[RAS_MaxDeviceType + 1];
  CHAR szDeviceName[RAS_MaxDeviceName + 1];
  CHAR szPhonebook[MAX_PATH];
  DWORD dwSubEntry;
  GUID guidEntry;
  DWORD dwFlags;
  LUID luid;
  GUID guidCorrelationId;
};
static_assert(offsetof(RasConnection, hrasconn) == 4, "RASCONNA is packed on 4 bytes");
static_assert(sizeof(RasConnection) == (sizeof(void*) == 8 ? 724 : 720), "RASCONNA of Windows 7");

struct RasEndPoint {
  DWORD dwType;
  BYTE address[16];
};

struct RasConnectionStatus {
  DWORD dwSize;
  RASCONNSTATE rasconnstate;
  DWORD dwError;
  CHAR szDeviceType[RAS_MaxDeviceType + 1];
  CHAR szDeviceName[RAS_MaxDeviceName + 1];
  CHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
  RasEndPoint localEndPoint;
  RasEndPoint remoteEndPoint;
  DWORD rasconnsubstate;
};
#pragma pack(pop)
static_assert(sizeof(RasConnectionStatus) == 332, "RASCONNSTATUSA of Windows 7");

class Win32HangUpPlatform final : public HangUpPlatform {
 public:
  std::vector<HRASCONN> Connections() override {
    RasConnection entries[10] = {};
    entries[0].dwSize = sizeof(RasConnection);
    DWORD bytes = sizeof entries;
    DWORD count = 0;
    if (RasEnumConnectionsA(reinterpret_cast<LPRASCONNA>(entries), &bytes, &count) != 0) return {};
    std::vector<HRASCONN> connections;
    for (DWORD i = 0; i < count && i < 10; ++i) connections.push_back(entries[i].hrasconn);
    return connections;
  }

  void HangUp(HRASCONN connection) override { RasHangUpA(connection); }

  bool StillConnected(HRASCONN connection) override {
    RasConnectionStatus status = {};
    status.dwSize = sizeof status;
    return RasGetConnectStatusA(connection, reinterpret_cast<LPRASCONNSTATUSA>(&status)) == 0;
  }

  DWORD Milliseconds() override { return GetTickCount(); }
  void Pause(DWORD ms) override { Sleep(ms); }
};

Win32HangUpPlatform g_win32Platform;
HangUpPlatform* g_platform = &g_win32Platform;

}  // namespace

void SetHangUpPlatform(HangUpPlatform* platform) { g_platform = platform ? platform : &g_win32Platform; }

void HangUpModem() {
  const DWORD start = g_platform->Milliseconds();
  // Only the first connection that the enumeration reports is hung up.
  const std::vector<HRASCONN> connections = g_platform->Connections();
  if (connections.empty() || !connections.front()) return;
  const HRASCONN connection = connections.front();
  // A failing hang-up is not reported by itself: the wait below sees a line that stays up.
  g_platform->HangUp(connection);
  while (g_platform->StillConnected(connection)) {
    // Sleep between the queries so that the wait neither takes a whole processor nor stays for
    // more than a few seconds; unsigned arithmetic survives the tick count's wrap.
    g_platform->Pause(kHangUpPollMs);
    if (g_platform->Milliseconds() - start > kHangUpLimitMs) {
      ShowBox(g_sessionWindow, "Timeout hanging up modem.\nYou may need to disconnect your modem manually.",
              "Error", MB_OK);
      return;
    }
  }
}
