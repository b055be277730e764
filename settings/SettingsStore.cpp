#include "settings/SettingsStore.h"

#include <cstring>

#include "platform/AutoCloseBox.h"
#include "platform/UniqueHandle.h"

const char kSettingsKey[] = "Software\\Tickvane\\TkvnDn";

namespace {

class Win32SettingsRegistry final : public SettingsRegistry {
 public:
  bool Query(const char* name, void* buffer, DWORD size, DWORD* actual) override {
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS)
      return false;
    DWORD type = 0;
    DWORD got = size;
    // The type that comes back is not examined: only the size decides.
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, static_cast<BYTE*>(buffer), &got) != ERROR_SUCCESS)
      return false;
    *actual = got;
    return true;
  }

  bool Set(const char* name, const void* data, DWORD size) override {
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS) {
      DWORD disposition = 0;
      if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          key.Receive(), &disposition) != ERROR_SUCCESS)
        return false;
    }
    return RegSetValueExA(key.Get(), name, 0, REG_BINARY, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
  }
};

Win32SettingsRegistry g_win32Registry;
SettingsRegistry* g_registry = &g_win32Registry;

int SaveValue(HWND owner, const char* name, const void* data, DWORD size, const char* message) {
  if (g_registry->Set(name, data, size)) return 1;
  ShowBox(owner, message, "Error", MB_OK);
  return 0;
}

// Reads exactly `size` bytes; anything else counts as missing.
bool ReadValue(const char* name, void* buffer, DWORD size) {
  DWORD actual = 0;
  return g_registry->Query(name, buffer, size, &actual) && actual == size;
}

int LoadInt(HWND owner, const char* name, int32_t* value, const char* message) {
  if (ReadValue(name, value, sizeof *value)) return 1;
  *value = 0;
  return SaveValue(owner, name, value, sizeof *value, message);
}

const char kMessagePds[] = "Error attempting to create registry key(pds)";
const char kMessagePdi[] = "Error attempting to create registry key(pdi)";
const char kMessagePda[] = "Error attempting to create registry key(pda)";
const char kMessagePdc[] = "Error attempting to create registry key(pdc)";
const char kMessagePdw[] = "Error attempting to create registry key(pdw)";

}  // namespace

void SetSettingsRegistry(SettingsRegistry* registry) {
  g_registry = registry ? registry : &g_win32Registry;
}

int LoadDownloadSettings(HWND owner, DownloadSettings* record) {
  if (ReadValue("DownloadSettings", record, sizeof *record)) return 1;
  DefaultDownloadSettings(record);
  return SaveDownloadSettings(owner, record);
}

int SaveDownloadSettings(HWND owner, const DownloadSettings* record) {
  return SaveValue(owner, "DownloadSettings", record, sizeof *record, kMessagePds);
}

int LoadDownloadInfo(HWND owner, int32_t* date) { return LoadInt(owner, "DownloadInfo", date, kMessagePdi); }
int SaveDownloadInfo(HWND owner, const int32_t* date) {
  return SaveValue(owner, "DownloadInfo", date, sizeof *date, kMessagePdi);
}
int LoadDownloadWeekly(HWND owner, int32_t* date) { return LoadInt(owner, "DownloadWeekly", date, kMessagePdw); }
int SaveDownloadWeekly(HWND owner, const int32_t* date) {
  return SaveValue(owner, "DownloadWeekly", date, sizeof *date, kMessagePdw);
}
int LoadDownloadAscii(HWND owner, int32_t* flag) { return LoadInt(owner, "DownloadAscii", flag, kMessagePda); }
int SaveDownloadAscii(HWND owner, const int32_t* flag) {
  return SaveValue(owner, "DownloadAscii", flag, sizeof *flag, kMessagePda);
}
int LoadDownloadClean(HWND owner, int32_t* flag) { return LoadInt(owner, "DownloadClean", flag, kMessagePdc); }
int SaveDownloadClean(HWND owner, const int32_t* flag) {
  return SaveValue(owner, "DownloadClean", flag, sizeof *flag, kMessagePdc);
}
