#include <time.h>

#include "catalogue/DateHelpers.h"

LocalDateTime SystemLocalTime() {
  time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}
