// One member header of an LHA archive, read from any of the four header levels.
//
// Levels 0 and 1 start with a one-byte size and a one-byte checksum of the base header; level 1
// adds a chain of extended headers after it whose length the packed size includes. Level 2 starts
// with a two-byte total size, level 3 with a two-byte word size of 4 and a four-byte total size;
// both hold their names in extended headers and may protect the whole header with a CRC-16. The
// OS-9/68K archiver counts a level-2 header's size without the size field itself.
// All numbers are little-endian.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "files/lha/InputStream.h"

namespace lha {

struct LhaHeader {
  char method[6] = {};          // "-lh5-" and a terminating NUL
  int level = 0;
  uint64_t packedSize = 0;      // bytes of packed data that follow the header
  uint64_t originalSize = 0;
  uint16_t crc = 0;             // CRC-16 of the original data
  uint32_t timeStamp = 0;       // MS-DOS date and time (levels 0, 1) or Unix time (2, 3)
  bool hasUnixTime = false;     // levels 0 and 1 may carry a Unix time as well
  uint32_t unixTime = 0;
  bool hasUnixMode = false;
  uint16_t unixMode = 0;
  uint8_t osId = 0;             // the archiver's system: 'M' MS-DOS, 'm' Macintosh; 0 in level 0
  // Bytes as stored, each up to its first zero byte. `name` may itself hold a path ("\" or "/"
  // separated, levels 0 and 1); `directory` comes from the directory extended header, its parts
  // separated by 0xFF. Amiga archivers store a file's comment after its name and a zero byte.
  std::string name;
  std::string directory;
  std::string comment;
  uint64_t headerOffset = 0;    // where the header starts in the file
  uint64_t dataOffset = 0;      // where its packed data starts
};

enum class HeaderResult { kRead, kEnd, kBroken };

// Reads the header at `offset`. kEnd for the end-of-archive mark (a zero size byte) or the end of
// the file; kBroken for anything that does not make a sound header, including one cut short by the
// end of the file. Packed data cut short shows when it is decoded.
HeaderResult ReadHeader(InputStream& in, uint64_t offset, LhaHeader* header);

// Finds the first header: at the start of the file or, behind a self-extracting program, the first
// place in the file where a sound header starts. False when there is none.
bool FindFirstHeader(InputStream& in, LhaHeader* header);

// When the member's file was last changed, in the local clock's seconds since 1970: the Unix time
// where the header has one, else its MS-DOS local date and time; -1 for a date that makes none.
std::time_t ModificationTime(const LhaHeader& header);

// True for the members that create nothing: directories and symbolic links.
bool IsDirectoryOrLink(const LhaHeader& header);

}  // namespace lha
