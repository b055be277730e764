// A canonical Huffman code read through a lookup table.
//
// Codes are assigned in order of length and, within a length, of symbol, as LHA's encoders do.
// The first `tableBits` bits of the stream index the main table; a code longer than that finds
// its main entry pointing at a second-level table indexed by the bits that follow, up to 16.
#pragma once

#include <cstdint>
#include <vector>

#include "files/lha/BitReader.h"

namespace lha {

class HuffmanTable {
 public:
  static constexpr int kMaxLength = 16;

  // Builds the code from the length of each symbol (0: unused). False for a length above 16 or a
  // set of lengths that does not make a complete prefix code.
  bool Build(const uint8_t* lengths, int count, int tableBits);
  // A code of one symbol that takes no bits at all.
  void SetSingle(int symbol, int tableBits);

  // The next symbol; the reader must hold at least 16 bits.
  int Decode(BitReader& bits) const {
    uint32_t e = table_[bits.Peek(tableBits_)];
    if (e & kSubTable) e = table_[(e & 0xFFFF) + (bits.Peek(kMaxLength) & subMask_)];
    bits.Skip(static_cast<int>(e >> 16));
    return static_cast<int>(e & 0xFFFF);
  }

 private:
  static constexpr uint32_t kSubTable = 0x80000000u;
  std::vector<uint32_t> table_;  // symbol in the low 16 bits, code length above
  int tableBits_ = 0;
  uint32_t subMask_ = 0;
};

}  // namespace lha
