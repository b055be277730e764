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

// One line per member: original and packed size, method, CRC, stored name and any comment.
int ListArchive(const char* path, std::string* report);

// Limits on one archive, far above a day's data (a few hundred small files), so that a crafted
// archive (one -lh5- block of a few bytes can decode to megabytes) can neither fill the disk nor
// run for ever.
constexpr size_t kMaxMembers = 4096;
constexpr uint64_t kMaxOutput = uint64_t{1} << 30;  // bytes, all members together

// A member that extraction left out, or the limit that stopped it, under the member's flat name.
struct RefusedMember {
  enum class Reason {
    kProgram,    // a program file (IsProgramFileName): passed over, the others extracted
    kControl,    // one of the program's own files: passed over likewise
    kName,       // a name no file can bear here (shown printable): kErrorCannotWrite
    kDiskSpace,  // writing it would leave less than the free-space reserve: kErrorDiskSpace
    kTooMany,    // more than kMaxMembers members (`size` is the count so far): kErrorTooLarge
    kTooLarge,   // more than kMaxOutput bytes together (`size` is the total so far): kErrorTooLarge
  };
  Reason reason;
  std::string name;
  uint64_t size;  // the size the header declares
};

// Extracts the archive flat into `destination` (made when missing), whole or not at all: every
// member is decoded into a temporary file beside its target and checked, and only once all of
// them are sound do they replace the files of their names, each under the last part of its stored
// name and with its stored modification time. A failure at any point (a broken header, a CRC, a
// refused name, the free-space reserve, a limit, a target that cannot be replaced) leaves every
// file as it was and removes the temporaries. Directories and symbolic links create nothing;
// program files and the program's own files are passed over. Refusals go to `refused` when it is
// given. The result is the code of the failure, or kOk.
int ExtractArchiveFlat(const char* path, const char* destination, std::string* report,
                       std::vector<RefusedMember>* refused = nullptr);

}  // namespace lha
