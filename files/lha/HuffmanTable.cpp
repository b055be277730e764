#include "files/lha/HuffmanTable.h"

namespace lha {

void HuffmanTable::SetSingle(int symbol, int tableBits) {
  tableBits_ = tableBits;
  subMask_ = (1u << (kMaxLength - tableBits)) - 1;
  table_.assign(size_t{1} << tableBits, static_cast<uint32_t>(symbol));
}

bool HuffmanTable::Build(const uint8_t* lengths, int count, int tableBits) {
  unsigned perLength[kMaxLength + 1] = {};
  for (int i = 0; i < count; ++i) {
    if (lengths[i] > kMaxLength) return false;
    ++perLength[lengths[i]];
  }
  // Complete means the codes fill the whole code space exactly, nothing over and nothing left.
  uint32_t used = 0;
  for (int len = 1; len <= kMaxLength; ++len) used += perLength[len] << (kMaxLength - len);
  if (used != (1u << kMaxLength)) return false;

  uint32_t next[kMaxLength + 2] = {};
  uint32_t code = 0;
  for (int len = 1; len <= kMaxLength; ++len) {
    code = (code + perLength[len - 1] * (len > 1 ? 1 : 0)) << 1;
    next[len] = code;
  }

  tableBits_ = tableBits;
  subMask_ = (1u << (kMaxLength - tableBits)) - 1;
  table_.assign(size_t{1} << tableBits, 0);
  const size_t subSize = size_t{1} << (kMaxLength - tableBits);
  for (int symbol = 0; symbol < count; ++symbol) {
    const int len = lengths[symbol];
    if (len == 0) continue;
    const uint32_t c = next[len]++;
    const uint32_t entry = static_cast<uint32_t>(symbol) | (static_cast<uint32_t>(len) << 16);
    if (len <= tableBits) {
      const size_t first = static_cast<size_t>(c) << (tableBits - len);
      const size_t n = size_t{1} << (tableBits - len);
      for (size_t i = 0; i < n; ++i) table_[first + i] = entry;
      continue;
    }
    const size_t prefix = c >> (len - tableBits);
    if (!(table_[prefix] & kSubTable)) {
      table_[prefix] = kSubTable | static_cast<uint32_t>(table_.size());
      table_.resize(table_.size() + subSize, 0);
    }
    const size_t base = table_[prefix] & 0xFFFF;
    const size_t first = (static_cast<size_t>(c) << (kMaxLength - len)) & subMask_;
    const size_t n = size_t{1} << (kMaxLength - len);
    for (size_t i = 0; i < n; ++i) table_[base + first + i] = entry;
  }
  return true;
}

}  // namespace lha
