// Feeds arbitrary server replies to the header reader byte by byte, as the exchange does, and
// checks what it promises: it stops at the first verdict, never holds a line longer than the
// limit, and reports a length only when the header gave a usable one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/BodyProgress.h"
#include "net/ResponseHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResponseHeaderReader reader;
  size_t lineLength = 0;
  for (size_t i = 0; i < size; ++i) {
    char byte = static_cast<char>(data[i]);
    ResponseHeaderReader::Step step = reader.Feed(byte);
    lineLength = byte == '\n' ? 0 : lineLength + 1;
    if (step == ResponseHeaderReader::Step::LineTooLong) {
      if (lineLength <= kHeaderLineMax) std::abort();
      break;
    }
    if (lineLength > kHeaderLineMax) std::abort();  // a longer line must have been refused
    if (step == ResponseHeaderReader::Step::Status) {
      int code = reader.StatusCode();
      if (code == 200 || code == 404 || !reader.StatusSeen()) std::abort();
      if (HttpStatusMessage(code).empty()) std::abort();
      break;
    }
    if (step == ResponseHeaderReader::Step::End) {
      if (byte != '\n') std::abort();
      break;
    }
  }
  long length = reader.BodyLength();
  if (length < 0) std::abort();
  if (!reader.LengthGiven() && length != kAssumedBodyLength) std::abort();
  if (length > 0) {
    int step = ProgressStep(512, length);
    if (step < 0) std::abort();
  }
  return 0;
}
