#include "platform/ReplacementFile.h"

#include <windows.h>

#include <utility>

#include "platform/UniqueHandle.h"

namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

}  // namespace

bool CreateTemporaryBeside(const std::string& target, std::string* temporary) {
  char name[MAX_PATH];
  if (GetTempFileNameA(DirectoryOf(target).c_str(), "~tk", 0, name) == 0) return false;
  temporary->assign(name);
  return true;
}

bool PutInPlace(const std::string& temporary, const std::string& target) {
  {
    UniqueFile file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !FlushFileBuffers(file.Get())) return false;
  }
  return MoveFileExA(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void RemoveLeftoverTemporaries(const std::string& directory) {
  WIN32_FIND_DATAA found;
  UniqueFind find(FindFirstFileA((directory + "\\" + kTemporaryPattern).c_str(), &found));
  if (!find) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      DeleteFileA((directory + "\\" + found.cFileName).c_str());
  } while (FindNextFileA(find.Get(), &found));
}

ReplacementFile::ReplacementFile(std::string target) : target_(std::move(target)) {
  if (!CreateTemporaryBeside(target_, &temporary_)) temporary_.clear();
}

ReplacementFile::~ReplacementFile() { Discard(); }

bool ReplacementFile::Commit() {
  if (temporary_.empty()) return false;
  if (!PutInPlace(temporary_, target_)) {
    const DWORD error = GetLastError();
    Discard();
    SetLastError(error);
    return false;
  }
  temporary_.clear();
  return true;
}

void ReplacementFile::Discard() {
  if (temporary_.empty()) return;
  DeleteFileA(temporary_.c_str());
  temporary_.clear();
}
