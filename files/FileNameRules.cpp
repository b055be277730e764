#include "files/FileNameRules.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

template <typename Char>
uint32_t Unit(Char c) {
  return static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
}

uint32_t Lower(uint32_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Whether name[begin, end) equals the lower-case ASCII text `ascii`, in any case.
template <typename Char>
bool SameText(const std::basic_string<Char>& name, std::size_t begin, std::size_t end, const char* ascii) {
  if (end - begin != std::strlen(ascii)) return false;
  for (std::size_t i = begin; i < end; ++i)
    if (Lower(Unit(name[i])) != static_cast<unsigned char>(ascii[i - begin])) return false;
  return true;
}

template <typename Char>
bool IsDevice(const std::basic_string<Char>& name, std::size_t begin, std::size_t end) {
  // Windows takes the part before the first dot, trailing spaces dropped, as the device.
  std::size_t stem = begin;
  while (stem < end && Unit(name[stem]) != '.') ++stem;
  while (stem > begin && Unit(name[stem - 1]) == ' ') --stem;
  for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"})
    if (SameText(name, begin, stem, device)) return true;
  if (stem - begin != 4) return false;
  if (!SameText(name, begin, begin + 3, "com") && !SameText(name, begin, begin + 3, "lpt")) return false;
  const uint32_t digit = Unit(name[begin + 3]);
  return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

template <typename Char>
bool HasProgramExtension(const std::basic_string<Char>& name) {
  if (SameText(name, 0, name.size(), "desktop.ini")) return true;
  std::size_t dot = name.size();
  while (dot > 0 && Unit(name[dot - 1]) != '.') --dot;
  if (dot == 0) return false;
  static const char* const kProgramExtensions[] = {
      "appinstaller", "application", "appref-ms", "appx", "appxbundle", "bat", "chm", "cmd", "com",
      "config", "cpl", "deskthemepack", "diagcab", "dll", "exe", "gadget", "hta", "inf", "ins",
      "isp", "jar", "js", "jse", "library-ms", "lnk", "local", "manifest", "msc", "msh", "msh1",
      "msh1xml", "msh2", "msh2xml", "mshxml", "msi", "msix", "msixbundle", "msp", "mst", "ocx",
      "pif", "ps1", "ps1xml", "ps2", "ps2xml", "psc1", "psc2", "psd1", "psm1", "reg", "scf", "scr",
      "sct", "searchconnector-ms", "settingcontent-ms", "shb", "shs", "sys", "theme", "themepack",
      "url", "vb", "vbe", "vbs", "website", "ws", "wsc", "wsf", "wsh", "xbap", "xll"};
  for (const char* extension : kProgramExtensions)
    if (SameText(name, dot, name.size(), extension)) return true;
  return false;
}

template <typename Char>
bool IsControlFile(const std::basic_string<Char>& name) {
  for (const char* control : {"files.use", "files.ini", "holiday.txt", "abc.def", "message.txt", "date"})
    if (SameText(name, 0, name.size(), control)) return true;
  return false;
}

std::size_t CharacterLength(const std::string& name, std::size_t at) { return CharacterLength932(name, at); }
std::size_t CharacterLength(const std::wstring&, std::size_t) { return 1; }

template <typename Char>
FileNameKind Kind(const std::basic_string<Char>& name) {
  if (name.empty() || SameText(name, 0, name.size(), ".") || SameText(name, 0, name.size(), ".."))
    return FileNameKind::kUnusable;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t length = CharacterLength(name, i);
    if (length == 0) return FileNameKind::kUnusable;
    const uint32_t c = Unit(name[i]);
    if (length == 1 && (c < 0x20 || c == 0x7F || (c < 0x80 && std::strchr("\\/:*?\"<>|", static_cast<int>(c)))))
      return FileNameKind::kUnusable;
    i += length;
  }
  // The last character cannot be the trail of a double-byte one here: trail bytes are 0x40 and up.
  const uint32_t last = Unit(name.back());
  if (last == '.' || last == ' ' || IsDevice(name, 0, name.size())) return FileNameKind::kUnusable;
  if (HasProgramExtension(name)) return FileNameKind::kProgram;
  if (IsControlFile(name)) return FileNameKind::kControl;
  return FileNameKind::kData;
}

}  // namespace

std::size_t CharacterLength932(const std::string& name, std::size_t at) {
  const auto c = static_cast<unsigned char>(name[at]);
  if (!((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))) return 1;
  if (at + 1 >= name.size()) return 0;
  const auto trail = static_cast<unsigned char>(name[at + 1]);
  return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC) ? 2 : 0;
}

FileNameKind KindOfFileName(const std::string& name) { return Kind(name); }

FileNameKind KindOfFileName(const std::wstring& name) { return Kind(name); }

bool IsDeviceName(const std::string& name, std::size_t begin, std::size_t end) { return IsDevice(name, begin, end); }

bool IsProgramFileName(const std::string& name) { return HasProgramExtension(name); }
