// What the extractor does with a whole archive file. Each operation returns 0 or one of the codes
// in LhaErrors.h and appends a short human-readable account to `report`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/lha/InputStream.h"

namespace lha {

// 1 when every header of the file reads (the first one found anywhere in the file) and every
// member's method is one this extractor decodes; 0 otherwise. Member data is not decoded.
int IsExtractableArchive(const char* path);

// Decodes every member and checks its CRC, writing nothing.
int TestArchive(const char* path, std::string* report);
int TestArchive(InputStream& in, std::string* report);

// One line per member: original and packed size, method, CRC and stored name.
int ListArchive(const char* path, std::string* report);

// A member that extraction left out on purpose, under its flat name.
struct RefusedMember {
  enum class Reason {
    kProgram,    // a program file (IsProgramFileName): passed over, not a failure
    kDiskSpace,  // larger than the free space of the destination's volume: kErrorDiskSpace
  };
  Reason reason;
  std::string name;
  uint64_t size;  // the size the header declares
};

// Extracts every member flat into `destination` (made when missing), each under the last part of
// its stored name, with its stored modification time. A member goes to a temporary file first and
// replaces the file of its name only once its CRC has matched. Directories and symbolic links
// create nothing. A program file is passed over, and a member whose declared size exceeds the
// free space of the destination's volume is refused before any of it is written; both are listed
// in `refused` when it is given. A member that fails does not stop the others; the result is the
// first failure's code.
int ExtractArchiveFlat(const char* path, const char* destination, std::string* report,
                       std::vector<RefusedMember>* refused = nullptr);

}  // namespace lha
