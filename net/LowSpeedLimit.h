// The body of a reply must keep coming at a least rate: a transfer whose body brings fewer than
// kLowSpeedMinimumBytes in some kLowSpeedWindowMs ends as timed out. A server or proxy that sends
// a byte now and then, each well within any wait for the next, would otherwise hold a transfer
// for hours, and for ever without a Content-Length. A body that stops altogether is the same case.
// Portable: the caller gives the time, in milliseconds of a clock that only moves forward (it may
// wrap around 32 bits, as GetTickCount does).
#pragma once

#include <cstdint>

constexpr uint32_t kLowSpeedWindowMs = 60000;
constexpr uint32_t kLowSpeedMinimumBytes = 1024;

class LowSpeedLimit {
 public:
  // The body begins at `nowMs`; its first window ends a whole window later.
  explicit LowSpeedLimit(uint32_t nowMs, uint32_t windowMs = kLowSpeedWindowMs,
                         uint32_t minimumBytes = kLowSpeedMinimumBytes);

  void Received(uint32_t nowMs, uint32_t bytes);

  // True once some whole window that ends by `nowMs` brought fewer than the minimum. It is seen at
  // most one slot (a thirtieth of the window) late, and never for a body that brought the minimum
  // in every window.
  bool TooSlow(uint32_t nowMs);

 private:
  // The bytes of the last kSlots whole slots and of the slot under way: together at least one
  // window, since a slot is rounded up.
  static constexpr uint32_t kSlots = 30;
  void Advance(uint32_t nowMs);

  uint32_t start_;
  uint32_t slotMs_;
  uint32_t minimum_;
  uint64_t current_ = 0;  // the slot under way, counted from the start of the body
  uint64_t counts_[kSlots + 1] = {};
  uint64_t sum_ = 0;  // of counts_
};
