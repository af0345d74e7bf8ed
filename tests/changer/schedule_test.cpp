#include <gtest/gtest.h>

#include "imagelib/last_date.h"

namespace {
LocalDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return LocalDateTime{y, mo, d, h, mi, s};
}
std::string parsed(const std::string& text, int currentYear = 2024) {
  LocalDateTime t;
  if (!ReadLastDate(text, currentYear, t)) return "no date";
  char out[40];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return out;
}
}  // namespace

TEST(Schedule, IntervalsCountCalendarDaysFromMidnightOfTheLastDate) {
  const LocalDateTime morning = at(2024, 3, 10, 8, 0, 0);
  // Every day.
  EXPECT_TRUE(ChangeIsDue(0, "3/9/2024", morning));
  EXPECT_FALSE(ChangeIsDue(0, "3/10/2024", morning));
  EXPECT_FALSE(ChangeIsDue(0, "3/11/2024", morning)) << "a last date in the future";
  EXPECT_FALSE(ChangeIsDue(0, "3/9/2024", at(2024, 3, 10))) << "exactly one day is not more";
  EXPECT_TRUE(ChangeIsDue(0, "3/9/2024", at(2024, 3, 10, 0, 0, 1)));
  // Every second day.
  EXPECT_FALSE(ChangeIsDue(1, "3/9/2024", morning));
  EXPECT_TRUE(ChangeIsDue(1, "3/8/2024", at(2024, 3, 10, 0, 0, 1)));
  // Weekly.
  EXPECT_FALSE(ChangeIsDue(2, "3/4/2024", morning));
  EXPECT_TRUE(ChangeIsDue(2, "3/3/2024", morning));
  // Manual and unknown intervals never change.
  for (int interval : {3, 4, -1, 99}) EXPECT_FALSE(ChangeIsDue(interval, "1/1/2000", morning));
}

TEST(Schedule, DifferencesAreExactAcrossMonthYearAndLeapDays) {
  EXPECT_TRUE(ChangeIsDue(0, "12/31/1999", at(2000, 1, 1, 8)));
  EXPECT_FALSE(ChangeIsDue(1, "12/31/1999", at(2000, 1, 1, 8)));
  EXPECT_FALSE(ChangeIsDue(0, "2/29/2024", at(2024, 3, 1, 0)));
  EXPECT_FALSE(ChangeIsDue(1, "2/28/2023", at(2023, 3, 1, 12))) << "1.5 days: no 29 February";
  EXPECT_TRUE(ChangeIsDue(1, "2/28/2024", at(2024, 3, 1, 12))) << "2.5 days across 29 February";
  EXPECT_FALSE(ChangeIsDue(2, "99/1/1", at(2024, 1, 1))) << "month 99";
  EXPECT_TRUE(ChangeIsDue(2, "1/1/99", at(2024, 1, 1))) << "a written 99 is the year 99";
}

TEST(Schedule, LastDateWithThreeParts) {
  EXPECT_EQ(parsed("12/7/1999"), "1999-12-07 00:00:00");
  EXPECT_EQ(parsed("07/08/2001 trailing"), "2001-07-08 00:00:00") << "leading numbers only";
  EXPECT_EQ(parsed(" 2/29/2000"), "2000-02-29 00:00:00");
  EXPECT_EQ(parsed("1/2/3/4"), "0003-01-02 00:00:00");
  for (const char* bad : {"2/30/1999", "13/1/1999", "2/29/1900", "0/5/2000", "5/0/2000",
                          "1/1/10000", "a/b/c", "//", "-1/5/2000", "4294967297/1/2000"})
    EXPECT_EQ(parsed(bad), "no date") << bad;
  EXPECT_FALSE(ChangeIsDue(0, "Not Available", at(2024, 1, 1)));
  EXPECT_FALSE(ChangeIsDue(0, "", at(2024, 1, 1)));
}

TEST(Schedule, GeneralParserReadsEnglishDatesAndTimes) {
  EXPECT_EQ(parsed("12/7", 2023), "2023-12-07 00:00:00") << "month/day of this year";
  EXPECT_EQ(parsed("12-7", 2023), "2023-12-07 00:00:00");
  EXPECT_EQ(parsed("12/1999"), "1999-12-01 00:00:00");
  EXPECT_EQ(parsed("Dec 7, 1999"), "1999-12-07 00:00:00");
  EXPECT_EQ(parsed("December 7 1999"), "1999-12-07 00:00:00");
  EXPECT_EQ(parsed("7 December 1999"), "1999-12-07 00:00:00");
  EXPECT_EQ(parsed("7-Dec-99"), "1999-12-07 00:00:00");
  EXPECT_EQ(parsed("Tue, Sept 7, 2004"), "2004-09-07 00:00:00");
  EXPECT_EQ(parsed("dec 7", 2022), "2022-12-07 00:00:00");
  EXPECT_EQ(parsed("December 1999"), "1999-12-01 00:00:00");
  EXPECT_EQ(parsed("1999 Dec 7"), "1999-12-07 00:00:00");
  EXPECT_EQ(parsed("1999-12-07"), "1999-12-07 00:00:00");
  EXPECT_EQ(parsed("1999-12-07T08:30:15"), "1999-12-07 08:30:15");
  EXPECT_EQ(parsed("12-7-2001"), "2001-12-07 00:00:00");
  EXPECT_EQ(parsed("12/7 8:30 PM", 2020), "2020-12-07 20:30:00");
  EXPECT_EQ(parsed("Dec 7, 1999 12:05 am"), "1999-12-07 00:05:00");
  EXPECT_EQ(parsed("Dec 7, 1999 8 PM"), "1999-12-07 20:00:00");
  EXPECT_EQ(parsed("7 Dec 05"), "2005-12-07 00:00:00") << "two-digit years below 30 are 20xx";
  EXPECT_EQ(parsed("14:45"), "1899-12-30 14:45:00") << "a time alone";

  for (const char* bad : {"Not Available", "Dec", "Dec 32, 1999", "Feb 29 2001", "Smarch 3 1999",
                          "12/7 25:00", "1/2 3:60", "13 PM", "1 2 3 4", "Dec Jan 5", "12/7 #",
                          "8:30 8:30", "1999-02-30", "7 Dec 1999 13:00 PM", "50"})
    EXPECT_EQ(parsed(bad), "no date") << bad;
}

TEST(Schedule, TimeOfDayFromTheGeneralParserCounts) {
  // "Dec 9 2024 10:00" is less than one day before 8:00 on the 10th.
  EXPECT_FALSE(ChangeIsDue(0, "Dec 9 2024 10:00", at(2024, 12, 10, 8)));
  EXPECT_TRUE(ChangeIsDue(0, "Dec 9 2024 07:00", at(2024, 12, 10, 8)));
  EXPECT_TRUE(ChangeIsDue(0, "12/7", at(2024, 12, 9, 8))) << "one \"/\": this year's 7 December";
}

TEST(Schedule, LastDateFormat) {
  EXPECT_EQ(FormatLastDate(at(1999, 12, 7, 23, 59, 59)), "12/7/1999");
  EXPECT_EQ(FormatLastDate(at(2024, 1, 5)), "1/5/2024");
}
