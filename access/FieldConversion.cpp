// The conversions, independent of the C library's locale: separators are handled here.
#include "access/FieldConversion.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "access/AccessTexts.h"
#include "platform/ConvertError.h"

namespace vek {
namespace {

std::string StripTrailingZeros(std::string digits) {
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  return digits;
}

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::string ConvertLineBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      result += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      result += "\r\n";
    } else {
      result += c;
    }
  }
  return result;
}

std::string FloatToGeneralText(double value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14E", value);
  // buffer: [-]d.ddddddddddddddE[+-]xx
  std::string text = buffer;
  const bool negative = text[0] == '-';
  if (negative) text.erase(0, 1);
  const std::size_t e = text.find('E');
  const int exponent = std::atoi(text.c_str() + e + 1);
  const std::string digits = StripTrailingZeros(text.substr(0, 1) + text.substr(2, e - 2));

  std::string result = negative ? "-" : "";
  if (std::fabs(value) >= 0.00001 && exponent < 15) {
    if (exponent >= 0) {
      std::string whole = digits.substr(0, std::min<std::size_t>(digits.size(), exponent + 1));
      whole.append(exponent + 1 - whole.size(), '0');
      result += whole;
      if (digits.size() > static_cast<std::size_t>(exponent + 1)) {
        result += decimalSeparator;
        result += digits.substr(exponent + 1);
      }
    } else {
      result += '0';
      result += decimalSeparator;
      result.append(-exponent - 1, '0');
      result += digits;
    }
    return result;
  }
  result += digits.substr(0, 1);
  if (digits.size() > 1) {
    result += decimalSeparator;
    result += digits.substr(1);
  }
  result += 'E';
  result += std::to_string(exponent);
  return result;
}

std::int32_t TextToInteger(const std::string& text) {
  const std::string trimmed = Trimmed(text);
  if (!trimmed.empty()) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(trimmed.c_str(), &end, 10);
    if (errno == 0 && *end == 0 && value >= INT32_MIN && value <= INT32_MAX &&
        trimmed.find_first_of(" \t") == std::string::npos) {
      return static_cast<std::int32_t>(value);
    }
  }
  throw EConvertError("'" + text + access_texts::kNotAnInteger);
}

double TextToFloat(const std::string& text, char decimalSeparator) {
  const std::string trimmed = Trimmed(text);
  // Only the user's separator counts; the C library's own must not sneak in.
  std::string plain;
  bool valid = !trimmed.empty();
  for (char c : trimmed) {
    if (c == decimalSeparator) {
      plain += '.';
    } else if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E') {
      plain += c;
    } else {
      valid = false;
    }
  }
  if (valid) {
    char* end = nullptr;
    const double value = std::strtod(plain.c_str(), &end);
    if (*end == 0 && std::isfinite(value)) return value;
  }
  throw EConvertError("'" + text + access_texts::kNotAFloat);
}

TDateTime TextToDate(const std::string& text, const std::string& shortDateFormat) {
  std::string order;
  for (char c : shortDateFormat) {
    const char field = c == 'd'                 ? 'd'
                       : (c == 'M' || c == 'm') ? 'm'
                       : (c == 'y' || c == 'Y') ? 'y'
                                                : 0;
    if (field && order.find(field) == std::string::npos) order += field;
  }
  if (order.size() != 3) order = "mdy";

  std::vector<std::string> numbers;
  std::string current;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      current += c;
    } else if (!current.empty()) {
      numbers.push_back(current);
      current.clear();
    }
  }
  if (!current.empty()) numbers.push_back(current);

  if (numbers.size() == 3) {
    int day = 0;
    int month = 0;
    int year = 0;
    bool twoDigitYear = false;
    for (std::size_t i = 0; i < 3; ++i) {
      const int value = numbers[i].size() > 9 ? -1 : std::atoi(numbers[i].c_str());
      if (order[i] == 'd') day = value;
      if (order[i] == 'm') month = value;
      if (order[i] == 'y') {
        year = value;
        twoDigitYear = numbers[i].size() <= 2;
      }
    }
    if (twoDigitYear) year += year < 50 ? 2000 : 1900;
    try {
      return EncodeDate(year, month, day);
    } catch (const DateTimeError&) {
    }
  }
  throw EConvertError("'" + text + access_texts::kNotADate);
}

}  // namespace vek
