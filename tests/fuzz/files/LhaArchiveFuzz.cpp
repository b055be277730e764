// Whole archives from memory: the first-header search, every header level, and every member
// decoded and checked, as the "t" command does.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/lha/InputStream.h"
#include "files/lha/LhaArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lha::MemoryInput in(data, size);
  std::string report;
  lha::TestArchive(in, &report);
  return 0;
}
