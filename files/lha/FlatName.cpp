#include "files/lha/FlatName.h"

#include "files/FileNameRules.h"

namespace lha {

namespace {

bool IsSeparator(unsigned char c) { return c == '\\' || c == '/' || c == 0xFF; }

}  // namespace

std::string LastComponent(const std::string& stored) {
  size_t start = 0;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (CharacterLength932(stored, i) == 2)
      ++i;
    else if (IsSeparator(static_cast<unsigned char>(stored[i])))
      start = i + 1;
  }
  return stored.substr(start);
}

bool FlatName(const std::string& stored, std::string* flat) {
  std::string name = LastComponent(stored);
  if (KindOfFileName(name) == FileNameKind::kUnusable) return false;
  *flat = name;
  return true;
}

}  // namespace lha
