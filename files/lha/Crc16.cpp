#include "files/lha/Crc16.h"

namespace lha {

namespace {

// Four tables let the loop fold four bytes per step; the output is the same as byte by byte.
struct Crc16Tables {
  uint16_t t[4][256];
  Crc16Tables() {
    for (unsigned i = 0; i < 256; ++i) {
      unsigned c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
      t[0][i] = static_cast<uint16_t>(c);
    }
    for (unsigned i = 0; i < 256; ++i)
      for (int k = 1; k < 4; ++k)
        t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
  }
};

const Crc16Tables& Tables() {
  static const Crc16Tables tables;
  return tables;
}

}  // namespace

uint16_t UpdateCrc16(uint16_t crc, const uint8_t* data, size_t size) {
  const Crc16Tables& tb = Tables();
  unsigned c = crc;
  while (size >= 4) {
    c ^= static_cast<unsigned>(data[0]) | (static_cast<unsigned>(data[1]) << 8);
    c = tb.t[3][c & 0xFF] ^ tb.t[2][c >> 8] ^ tb.t[1][data[2]] ^ tb.t[0][data[3]];
    data += 4;
    size -= 4;
  }
  while (size--) c = (c >> 8) ^ tb.t[0][(c ^ *data++) & 0xFF];
  return static_cast<uint16_t>(c);
}

}  // namespace lha
