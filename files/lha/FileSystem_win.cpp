#include <windows.h>

#include "files/lha/FileSystem.h"

#include "platform/ReplacementFile.h"

namespace lha {

const char kPathSeparator = '\\';

bool IsPlainFileName(const std::string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const BYTE c = static_cast<BYTE>(name[i]);
    if (IsDBCSLeadByte(c) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/') return false;
  }
  return true;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) || IsDirectory(path);
}

bool MakeTemporaryBeside(const std::string& target, std::string* temporary) {
  return CreateTemporaryBeside(target, temporary);
}

bool PutTemporaryInPlace(const std::string& temporary, const std::string& target) {
  return PutInPlace(temporary, target);
}

bool FreeSpace(const std::string& directory, uint64_t* bytes) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA(directory.c_str(), &available, nullptr, nullptr)) return false;
  *bytes = available.QuadPart;
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool SetModificationTime(const std::string& path, std::time_t when) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // FILETIME counts 100-nanosecond steps from 1601.
  const ULONGLONG steps = (static_cast<ULONGLONG>(when) + 11644473600ULL) * 10000000ULL;
  FILETIME written;
  written.dwLowDateTime = static_cast<DWORD>(steps);
  written.dwHighDateTime = static_cast<DWORD>(steps >> 32);
  const BOOL ok = SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
  return ok != 0;
}

}  // namespace lha
