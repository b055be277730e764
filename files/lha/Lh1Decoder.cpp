// -lh1-: LZSS over a 4 KB window that starts out filled with spaces. Bytes and match lengths
// (3 to 60) share one adaptive Huffman code of 314 symbols, updated after every symbol; a match's
// distance has its upper six bits under a fixed code of 3 to 8 bits and its lower six bits plain.
//
// The adaptive code is a tree kept as an array of nodes ordered by weight (the sibling property):
// the two children of a node sit side by side, and after a symbol's weight grows, each node on its
// path is swapped with the last node of equal weight before its own weight is raised. When the
// root's weight reaches 0x8000 every leaf weight is halved and the tree is built afresh.
#include <cstring>
#include <vector>

#include "files/lha/BitReader.h"
#include "files/lha/Decoder.h"
#include "files/lha/HuffmanTable.h"
#include "files/lha/LhaErrors.h"

namespace lha {

namespace {

constexpr int kSymbols = 314;
constexpr int kNodes = 2 * kSymbols - 1;
constexpr int kRoot = kNodes - 1;
constexpr unsigned kRebuildWeight = 0x8000;
constexpr int kMinMatch = 3;
constexpr size_t kMaxMatch = 60;
constexpr size_t kHistory = 4096;
constexpr size_t kChunk = 65536;

class AdaptiveCode {
 public:
  AdaptiveCode() {
    for (int i = 0; i < kSymbols; ++i) {
      weight_[i] = 1;
      child_[i] = static_cast<int16_t>(i + kNodes);
      parent_[i + kNodes] = static_cast<int16_t>(i);
    }
    for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
      weight_[j] = static_cast<uint16_t>(weight_[i] + weight_[i + 1]);
      child_[j] = static_cast<int16_t>(i);
      parent_[i] = parent_[i + 1] = static_cast<int16_t>(j);
    }
    weight_[kNodes] = 0xFFFF;  // stops the search for the last node of equal weight
    parent_[kRoot] = 0;
  }

  int Decode(BitReader& bits) {
    int node = child_[kRoot];
    while (node < kNodes) {
      bits.Refill();
      node = child_[node + static_cast<int>(bits.Get(1))];
    }
    const int symbol = node - kNodes;
    Update(symbol);
    return symbol;
  }

 private:
  void Update(int symbol) {
    if (weight_[kRoot] == kRebuildWeight) Rebuild();
    int node = parent_[symbol + kNodes];
    do {
      const uint16_t w = ++weight_[node];
      int last = node + 1;
      if (w > weight_[last]) {
        while (w > weight_[++last]) {
        }
        --last;
        weight_[node] = weight_[last];
        weight_[last] = w;
        const int a = child_[node];
        const int b = child_[last];
        SetParent(a, last);
        SetParent(b, node);
        child_[last] = static_cast<int16_t>(a);
        child_[node] = static_cast<int16_t>(b);
        node = last;
      }
      node = parent_[node];
    } while (node != 0);
  }

  // `c` is a node's child: a leaf code (kNodes and up) or the first of two sibling nodes.
  void SetParent(int c, int node) {
    parent_[c] = static_cast<int16_t>(node);
    if (c < kNodes) parent_[c + 1] = static_cast<int16_t>(node);
  }

  void Rebuild() {
    int leaves = 0;
    for (int i = 0; i < kNodes; ++i) {
      if (child_[i] >= kNodes) {
        weight_[leaves] = static_cast<uint16_t>((weight_[i] + 1) / 2);
        child_[leaves] = child_[i];
        ++leaves;
      }
    }
    for (int i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
      const uint16_t w = static_cast<uint16_t>(weight_[i] + weight_[i + 1]);
      int at = j - 1;
      while (w < weight_[at]) --at;
      ++at;
      const size_t moved = static_cast<size_t>(j - at);
      std::memmove(&weight_[at + 1], &weight_[at], moved * sizeof weight_[0]);
      std::memmove(&child_[at + 1], &child_[at], moved * sizeof child_[0]);
      weight_[at] = w;
      child_[at] = static_cast<int16_t>(i);
    }
    for (int i = 0; i < kNodes; ++i) SetParent(child_[i], i);
  }

  uint16_t weight_[kNodes + 1];
  int16_t child_[kNodes];
  int16_t parent_[kNodes + kSymbols];  // of nodes, then of leaf codes
};

// The fixed code of a distance's upper six bits: value 0 has 3 bits, 1-3 have 4, 4-11 have 5,
// 12-23 have 6, 24-47 have 7 and 48-63 have 8, assigned in order of value.
bool BuildUpperCode(HuffmanTable* table) {
  uint8_t lengths[64];
  for (int v = 0; v < 64; ++v)
    lengths[v] = static_cast<uint8_t>(v < 1 ? 3 : v < 4 ? 4 : v < 12 ? 5 : v < 24 ? 6 : v < 48 ? 7 : 8);
  return table->Build(lengths, 64, 8);
}

}  // namespace

int DecodeLh1(InputStream& in, uint64_t packedSize, uint64_t originalSize, OutputSink& out) {
  HuffmanTable upper;
  if (!BuildUpperCode(&upper)) return kErrorHuffman;
  AdaptiveCode code;
  BitReader bits(in, packedSize);
  std::vector<uint8_t> buffer(kHistory + kChunk + kMaxMatch, ' ');
  uint8_t* const window = buffer.data();
  size_t pos = kHistory;
  uint64_t left = originalSize;
  while (left > 0) {
    // As in the static-Huffman decoder: a match may run past the chunk, and is cut only at the
    // member's end.
    const size_t start = pos;
    const size_t room = kHistory + kChunk - pos;
    const bool last = left <= room + kMaxMatch;
    const size_t stop = last ? pos + static_cast<size_t>(left) : kHistory + kChunk;
    while (pos < stop) {
      // Zeros past the end decode as well as anything, so stop once they are all that is left.
      if (bits.Overrun()) return kErrorCrc;
      const int c = code.Decode(bits);
      if (c < 256) {
        window[pos++] = static_cast<uint8_t>(c);
        continue;
      }
      bits.Refill();
      const size_t distance = (static_cast<size_t>(upper.Decode(bits)) << 6) | bits.Get(6);
      size_t length = static_cast<size_t>(c - 256 + kMinMatch);
      if (last && length > stop - pos) length = stop - pos;
      const uint8_t* s = window + pos - distance - 1;
      for (size_t i = 0; i < length; ++i) window[pos + i] = s[i];
      pos += length;
    }
    if (!out.Write(window + start, pos - start)) return kErrorCannotWrite;
    left -= pos - start;
    if (pos >= kHistory + kChunk) {
      std::memmove(window, window + pos - kHistory, kHistory);
      pos = kHistory;
    }
  }
  return kOk;
}

}  // namespace lha
