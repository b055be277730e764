#include "files/ExtractArchive.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/AutoCloseBox.h"
#include "files/Archiver.h"
#include "files/lha/LhaErrors.h"
#include "platform/FreeSpaceReserve.h"

namespace {

constexpr int kCheckMode = 16;  // find the first header anywhere in the file
constexpr size_t kBufferSize = 1024;

std::string Megabytes(uint64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

// One box for an archive that could not be extracted, saying why when the extractor refused it.
void ShowFailure(HWND owner, const char* archivePath, int code, const std::vector<lha::RefusedMember>& refused) {
  using Reason = lha::RefusedMember::Reason;
  const std::string archive(archivePath);
  std::string message = "Could not uncompress " + archive + " (Error code was " + std::to_string(code) + ")";
  if (!refused.empty()) {
    const lha::RefusedMember& last = refused.back();
    if (last.reason == Reason::kDiskSpace)
      message = "Not enough free disk space to extract " + last.name + " (" + std::to_string(last.size) +
                " bytes) from " + archive + ": at least " + Megabytes(kFreeSpaceReserve) + " must stay free";
    else if (last.reason == Reason::kName)
      message = "Could not uncompress " + archive + ": it holds a file whose name cannot be used (" + last.name + ")";
    else if (last.reason == Reason::kTooMany)
      message = "Could not uncompress " + archive + ": it holds more than " + std::to_string(lha::kMaxMembers) + " files";
    else if (last.reason == Reason::kTooLarge)
      message = "Could not uncompress " + archive + ": its files would take more than " + Megabytes(lha::kMaxOutput);
  }
  ShowBox(owner, message.c_str(), "Error", MB_OK);
}

// One box for the members passed over, naming the first few.
void ReportPassedOver(HWND owner, const char* archivePath, const std::vector<lha::RefusedMember>& refused) {
  constexpr size_t kNamed = 3;
  if (refused.empty()) return;
  std::string names;
  for (size_t i = 0; i < refused.size() && i < kNamed; ++i) names += (i ? ", " : "") + refused[i].name;
  if (refused.size() > kNamed) names += " and " + std::to_string(refused.size() - kNamed) + " more";
  const std::string message = std::string("The archive ") + archivePath + " holds " + std::to_string(refused.size()) +
                              (refused.size() == 1 ? " file that was" : " files that were") +
                              " not extracted (program files and this program's own files are never taken from "
                              "an archive): " + names;
  ShowBox(owner, message.c_str(), "Warning", MB_OK);
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
    ShowFailure(owner, archivePath, lha::kErrorCommand, {});
    return 0;
  }

  char output[kBufferSize];
  std::vector<lha::RefusedMember> refused;
  const int result = archiver.Command(nullptr, command, output, sizeof output, &refused);
  if (result != 0) {
    ShowFailure(owner, archivePath, result, refused);
    return 0;
  }
  ReportPassedOver(owner, archivePath, refused);
  return 1;
}
