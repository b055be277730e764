// The least rate of a body, over ten minutes of a simulated clock that wraps in the middle.
#include <gtest/gtest.h>

#include <cstdint>

#include "net/LowSpeedLimit.h"

namespace {

TEST(LowSpeedLimit, EndsOnlyABodyThatBroughtTooLittleInAWholeWindow) {
  // A piece of `bytes` arrives every `everyMs` (0: nothing); found too slow by `slowByMs` (0: never).
  const struct { const char* name; uint32_t everyMs, bytes, slowByMs; } rows[] = {
      {"nothing at all", 0, 0, 62000},
      {"10 bytes a second", 1000, 10, 62000},
      {"1023 bytes at once, then nothing", 600000, 1023, 62000},
      {"20 bytes a second", 1000, 20, 0},
      {"1 KiB at once every 59 s", 59000, 1024, 0},
  };
  const uint32_t base = 0xFFFFFFFFu - 300000;  // the clock wraps five minutes in
  for (const auto& row : rows) {
    LowSpeedLimit limit(base);
    uint32_t slowAt = 0;
    for (uint32_t t = 100; t <= 600000 && slowAt == 0; t += 100) {
      if (row.everyMs != 0 && t % row.everyMs == 100) limit.Received(base + t, row.bytes);
      if (limit.TooSlow(base + t)) slowAt = t;
    }
    // Never before a whole window has passed.
    EXPECT_TRUE(row.slowByMs == 0 ? slowAt == 0 : slowAt >= kLowSpeedWindowMs && slowAt <= row.slowByMs)
        << row.name << ": found too slow at " << slowAt << " ms";
  }
}

}  // namespace
