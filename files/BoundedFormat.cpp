#include "files/BoundedFormat.h"

#include <cstdarg>
#include <cstdio>

bool FormatInto(char* out, std::size_t size, const char* format, ...) {
  if (size == 0) return false;
  std::va_list args;
  va_start(args, format);
  int written = std::vsnprintf(out, size, format, args);
  va_end(args);
  if (written < 0) {
    out[0] = '\0';
    return false;
  }
  return static_cast<std::size_t>(written) < size;
}
