// MacLHA on a Macintosh may store a file wrapped in MacBinary: a 128-byte header that names the
// file and gives the sizes of its two forks, then the data fork, then the resource fork, padded
// to a multiple of 128 bytes. Elsewhere only the data fork means anything (the resource fork
// where a file has no data fork), so that is what is extracted.
//
// Nothing marks the wrapper, and a Macintosh archive may also hold plain files, or a MacBinary
// file kept on purpose under a name of its own. So a member is unwrapped only when its header
// says it comes from a Macintosh and the first 128 bytes agree with that header in every field
// MacLHA fills: the name, the sizes, a modification time within a time zone of the member's, and
// zeros wherever MacLHA writes none.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/lha/Decoder.h"
#include "files/lha/LhaHeader.h"

namespace lha {

constexpr size_t kMacBinaryHeader = 128;

// Passes a member's decoded bytes on, without the wrapper where there is one. It sits inside the
// CRC check, which covers the bytes as stored.
class MacBinaryFilter : public OutputSink {
 public:
  MacBinaryFilter(const LhaHeader& header, OutputSink& out);
  bool Write(const uint8_t* data, size_t size) override;

 private:
  enum class Mode { kPass, kReading, kFork };

  const LhaHeader& header_;
  OutputSink& out_;
  Mode mode_;
  uint8_t block_[kMacBinaryHeader];
  size_t have_ = 0;
  uint64_t keep_ = 0;  // bytes of the fork still to pass on
};

}  // namespace lha
