// Result codes of the extractor. 0 is success; the others follow the numbering that Windows
// archiver libraries share, so that a caller can show them as such a library's codes.
#pragma once

namespace lha {

constexpr int kOk = 0;
constexpr int kErrorMethod = 0x8009;         // a method this extractor does not decode
constexpr int kErrorCrc = 0x800C;            // data that does not match its CRC, or runs out
constexpr int kErrorMakeDirectory = 0x8012;  // the destination directory cannot be made
constexpr int kErrorCannotWrite = 0x8013;    // a member cannot be written (name refused, disk)
constexpr int kErrorHuffman = 0x8014;        // packed data with an invalid code table
constexpr int kErrorHeaderBroken = 0x8017;   // a later header cannot be read
constexpr int kErrorArchiveOpen = 0x8018;    // the archive file cannot be opened
constexpr int kErrorNotArchive = 0x8019;     // no readable first header anywhere in the file
constexpr int kErrorCommand = 0x801C;        // a command text the extractor does not understand
// The extractor's own: a member that would leave less than the free-space reserve.
constexpr int kErrorDiskSpace = 0x801D;
// The extractor's own: more members, or more bytes, than one archive may give.
constexpr int kErrorTooLarge = 0x801E;

}  // namespace lha
