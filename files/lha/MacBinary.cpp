#include "files/lha/MacBinary.h"

#include <cstring>
#include <ctime>
#include <string>

#include "files/lha/FlatName.h"

namespace lha {

namespace {

// The Macintosh counts seconds from 1904, in local time.
constexpr uint32_t kMacEpochToUnix = 2082844800u;
// Local time lies at most 14 hours from UTC.
constexpr int64_t kMostZoneSeconds = 14 * 60 * 60;

constexpr size_t kNameLength = 0x01;
constexpr size_t kName = 0x02;
constexpr size_t kNameRoom = 63;
constexpr size_t kDataFork = 0x53;
constexpr size_t kResourceFork = 0x57;
constexpr size_t kModified = 0x5F;
constexpr size_t kUnusedFrom = 0x63;  // the Finder comment's length and the MacBinary II fields

uint32_t Be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

bool AllZero(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

// Whether `block` (kMacBinaryHeader bytes) is the wrapper MacLHA puts around the member `header`
// describes; `fork` is then the size of the fork to keep.
bool IsMacBinaryWrapper(const uint8_t* block, const LhaHeader& header, uint64_t* fork) {
  // The version byte and two bytes kept zero for compatibility.
  if (block[0x00] != 0 || block[0x4A] != 0 || block[0x52] != 0) return false;
  if (!AllZero(block + kUnusedFrom, kMacBinaryHeader - kUnusedFrom)) return false;

  const std::string name = LastComponent(header.name);
  const size_t length = block[kNameLength];
  if (length > kNameRoom || length != name.size() ||
      std::memcmp(block + kName, name.data(), length) != 0 ||
      !AllZero(block + kName + length, kNameRoom - length))
    return false;

  const uint64_t data = Be32(block + kDataFork);
  const uint64_t resource = Be32(block + kResourceFork);
  const uint64_t wrapped = (kMacBinaryHeader + data + resource + 127) / 128 * 128;
  if (wrapped != header.originalSize) return false;

  const uint32_t modified = Be32(block + kModified);
  const std::time_t stored = ModificationTime(header);
  if (modified < kMacEpochToUnix || stored < 0) return false;
  const int64_t apart = static_cast<int64_t>(stored) - (modified - kMacEpochToUnix);
  if (apart > kMostZoneSeconds || apart < -kMostZoneSeconds) return false;

  *fork = data > 0 ? data : resource;
  return true;
}

}  // namespace

MacBinaryFilter::MacBinaryFilter(const LhaHeader& header, OutputSink& out)
    : header_(header),
      out_(out),
      mode_(header.osId == 'm' && header.originalSize >= kMacBinaryHeader ? Mode::kReading
                                                                          : Mode::kPass) {}

bool MacBinaryFilter::Write(const uint8_t* data, size_t size) {
  if (mode_ == Mode::kReading) {
    const size_t take = size < kMacBinaryHeader - have_ ? size : kMacBinaryHeader - have_;
    std::memcpy(block_ + have_, data, take);
    have_ += take;
    data += take;
    size -= take;
    if (have_ < kMacBinaryHeader) return true;
    if (IsMacBinaryWrapper(block_, header_, &keep_)) {
      mode_ = Mode::kFork;
    } else {
      mode_ = Mode::kPass;
      if (!out_.Write(block_, kMacBinaryHeader)) return false;
    }
  }
  if (mode_ == Mode::kPass) return size == 0 || out_.Write(data, size);
  // The fork, then the other fork and the padding, which go nowhere.
  const size_t pass = keep_ < size ? static_cast<size_t>(keep_) : size;
  keep_ -= pass;
  return pass == 0 || out_.Write(data, pass);
}

}  // namespace lha
