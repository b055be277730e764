// The decoders on raw packed data: the first byte picks the method (its value modulo 8: -lh4- to
// -lh7-, -lh1-, -lhx-, -lzs-, -lz5-) and the output size (the value divided by 8, in 8 KB steps),
// the rest is the packed stream.
#include <cstddef>
#include <cstdint>

#include "files/lha/Decoder.h"
#include "files/lha/InputStream.h"

namespace {

class DiscardSink : public lha::OutputSink {
 public:
  bool Write(const uint8_t*, size_t) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kMethods[] = {"-lh4-", "-lh5-", "-lh6-", "-lh7-",
                                         "-lh1-", "-lhx-", "-lzs-", "-lz5-"};
  const lha::Method* method = lha::FindMethod(kMethods[data[0] % 8]);
  const uint64_t original = static_cast<uint64_t>(data[0] / 8) << 13;
  lha::MemoryInput in(data + 1, size - 1);
  DiscardSink sink;
  lha::DecodeMember(*method, in, size - 1, original, 0, sink);
  return 0;
}
