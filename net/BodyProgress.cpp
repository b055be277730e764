#include "net/BodyProgress.h"

int ProgressStep(long received, long length) {
  if (length <= 0) return 0;
  double step = static_cast<double>(received) / static_cast<double>(length) * kProgressRange;
  // Kept within int so that the conversion is defined for every block size.
  if (step >= 2147483647.0) return 2147483647;
  return static_cast<int>(step);
}
