#include <windows.h>

#include "files/lha/FileSystem.h"

#include <cstring>
#include "files/lha/FileSystem_win.h"

namespace lha {

namespace {

UINT g_codePage = CP_ACP;

// Strict: a byte that does not make a character (a lead byte at the end, say) fails the whole
// conversion instead of being dropped or replaced.
bool Wide(const std::string& text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(g_codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (n <= 0) return false;
  wide->resize(static_cast<size_t>(n));
  return MultiByteToWideChar(g_codePage, MB_ERR_INVALID_CHARS, text.data(), size, &(*wide)[0], n) == n;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The directory in wide characters without separators at its end ("C:" is the drive's root).
bool Directory(const std::string& directory, std::wstring* wide) {
  if (!Wide(directory, wide)) return false;
  while (wide->size() > 1 && IsSeparator(wide->back()) && (*wide)[wide->size() - 2] != L':') wide->pop_back();
  if (wide->empty()) *wide = L".";
  if (wide->back() == L':') *wide += L'\\';
  return true;
}

bool PathOf(const std::string& directory, const std::string& name, std::wstring* path) {
  std::wstring wideName;
  if (!Directory(directory, path) || !Wide(name, &wideName)) return false;
  if (!IsSeparator(path->back())) *path += L'\\';
  *path += wideName;
  return true;
}

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

void SetNameCodePage(unsigned codePage) { g_codePage = codePage; }

FileNameKind KindOnThisSystem(const std::string& flat) {
  std::wstring wide;
  return Wide(flat, &wide) ? KindOfFileName(wide) : FileNameKind::kUnusable;
}

bool MakeDirectories(const std::string& directory) {
  std::wstring d;
  if (!Directory(directory, &d)) return false;
  if (IsDirectory(d)) return true;
  // Each missing level in turn, from the first one after a separator; a drive is no level.
  for (size_t i = 1; i <= d.size(); ++i) {
    if (i < d.size() && !IsSeparator(d[i])) continue;
    const std::wstring level = d.substr(0, i);
    if (level.back() == L':' || IsSeparator(level.back()) || IsDirectory(level)) continue;
    if (!CreateDirectoryW(level.c_str(), nullptr) && !IsDirectory(level)) return false;
  }
  return true;
}

Entry EntryAt(const std::string& directory, const std::string& name) {
  std::wstring path;
  if (!PathOf(directory, name, &path)) return Entry::kOther;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Entry::kNone : Entry::kOther;
  }
  // A read-only file is one the user keeps from being replaced, as MoveFileEx would.
  const DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY;
  return attributes & notAFile ? Entry::kOther : Entry::kFile;
}

bool MoveWithin(const std::string& directory, const std::string& from, const std::string& to) {
  std::wstring source;
  std::wstring target;
  return PathOf(directory, from, &source) && PathOf(directory, to, &target) &&
         MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool RemoveFile(const std::string& directory, const std::string& name) {
  std::wstring path;
  return PathOf(directory, name, &path) && DeleteFileW(path.c_str());
}

bool FreeSpace(const std::string& directory, uint64_t* bytes) {
  std::wstring d;
  ULARGE_INTEGER available;
  if (!Directory(directory, &d) || !GetDiskFreeSpaceExW(d.c_str(), &available, nullptr, nullptr)) return false;
  *bytes = available.QuadPart;
  return true;
}

TemporaryFile::~TemporaryFile() { Close(); }

void TemporaryFile::Close() {
  if (AsHandle(handle_) != INVALID_HANDLE_VALUE) CloseHandle(AsHandle(handle_));
  handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
}

bool TemporaryFile::Create(const std::string& directory, const char* prefix) {
  std::wstring d;
  const std::wstring widePrefix(prefix, prefix + std::strlen(prefix));
  wchar_t made[MAX_PATH];
  if (!Directory(directory, &d) || GetTempFileNameW(d.c_str(), widePrefix.c_str(), 0, made) == 0) return false;
  // GetTempFileNameW has made the file, empty; it is reopened once, for all the writing.
  const HANDLE file = CreateFileW(made, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DeleteFileW(made);
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  // The prefix, up to four hex digits and ".tmp": plain ASCII.
  const std::wstring path(made);
  name_.clear();
  for (size_t i = path.find_last_of(L"\\/") + 1; i < path.size(); ++i) name_ += static_cast<char>(path[i]);
  return true;
}

bool TemporaryFile::Write(const uint8_t* data, size_t size) {
  while (size > 0) {
    const DWORD chunk = size < 0x40000000 ? static_cast<DWORD>(size) : 0x40000000;
    DWORD written = 0;
    if (!WriteFile(AsHandle(handle_), data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool TemporaryFile::Finish(std::time_t when) {
  const HANDLE file = AsHandle(handle_);
  if (when >= 0) {
    // FILETIME counts 100-nanosecond steps from 1601.
    const ULONGLONG steps = (static_cast<ULONGLONG>(when) + 11644473600ULL) * 10000000ULL;
    FILETIME written;
    written.dwLowDateTime = static_cast<DWORD>(steps);
    written.dwHighDateTime = static_cast<DWORD>(steps >> 32);
    SetFileTime(file, nullptr, nullptr, &written);
  }
  const bool flushed = FlushFileBuffers(file) != 0;
  handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
  return CloseHandle(file) && flushed;
}

}  // namespace lha
