#include "files/lha/BitReader.h"

namespace lha {

namespace {
constexpr size_t kBufferSize = 65536;
}

BitReader::BitReader(InputStream& in, uint64_t limit)
    : in_(in), remaining_(limit), buffer_(kBufferSize) {
  next_ = end_ = buffer_.data();
}

bool BitReader::FillBuffer() {
  if (remaining_ == 0) return false;
  const size_t tail = static_cast<size_t>(end_ - next_);
  std::memmove(buffer_.data(), next_, tail);
  size_t want = buffer_.size() - tail;
  if (want > remaining_) want = static_cast<size_t>(remaining_);
  const size_t got = in_.Read(buffer_.data() + tail, want);
  // A short read means the file ended early; what is missing reads as zeros like the rest.
  remaining_ = got == want ? remaining_ - got : 0;
  next_ = buffer_.data();
  end_ = next_ + tail + got;
  return got > 0;
}

void BitReader::RefillSlow() {
  while (count_ <= 56) {
    if (end_ - next_ >= 8) {
      Refill();
      return;
    }
    if (next_ == end_ && !FillBuffer()) {
      zeroBits_ += static_cast<uint64_t>(64 - count_);
      count_ = 64;
      return;
    }
    if (end_ - next_ >= 8) continue;
    bits_ |= static_cast<uint64_t>(*next_++) << (56 - count_);
    count_ += 8;
  }
}

}  // namespace lha
