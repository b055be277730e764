// Dates and times of day as the program keeps them: plain 32-bit integers whose decimal digits
// spell them out. A date number is yyyymmdd (21 May 1997 is 19970521; 0 means no date), a time
// number hhmmss (5 pm is 170000), a date text dd/mm/yyyy as typed into and shown by the dates
// dialog.
//
// The day arithmetic counts days from 1 January 1980 (day 0) in a calendar with a 29 February in
// every fourth year from 1900, 2100 included; it agrees with the Gregorian calendar from 1 March
// 1900 to 28 February 2100. Days of the week follow the Gregorian calendar (a date that does not
// exist there, such as 29/02/2100, falls on the day after the month's last day, as a C runtime's
// normalisation gives it). Nothing here depends on the local time zone or on daylight saving.
#pragma once

#include <cstdint>
#include <string>

// The three numbers of a text split at "/" (a run of "/" is one separator, a leading "/" is
// ignored), each read as the standard decimal conversion reads it. 0 when there are fewer than
// three fields; fields after the third are ignored.
int SplitDateText(const char* text, int* first, int* second, int* third);
// The date number of a text that passed IsValidDateText.
int32_t DateTextToNumber(const char* text);
// "dd/mm/yyyy" of an eight-digit date number; the empty text for any other number (0, say).
std::string DateNumberToText(int32_t date);
// 1 for a date text of a day that exists in the calendar above, from 1 March 1900 to
// 31 December 9999, with the year in full; else 0. Leading zeros are optional.
int IsValidDateText(const char* text);

int32_t DayCount(int year, int month, int day);
void DateFromDayCount(int32_t dayCount, int* year, int* month, int* day);
// The date number `days` later (earlier when negative); 0 when `date` or the result is not an
// eight-digit date number on or after 1 March 1900, where the calendar begins.
int32_t AddDays(int32_t date, int32_t days);
// 0 Sunday to 6 Saturday; 0 for a number that is not an eight-digit date number.
int WeekdayOf(int32_t date);
// The first Monday-to-Friday date strictly after (before) the date; 0 when there is none in the
// eight-digit range or the date is not an eight-digit date number.
int32_t NextWeekday(int32_t date);
int32_t PreviousWeekday(int32_t date);
// The first date strictly after `date` that falls on `dayOfWeek` (0 to 6); 0 as above.
int32_t NextDayOfWeek(int32_t date, int dayOfWeek);

// The local date and time of day, as the clock gives them.
struct LocalDateTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
};
using LocalClock = LocalDateTime (*)();
// The system's local clock (GetLocalTime on Windows).
LocalDateTime SystemLocalTime();
// Replaces the clock that TodayDateNumber and CurrentTimeNumber read; nullptr restores the
// system's. For tests.
void SetLocalClock(LocalClock clock);

int32_t TodayDateNumber();
int32_t CurrentTimeNumber();

int TimeHours(int32_t time);
int TimeMinutes(int32_t time);
int TimeSeconds(int32_t time);
// The time of day `seconds` after (before, when negative) `time`, carried round midnight; fields
// out of range carry into the next (61 seconds are a minute and a second).
int32_t AddSecondsToTime(int32_t time, int32_t seconds);
// 1 for 0 to 235959 with hours 00 to 23, minutes and seconds 00 to 59; else 0.
int IsValidTimeNumber(int32_t time);
