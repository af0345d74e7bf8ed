#pragma once
// The wallpaper schedule's calendar: the "LastDate" text ("%d/%d/%d", month/day/year of
// the local date, no leading zeros, the year in full), reading it back, and deciding
// whether the change interval has passed. Differences are calendar-exact: they count
// local wall-clock days and seconds, so month and year ends, leap days and daylight-saving
// changes do not bend them.
#include <cstdint>
#include <string>

#include "imagelib/settings_keys.h"

struct LocalDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The local date and time of the machine, to the second.
LocalDateTime LocalNow();

// Month 1..12, day within that month (29 February only in leap years), year 0..9999.
bool IsValidCalendarDate(int year, int month, int day);
// Seconds from 1 January of year 0 (proleptic Gregorian calendar) to the moment.
std::int64_t SecondsSinceEpoch(const LocalDateTime& moment);

// "12/7/1999" for 7 December 1999.
std::string FormatLastDate(const LocalDateTime& moment);

// Reads a "LastDate" text. With at least two "/" the parts before the first, between the
// first and the second, and after the second are month, day and year, each the leading
// decimal number of its part (no digits: 0), taken as written (99 is the year 99), at
// 00:00:00 of that day. With fewer than two "/" the text is read by ParseGeneralDateTime.
// False when the text is no valid date ("Not Available" included).
bool ReadLastDate(const std::string& text, int currentYear, LocalDateTime& moment);

// An English date and/or time as people write them:
//   "12/7" and "12-7" (month/day, this year), "12/1999" (month/year, day 1),
//   "Dec 7, 1999", "December 7 1999", "7 December 1999", "7-Dec-1999", "Dec 7" (this year),
//   "December 1999" (day 1), a weekday name anywhere ("Tue, Dec 7, 1999"),
//   "1999-12-07" and "1999-12-07T08:30:00" (year first when the first number has three or
//   four digits), "12-7-1999" (month-day-year),
//   optionally with a time "8:30", "08:30:15", "8:30 PM", "8 PM".
// Two-digit years count as 1930..2029 (00..29 are 2000..2029). A time alone stands on the
// date 30 December 1899, as the general parser had it. The date must be a valid calendar
// date in the years 100..9999. False for anything else.
bool ParseGeneralDateTime(const std::string& text, int currentYear, LocalDateTime& moment);

// The stored change interval (settings::ChangeInterval, any number a file may hold). Due
// when now - last date is more than 1, 2 or 7 days; never for Manual, for any other value,
// or when the last date is not a date. A last date in the future is never due.
bool ChangeIsDue(int changeInterval, const std::string& lastDate, const LocalDateTime& now);
