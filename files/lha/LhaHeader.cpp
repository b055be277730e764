#include "files/lha/LhaHeader.h"

#include <cstring>
#include <vector>

#include "files/lha/Crc16.h"

namespace lha {

namespace {

// No sound header is larger: the level-2 size field ends at 64 KB, and a level-1 chain or a
// level-3 header beyond it is taken as broken rather than sized by the file.
constexpr size_t kMaxHeader = 65536 + 512;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Le64(const uint8_t* p) {
  return static_cast<uint64_t>(Le32(p)) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
}

// The header bytes read so far, fetched from the file on demand.
class HeaderBytes {
 public:
  HeaderBytes(InputStream& in, uint64_t offset) : in_(in), offset_(offset) {}
  // Makes the first `n` bytes available; false when the file ends before them.
  bool Fill(size_t n) {
    if (n > kMaxHeader) return false;
    if (n <= bytes_.size()) return true;
    if (!in_.Seek(offset_ + bytes_.size())) return false;
    size_t have = bytes_.size();
    bytes_.resize(n);
    size_t got = in_.Read(bytes_.data() + have, n - have);
    bytes_.resize(have + got);
    return got == n - have;
  }
  uint8_t* data() { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }

 private:
  InputStream& in_;
  uint64_t offset_;
  std::vector<uint8_t> bytes_;
};

// The length of stored text up to its first zero byte.
size_t UpToZero(const uint8_t* data, size_t size) {
  const void* zero = std::memchr(data, 0, size);
  return zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : size;
}

// A stored name; what follows a zero byte in it is the file's comment.
void TakeName(const uint8_t* data, size_t size, LhaHeader* h) {
  const char* text = reinterpret_cast<const char*>(data);
  const size_t length = UpToZero(data, size);
  h->name.assign(text, length);
  h->comment.assign(length < size ? text + length + 1 : text + size, text + size);
}

struct ExtendedState {
  bool hasHeaderCrc = false;
  size_t headerCrcAt = 0;  // offset of the stored header CRC within the header bytes
};

// Takes one extended header's data (its type byte excluded) into the header.
bool TakeExtended(uint8_t type, const uint8_t* data, size_t size, size_t at, LhaHeader* h,
                  ExtendedState* state) {
  switch (type) {
    case 0x00:
      if (size < 2) return false;
      state->hasHeaderCrc = true;
      state->headerCrcAt = at;
      break;
    case 0x01:
      TakeName(data, size, h);
      break;
    case 0x02:
      h->directory.assign(reinterpret_cast<const char*>(data), UpToZero(data, size));
      break;
    case 0x42:
      if (size < 16) return false;
      h->packedSize = Le64(data);
      h->originalSize = Le64(data + 8);
      break;
    case 0x50:
      if (size < 2) return false;
      h->hasUnixMode = true;
      h->unixMode = Le16(data);
      break;
    case 0x54:
      if (size < 4) return false;
      h->hasUnixTime = true;
      h->unixTime = Le32(data);
      break;
    default:
      break;
  }
  return true;
}

// Walks a chain of extended headers that starts at `at` with the size `next`. Each one holds its
// type, its data and the size of the one after it; `sizeWidth` is 2 (levels 1, 2) or 4 (level 3).
// `limit` is the end of the header for levels 2 and 3; level 1 passes 0 and fetches as it goes.
bool WalkExtended(HeaderBytes& bytes, size_t at, uint32_t next, size_t sizeWidth, size_t limit,
                  LhaHeader* h, ExtendedState* state, size_t* end) {
  while (next != 0) {
    if (next < 1 + sizeWidth || next > kMaxHeader - at) return false;
    size_t stop = at + next;
    if (limit ? stop > limit : !bytes.Fill(stop)) return false;
    const uint8_t* p = bytes.data() + at;
    size_t dataSize = next - 1 - sizeWidth;
    if (!TakeExtended(p[0], p + 1, dataSize, at + 1, h, state)) return false;
    next = sizeWidth == 2 ? Le16(p + next - 2) : Le32(p + next - 4);
    at = stop;
  }
  *end = at;
  return true;
}

void TakeCommon(const uint8_t* b, LhaHeader* h) {
  std::memcpy(h->method, b + 2, 5);
  h->method[5] = '\0';
  h->packedSize = Le32(b + 7);
  h->originalSize = Le32(b + 11);
  h->timeStamp = Le32(b + 15);
  h->level = b[20];
}

HeaderResult ReadLevel01(HeaderBytes& bytes, LhaHeader* h) {
  const size_t total = static_cast<size_t>(bytes.data()[0]) + 2;
  if (!bytes.Fill(total) || total < 24) return HeaderResult::kBroken;
  const uint8_t* b = bytes.data();
  unsigned sum = 0;
  for (size_t i = 2; i < total; ++i) sum += b[i];
  if ((sum & 0xFF) != b[1]) return HeaderResult::kBroken;
  TakeCommon(b, h);
  const size_t nameLength = b[21];
  const size_t minimum = 24 + nameLength + (h->level == 1 ? 3 : 0);
  if (total < minimum) return HeaderResult::kBroken;
  TakeName(b + 22, nameLength, h);
  h->crc = Le16(b + 22 + nameLength);

  if (h->level == 0) {
    // An optional Unix extension after the CRC: 'U', time (4), mode (2), uid, gid.
    const size_t ext = 24 + nameLength;
    if (total >= ext + 7 && b[ext] == 'U') {
      h->hasUnixTime = true;
      h->unixTime = Le32(b + ext + 1);
      h->hasUnixMode = true;
      h->unixMode = Le16(b + ext + 5);
    }
    h->dataOffset = h->headerOffset + total;
    return HeaderResult::kRead;
  }

  h->osId = b[24 + nameLength];
  ExtendedState state;
  size_t end = 0;
  if (!WalkExtended(bytes, total, Le16(b + total - 2), 2, 0, h, &state, &end))
    return HeaderResult::kBroken;
  const uint64_t extended = end - total;
  // The packed size of level 1 counts the extended headers as well.
  if (h->packedSize < extended) return HeaderResult::kBroken;
  h->packedSize -= extended;
  h->dataOffset = h->headerOffset + end;
  return HeaderResult::kRead;
}

HeaderResult ReadLevel23(HeaderBytes& bytes, LhaHeader* h, bool level3) {
  const size_t fixed = level3 ? 32 : 26;
  if (!bytes.Fill(fixed)) return HeaderResult::kBroken;
  const uint8_t* b = bytes.data();
  if (level3 && Le16(b) != 4) return HeaderResult::kBroken;
  const uint8_t osId = b[23];
  uint64_t total = level3 ? Le32(b + 24) : Le16(b);
  if (!level3 && osId == 'K') total += 2;
  if (total < fixed || total > kMaxHeader || !bytes.Fill(static_cast<size_t>(total)))
    return HeaderResult::kBroken;
  b = bytes.data();
  TakeCommon(b, h);
  h->crc = Le16(b + 21);
  h->osId = osId;
  // The name comes from the extended headers only.
  h->name.clear();
  ExtendedState state;
  size_t end = 0;
  const uint32_t first = level3 ? Le32(b + 28) : Le16(b + 24);
  if (!WalkExtended(bytes, fixed, first, level3 ? 4 : 2, static_cast<size_t>(total), h, &state,
                    &end))
    return HeaderResult::kBroken;
  if (state.hasHeaderCrc) {
    uint8_t* crcAt = bytes.data() + state.headerCrcAt;
    const uint16_t stored = Le16(crcAt);
    crcAt[0] = crcAt[1] = 0;
    if (UpdateCrc16(0, bytes.data(), static_cast<size_t>(total)) != stored)
      return HeaderResult::kBroken;
  }
  h->dataOffset = h->headerOffset + total;
  return HeaderResult::kRead;
}

bool LooksLikeMethod(const uint8_t* b) { return b[2] == '-' && b[6] == '-'; }

// Counts the bytes that header reading takes from a stream: the cost of one candidate.
class CountingInput : public InputStream {
 public:
  explicit CountingInput(InputStream& inner) : inner_(inner) {}
  size_t Read(uint8_t* data, size_t size) override {
    const size_t n = inner_.Read(data, size);
    count_ += n;
    return n;
  }
  bool Seek(uint64_t position) override { return inner_.Seek(position); }
  uint64_t Size() const override { return inner_.Size(); }
  uint64_t Count() const { return count_; }

 private:
  InputStream& inner_;
  uint64_t count_ = 0;
};

// The first place after offset 0 where a sound header starts whose packed data lies within the
// file, as behind a self-extracting program. The file is read once, a block at a time, into a
// window that also holds the largest header that can start in the block, and every candidate is
// read from that window. A candidate still costs the bytes its header claims (up to 64 KB), so
// the search gives up once the candidates together have read eight times the file's size (at
// least 1 MB): a file crafted with a header start every few bytes is done with in linear time,
// while a real self-extracting archive needs a tiny part of that.
bool SearchForHeader(InputStream& in, LhaHeader* header) {
  constexpr uint64_t kBlock = uint64_t{1} << 20;
  const uint64_t size = in.Size();
  const uint64_t budget = size * 8 > kBlock ? size * 8 : kBlock;
  uint64_t spent = 0;
  std::vector<uint8_t> window;
  for (uint64_t base = 1; base < size; base += kBlock) {
    const uint64_t rest = size - base;
    const size_t length = static_cast<size_t>(rest < kBlock + kMaxHeader ? rest : kBlock + kMaxHeader);
    window.resize(length);
    if (!in.Seek(base) || in.Read(window.data(), length) != length) return false;
    MemoryInput memory(window.data(), length);
    CountingInput counted(memory);
    // Look for "-l?-" two bytes into a candidate and a level byte that fits, then read it whole.
    for (size_t i = 0; i + 22 <= length && i < kBlock; ++i) {
      const uint8_t* p = window.data() + i;
      if (p[2] != '-' || p[6] != '-' || p[3] != 'l' || p[20] > 3) continue;
      const HeaderResult result = ReadHeader(counted, i, header);
      if (spent + counted.Count() > budget) return false;
      if (result != HeaderResult::kRead) continue;
      header->headerOffset += base;
      header->dataOffset += base;
      // Inside a program the candidate must also have all its data in the file.
      if (header->packedSize <= size - header->dataOffset) return true;
    }
    spent += counted.Count();
  }
  return false;
}

}  // namespace

HeaderResult ReadHeader(InputStream& in, uint64_t offset, LhaHeader* header) {
  *header = LhaHeader();
  header->headerOffset = offset;
  HeaderBytes bytes(in, offset);
  if (!bytes.Fill(1)) return HeaderResult::kEnd;
  const bool zeroFirst = bytes.data()[0] == 0;
  if (!bytes.Fill(22)) return zeroFirst ? HeaderResult::kEnd : HeaderResult::kBroken;
  const uint8_t* b = bytes.data();
  const int level = b[20];
  // A zero first byte ends the archive, except for a level-2 header whose size is a multiple of 256.
  if (zeroFirst && !(level == 2 && LooksLikeMethod(b))) return HeaderResult::kEnd;
  if (!LooksLikeMethod(b)) return HeaderResult::kBroken;

  HeaderResult result;
  switch (level) {
    case 0:
    case 1:
      result = ReadLevel01(bytes, header);
      break;
    case 2:
    case 3:
      result = ReadLevel23(bytes, header, level == 3);
      break;
    default:
      return HeaderResult::kBroken;
  }
  // A 64-bit size from an extended header could carry the next header's offset past the top and
  // round to the start of the file again; no real member comes near this bound.
  if (result == HeaderResult::kRead && header->packedSize > (uint64_t{1} << 62))
    return HeaderResult::kBroken;
  return result;
}

bool FindFirstHeader(InputStream& in, LhaHeader* header) {
  if (ReadHeader(in, 0, header) == HeaderResult::kRead) return true;
  // A file that starts like a header is an archive whose first header is broken, not a program
  // with an archive behind it: searching on would find the second member and lose the first.
  uint8_t start[7];
  if (in.Seek(0) && in.Read(start, sizeof start) == sizeof start && LooksLikeMethod(start))
    return false;
  return SearchForHeader(in, header);
}

std::time_t ModificationTime(const LhaHeader& header) {
  if (header.level >= 2) return static_cast<std::time_t>(header.timeStamp);
  if (header.hasUnixTime) return static_cast<std::time_t>(header.unixTime);
  const uint32_t t = header.timeStamp;
  std::tm tm = {};
  tm.tm_sec = static_cast<int>((t & 0x1F) * 2);
  tm.tm_min = static_cast<int>((t >> 5) & 0x3F);
  tm.tm_hour = static_cast<int>((t >> 11) & 0x1F);
  tm.tm_mday = static_cast<int>((t >> 16) & 0x1F);
  tm.tm_mon = static_cast<int>((t >> 21) & 0x0F) - 1;
  tm.tm_year = static_cast<int>(t >> 25) + 80;
  tm.tm_isdst = -1;
  if (tm.tm_mday < 1 || tm.tm_mon < 0 || tm.tm_mon > 11) return -1;
  return std::mktime(&tm);
}

bool IsDirectoryOrLink(const LhaHeader& header) {
  if (std::strcmp(header.method, "-lhd-") == 0) return true;
  if (!header.hasUnixMode) return false;
  const unsigned type = header.unixMode & 0xF000u;
  return type == 0x4000u || type == 0xA000u;
}

}  // namespace lha
