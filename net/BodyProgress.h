// How the body moves the progress bar, and when a body counts as complete.
#pragma once

// The progress bar runs from 0 to this value over one body.
constexpr int kProgressRange = 10000;

// The step for one received block: its share of the body length on the progress scale, truncated
// toward zero. Without a Content-Length the assumed length makes steps larger than the range; the
// bar then starts again from the beginning. `length` is positive.
int ProgressStep(long received, long length);

// The steps that move the bar over one body, each to be set (PBM_SETSTEP, when it differs from the
// last) and taken (PBM_STEPIT). Every message waits for the user-interface thread, so a block that
// would not move the bar gives none. With a Content-Length the bar stands at the share received,
// truncated: a long body's small blocks add up until they move it. Without one each block takes
// its ProgressStep.
class BodyProgress {
 public:
  BodyProgress(bool lengthGiven, long length) : lengthGiven_(lengthGiven), length_(length) {}

  // The step for the next `received` bytes of the body; 0 when the bar stays where it is.
  int Step(long received);

 private:
  bool lengthGiven_;
  long length_;
  long long total_ = 0;
  int position_ = 0;  // where the steps so far have put the bar (with a length)
};

// A body is short when the header gave a length and the server closed before sending it all.
// (No more than the given length is ever read.)
inline bool BodyIsShort(bool lengthGiven, long length, long long received) {
  return lengthGiven && received < length;
}
