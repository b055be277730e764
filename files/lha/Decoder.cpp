#include "files/lha/Decoder.h"

#include <cstring>
#include <vector>

#include "files/lha/Crc16.h"
#include "files/lha/LhaErrors.h"

namespace lha {

namespace {

const Method kMethods[] = {
    {"-lh0-", MethodKind::kStored, 0, 0, 0},
    {"-lz4-", MethodKind::kStored, 0, 0, 0},
    {"-lhd-", MethodKind::kDirectory, 0, 0, 0},
    {"-lh1-", MethodKind::kLh1, 12, 0, 0},
    {"-lh4-", MethodKind::kLzh, 12, 14, 4},
    {"-lh5-", MethodKind::kLzh, 13, 14, 4},
    {"-lh6-", MethodKind::kLzh, 15, 16, 5},
    {"-lh7-", MethodKind::kLzh, 16, 17, 5},
    {"-lhx-", MethodKind::kLzh, 19, 20, 5},
    {"-lzs-", MethodKind::kLzs, 11, 0, 0},
    {"-lz5-", MethodKind::kLz5, 12, 0, 0},
};

// Passes the bytes on and keeps their CRC and count.
class CheckingSink : public OutputSink {
 public:
  explicit CheckingSink(OutputSink& out) : out_(out) {}
  bool Write(const uint8_t* data, size_t size) override {
    crc_ = UpdateCrc16(crc_, data, size);
    written_ += size;
    return out_.Write(data, size);
  }
  uint16_t crc() const { return crc_; }
  uint64_t written() const { return written_; }

 private:
  OutputSink& out_;
  uint16_t crc_ = 0;
  uint64_t written_ = 0;
};

int CopyStored(InputStream& in, uint64_t size, OutputSink& out) {
  std::vector<uint8_t> buffer(65536);
  while (size > 0) {
    const size_t want = size < buffer.size() ? static_cast<size_t>(size) : buffer.size();
    const size_t got = in.Read(buffer.data(), want);
    if (got != want) return kErrorCrc;
    if (!out.Write(buffer.data(), got)) return kErrorCannotWrite;
    size -= got;
  }
  return kOk;
}

}  // namespace

const Method* FindMethod(const char* id) {
  for (const Method& m : kMethods)
    if (std::memcmp(m.id, id, 5) == 0) return &m;
  return nullptr;
}

int DecodeMember(const Method& method, InputStream& in, uint64_t packedSize,
                 uint64_t originalSize, uint16_t crc, OutputSink& out) {
  CheckingSink sink(out);
  int result = kOk;
  switch (method.kind) {
    case MethodKind::kDirectory:
      return kOk;
    case MethodKind::kStored:
      if (packedSize != originalSize) return kErrorHeaderBroken;
      result = CopyStored(in, originalSize, sink);
      break;
    case MethodKind::kLzh:
      result = DecodeLzh(method, in, packedSize, originalSize, sink);
      break;
    case MethodKind::kLh1:
      result = DecodeLh1(in, packedSize, originalSize, sink);
      break;
    case MethodKind::kLzs:
      result = DecodeLzs(in, packedSize, originalSize, sink);
      break;
    case MethodKind::kLz5:
      result = DecodeLz5(in, packedSize, originalSize, sink);
      break;
  }
  if (result != kOk) return result;
  if (sink.written() != originalSize || sink.crc() != crc) return kErrorCrc;
  return kOk;
}

}  // namespace lha
