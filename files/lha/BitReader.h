// Reads a member's packed data as a stream of bits, most significant bit first.
//
// The bits wait left-aligned in a 64-bit word, refilled eight bytes at a time while the buffer
// holds that many. Past the member's last byte the stream reads as zeros, so a decoder never
// touches the next member; a stream that has been read well beyond its end reports an overrun.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "files/lha/InputStream.h"

namespace lha {

class BitReader {
 public:
  // `limit` is the number of packed bytes; the stream is positioned at the first of them.
  BitReader(InputStream& in, uint64_t limit);

  // Tops the word up to at least 56 bits, so that a symbol, a position code and its extra bits
  // can follow without another refill.
  void Refill() {
    if (count_ > 56) return;
    if (end_ - next_ >= 8) {
      uint64_t v;
      std::memcpy(&v, next_, 8);
      v = ToBigEndian(v);
      bits_ |= v >> count_;
      const int bytes = (63 - count_) >> 3;
      next_ += bytes;
      count_ += bytes * 8;
      return;
    }
    RefillSlow();
  }
  // Refills only when fewer than `n` bits (n <= 56) wait, which spares most refills in a run of
  // short codes.
  void Ensure(int n) {
    if (count_ < n) Refill();
  }
  // The next `n` bits (n <= 32) without taking them; valid after Refill for n <= 56.
  uint32_t Peek(int n) const { return n ? static_cast<uint32_t>(bits_ >> (64 - n)) : 0; }
  void Skip(int n) {
    bits_ <<= n;
    count_ -= n;
  }
  uint32_t Get(int n) {
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  // True when well over a word of zeros past the end has been taken: the data is broken.
  bool Overrun() const { return zeroBits_ > 512; }

 private:
  static uint64_t ToBigEndian(uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return __builtin_bswap64(v);
#else
    return v;
#endif
  }
  void RefillSlow();
  bool FillBuffer();

  InputStream& in_;
  uint64_t remaining_;  // packed bytes not yet in the buffer
  std::vector<uint8_t> buffer_;
  const uint8_t* next_;
  const uint8_t* end_;
  uint64_t bits_ = 0;
  int count_ = 0;
  uint64_t zeroBits_ = 0;
};

}  // namespace lha
