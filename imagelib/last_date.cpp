#include "imagelib/last_date.h"

#include <cctype>
#include <ctime>
#include <vector>

namespace {
bool isLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

// Days from 1 January of year 0 to the date (Howard Hinnant's days_from_civil, shifted).
std::int64_t dayNumber(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe + 60;  // +60: day 0 is 1 January of year 0, not 1 March
}

// atoi's reading of a part: blanks, an optional sign, then digits up to the first
// non-digit. Absurdly long digit runs are capped rather than overflowing.
long leadingNumber(const std::string& part) {
  std::size_t i = 0;
  while (i < part.size() && std::isspace(static_cast<unsigned char>(part[i]))) ++i;
  bool negative = false;
  if (i < part.size() && (part[i] == '+' || part[i] == '-')) negative = part[i++] == '-';
  long value = 0;
  for (; i < part.size() && std::isdigit(static_cast<unsigned char>(part[i])); ++i)
    if (value < 100000000) value = value * 10 + (part[i] - '0');
  return negative ? -value : value;
}

struct Token {
  enum Kind { Number, Word, Time };
  explicit Token(Kind k) : kind(k) {}
  Kind kind;
  long value = 0;     // Number
  int digits = 0;     // Number
  std::string word;   // Word, lower case
  int h = 0, m = 0, s = 0;  // Time
};

const char* const kMonths[] = {"january", "february", "march",     "april",   "may",      "june",
                               "july",    "august",   "september", "october", "november", "december"};
const char* const kWeekdays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                 "thursday", "friday", "saturday"};

// A full name or an abbreviation of at least three letters ("sep" and "sept" both work).
bool matchesName(const std::string& word, const char* name) {
  const std::string full = name;
  return word.size() >= 3 && word.size() <= full.size() && full.compare(0, word.size(), word) == 0;
}

int monthOf(const std::string& word) {
  for (int i = 0; i < 12; ++i)
    if (matchesName(word, kMonths[i])) return i + 1;
  return 0;
}

bool isWeekday(const std::string& word) {
  for (const char* name : kWeekdays)
    if (matchesName(word, name)) return true;
  return false;
}

bool tokenize(const std::string& text, std::vector<Token>& tokens) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isspace(c) || c == ',' || c == '/' || c == '-' || c == '.') {
      ++i;
    } else if (std::isdigit(c)) {
      Token t(Token::Number);
      std::size_t start = i;
      while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (t.value < 100000) t.value = t.value * 10 + (text[i] - '0');
        ++i;
      }
      t.digits = static_cast<int>(i - start);
      if (i < text.size() && text[i] == ':') {
        // h:mm or h:mm:ss
        t.kind = Token::Time;
        t.h = static_cast<int>(t.value);
        long parts[2] = {0, 0};
        int count = 0;
        while (count < 2 && i < text.size() && text[i] == ':') {
          ++i;
          std::size_t digitsStart = i;
          long v = 0;
          while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (v < 1000) v = v * 10 + (text[i] - '0');
            ++i;
          }
          if (i == digitsStart) return false;
          parts[count++] = v;
        }
        if (t.digits > 2) return false;
        t.m = static_cast<int>(parts[0]);
        t.s = static_cast<int>(parts[1]);
        if (t.m > 59 || t.s > 59) return false;
      }
      tokens.push_back(t);
    } else if (std::isalpha(c)) {
      Token t(Token::Word);
      while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])))
        t.word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i++])));
      tokens.push_back(t);
    } else {
      return false;
    }
  }
  return true;
}

int fullYear(const Token& t) {
  if (t.digits <= 2) return static_cast<int>(t.value < 30 ? 2000 + t.value : 1900 + t.value);
  return static_cast<int>(t.value);
}

bool looksLikeYear(const Token& t) { return t.digits >= 3 || t.value > 31; }
}  // namespace

LocalDateTime LocalNow() {
  std::time_t now = std::time(nullptr);
  // One thread only: the shared buffer of std::localtime is safe here. A clock outside
  // what the C library can convert gives the zero date (30 December 1899), not a crash.
  const std::tm* converted = std::localtime(&now);
  if (!converted) return LocalDateTime{};
  const std::tm local = *converted;
  LocalDateTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second is not a day boundary
  return t;
}

bool IsValidCalendarDate(int year, int month, int day) {
  return year >= 0 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month);
}

std::int64_t SecondsSinceEpoch(const LocalDateTime& t) {
  return dayNumber(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::string FormatLastDate(const LocalDateTime& t) {
  return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
}

bool ReadLastDate(const std::string& text, int currentYear, LocalDateTime& moment) {
  const std::size_t first = text.find('/');
  const std::size_t second = first == std::string::npos ? first : text.find('/', first + 1);
  if (second == std::string::npos) return ParseGeneralDateTime(text, currentYear, moment);
  const long month = leadingNumber(text.substr(0, first));
  const long day = leadingNumber(text.substr(first + 1, second - first - 1));
  const long year = leadingNumber(text.substr(second + 1));
  if (year > 9999 || month > 12 || day > 31 ||
      !IsValidCalendarDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)))
    return false;
  moment = LocalDateTime{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
  return true;
}

bool ParseGeneralDateTime(const std::string& text, int currentYear, LocalDateTime& moment) {
  std::vector<Token> tokens;
  if (!tokenize(text, tokens)) return false;

  std::vector<Token> numbers;
  int month = 0;
  bool haveTime = false, pm = false, am = false;
  int hour = 0, minute = 0, second = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.kind == Token::Time) {
      if (haveTime) return false;
      haveTime = true;
      hour = t.h, minute = t.m, second = t.s;
    } else if (t.kind == Token::Number) {
      const bool meridiemNext = i + 1 < tokens.size() && tokens[i + 1].kind == Token::Word &&
                                (tokens[i + 1].word == "am" || tokens[i + 1].word == "pm");
      if (meridiemNext && !haveTime && t.digits <= 2) {
        haveTime = true;  // "8 PM"
        hour = static_cast<int>(t.value);
      } else {
        numbers.push_back(t);
      }
    } else if (t.word == "am" || t.word == "pm") {
      if (!haveTime || am || pm) return false;
      (t.word == "am" ? am : pm) = true;
    } else if (t.word == "t" && haveTime == false && !numbers.empty()) {
      continue;  // the ISO date/time separator
    } else if (int m = monthOf(t.word)) {
      if (month) return false;
      month = m;
    } else if (!isWeekday(t.word)) {
      return false;
    }
  }

  if (am || pm) {
    if (hour < 1 || hour > 12) return false;
    if (pm && hour != 12) hour += 12;
    if (am && hour == 12) hour = 0;
  }
  if (hour > 23) return false;

  int year = 0, day = 0;
  if (month) {
    if (numbers.size() == 1) {
      if (looksLikeYear(numbers[0])) year = fullYear(numbers[0]), day = 1;
      else day = static_cast<int>(numbers[0].value), year = currentYear;
    } else if (numbers.size() == 2) {
      const bool yearFirst = looksLikeYear(numbers[0]);
      year = fullYear(numbers[yearFirst ? 0 : 1]);
      day = static_cast<int>(numbers[yearFirst ? 1 : 0].value);
    } else {
      return false;
    }
  } else if (numbers.size() == 2) {
    if (looksLikeYear(numbers[0])) {  // 1999-12
      year = fullYear(numbers[0]), month = static_cast<int>(numbers[1].value), day = 1;
    } else if (numbers[1].digits >= 3) {  // 12/1999
      month = static_cast<int>(numbers[0].value), year = fullYear(numbers[1]), day = 1;
    } else {  // 12/7
      month = static_cast<int>(numbers[0].value), day = static_cast<int>(numbers[1].value);
      year = currentYear;
    }
  } else if (numbers.size() == 3) {
    if (looksLikeYear(numbers[0])) {
      year = fullYear(numbers[0]);
      month = static_cast<int>(numbers[1].value);
      day = static_cast<int>(numbers[2].value);
    } else {
      month = static_cast<int>(numbers[0].value);
      day = static_cast<int>(numbers[1].value);
      year = fullYear(numbers[2]);
    }
  } else if (numbers.empty() && haveTime) {
    year = 1899, month = 12, day = 30;
  } else {
    return false;
  }
  if (year < 100 || !IsValidCalendarDate(year, month, day)) return false;
  moment = LocalDateTime{year, month, day, hour, minute, second};
  return true;
}

bool ChangeIsDue(int changeInterval, const std::string& lastDate, const LocalDateTime& now) {
  std::int64_t days;
  using settings::ChangeInterval;
  switch (static_cast<ChangeInterval>(changeInterval)) {
    case ChangeInterval::EveryDay: days = 1; break;
    case ChangeInterval::EverySecondDay: days = 2; break;
    case ChangeInterval::Weekly: days = 7; break;
    default: return false;
  }
  if (lastDate == "Not Available") return false;
  LocalDateTime last;
  if (!ReadLastDate(lastDate, now.year, last)) return false;
  return SecondsSinceEpoch(now) - SecondsSinceEpoch(last) > days * 86400;
}
