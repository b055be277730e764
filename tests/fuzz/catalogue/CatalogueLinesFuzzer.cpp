// Fuzzes the catalogue line reader: any bytes as files.ini must give at most 300 rows whose texts
// are terminated inside their fields and free of control bytes, without reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "files/TextMode.h"

namespace {

void CheckText(const char* text, std::size_t size) {
  const void* end = std::memchr(text, '\0', size);
  if (!end) std::abort();
  for (const char* p = text; p != end; ++p)
    if (static_cast<signed char>(*p) < 32) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<FileType> table(kMaxFileTypes);
  TextModeReader reader(reinterpret_cast<const char*>(data), size);
  const int count = ReadFileTypes(reader, table.data(), kMaxFileTypes);
  if (count < 0 || count > kMaxFileTypes) std::abort();
  for (int i = 0; i < count; ++i) {
    const FileType& row = table[i];
    CheckText(row.ServerPath, sizeof row.ServerPath);
    CheckText(row.Description, sizeof row.Description);
    CheckText(row.Prefix, sizeof row.Prefix);
    if (static_cast<signed char>(row.Frequency) < 32 || row.Frequency == ',') std::abort();
    if (!IsServerPath(row.ServerPath) || row.Description[0] == '\0' || row.Prefix[0] == '\0') std::abort();
    if (std::strchr(row.ServerPath, ',') || std::strchr(row.Description, ',') || std::strchr(row.Prefix, ','))
      std::abort();
  }
  return 0;
}
