// The settings record stored as the registry value "DownloadSettings": a raw 560-byte image,
// little-endian, with no header or version. Its layout is what users' registries hold, so it must
// never change. Character fields are NUL-terminated inside the field; bytes after the terminator
// carry no meaning but are stored as they stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct DownloadSettings {
  char DataDirectory[260];   // no trailing backslash, at most 259 characters
  int32_t DownloadTime;      // hhmmss from which today's data counts as available
  char Username[20];
  char Password[20];         // stored as typed
  int32_t UseProxy;
  char ProxyHost[200];
  uint16_t ProxyPort;
  uint16_t Padding;          // no meaning; zero in a default record
  int32_t ProxyLogin;
  char ProxyUsername[20];
  char ProxyPassword[20];    // stored as typed
  int32_t HangupOnExit;
};

static_assert(sizeof(DownloadSettings) == 560, "stored record size");
static_assert(offsetof(DownloadSettings, DataDirectory) == 0, "layout");
static_assert(offsetof(DownloadSettings, DownloadTime) == 260, "layout");
static_assert(offsetof(DownloadSettings, Username) == 264, "layout");
static_assert(offsetof(DownloadSettings, Password) == 284, "layout");
static_assert(offsetof(DownloadSettings, UseProxy) == 304, "layout");
static_assert(offsetof(DownloadSettings, ProxyHost) == 308, "layout");
static_assert(offsetof(DownloadSettings, ProxyPort) == 508, "layout");
static_assert(offsetof(DownloadSettings, Padding) == 510, "layout");
static_assert(offsetof(DownloadSettings, ProxyLogin) == 512, "layout");
static_assert(offsetof(DownloadSettings, ProxyUsername) == 516, "layout");
static_assert(offsetof(DownloadSettings, ProxyPassword) == 536, "layout");
static_assert(offsetof(DownloadSettings, HangupOnExit) == 556, "layout");

// All 560 bytes zero, DownloadTime 193000 and DataDirectory "c:\tkvn".
void DefaultDownloadSettings(DownloadSettings* record);

// A character field of the record as text: up to its terminator, or the whole field when the
// stored bytes lack one. Every reader of a text field goes through this, never past the field.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n] != '\0') ++n;
  return std::string_view(field, n);
}
