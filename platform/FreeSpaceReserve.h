// The one rule on disk space: nothing the program writes (a transfer's body, an extracted member)
// may leave less than kFreeSpaceReserve free on the volume it goes to, so that data from the
// server, whatever size it claims or turns out to have, can never fill the user's disk. Portable:
// the caller asks its own system for the free space.
#pragma once

#include <cstdint>

constexpr uint64_t kFreeSpaceReserve = uint64_t{256} << 20;

// Whether writing `bytes` more on a volume where `available` bytes are free leaves the reserve.
constexpr bool LeavesReserve(uint64_t available, uint64_t bytes) {
  return available >= kFreeSpaceReserve && available - kFreeSpaceReserve >= bytes;
}
