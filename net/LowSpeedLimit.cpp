#include "net/LowSpeedLimit.h"

LowSpeedLimit::LowSpeedLimit(uint32_t nowMs, uint32_t windowMs, uint32_t minimumBytes)
    : start_(nowMs), slotMs_(windowMs / kSlots + (windowMs % kSlots != 0 ? 1 : 0)), minimum_(minimumBytes) {
  if (slotMs_ == 0) slotMs_ = 1;
}

void LowSpeedLimit::Advance(uint32_t nowMs) {
  const uint64_t slot = static_cast<uint32_t>(nowMs - start_) / slotMs_;
  if (slot <= current_) return;
  if (slot - current_ > kSlots) {  // nothing counted so far is within the window any more
    for (uint64_t& count : counts_) count = 0;
    sum_ = 0;
    current_ = slot;
    return;
  }
  while (current_ < slot) {
    uint64_t& oldest = counts_[++current_ % (kSlots + 1)];
    sum_ -= oldest;
    oldest = 0;
  }
}

void LowSpeedLimit::Received(uint32_t nowMs, uint32_t bytes) {
  Advance(nowMs);
  counts_[current_ % (kSlots + 1)] += bytes;
  sum_ += bytes;
}

bool LowSpeedLimit::TooSlow(uint32_t nowMs) {
  Advance(nowMs);
  return current_ >= kSlots && sum_ < minimum_;
}
