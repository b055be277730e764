#include "files/ListedName.h"

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

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, with any extension: Windows opens the device
// instead of a file (reading CON would wait for the keyboard).
bool IsDeviceComponent(const std::string& name, std::size_t begin, std::size_t end) {
  std::size_t stem = begin;
  while (stem < end && name[stem] != '.') ++stem;
  while (stem > begin && name[stem - 1] == ' ') --stem;
  std::string base;
  for (std::size_t i = begin; i < stem; ++i) base += Upper(name[i]);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace

bool IsSafeListedName(const std::string& name) {
  if (!name.empty() && IsSeparator(name[0])) return false;
  if (name.find(':') != std::string::npos) return false;
  std::size_t begin = 0;
  while (begin <= name.size()) {
    std::size_t end = begin;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (IsParentComponent(name, begin, end) || IsDeviceComponent(name, begin, end)) return false;
    begin = end + 1;
  }
  return true;
}
