// LArc's two methods, plain LZSS without Huffman codes. A copy names the absolute place in a ring
// of history where the bytes to repeat begin, not a distance back from the write position, and
// the ring does not start out empty: the first copies may repeat what it was filled with.
//
// -lzs-: a 2 KB ring of spaces, written from 17 bytes before its end. Each command is one flag
// bit, most significant bit first: 1 and a byte, or 0, an 11-bit place and a 4-bit length of 2
// to 17.
// -lz5-: a 4 KB ring with a fixed pattern (runs of every byte value, the values up and down,
// zeros and spaces), written from 18 bytes before its end. A byte of eight flags, lowest first,
// leads eight commands: a set flag and a byte, or a clear one and two bytes that hold a 12-bit
// place (the low byte, then the high four bits) and a 4-bit length of 3 to 18.
#include <cstring>
#include <vector>

#include "files/lha/BitReader.h"
#include "files/lha/Decoder.h"
#include "files/lha/LhaErrors.h"

namespace lha {

namespace {

constexpr size_t kChunk = 65536;

// The ring, and the member's bytes on their way out in chunks; nothing is made past its size.
class RingOutput {
 public:
  RingOutput(size_t ringSize, size_t start, uint64_t size, OutputSink& out)
      : ring_(ringSize), mask_(ringSize - 1), pos_(start), left_(size), out_(out) {
    chunk_.reserve(kChunk);
  }

  uint8_t* ring() { return ring_.data(); }
  bool Done() const { return left_ == 0; }

  void Byte(uint8_t b) {
    if (left_ == 0) return;
    ring_[pos_] = b;
    pos_ = (pos_ + 1) & mask_;
    chunk_.push_back(b);
    --left_;
    if (chunk_.size() == kChunk) Flush();
  }
  // Byte by byte, as a copy may overlap the bytes it is writing.
  void Copy(size_t from, size_t length) {
    for (size_t i = 0; i < length; ++i) Byte(ring_[(from + i) & mask_]);
  }
  // Writes what is waiting; false once any write has failed.
  bool Flush() {
    if (!chunk_.empty() && !failed_) failed_ = !out_.Write(chunk_.data(), chunk_.size());
    chunk_.clear();
    return !failed_;
  }
  bool Failed() const { return failed_; }

 private:
  std::vector<uint8_t> ring_;
  size_t mask_;
  size_t pos_;
  uint64_t left_;
  OutputSink& out_;
  std::vector<uint8_t> chunk_;
  bool failed_ = false;
};

void FillLz5Ring(uint8_t* p) {
  for (int value = 0; value < 256; ++value) {
    std::memset(p, value, 13);
    p += 13;
  }
  for (int value = 0; value < 256; ++value) *p++ = static_cast<uint8_t>(value);
  for (int value = 255; value >= 0; --value) *p++ = static_cast<uint8_t>(value);
  std::memset(p, 0, 128);
  std::memset(p + 128, ' ', 110);
  std::memset(p + 238, 0, 18);
}

int Finish(RingOutput& ring) { return ring.Flush() ? kOk : kErrorCannotWrite; }

}  // namespace

int DecodeLzs(InputStream& in, uint64_t packedSize, uint64_t originalSize, OutputSink& out) {
  constexpr size_t kRing = 2048;
  RingOutput ring(kRing, kRing - 17, originalSize, out);
  std::memset(ring.ring(), ' ', kRing);
  BitReader bits(in, packedSize);
  while (!ring.Done()) {
    // Zeros past the end decode as copies, so stop once they are all that is left.
    if (bits.Overrun()) return kErrorCrc;
    bits.Ensure(16);
    if (bits.Get(1)) {
      ring.Byte(static_cast<uint8_t>(bits.Get(8)));
    } else {
      const size_t from = bits.Get(11);
      ring.Copy(from, bits.Get(4) + 2);
    }
    if (ring.Failed()) return kErrorCannotWrite;
  }
  return Finish(ring);
}

int DecodeLz5(InputStream& in, uint64_t packedSize, uint64_t originalSize, OutputSink& out) {
  constexpr size_t kRing = 4096;
  RingOutput ring(kRing, kRing - 18, originalSize, out);
  FillLz5Ring(ring.ring());
  BitReader bits(in, packedSize);
  while (!ring.Done()) {
    if (bits.Overrun()) return kErrorCrc;
    bits.Ensure(8);
    unsigned flags = bits.Get(8);
    for (int i = 0; i < 8 && !ring.Done(); ++i, flags >>= 1) {
      bits.Ensure(16);
      if (flags & 1) {
        ring.Byte(static_cast<uint8_t>(bits.Get(8)));
      } else {
        const size_t low = bits.Get(8);
        const size_t high = bits.Get(8);
        ring.Copy(((high & 0xF0) << 4) | low, (high & 0x0F) + 3);
      }
    }
    if (ring.Failed()) return kErrorCannotWrite;
  }
  return Finish(ring);
}

}  // namespace lha
