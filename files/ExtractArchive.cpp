#include "files/ExtractArchive.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "files/Archiver.h"
#include "files/lha/LhaErrors.h"

namespace {

constexpr int kCheckMode = 16;  // find the first header anywhere in the file
constexpr size_t kBufferSize = 1024;

void ShowFailure(HWND owner, const char* archivePath, int code) {
  static const char kFormat[] = "Could not uncompress %s (Error code was %d)";
  std::string message(sizeof kFormat + std::strlen(archivePath) + 16, '\0');
  const int written = std::snprintf(&message[0], message.size(), kFormat, archivePath, code);
  message.resize(written > 0 ? static_cast<size_t>(written) : 0);
  MessageBoxA(owner, message.c_str(), "Error", MB_OK);
}

}  // namespace

int ExtractArchive(HWND owner, const DownloadSettings& settings, const char* archivePath) {
  Archiver& archiver = CurrentArchiver();
  archiver.SetOption(FALSE);
  if (archiver.CheckArchive(archivePath, kCheckMode) != 1) return 0;

  // Both paths in quotes: either may hold spaces ("C:\Users\Jane Smith\Data").
  const size_t directoryLength = strnlen(settings.DataDirectory, sizeof settings.DataDirectory);
  char command[kBufferSize];
  const int length = std::snprintf(command, sizeof command, "e \"%s\" \"%.*s\\\"", archivePath,
                                   static_cast<int>(directoryLength), settings.DataDirectory);
  if (length < 0 || static_cast<size_t>(length) >= sizeof command) {
    ShowFailure(owner, archivePath, lha::kErrorCommand);
    return 0;
  }

  char output[kBufferSize];
  const int result = archiver.Command(nullptr, command, output, sizeof output);
  if (result == 0) return 1;
  ShowFailure(owner, archivePath, result);
  return 0;
}
