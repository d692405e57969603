// Date formatting by Oracle's format elements, scanning the format left to right and taking
// the longest element that matches at each place.
#include "devdb/oci/DateText.h"

#include <strings.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace devdb::oci {
namespace {

constexpr std::array<const char*, 12> kMonths = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                                 "MAY",       "JUNE",     "JULY",     "AUGUST",
                                                 "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};

bool StartsWith(const std::string& text, std::size_t at, const char* element) {
  const std::size_t length = std::char_traits<char>::length(element);
  return text.size() - at >= length && strncasecmp(text.c_str() + at, element, length) == 0;
}

std::string Digits(long value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*ld", width, value);
  return buffer;
}

// "MON" -> "DEC", "Mon" -> "Dec", "mon" -> "dec", as the element's first two letters say.
std::string CasedLike(const std::string& format, std::size_t at, std::string word) {
  const bool firstUpper = std::isupper(static_cast<unsigned char>(format[at]));
  const bool secondUpper = std::isupper(static_cast<unsigned char>(format[at + 1]));
  for (std::size_t i = 0; i < word.size(); ++i) {
    const bool upper = i == 0 ? firstUpper : secondUpper;
    word[i] = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(word[i]))
                                      : std::tolower(static_cast<unsigned char>(word[i])));
  }
  return word;
}

}  // namespace

std::string DateText::Format(const protocol::WireDate& date, const std::string& format) {
  std::string out;
  const long year = std::labs(date.year);
  const int monthIndex = date.month >= 1 && date.month <= 12 ? date.month - 1 : 0;
  std::size_t at = 0;
  while (at < format.size()) {
    if (format[at] == '"') {
      const std::size_t end = format.find('"', at + 1);
      out += format.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
      at = end == std::string::npos ? format.size() : end + 1;
    } else if (StartsWith(format, at, "YYYY") || StartsWith(format, at, "RRRR")) {
      out += Digits(year, 4);
      at += 4;
    } else if (StartsWith(format, at, "YY") || StartsWith(format, at, "RR")) {
      out += Digits(year % 100, 2);
      at += 2;
    } else if (StartsWith(format, at, "MONTH")) {
      std::string name = kMonths[monthIndex];
      name.resize(9, ' ');
      out += CasedLike(format, at, name);
      at += 5;
    } else if (StartsWith(format, at, "MON")) {
      out += CasedLike(format, at, std::string(kMonths[monthIndex]).substr(0, 3));
      at += 3;
    } else if (StartsWith(format, at, "MM")) {
      out += Digits(date.month, 2);
      at += 2;
    } else if (StartsWith(format, at, "MI")) {
      out += Digits(date.minute, 2);
      at += 2;
    } else if (StartsWith(format, at, "DD")) {
      out += Digits(date.day, 2);
      at += 2;
    } else if (StartsWith(format, at, "HH24")) {
      out += Digits(date.hour, 2);
      at += 4;
    } else if (StartsWith(format, at, "HH12") || StartsWith(format, at, "HH")) {
      const int hour12 = date.hour % 12 == 0 ? 12 : date.hour % 12;
      out += Digits(hour12, 2);
      at += StartsWith(format, at, "HH12") ? 4 : 2;
    } else if (StartsWith(format, at, "SS")) {
      out += Digits(date.second, 2);
      at += 2;
    } else if (StartsWith(format, at, "AM") || StartsWith(format, at, "PM")) {
      out += CasedLike(format, at, date.hour < 12 ? "AM" : "PM");
      at += 2;
    } else {
      out += format[at];
      ++at;
    }
  }
  return out;
}

}  // namespace devdb::oci
