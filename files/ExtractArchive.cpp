#include "files/ExtractArchive.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/AutoCloseBox.h"
#include "files/Archiver.h"
#include "files/lha/LhaErrors.h"

namespace {

constexpr int kCheckMode = 16;  // find the first header anywhere in the file
constexpr size_t kBufferSize = 1024;

void ShowFailure(HWND owner, const char* archivePath, int code) {
  const std::string message = std::string("Could not uncompress ") + archivePath +
                              " (Error code was " + std::to_string(code) + ")";
  ShowBox(owner, message.c_str(), "Error", MB_OK);
}

// Missing or empty: the item was skipped, or the server sent nothing.
bool NoArchiveThere(const char* archivePath) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(archivePath, GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.nFileSizeHigh == 0 &&
         data.nFileSizeLow == 0;
}

// One box per member left out; true when one of them was refused for the free space.
bool ReportRefused(HWND owner, const char* archivePath,
                   const std::vector<lha::RefusedMember>& refused) {
  bool diskSpace = false;
  for (const lha::RefusedMember& member : refused) {
    if (member.reason == lha::RefusedMember::Reason::kProgram) {
      const std::string message = std::string("The archive ") + archivePath +
                                  " holds the program file " + member.name +
                                  ", which was not extracted";
      ShowBox(owner, message.c_str(), "Warning", MB_OK);
    } else {
      diskSpace = true;
      const std::string message = "Not enough free disk space to extract " + member.name + " (" +
                                  std::to_string(member.size) + " bytes) from " + archivePath;
      ShowBox(owner, message.c_str(), "Error", MB_OK);
    }
  }
  return diskSpace;
}

}  // namespace

int ExtractArchive(HWND owner, const DownloadSettings& settings, const char* archivePath) {
  if (NoArchiveThere(archivePath)) return -1;
  Archiver& archiver = CurrentArchiver();
  archiver.SetOption(FALSE);
  if (archiver.CheckArchive(archivePath, kCheckMode) != 1) {
    const std::string message = std::string("Could not uncompress ") + archivePath +
                                " (the file is damaged or is not an archive)";
    ShowBox(owner, message.c_str(), "Error", MB_OK);
    return 0;
  }

  // Both paths in quotes: either may hold spaces ("C:\Users\Jane Smith\Data").
  const std::string_view directory = FieldText(settings.DataDirectory);
  char command[kBufferSize];
  const int length = std::snprintf(command, sizeof command, "e \"%s\" \"%.*s\\\"", archivePath,
                                   static_cast<int>(directory.size()), directory.data());
  if (length < 0 || static_cast<size_t>(length) >= sizeof command) {
    ShowFailure(owner, archivePath, lha::kErrorCommand);
    return 0;
  }

  char output[kBufferSize];
  std::vector<lha::RefusedMember> refused;
  const int result = archiver.Command(nullptr, command, output, sizeof output, &refused);
  const bool diskSpaceShown = ReportRefused(owner, archivePath, refused);
  if (result == 0) return 1;
  if (!(result == lha::kErrorDiskSpace && diskSpaceShown)) ShowFailure(owner, archivePath, result);
  return 0;
}
