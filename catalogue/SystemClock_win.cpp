#include <windows.h>

#include "catalogue/DateHelpers.h"

LocalDateTime SystemLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}
