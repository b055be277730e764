#include "files/ListedName.h"

#include "files/FileNameRules.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A component of dots and spaces only, with at least two dots, means the parent to Windows.
bool IsParentComponent(const std::string& name, std::size_t begin, std::size_t end) {
  int dots = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (name[i] == '.')
      ++dots;
    else if (name[i] != ' ')
      return false;
  }
  return dots >= 2;
}

}  // namespace

bool IsSafeListedName(const std::string& name) {
  if (!name.empty() && IsSeparator(name[0])) return false;
  if (name.find(':') != std::string::npos) return false;
  std::size_t begin = 0;
  while (begin <= name.size()) {
    std::size_t end = begin;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (IsParentComponent(name, begin, end) || IsDeviceName(name, begin, end)) return false;
    begin = end + 1;
  }
  return true;
}
