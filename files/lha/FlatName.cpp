#include "files/lha/FlatName.h"

#include <cctype>
#include <cstring>

namespace lha {

namespace {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

bool IsSeparator(unsigned char c) { return c == '\\' || c == '/' || c == 0xFF; }

bool IsReservedDevice(const std::string& name) {
  // Windows takes the part before the first dot, trailing spaces dropped, as the device.
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* d : kDevices)
    if (base == d) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace

bool IsProgramFileName(const std::string& flat) {
  const size_t dot = flat.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = flat.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const char* const kProgramExtensions[] = {
      "appref-ms", "application", "bat", "chm", "cmd", "com", "cpl", "dll", "exe", "gadget",
      "hta", "inf", "ins", "isp", "jar", "js", "jse", "lnk", "msc", "msi", "msp", "mst",
      "ocx", "pif", "ps1", "ps1xml", "ps2", "psc1", "psd1", "psm1", "reg", "scf", "scr", "sct",
      "shb", "shs", "sys", "url", "vb", "vbe", "vbs", "ws", "wsc", "wsf", "wsh"};
  for (const char* e : kProgramExtensions)
    if (extension == e) return true;
  return false;
}

bool FlatName(const std::string& stored, std::string* flat) {
  const size_t n = stored.size();
  size_t start = 0;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(stored[i]);
    if (IsLeadByte(c) && i + 1 < n && IsTrailByte(static_cast<unsigned char>(stored[i + 1]))) {
      ++i;
      continue;
    }
    if (IsSeparator(c)) start = i + 1;
  }
  std::string name = stored.substr(start);
  if (name.empty() || name == "." || name == "..") return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(c) && i + 1 < name.size() &&
        IsTrailByte(static_cast<unsigned char>(name[i + 1]))) {
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F || std::strchr(":*?\"<>|", c) != nullptr) return false;
  }
  // The last byte cannot be the trail of a double-byte character here: trail bytes are 0x40 and up.
  if (name.back() == '.' || name.back() == ' ') return false;
  if (IsReservedDevice(name)) return false;
  *flat = name;
  return true;
}

}  // namespace lha
