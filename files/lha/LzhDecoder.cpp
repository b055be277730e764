// The static-Huffman LZSS methods -lh4- to -lh7-.
//
// The data is a series of blocks. Each starts with its number of codes (16 bits) and three code
// tables: a small code for the literal/length code lengths, the literal/length code itself (510
// symbols: 0-255 bytes, 256 and above matches of 3 to 256 bytes) and the position code, whose
// symbol p stands for a distance with p-1 extra bits. A match copies from that distance back in
// the window; the window starts out filled with spaces.
//
// The output goes to one flat buffer: the window's worth of history, then a chunk of new bytes.
// When the chunk is full it is written out and the last window's worth is moved to the front, so
// no copy ever wraps around.
#include <cstring>
#include <memory>

#include "files/lha/BitReader.h"
#include "files/lha/Decoder.h"
#include "files/lha/HuffmanTable.h"
#include "files/lha/LhaErrors.h"

namespace lha {

namespace {

constexpr int kLiteralCodes = 510;  // 256 bytes and 254 match lengths
constexpr int kLengthBits = 9;      // width of the literal/length table's count
constexpr int kPreCodes = 19;       // the code that sends the literal/length code lengths
constexpr int kPreBits = 5;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
constexpr size_t kChunk = size_t{1} << 20;  // at most; a smaller member gets its own size
constexpr size_t kSlack = 512;  // room for a match that starts at the end of a chunk

class LzhDecoder {
 public:
  LzhDecoder(const Method& m, InputStream& in, uint64_t packed)
      : method_(m), bits_(in, packed) {}
  int Run(uint64_t size, OutputSink& out);

 private:
  bool ReadSmallLengths(int alphabet, int countBits, int special, HuffmanTable* table);
  bool ReadLiteralLengths();
  bool ReadTables();

  const Method& method_;
  BitReader bits_;
  HuffmanTable pre_, literal_, position_;
};

// The pre-code and the position code: a count, then each length in three bits, 7 extended by a
// run of one bits. In the pre-code a two-bit run of zero lengths follows the third length.
bool LzhDecoder::ReadSmallLengths(int alphabet, int countBits, int special, HuffmanTable* table) {
  bits_.Refill();
  const int n = static_cast<int>(bits_.Get(countBits));
  if (n == 0) {
    const int symbol = static_cast<int>(bits_.Get(countBits));
    if (symbol >= alphabet) return false;
    table->SetSingle(symbol, 8);
    return true;
  }
  if (n > alphabet) return false;
  uint8_t lengths[32] = {};
  int i = 0;
  while (i < n) {
    bits_.Refill();
    int len = static_cast<int>(bits_.Get(3));
    if (len == 7) {
      while (bits_.Get(1)) {
        if (++len > HuffmanTable::kMaxLength) return false;
      }
    }
    lengths[i++] = static_cast<uint8_t>(len);
    if (i == special) {
      const int zeros = static_cast<int>(bits_.Get(2));
      if (i + zeros > alphabet) return false;
      i += zeros;  // the lengths are zero already
    }
  }
  return table->Build(lengths, alphabet, 8);
}

bool LzhDecoder::ReadLiteralLengths() {
  bits_.Refill();
  const int n = static_cast<int>(bits_.Get(kLengthBits));
  if (n == 0) {
    const int symbol = static_cast<int>(bits_.Get(kLengthBits));
    if (symbol >= kLiteralCodes) return false;
    literal_.SetSingle(symbol, 12);
    return true;
  }
  if (n > kLiteralCodes) return false;
  uint8_t lengths[kLiteralCodes] = {};
  int i = 0;
  while (i < n) {
    bits_.Refill();
    const int c = pre_.Decode(bits_);
    if (c > 2) {
      lengths[i++] = static_cast<uint8_t>(c - 2);
      continue;
    }
    // 0: one zero length; 1: 3 to 18 of them; 2: 20 to 531 of them.
    int zeros = 1;
    if (c == 1) zeros = static_cast<int>(bits_.Get(4)) + 3;
    if (c == 2) zeros = static_cast<int>(bits_.Get(kLengthBits)) + 20;
    if (i + zeros > kLiteralCodes) return false;
    i += zeros;
  }
  return literal_.Build(lengths, kLiteralCodes, 12);
}

bool LzhDecoder::ReadTables() {
  return ReadSmallLengths(kPreCodes, kPreBits, 3, &pre_) && ReadLiteralLengths() &&
         ReadSmallLengths(method_.positionCodes, method_.positionBits, -1, &position_);
}

int LzhDecoder::Run(uint64_t size, OutputSink& out) {
  // Distances reach 2^(positionCodes-1) back, which for -lh4- is more than its window.
  int historyBits = method_.dictionaryBits;
  if (method_.positionCodes - 1 > historyBits) historyBits = method_.positionCodes - 1;
  const size_t history = size_t{1} << historyBits;
  const size_t chunk = size < kChunk ? static_cast<size_t>(size) : kChunk;
  // Only the history needs a value at the start; the rest is written before it is read.
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[history + chunk + kSlack]);
  uint8_t* const window = buffer.get();
  std::memset(window, ' ', history);
  size_t pos = history;
  uint64_t left = size;
  unsigned blockLeft = 0;

  while (left > 0) {
    if (blockLeft == 0) {
      bits_.Refill();
      blockLeft = bits_.Get(16);
      // An encoder never writes an empty block; zeros past the end would read as one forever.
      if (blockLeft == 0 || !ReadTables()) return bits_.Overrun() ? kErrorCrc : kErrorHuffman;
    }
    const size_t start = pos;
    // The last stretch of the member may end up to one match beyond the chunk; matches are cut at
    // its end. Before that, a match may run past the chunk into the slack.
    const size_t room = history + chunk - pos;
    const bool last = left <= room + kMaxMatch;
    const size_t stop = last ? pos + static_cast<size_t>(left) : history + chunk;
    while (pos < stop && blockLeft > 0) {
      --blockLeft;
      // A literal/length code, a position code and its extra bits: at most 16 + 16 + 15 bits.
      bits_.Ensure(47);
      const int c = literal_.Decode(bits_);
      if (c < 256) {
        window[pos++] = static_cast<uint8_t>(c);
        continue;
      }
      size_t length = static_cast<size_t>(c - 256 + kMinMatch);
      const int p = position_.Decode(bits_);
      const size_t distance = p == 0 ? 0 : (size_t{1} << (p - 1)) + bits_.Get(p - 1);
      if (last && length > stop - pos) length = stop - pos;
      uint8_t* d = window + pos;
      const uint8_t* s = d - distance - 1;
      if (distance >= 7) {
        for (size_t i = 0; i < length; i += 8) std::memcpy(d + i, s + i, 8);
      } else if (distance == 0) {
        std::memset(d, *s, length);
      } else {
        for (size_t i = 0; i < length; ++i) d[i] = s[i];
      }
      pos += length;
    }
    static_assert(kMaxMatch + 8 < kSlack, "a match fits the slack");
    const size_t made = pos - start;
    left -= made;
    if (!out.Write(window + start, made)) return kErrorCannotWrite;
    if (bits_.Overrun()) return kErrorCrc;
    if (pos >= history + chunk) {
      std::memmove(window, window + pos - history, history);
      pos = history;
    }
  }
  return kOk;
}

}  // namespace

int DecodeLzh(const Method& method, InputStream& in, uint64_t packedSize, uint64_t originalSize,
              OutputSink& out) {
  LzhDecoder decoder(method, in, packedSize);
  return decoder.Run(originalSize, out);
}

}  // namespace lha
