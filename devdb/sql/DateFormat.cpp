// Date format models as Oracle reads and writes them (AMERICAN language, Gregorian dates).
#include "devdb/sql/DateFormat.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {
namespace {

const char* const kMonths[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                               "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char* const kDays[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY",
                             "SATURDAY"};

// Format elements, longest first so that the first match is the longest one.
const char* const kElements[] = {
    "SSSSS", "SYYYY", "Y,YYY", "MONTH", "HH24", "HH12", "YYYY", "RRRR", "A.M.", "P.M.", "A.D.",
    "B.C.", "YYY", "MON", "DAY", "DDD", "SCC", "HH", "MI", "MM", "SS", "DD", "DY", "RR", "YY",
    "AM", "PM", "AD", "BC", "CC", "FM", "FX", "WW", "J", "Q", "D", "Y", "W"};

struct Element {
  std::string name;  // upper-case element, or empty for literal text
  std::string literal;
  bool firstUpper = true;
  bool secondUpper = true;
};

std::vector<Element> Split(std::string_view format) {
  std::vector<Element> elements;
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    if (c == '"') {
      const std::size_t close = format.find('"', i + 1);
      if (close == std::string_view::npos)
        throw OracleErrors::Make(texts::kDateFormatNotRecognized);
      elements.push_back({"", std::string(format.substr(i + 1, close - i - 1))});
      i = close + 1;
      continue;
    }
    if (std::string_view("-/,.;: ").find(c) != std::string_view::npos) {
      // "A.M." style elements begin with a letter, so punctuation here is literal.
      elements.push_back({"", std::string(1, c)});
      ++i;
      continue;
    }
    bool matched = false;
    for (const char* candidate : kElements) {
      const std::size_t length = std::char_traits<char>::length(candidate);
      if (i + length > format.size()) continue;
      bool same = true;
      for (std::size_t k = 0; k < length && same; ++k)
        same = std::toupper(static_cast<unsigned char>(format[i + k])) == candidate[k];
      if (!same) continue;
      Element element;
      element.name = candidate;
      element.firstUpper = std::isupper(static_cast<unsigned char>(format[i])) != 0;
      element.secondUpper =
          length > 1 ? std::isupper(static_cast<unsigned char>(format[i + 1])) != 0 : true;
      elements.push_back(element);
      i += length;
      matched = true;
      break;
    }
    if (!matched) throw OracleErrors::Make(texts::kDateFormatNotRecognized);
  }
  return elements;
}

std::string Cased(const std::string& upperName, const Element& element) {
  std::string text = upperName;
  if (!element.firstUpper) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  } else if (!element.secondUpper) {
    for (std::size_t k = 1; k < text.size(); ++k)
      text[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[k])));
  }
  return text;
}

std::string Padded(long value, int width, bool fill) {
  char buffer[32];
  if (fill) std::snprintf(buffer, sizeof buffer, "%ld", value);
  else std::snprintf(buffer, sizeof buffer, "%0*ld", width, value);
  return buffer;
}

long JulianDay(int year, int month, int day) {
  // Proleptic Gregorian calendar; year 0 is 1 BC as astronomers count.
  const int astronomicalYear = year < 0 ? year + 1 : year;
  const long a = (14 - month) / 12;
  const long y = astronomicalYear + 4800 - a;
  const long m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void FromJulianDay(long julian, int& year, int& month, int& day) {
  const long a = julian + 32044;
  const long b = (4 * a + 3) / 146097;
  const long c = a - 146097 * b / 4;
  const long d = (4 * c + 3) / 1461;
  const long e = c - 1461 * d / 4;
  const long m = (5 * e + 2) / 153;
  day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  month = static_cast<int>(m + 3 - 12 * (m / 10));
  const int astronomicalYear = static_cast<int>(100 * b + d - 4800 + m / 10);
  year = astronomicalYear <= 0 ? astronomicalYear - 1 : astronomicalYear;
}

bool IsLeap(int year) {
  const int y = year < 0 ? year + 1 : year;
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DayOfYear(const OracleDate& date) {
  return static_cast<int>(JulianDay(date.year, date.month, date.day) -
                          JulianDay(date.year, 1, 1) + 1);
}

int WeekDay(const OracleDate& date) {  // 0 = Sunday
  return static_cast<int>((JulianDay(date.year, date.month, date.day) + 1) % 7);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t k = 0; k < prefix.size(); ++k)
    if (std::toupper(static_cast<unsigned char>(text[k])) !=
        std::toupper(static_cast<unsigned char>(prefix[k])))
      return false;
  return true;
}

}  // namespace

void DateFormat::Validate(std::string_view format) { Split(format); }

std::string DateFormat::Format(const OracleDate& date, std::string_view format) {
  std::string out;
  bool fill = false;
  const int absYear = std::abs(date.year);
  for (const Element& element : Split(format)) {
    const std::string& n = element.name;
    if (n.empty()) { out += element.literal; continue; }
    if (n == "FM") { fill = !fill; continue; }
    if (n == "FX") continue;
    if (n == "YYYY" || n == "RRRR") out += Padded(absYear, 4, fill);
    else if (n == "SYYYY") out += (date.year < 0 ? "-" : " ") + Padded(absYear, 4, fill);
    else if (n == "Y,YYY") out += std::to_string(absYear / 1000) + "," + Padded(absYear % 1000, 3, false);
    else if (n == "YYY") out += Padded(absYear % 1000, 3, fill);
    else if (n == "YY" || n == "RR") out += Padded(absYear % 100, 2, fill);
    else if (n == "Y") out += Padded(absYear % 10, 1, fill);
    else if (n == "CC" || n == "SCC") out += Padded((absYear + 99) / 100, 2, fill);
    else if (n == "MM") out += Padded(date.month, 2, fill);
    else if (n == "MON") out += Cased(std::string(kMonths[date.month - 1]).substr(0, 3), element);
    else if (n == "MONTH") {
      std::string name = Cased(kMonths[date.month - 1], element);
      if (!fill) name.resize(9, ' ');
      out += name;
    } else if (n == "DD") out += Padded(date.day, 2, fill);
    else if (n == "DDD") out += Padded(DayOfYear(date), 3, fill);
    else if (n == "D") out += std::to_string(WeekDay(date) + 1);
    else if (n == "DY") out += Cased(std::string(kDays[WeekDay(date)]).substr(0, 3), element);
    else if (n == "DAY") {
      std::string name = Cased(kDays[WeekDay(date)], element);
      if (!fill) name.resize(9, ' ');
      out += name;
    } else if (n == "HH" || n == "HH12") out += Padded(date.hour % 12 == 0 ? 12 : date.hour % 12, 2, fill);
    else if (n == "HH24") out += Padded(date.hour, 2, fill);
    else if (n == "MI") out += Padded(date.minute, 2, fill);
    else if (n == "SS") out += Padded(date.second, 2, fill);
    else if (n == "SSSSS") out += Padded(date.hour * 3600 + date.minute * 60 + date.second, 5, fill);
    else if (n == "AM" || n == "PM") out += Cased(date.hour < 12 ? "AM" : "PM", element);
    else if (n == "A.M." || n == "P.M.") out += Cased(date.hour < 12 ? "A.M." : "P.M.", element);
    else if (n == "AD" || n == "BC") out += Cased(date.year < 0 ? "BC" : "AD", element);
    else if (n == "A.D." || n == "B.C.") out += Cased(date.year < 0 ? "B.C." : "A.D.", element);
    else if (n == "J") out += std::to_string(JulianDay(date.year, date.month, date.day));
    else if (n == "Q") out += std::to_string((date.month - 1) / 3 + 1);
    else if (n == "WW") out += Padded((DayOfYear(date) - 1) / 7 + 1, 2, fill);
    else if (n == "W") out += std::to_string((date.day - 1) / 7 + 1);
  }
  return out;
}

OracleDate DateFormat::Parse(std::string_view text, std::string_view format, int currentYear) {
  const std::vector<Element> elements = Split(format);
  OracleDate date;
  const OracleDate now = Now();
  date.year = currentYear;
  date.month = now.month;
  date.day = 1;
  bool pm = false, twelveHour = false, bc = false;
  int hour12 = -1;
  std::size_t pos = 0;
  auto skipSeparators = [&] {
    while (pos < text.size() && !std::isalnum(static_cast<unsigned char>(text[pos]))) ++pos;
  };
  auto readNumber = [&](int maxDigits, bool allowSign = false) -> long {
    skipSeparators();
    bool negative = false;
    if (allowSign && pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
      negative = text[pos++] == '-';
    if (pos >= text.size()) throw OracleErrors::Make(texts::kInputTooShortForFormat);
    if (!std::isdigit(static_cast<unsigned char>(text[pos])))
      throw OracleErrors::Make(texts::kNonNumericCharacter);
    long value = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits &&
           std::isdigit(static_cast<unsigned char>(text[pos]))) {
      value = value * 10 + (text[pos++] - '0');
      ++digits;
    }
    return negative ? -value : value;
  };
  for (std::size_t index = 0; index < elements.size(); ++index) {
    const Element& element = elements[index];
    const std::string& n = element.name;
    if (n.empty()) {
      // Punctuation in the format matches any run of punctuation in the input; quoted
      // text must be there as written.
      if (element.literal.find_first_not_of("-/,.;: ") == std::string::npos) {
        skipSeparators();
        continue;
      }
      if (!StartsWithNoCase(text.substr(pos), element.literal))
        throw OracleErrors::Make(texts::kLiteralDoesNotMatchFormat);
      pos += element.literal.size();
      continue;
    }
    if (n == "FM" || n == "FX") continue;
    if (n == "YYYY" || n == "SYYYY" || n == "RRRR") date.year = static_cast<int>(readNumber(4, n == "SYYYY"));
    else if (n == "Y,YYY") {
      const long thousands = readNumber(1);
      date.year = static_cast<int>(thousands * 1000 + readNumber(3));
    } else if (n == "YYY" || n == "YY" || n == "Y") {
      const std::size_t before = pos;
      const long value = readNumber(static_cast<int>(n.size()));
      const std::size_t digits = pos - before;
      const int base = static_cast<int>(std::pow(10, digits));
      date.year = static_cast<int>(currentYear - currentYear % base + value);
    } else if (n == "RR") {
      skipSeparators();
      const std::size_t start = pos;
      const long value = readNumber(4);
      if (pos - start > 2) {
        date.year = static_cast<int>(value);
      } else {
        const int century = currentYear / 100 * 100;
        const int lastTwo = currentYear % 100;
        int year = century + static_cast<int>(value);
        if (value < 50 && lastTwo >= 50) year += 100;
        else if (value >= 50 && lastTwo < 50) year -= 100;
        date.year = year;
      }
    } else if (n == "MM") date.month = static_cast<int>(readNumber(2));
    else if (n == "MON" || n == "MONTH") {
      skipSeparators();
      const std::string_view rest = text.substr(pos);
      int found = 0;
      for (int m = 0; m < 12 && !found; ++m) {
        const std::string full = kMonths[m];
        if (StartsWithNoCase(rest, full)) { found = m + 1; pos += full.size(); }
        else if (StartsWithNoCase(rest, full.substr(0, 3))) { found = m + 1; pos += 3; }
      }
      if (!found) {
        if (rest.empty()) throw OracleErrors::Make(texts::kInputTooShortForFormat);
        throw OracleErrors::Make(texts::kInvalidMonth);
      }
      date.month = found;
    } else if (n == "DD") date.day = static_cast<int>(readNumber(2));
    else if (n == "DDD") {
      const long dayOfYear = readNumber(3);
      const OracleDate shifted = FromDays(ToDays({date.year, 1, 1, 0, 0, 0}) + static_cast<double>(dayOfYear - 1));
      date.month = shifted.month;
      date.day = shifted.day;
    } else if (n == "DY" || n == "DAY") {
      skipSeparators();
      const std::string_view rest = text.substr(pos);
      bool found = false;
      for (int d = 0; d < 7 && !found; ++d) {
        const std::string full = kDays[d];
        if (StartsWithNoCase(rest, full)) { found = true; pos += full.size(); }
        else if (StartsWithNoCase(rest, full.substr(0, 3))) { found = true; pos += 3; }
      }
      if (!found) throw OracleErrors::Make(texts::kInvalidDayOfWeek, {});
    } else if (n == "D") readNumber(1);
    else if (n == "HH" || n == "HH12") { hour12 = static_cast<int>(readNumber(2)); twelveHour = true; }
    else if (n == "HH24") date.hour = static_cast<int>(readNumber(2));
    else if (n == "MI") date.minute = static_cast<int>(readNumber(2));
    else if (n == "SS") date.second = static_cast<int>(readNumber(2));
    else if (n == "SSSSS") {
      const long seconds = readNumber(5);
      date.hour = static_cast<int>(seconds / 3600);
      date.minute = static_cast<int>(seconds / 60 % 60);
      date.second = static_cast<int>(seconds % 60);
    } else if (n == "AM" || n == "PM" || n == "A.M." || n == "P.M.") {
      skipSeparators();
      const std::string_view rest = text.substr(pos);
      if (StartsWithNoCase(rest, "A.M.") || StartsWithNoCase(rest, "P.M.")) {
        pm = StartsWithNoCase(rest, "P");
        pos += 4;
      } else if (StartsWithNoCase(rest, "AM") || StartsWithNoCase(rest, "PM")) {
        pm = StartsWithNoCase(rest, "P");
        pos += 2;
      } else {
        throw OracleErrors::Make(texts::kMeridianRequired, {});
      }
    } else if (n == "AD" || n == "BC" || n == "A.D." || n == "B.C.") {
      skipSeparators();
      const std::string_view rest = text.substr(pos);
      if (StartsWithNoCase(rest, "B.C.")) { bc = true; pos += 4; }
      else if (StartsWithNoCase(rest, "A.D.")) pos += 4;
      else if (StartsWithNoCase(rest, "BC")) { bc = true; pos += 2; }
      else if (StartsWithNoCase(rest, "AD")) pos += 2;
      else
        throw OracleErrors::Make(texts::kEraRequired, {});
    } else if (n == "J") {
      int year, month, day;
      FromJulianDay(readNumber(7), year, month, day);
      date.year = year;
      date.month = month;
      date.day = day;
    } else {
      readNumber(2);
    }
  }
  skipSeparators();
  if (pos < text.size()) throw OracleErrors::Make(texts::kDateFormatEndsEarly);
  if (bc && date.year > 0) date.year = -date.year;
  if (twelveHour) {
    if (hour12 < 1 || hour12 > 12) throw OracleErrors::Make(texts::kHour12OutOfRange);
    date.hour = hour12 % 12 + (pm ? 12 : 0);
  }
  if (date.year == 0 || date.year < -4713 || date.year > 9999)
    throw OracleErrors::Make(texts::kYearOutOfRange);
  if (date.month < 1 || date.month > 12) throw OracleErrors::Make(texts::kInvalidMonth);
  if (date.day < 1 || date.day > DaysInMonth(date.year, date.month))
    throw OracleErrors::Make(texts::kDayOfMonthOutOfRange);
  if (date.hour < 0 || date.hour > 23) throw OracleErrors::Make(texts::kHour24OutOfRange);
  if (date.minute < 0 || date.minute > 59) throw OracleErrors::Make(texts::kMinutesOutOfRange);
  if (date.second < 0 || date.second > 59) throw OracleErrors::Make(texts::kSecondsOutOfRange);
  return date;
}

std::string DateFormat::ToStorage(const OracleDate& date) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%s%04d-%02d-%02d %02d:%02d:%02d", date.year < 0 ? "-" : "",
                std::abs(date.year), date.month, date.day, date.hour, date.minute, date.second);
  return buffer;
}

bool DateFormat::FromStorage(std::string_view text, OracleDate& date) {
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return false;
  auto field = [&](std::size_t at, std::size_t length, int& out) {
    int value = 0;
    for (std::size_t k = at; k < at + length; ++k) {
      if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
      value = value * 10 + (text[k] - '0');
    }
    out = value;
    return true;
  };
  OracleDate parsed;
  if (!field(0, 4, parsed.year) || !field(5, 2, parsed.month) || !field(8, 2, parsed.day) ||
      !field(11, 2, parsed.hour) || !field(14, 2, parsed.minute) || !field(17, 2, parsed.second))
    return false;
  if (negative) parsed.year = -parsed.year;
  date = parsed;
  return true;
}

double DateFormat::ToDays(const OracleDate& date) {
  return static_cast<double>(JulianDay(date.year, date.month, date.day)) +
         (date.hour * 3600 + date.minute * 60 + date.second) / 86400.0;
}

OracleDate DateFormat::FromDays(double days) {
  // Day numbers of 4712-01-01 BC and 9999-12-31 (proleptic Gregorian): Oracle's range.
  if (!(days >= 404.0 && days < 5373485.0)) throw OracleErrors::Make(texts::kYearOutOfRange);
  double whole = std::floor(days);
  long seconds = std::lround((days - whole) * 86400.0);
  if (seconds >= 86400) { whole += 1; seconds -= 86400; }
  OracleDate date;
  FromJulianDay(static_cast<long>(whole), date.year, date.month, date.day);
  date.hour = static_cast<int>(seconds / 3600);
  date.minute = static_cast<int>(seconds / 60 % 60);
  date.second = static_cast<int>(seconds % 60);
  return date;
}

int DateFormat::DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeap(year)) return 29;
  return days[month - 1];
}

OracleDate DateFormat::AddMonths(const OracleDate& date, int months) {
  OracleDate result = date;
  const bool lastDay = date.day == DaysInMonth(date.year, date.month);
  int total = (date.year < 0 ? date.year + 1 : date.year) * 12 + (date.month - 1) + months;
  int astronomicalYear = total >= 0 ? total / 12 : (total - 11) / 12;
  result.month = total - astronomicalYear * 12 + 1;
  result.year = astronomicalYear <= 0 ? astronomicalYear - 1 : astronomicalYear;
  if (result.year < -4712 || result.year > 9999) throw OracleErrors::Make(texts::kYearOutOfRange);
  const int limit = DaysInMonth(result.year, result.month);
  if (lastDay || result.day > limit) result.day = limit;
  return result;
}

OracleDate DateFormat::Truncate(const OracleDate& date, std::string_view formatText) {
  std::string format(formatText);
  for (char& c : format) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  OracleDate result = date;
  if (format == "MI") { result.second = 0; return result; }
  result.second = 0;
  result.minute = 0;
  if (format == "HH" || format == "HH12" || format == "HH24") return result;
  result.hour = 0;
  if (format.empty() || format == "DD" || format == "DDD" || format == "J") return result;
  if (format == "MM" || format == "MON" || format == "MONTH" || format == "RM") {
    result.day = 1;
    return result;
  }
  if (format == "YYYY" || format == "YEAR" || format == "SYYYY" || format == "YYY" ||
      format == "YY" || format == "Y" || format == "RRRR" || format == "RR") {
    result.day = 1;
    result.month = 1;
    return result;
  }
  if (format == "Q") {
    result.day = 1;
    result.month = (date.month - 1) / 3 * 3 + 1;
    return result;
  }
  if (format == "D" || format == "DY" || format == "DAY") {
    return FromDays(std::floor(ToDays(result)) - WeekDay(date));
  }
  throw OracleErrors::Make(texts::kDateFormatNotRecognized);
}

OracleDate DateFormat::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
          local.tm_sec};
}

}  // namespace devdb::sql
