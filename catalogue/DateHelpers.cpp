#include "catalogue/DateHelpers.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// The standard decimal conversion (leading white space, an optional sign, the digits up to the
// first other character, 0 without digits), held to the range of int instead of overflowing.
int ReadDecimal(const char* text, const char* end) {
  while (text < end && (*text == ' ' || (*text >= '\t' && *text <= '\r'))) ++text;
  bool negative = false;
  if (text < end && (*text == '+' || *text == '-')) negative = *text++ == '-';
  long long value = 0;
  while (text < end && *text >= '0' && *text <= '9') {
    value = value * 10 + (*text++ - '0');
    if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int32_t ClampToInt32(long long v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// The calendar of the day counts starts on 1 March 1900.
constexpr int32_t kFirstDayCount = -29160;

bool IsEightDigit(int32_t date) { return date >= 10000000 && date <= 99999999; }

// Days since 1 January 1970 of a Gregorian date, month 1 to 12 (proleptic, any year).
long long GregorianDays(long long year, int month, int day) {
  year -= month <= 2;
  const long long era = FloorDiv(year, 400);
  const long long yearOfEra = year - era * 400;
  const int shiftedMonth = month > 2 ? month - 3 : month + 9;
  const long long dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// Steps one day at a time from `date` until `wanted` accepts the weekday. Within the eight-digit
// range an answer comes within nine steps; the bound only guarantees the end.
template <typename Wanted>
int32_t StepUntil(int32_t date, int32_t step, Wanted wanted) {
  if (!IsEightDigit(date)) return 0;
  for (int i = 0; i < 16; ++i) {
    date = AddDays(date, step);
    if (date == 0) return 0;
    if (wanted(WeekdayOf(date))) return date;
  }
  return 0;
}

LocalClock g_clock = nullptr;

LocalDateTime Now() { return g_clock ? g_clock() : SystemLocalTime(); }

// The two characters of a time number at `index` of its "%06ld" form, read as a number.
int TimeField(int32_t time, int index) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%06ld", static_cast<long>(time));
  return ReadDecimal(digits + index, digits + index + 2);
}

}  // namespace

int SplitDateText(const char* text, int* first, int* second, int* third) {
  char copy[100];
  std::size_t length = 0;
  while (length < sizeof copy - 1 && text[length] != '\0') ++length;
  std::memcpy(copy, text, length);
  copy[length] = '\0';

  int* fields[3] = {first, second, third};
  int found = 0;
  const char* p = copy;
  const char* end = copy + length;
  while (found < 3) {
    while (p < end && *p == '/') ++p;
    if (p == end) return 0;
    const char* fieldEnd = p;
    while (fieldEnd < end && *fieldEnd != '/') ++fieldEnd;
    *fields[found++] = ReadDecimal(p, fieldEnd);
    p = fieldEnd;
  }
  return 1;
}

int32_t DateTextToNumber(const char* text) {
  int day = 0, month = 0, year = 0;
  if (!SplitDateText(text, &day, &month, &year)) return 0;
  char digits[48];
  std::snprintf(digits, sizeof digits, "%d%02d%02d", year, month, day);
  return ReadDecimal(digits, digits + std::strlen(digits));
}

std::string DateNumberToText(int32_t date) {
  if (!IsEightDigit(date)) return std::string();
  char digits[16];
  std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(date));
  std::string text;
  text.append(digits + 6, 2).append("/").append(digits + 4, 2).append("/").append(digits, 4);
  return text;
}

int IsValidDateText(const char* text) {
  int day = 0, month = 0, year = 0;
  if (!SplitDateText(text, &day, &month, &year)) return 0;
  // Four-digit years only: every other operation reads the eight digits of a date number.
  if (year < 1900 || year > 9999) return 0;
  int y = 0, m = 0, d = 0;
  DateFromDayCount(DayCount(year, month, day), &y, &m, &d);
  return y == year && m == month && d == day ? 1 : 0;
}

int32_t DayCount(int year, int month, int day) {
  long long y = year >= 1900 ? year - 1900LL : year;
  long long m = 0;
  if (month == 1 || month == 2) {
    y -= 1;
    m = month + 9LL;
  } else {
    m = month - 3LL;
  }
  return ClampToInt32(FloorDiv(1461 * y, 4) + FloorDiv(979 * m + 17, 32) + day - 29161);
}

void DateFromDayCount(int32_t dayCount, int* year, int* month, int* day) {
  const long long c = static_cast<long long>(dayCount) + 29161;
  long long y = (4 * c - 1) / 1461;
  const long long r = c - FloorDiv(1461 * y, 4);
  const long long m = (32 * r - 17) / 979;
  long long d = r - FloorDiv(979 * m + 17, 32);
  long long mo = m + 3;
  if (mo > 12) {
    mo -= 12;
    y += 1;
  }
  *year = static_cast<int>(y + 1900);
  *month = static_cast<int>(mo);
  *day = static_cast<int>(d);
}

int32_t AddDays(int32_t date, int32_t days) {
  if (!IsEightDigit(date) || date / 10000 < 1900) return 0;
  const int32_t base = DayCount(date / 10000, date / 100 % 100, date % 100);
  const long long count = static_cast<long long>(base) + days;
  if (base < kFirstDayCount || count < kFirstDayCount || count > INT32_MAX) return 0;
  int year = 0, month = 0, day = 0;
  DateFromDayCount(static_cast<int32_t>(count), &year, &month, &day);
  if (year < 1000 || year > 9999) return 0;
  return year * 10000 + month * 100 + day;
}

int WeekdayOf(int32_t date) {
  if (!IsEightDigit(date)) return 0;
  // Month 00 and day 00 carry back into the month or year before, as a C runtime normalises.
  const int monthFromZero = date / 100 % 100 - 1;
  const long long year = date / 10000 + FloorDiv(monthFromZero, 12);
  const int month = static_cast<int>(monthFromZero - FloorDiv(monthFromZero, 12) * 12) + 1;
  const long long days = GregorianDays(year, month, 1) + date % 100 - 1;
  // 1 January 1970 was a Thursday.
  const long long weekday = (days + 4) % 7;
  return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

int32_t NextWeekday(int32_t date) {
  return StepUntil(date, 1, [](int w) { return w >= 1 && w <= 5; });
}

int32_t PreviousWeekday(int32_t date) {
  return StepUntil(date, -1, [](int w) { return w >= 1 && w <= 5; });
}

int32_t NextDayOfWeek(int32_t date, int dayOfWeek) {
  return StepUntil(date, 1, [dayOfWeek](int w) { return w == dayOfWeek; });
}

void SetLocalClock(LocalClock clock) { g_clock = clock; }

int32_t TodayDateNumber() {
  const LocalDateTime now = Now();
  return now.year * 10000 + now.month * 100 + now.day;
}

int32_t CurrentTimeNumber() {
  const LocalDateTime now = Now();
  return now.hour * 10000 + now.minute * 100 + now.second;
}

int TimeHours(int32_t time) { return TimeField(time, 0); }
int TimeMinutes(int32_t time) { return TimeField(time, 2); }
int TimeSeconds(int32_t time) { return TimeField(time, 4); }

int32_t AddSecondsToTime(int32_t time, int32_t seconds) {
  const long long total = TimeHours(time) * 3600LL + TimeMinutes(time) * 60LL + TimeSeconds(time) + seconds;
  const long long ofDay = total - FloorDiv(total, 86400) * 86400;
  const int hour = static_cast<int>(ofDay / 3600);
  const int minute = static_cast<int>(ofDay / 60 % 60);
  const int second = static_cast<int>(ofDay % 60);
  return hour * 10000 + minute * 100 + second;
}

int IsValidTimeNumber(int32_t time) {
  char digits[16];
  int length = std::snprintf(digits, sizeof digits, "%06ld", static_cast<long>(time));
  return length == 6 && AddSecondsToTime(time, 0) == time ? 1 : 0;
}
