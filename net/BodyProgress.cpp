#include "net/BodyProgress.h"

int ProgressStep(long received, long length) {
  if (length <= 0) return 0;
  double step = static_cast<double>(received) / static_cast<double>(length) * kProgressRange;
  // Kept within int so that the conversion is defined for every block size.
  if (step >= 2147483647.0) return 2147483647;
  return static_cast<int>(step);
}

int BodyProgress::Step(long received, uint32_t nowMs) {
  total_ += received;
  unshown_ = received;
  return nowMs - movedMs_ >= kProgressIntervalMs ? Move(nowMs) : 0;
}

int BodyProgress::CatchUp(uint32_t nowMs) { return Move(nowMs); }

int BodyProgress::Move(uint32_t nowMs) {
  int step = 0;
  if (!lengthGiven_) {
    if (unshown_ == 0) return 0;
    step = ProgressStep(unshown_, length_);
    unshown_ = 0;
  } else {
    if (length_ <= 0) return 0;
    const long long due = total_ >= length_ ? kProgressRange : total_ * kProgressRange / length_;
    step = static_cast<int>(due) - position_;
    if (step < granularity_ && !(step > 0 && due == kProgressRange)) return 0;
    position_ = static_cast<int>(due);
  }
  movedMs_ = nowMs;
  return step;
}
