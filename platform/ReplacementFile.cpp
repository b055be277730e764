#include "platform/ReplacementFile.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/UniqueHandle.h"

namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

// Whether `name` is one that GetTempFileNameA makes from kTemporaryPrefix: "~tk", 1 to 4 hex
// digits, ".tmp". The search pattern alone is not enough: on volumes with short names it also
// finds long names such as "~tkdata.tmpl" through their short ones.
bool IsTemporaryName(const std::string& name) {
  if (name.size() < 8 || name.size() > 11) return false;
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.compare(0, 3, kTemporaryPrefix) != 0 || lower.compare(lower.size() - 4, 4, ".tmp") != 0) return false;
  return std::all_of(lower.begin() + 3, lower.end() - 4,
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

bool CreateTemporaryBeside(const std::string& target, std::string* temporary) {
  char name[MAX_PATH];
  if (GetTempFileNameA(DirectoryOf(target).c_str(), kTemporaryPrefix, 0, name) == 0) return false;
  temporary->assign(name);
  return true;
}

bool PutInPlace(const std::string& temporary, const std::string& target, Durability durability) {
  if (durability == Durability::kCopyOfServerData)
    return MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
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
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsTemporaryName(found.cFileName))
      DeleteFileA((directory + "\\" + found.cFileName).c_str());
  } while (FindNextFileA(find.Get(), &found));
}

ReplacementFile::ReplacementFile(std::string target, Durability durability)
    : target_(std::move(target)), durability_(durability) {
  if (!CreateTemporaryBeside(target_, &temporary_)) temporary_.clear();
}

ReplacementFile::~ReplacementFile() { Discard(); }

bool ReplacementFile::Commit() {
  if (temporary_.empty()) return false;
  if (!PutInPlace(temporary_, target_, durability_)) {
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
