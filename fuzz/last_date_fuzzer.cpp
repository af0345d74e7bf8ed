// Any text as a stored "LastDate" (input: two bytes of current year, then the text).
// A date that reads is a real calendar date, reads again the same once written in the
// stored form, and the schedule decides on it without failing.
#include <cstdint>
#include <string>

#include "imagelib/last_date.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int currentYear = 1900 + (data[0] | data[1] << 8) % 300;
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

  LocalDateTime general;
  if (ParseGeneralDateTime(text, currentYear, general) &&
      !IsValidCalendarDate(general.year, general.month, general.day))
    fuzz::Fail("the general reader gave an impossible date");

  LocalDateTime moment;
  if (ReadLastDate(text, currentYear, moment)) {
    if (!IsValidCalendarDate(moment.year, moment.month, moment.day)) fuzz::Fail("an impossible last date");
    if (moment.hour < 0 || moment.hour > 23 || moment.minute < 0 || moment.minute > 59 ||
        moment.second < 0 || moment.second > 59)
      fuzz::Fail("an impossible time of day");
    LocalDateTime again;
    const std::string stored = FormatLastDate(moment);
    if (!ReadLastDate(stored, currentYear, again) || again.year != moment.year ||
        again.month != moment.month || again.day != moment.day)
      fuzz::Fail("a last date does not survive being stored");
  }
  const LocalDateTime now{currentYear, 6, 15, 12, 0, 0};
  for (int interval = -1; interval <= 4; ++interval) {
    bool due = ChangeIsDue(interval, text, now);
    if (due && (interval < 0 || interval > 2)) fuzz::Fail("a change is due for a manual interval");
  }
  return 0;
}
