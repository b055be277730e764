#include "net/BodyProgress.h"

int ProgressStep(long received, long length) {
  if (length <= 0) return 0;
  double step = static_cast<double>(received) / static_cast<double>(length) * kProgressRange;
  // Kept within int so that the conversion is defined for every block size.
  if (step >= 2147483647.0) return 2147483647;
  return static_cast<int>(step);
}

int BodyProgress::Step(long received) {
  if (!lengthGiven_) return ProgressStep(received, length_);
  total_ += received;
  if (length_ <= 0) return 0;
  const long long due = total_ >= length_ ? kProgressRange : total_ * kProgressRange / length_;
  const int step = static_cast<int>(due) - position_;
  if (step <= 0) return 0;
  position_ = static_cast<int>(due);
  return step;
}
