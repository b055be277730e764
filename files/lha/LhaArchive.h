// What the extractor does with a whole archive file. Each operation returns 0 or one of the codes
// in LhaErrors.h and appends a short human-readable account to `report`.
#pragma once

#include <string>

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

// Extracts every member flat into `destination` (made when missing), each under the last part of
// its stored name, with its stored modification time. A member goes to a temporary file first and
// replaces the file of its name only once its CRC has matched. Directories and symbolic links create nothing. A member that fails
// does not stop the others; the result is the first failure's code.
int ExtractArchiveFlat(const char* path, const char* destination, std::string* report);

}  // namespace lha
