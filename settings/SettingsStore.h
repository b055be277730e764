// The settings store: the key HKEY_CURRENT_USER\Software\Tickvane\TkvnDn with its binary
// values. Nothing is cached: every caller loads the value it needs at the moment it needs it.
//
// Loads are self-healing: a value that is missing or of another size is replaced by its default,
// the default is written back at once and handed to the caller. Every operation returns 1 for
// success and 0 for failure; a failed write shows its message box, owned by `owner`.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/DownloadSettings.h"

extern const char kSettingsKey[];  // "Software\Tickvane\TkvnDn"

int LoadDownloadSettings(HWND owner, DownloadSettings* record);
int SaveDownloadSettings(HWND owner, const DownloadSettings* record);
int LoadDownloadInfo(HWND owner, int32_t* date);
int SaveDownloadInfo(HWND owner, const int32_t* date);
// The latest Saturday whose weekly archives a session fetched and extracted (0: none), so that an
// unattended run whose DownloadInfo is held back does not fetch that week again.
int LoadDownloadWeekly(HWND owner, int32_t* date);
int SaveDownloadWeekly(HWND owner, const int32_t* date);
int LoadDownloadAscii(HWND owner, int32_t* flag);
int SaveDownloadAscii(HWND owner, const int32_t* flag);
int LoadDownloadClean(HWND owner, int32_t* flag);
int SaveDownloadClean(HWND owner, const int32_t* flag);

// The few registry calls the store makes, so that tests can refuse writes or present odd values.
// The default forwards to ADVAPI32 on the settings key.
class SettingsRegistry {
 public:
  virtual ~SettingsRegistry() = default;
  // Copies the named value into `buffer` (capacity `size`). False when the key or the value is
  // absent or the value is larger than the buffer; otherwise true with the stored size in *actual.
  virtual bool Query(const char* name, void* buffer, DWORD size, DWORD* actual) = 0;
  // Stores `size` bytes as REG_BINARY, creating the key when it cannot be opened.
  virtual bool Set(const char* name, const void* data, DWORD size) = 0;
};

// Replaces the registry the store uses; nullptr restores the real one. For tests.
void SetSettingsRegistry(SettingsRegistry* registry);
