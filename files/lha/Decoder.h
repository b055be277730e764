// Turns a member's packed data back into its original bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/lha/InputStream.h"

namespace lha {

// Takes the decoded bytes in order; false stops the decoding with kErrorCannotWrite.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

enum class MethodKind { kStored, kDirectory, kLzh, kLh1, kLzs, kLz5 };

struct Method {
  const char* id;      // "-lh5-"
  MethodKind kind;
  int dictionaryBits;  // the window is 2^dictionaryBits bytes
  int positionCodes;   // static-Huffman methods: the size of the position alphabet
  int positionBits;    // static-Huffman methods: the width of its count
};

// The method named by a header's five method bytes, or null for one this extractor cannot decode.
const Method* FindMethod(const char* id);

// Decodes `packedSize` bytes read from `in` (positioned at the data) into `originalSize` bytes
// written to `out`, and checks them against `crc`. kOk, kErrorCrc (also for data that runs out),
// kErrorHuffman, kErrorHeaderBroken (sizes that cannot match) or kErrorCannotWrite.
int DecodeMember(const Method& method, InputStream& in, uint64_t packedSize,
                 uint64_t originalSize, uint16_t crc, OutputSink& out);

// The decoders behind DecodeMember; each writes exactly `originalSize` bytes unless it fails.
int DecodeLzh(const Method& method, InputStream& in, uint64_t packedSize, uint64_t originalSize,
              OutputSink& out);
int DecodeLh1(InputStream& in, uint64_t packedSize, uint64_t originalSize, OutputSink& out);
int DecodeLzs(InputStream& in, uint64_t packedSize, uint64_t originalSize, OutputSink& out);
int DecodeLz5(InputStream& in, uint64_t packedSize, uint64_t originalSize, OutputSink& out);

}  // namespace lha
