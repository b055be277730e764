// Date texts, day arithmetic, weekdays and times of day. The test runs with a time zone that has
// daylight saving (TZ is set for it), so that answers taken from the local calendar would show.
#include "catalogue/DateHelpers.h"

#include <gtest/gtest.h>

#include <ctime>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(DateText, ValidTextsAndTheirNumbers) {
  const struct {
    const char* text;
    int32_t number;
  } cases[] = {
      {"21/05/1997", 19970521}, {"21/5/1997", 19970521},   {"21/05/1997abc", 19970521},
      {"//21//05//1997", 19970521}, {"21/05/1997/3", 19970521}, {" 21/ 05/ 1997", 19970521},
      {"29/02/2000", 20000229}, {"29/02/2100", 21000229},  {"1/3/1900", 19000301},
      {"31/12/9999", 99991231}, {"+1/+1/2013", 20130101},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(1, IsValidDateText(c.text)) << c.text;
    EXPECT_EQ(c.number, DateTextToNumber(c.text)) << c.text;
  }
}

TEST(DateText, InvalidTexts) {
  const char* cases[] = {"21/05/97",   "21-05-1997", "21/05",      "31/04/2013", "0/05/2013",
                         "29/02/2013", "29/02/1900", "28/02/1900", "",           "///",
                         "1/13/2013",  "32/1/2013",  "-1/1/2013",  "1/1/10000",  "99999999999/1/2013",
                         "1/1/-2013",  "a/b/c"};
  for (const char* text : cases) EXPECT_EQ(0, IsValidDateText(text)) << text;
}

TEST(DateText, SplitNeedsThreeFieldsAndReadsLikeTheDecimalConversion) {
  int a = -7, b = -7, c = -7;
  EXPECT_EQ(1, SplitDateText("/12x/ 34/-5/6", &a, &b, &c));
  EXPECT_EQ(12, a);
  EXPECT_EQ(34, b);
  EXPECT_EQ(-5, c);
  EXPECT_EQ(0, SplitDateText("1//2//", &a, &b, &c));
  EXPECT_EQ(1, SplitDateText("x/y/z", &a, &b, &c));
  EXPECT_EQ(0, a + b + c);
  // Only the first 99 characters are looked at.
  std::string longText = std::string(95, ' ') + "1/2/3";
  EXPECT_EQ(0, SplitDateText(longText.c_str(), &a, &b, &c));
}

TEST(DateText, NumbersToTexts) {
  EXPECT_EQ("21/05/1997", DateNumberToText(19970521));
  EXPECT_EQ("01/01/2000", DateNumberToText(20000101));
  EXPECT_EQ("", DateNumberToText(0));
  EXPECT_EQ("", DateNumberToText(-1));
  EXPECT_EQ("", DateNumberToText(1997052));
  EXPECT_EQ("", DateNumberToText(199705211));
}

TEST(DayArithmetic, DayCountsOfKnownDates) {
  EXPECT_EQ(0, DayCount(1980, 1, 1));
  EXPECT_EQ(-29160, DayCount(1900, 3, 1));
  EXPECT_EQ(6350, DayCount(1997, 5, 21));
  int y = 0, m = 0, d = 0;
  DateFromDayCount(6350, &y, &m, &d);
  EXPECT_EQ(1997, y);
  EXPECT_EQ(5, m);
  EXPECT_EQ(21, d);
  DateFromDayCount(-29160, &y, &m, &d);
  EXPECT_EQ(1900, y);
  EXPECT_EQ(3, m);
  EXPECT_EQ(1, d);
}

TEST(DayArithmetic, CountsRoundTripDayByDayOverTheWholeRange) {
  int previousYear = 1900, previousMonth = 3, previousDay = 1;
  for (int32_t count = DayCount(1900, 3, 2); count <= DayCount(2200, 12, 31); ++count) {
    int y = 0, m = 0, d = 0;
    DateFromDayCount(count, &y, &m, &d);
    ASSERT_EQ(count, DayCount(y, m, d));
    const bool nextDay = y == previousYear && m == previousMonth && d == previousDay + 1;
    const bool nextMonth = y == previousYear && m == previousMonth + 1 && d == 1;
    const bool nextYear = y == previousYear + 1 && m == 1 && d == 1 && previousMonth == 12;
    ASSERT_TRUE(nextDay || nextMonth || nextYear) << y << "-" << m << "-" << d;
    previousYear = y, previousMonth = m, previousDay = d;
  }
}

TEST(DayArithmetic, AddDaysAcrossMonthYearAndLeapDays) {
  const struct {
    int32_t date, days, result;
  } cases[] = {
      {20131231, 1, 20140101},  {20000301, -1, 20000229}, {20100301, -1, 20100228},
      {21000228, 1, 21000229},  {21000229, 1, 21000301},  {19000301, -1, 0},
      {20130924, 0, 20130924},  {20130101, 365, 20140101}, {20120101, 366, 20130101},
      {20130131, 28, 20130228}, {99991231, 1, 0},         {0, 1, 0},
      {20130924, INT32_MAX, 0}, {20130924, INT32_MIN, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, AddDays(c.date, c.days)) << c.date << " + " << c.days;
}

TEST(Weekdays, DayOfWeekAndStepping) {
  EXPECT_EQ(2, WeekdayOf(20130924));
  EXPECT_EQ(4, WeekdayOf(19700101));
  EXPECT_EQ(1, WeekdayOf(19000101));  // before the local calendar's range too
  EXPECT_EQ(3, WeekdayOf(30001231));
  EXPECT_EQ(1, WeekdayOf(21000301));
  EXPECT_EQ(1, WeekdayOf(21000229));  // not a Gregorian day: the day after 28 February
  EXPECT_EQ(0, WeekdayOf(0));
  EXPECT_EQ(20130930, NextWeekday(20130927));
  EXPECT_EQ(20130927, PreviousWeekday(20130930));
  EXPECT_EQ(20131005, NextDayOfWeek(20130928, 6));
  EXPECT_EQ(20130925, NextWeekday(20130924));
  EXPECT_EQ(20130930, NextWeekday(20130928));
  EXPECT_EQ(20130927, PreviousWeekday(20130929));
  EXPECT_EQ(20130929, NextDayOfWeek(20130928, 0));
}

TEST(Weekdays, StepsEndForEveryNumber) {
  const int32_t cases[] = {0, -1, 1, 9999999, 100000000, INT32_MAX, INT32_MIN, 10000101, 99991231, 20130099};
  for (int32_t date : cases) {
    const int32_t next = NextWeekday(date), previous = PreviousWeekday(date);
    EXPECT_TRUE(next == 0 || next > 10000000) << date;
    EXPECT_TRUE(previous == 0 || previous > 10000000) << date;
    EXPECT_GE(NextDayOfWeek(date, 3), 0) << date;
  }
  EXPECT_EQ(0, NextWeekday(99991231));
  EXPECT_EQ(0, PreviousWeekday(10000101));
  EXPECT_EQ(0, NextDayOfWeek(20130928, 7));
}

// Every date from 1970 to 3000 gets the weekday the C runtime's Gregorian calendar gives it.
TEST(Weekdays, AgreeWithTheGregorianCalendarFrom1970To3000) {
  int weekday = 4;  // 1 January 1970
  for (int32_t count = DayCount(1970, 1, 1); count <= DayCount(2100, 2, 28); ++count) {
    int y = 0, m = 0, d = 0;
    DateFromDayCount(count, &y, &m, &d);
    ASSERT_EQ(weekday, WeekdayOf(y * 10000 + m * 100 + d)) << y << m << d;
    weekday = (weekday + 1) % 7;
  }
  // Past 2100 the day count has extra leap days; walk the Gregorian calendar itself.
  const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int y = 2100; y <= 3000; ++y) {
    for (int m = 1; m <= 12; ++m) {
      const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
      const int days = monthDays[m - 1] + (m == 2 && leap ? 1 : 0);
      for (int d = 1; d <= days; ++d) {
        if (y == 2100 && m <= 2) continue;
        ASSERT_EQ(weekday, WeekdayOf(y * 10000 + m * 100 + d)) << y << m << d;
        weekday = (weekday + 1) % 7;
      }
    }
  }
}

TEST(TimeOfDay, Fields) {
  EXPECT_EQ(9, TimeHours(93000));
  EXPECT_EQ(30, TimeMinutes(93000));
  EXPECT_EQ(0, TimeSeconds(93000));
  EXPECT_EQ(23, TimeHours(235959));
  EXPECT_EQ(59, TimeSeconds(235959));
  EXPECT_EQ(0, TimeHours(5));
  EXPECT_EQ(5, TimeSeconds(5));
}

TEST(TimeOfDay, Validity) {
  for (int32_t t : {170000, 0, 5, 235959, 93000, 120059}) EXPECT_EQ(1, IsValidTimeNumber(t)) << t;
  for (int32_t t : {240000, 126000, 175960, 1000000, -1, -12345, 99, 6000, INT32_MAX, INT32_MIN})
    EXPECT_EQ(0, IsValidTimeNumber(t)) << t;
}

TEST(TimeOfDay, ValidExactlyForRealTimesOfDay) {
  for (int32_t t = -1000; t <= 240100; ++t) {
    const bool real = t >= 0 && t / 10000 < 24 && t / 100 % 100 < 60 && t % 100 < 60;
    ASSERT_EQ(real ? 1 : 0, IsValidTimeNumber(t)) << t;
  }
}

TEST(TimeOfDay, AddSecondsCarriesAndWraps) {
  EXPECT_EQ(170001, AddSecondsToTime(170000, 1));
  EXPECT_EQ(1, AddSecondsToTime(235959, 2));
  EXPECT_EQ(235959, AddSecondsToTime(0, -1));
  EXPECT_EQ(101, AddSecondsToTime(61, 0));  // 61 seconds are a minute and a second
  EXPECT_EQ(0, AddSecondsToTime(240000, 0));
  EXPECT_EQ(120000, AddSecondsToTime(0, 86400 * 3 + 43200));
}

// On the days the clocks change in the test's zone (Europe/London), the zone's own calendar moves
// an hour across the change: 00:30 plus one hour reads 02:30 on 31 March 2013 and still 01:30 on
// 27 October 2013 (after two hours). A time number is wall-clock arithmetic, and weekdays are the
// calendar's alone: neither may follow the zone.
TEST(DaylightSaving, TimesAndWeekdaysDoNotFollowTheLocalCalendar) {
#ifndef _WIN32
  // The premise, on the very dates: the zone's calendar does move these hours.
  auto localHourAfter = [](int month, int day, int seconds) {
    std::tm start{};
    start.tm_year = 113, start.tm_mon = month - 1, start.tm_mday = day, start.tm_min = 30, start.tm_isdst = -1;
    const std::time_t later = std::mktime(&start) + seconds;
    std::tm local{};
    localtime_r(&later, &local);
    return local.tm_hour * 10000 + local.tm_min * 100;
  };
  ASSERT_EQ(23000, localHourAfter(3, 31, 3600));
  ASSERT_EQ(13000, localHourAfter(10, 27, 7200));
#endif
  EXPECT_EQ(13000, AddSecondsToTime(3000, 3600));
  EXPECT_EQ(23000, AddSecondsToTime(3000, 7200));
  EXPECT_EQ(3000, AddSecondsToTime(13000, -3600));
  EXPECT_EQ(1, IsValidTimeNumber(13000));
  EXPECT_EQ(1, IsValidTimeNumber(23000));
  EXPECT_EQ(0, WeekdayOf(20130331));
  EXPECT_EQ(0, WeekdayOf(20131027));
  EXPECT_EQ(20130401, NextWeekday(20130329));
  EXPECT_EQ(20131028, NextWeekday(20131025));
  EXPECT_EQ(3, WeekdayOf(19691231));
}

// The zone of this test does have daylight saving, so the test above means something.
TEST(DaylightSaving, TheTestZoneHasDaylightSaving) {
#ifdef _WIN32
  TIME_ZONE_INFORMATION zone;
  EXPECT_NE(TIME_ZONE_ID_UNKNOWN, GetTimeZoneInformation(&zone));
  EXPECT_NE(0, zone.DaylightBias);
  EXPECT_NE(0, zone.DaylightDate.wMonth);
#else
  std::tm winter{}, summer{};
  winter.tm_year = 113, winter.tm_mon = 0, winter.tm_mday = 15, winter.tm_hour = 12, winter.tm_isdst = -1;
  summer = winter;
  summer.tm_mon = 6;
  std::mktime(&winter);
  std::mktime(&summer);
  EXPECT_NE(winter.tm_isdst, summer.tm_isdst);
#endif
}

TEST(Clock, TodayAndTimeComeFromTheClock) {
  SetLocalClock([] { return LocalDateTime{2013, 9, 25, 9, 5, 7}; });
  EXPECT_EQ(20130925, TodayDateNumber());
  EXPECT_EQ(90507, CurrentTimeNumber());
  SetLocalClock(nullptr);
  const int32_t today = TodayDateNumber();
  EXPECT_GE(today, 20200101);
  EXPECT_EQ(1, IsValidTimeNumber(CurrentTimeNumber()));
}

}  // namespace
