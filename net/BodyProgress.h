// How the body moves the progress bar, and when a body counts as complete.
#pragma once

#include <cstdint>

// The progress bar runs from 0 to this value over one body.
constexpr int kProgressRange = 10000;

// The step for one received block: its share of the body length on the progress scale, truncated
// toward zero. Without a Content-Length the assumed length makes steps larger than the range; the
// bar then starts again from the beginning. `length` is positive.
int ProgressStep(long received, long length);

// How often at most the bar moves while a body keeps coming: more often than the eye can follow
// would only make the transfer wait for the user-interface thread.
constexpr uint32_t kProgressIntervalMs = 50;

// The steps that move the bar over one body, each to be set (PBM_SETSTEP, when it differs from the
// last) and taken (PBM_STEPIT). Every message waits for the user-interface thread, so the bar is
// moved only when its position changes: at most every kProgressIntervalMs while the body keeps
// coming, and whenever the transfer has to wait for more (CatchUp). A body that arrives at once
// does not move it at all. With a Content-Length the bar stands at the share received, truncated,
// once that has grown by `granularity` (the range's share of one pixel of the bar): a long body's
// small blocks add up until they move it. Without one it moves by a block's ProgressStep.
// Times are milliseconds of a clock that may wrap around 32 bits.
class BodyProgress {
 public:
  BodyProgress(bool lengthGiven, long length, uint32_t startMs, int granularity = 1)
      : lengthGiven_(lengthGiven),
        length_(length),
        granularity_(granularity > 0 ? granularity : 1),
        movedMs_(startMs) {}

  // Counts the next `received` bytes, which arrived at `nowMs`; the step to take now, or 0.
  int Step(long received, uint32_t nowMs);
  // The step that shows what has arrived so far, or 0.
  int CatchUp(uint32_t nowMs);

 private:
  int Move(uint32_t nowMs);

  bool lengthGiven_;
  long length_;
  int granularity_;
  uint32_t movedMs_;  // when the bar last moved, or the body began
  long long total_ = 0;
  int position_ = 0;   // where the steps so far have put the bar (with a length)
  long unshown_ = 0;   // the last block, while the bar has not moved for it (without a length)
};

// A body is short when the header gave a length and the server closed before sending it all.
// (No more than the given length is ever read.)
inline bool BodyIsShort(bool lengthGiven, long length, long long received) {
  return lengthGiven && received < length;
}
