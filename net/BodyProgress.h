// How the body moves the progress bar, and when a body counts as complete.
#pragma once

// The progress bar runs from 0 to this value over one body.
constexpr int kProgressRange = 10000;

// The step for one received block: its share of the body length on the progress scale, truncated
// toward zero. Without a Content-Length the assumed length makes steps larger than the range; the
// bar then starts again from the beginning. `length` is positive.
int ProgressStep(long received, long length);

// A body is short when the header gave a length and the server closed before sending it all.
// (No more than the given length is ever read.)
inline bool BodyIsShort(bool lengthGiven, long length, long long received) {
  return lengthGiven && received < length;
}
