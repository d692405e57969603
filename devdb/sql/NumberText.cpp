// Number to text and text to number conversions with Oracle's rules.
#include "devdb/sql/NumberText.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {
namespace {

// Digits and decimal exponent of |value| with 15 significant digits: value = 0.d1d2... * 10^exponent.
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading or trailing zeros; empty for zero
  int exponent = 0;    // position of the point relative to the first digit
};

Decimal ToDecimal(double value) {
  Decimal decimal;
  if (value == 0 || !std::isfinite(value)) return decimal;
  decimal.negative = value < 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  // buffer: d.dddddddddddddde[+-]xx
  std::string mantissa;
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (std::isdigit(static_cast<unsigned char>(*p))) mantissa += *p;
  const int exponent10 = std::atoi(p + 1);
  while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
  decimal.digits = mantissa;
  decimal.exponent = exponent10 + 1;
  return decimal;
}

std::string Plain(const Decimal& decimal, bool leadingZero) {
  if (decimal.digits.empty()) return "0";
  std::string text = decimal.negative ? "-" : "";
  const int count = static_cast<int>(decimal.digits.size());
  if (decimal.exponent <= 0) {
    if (leadingZero) text += "0";
    text += ".";
    text.append(static_cast<std::size_t>(-decimal.exponent), '0');
    text += decimal.digits;
  } else if (decimal.exponent >= count) {
    text += decimal.digits;
    text.append(static_cast<std::size_t>(decimal.exponent - count), '0');
  } else {
    text += decimal.digits.substr(0, decimal.exponent);
    text += ".";
    text += decimal.digits.substr(decimal.exponent);
  }
  return text;
}

std::string Scientific(const Decimal& decimal) {
  std::string text = decimal.negative ? "-" : "";
  text += decimal.digits.substr(0, 1);
  if (decimal.digits.size() > 1) text += "." + decimal.digits.substr(1);
  const int exponent = decimal.exponent - 1;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
  return text + buffer;
}

std::string Render(double value, bool leadingZero) {
  const Decimal decimal = ToDecimal(value);
  std::string plain = Plain(decimal, leadingZero);
  if (plain.size() <= 40) return plain;
  return Scientific(decimal);
}

std::string UpperCopy(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace

std::string NumberText::Canonical(double value) { return Render(value, true); }

std::string NumberText::OracleDefault(double value) { return Render(value, false); }

std::optional<double> NumberText::Parse(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  if (begin == end) return std::nullopt;
  std::string body(text.substr(begin, end - begin));
  std::size_t i = 0;
  if (body[i] == '+' || body[i] == '-') ++i;
  bool digits = false;
  while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, digits = true;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, digits = true;
  }
  if (!digits) return std::nullopt;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    bool exponentDigits = false;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i])))
      ++i, exponentDigits = true;
    if (!exponentDigits) return std::nullopt;
  }
  if (i != body.size()) return std::nullopt;
  return std::strtod(body.c_str(), nullptr);
}

double NumberText::Round(double value, int places) {
  const double scale = std::pow(10.0, places);
  const double scaled = value * scale;
  // Correct binary noise such as 2.675 * 100 = 267.49999999999997 before rounding.
  const double cleaned = std::stod(Canonical(scaled));
  return std::round(cleaned) / scale;
}

double NumberText::Truncate(double value, int places) {
  const double scale = std::pow(10.0, places);
  const double cleaned = std::stod(Canonical(value * scale));
  return std::trunc(cleaned) / scale;
}

std::string NumberText::Format(double value, std::string_view formatText) {
  const std::string format = UpperCopy(formatText);
  bool fillMode = false, signLeading = false, signTrailing = false, minusTrailing = false,
       brackets = false, dollar = false, scientific = false;
  int integerDigits = 0, fractionDigits = 0, zeroFrom = -1;  // zeroFrom: first '0' position
  bool seenPoint = false;
  std::string pattern;  // 9, 0, '.', ',' in order
  std::size_t i = 0;
  while (i < format.size()) {
    const std::string_view rest = std::string_view(format).substr(i);
    if (rest.starts_with("FM")) { fillMode = true; i += 2; continue; }
    if (rest.starts_with("EEEE")) { scientific = true; i += 4; continue; }
    if (rest.starts_with("MI")) { minusTrailing = true; i += 2; continue; }
    if (rest.starts_with("PR")) { brackets = true; i += 2; continue; }
    const char c = format[i++];
    switch (c) {
      case '9':
      case '0':
        if (seenPoint) {
          ++fractionDigits;
        } else {
          if (c == '0' && zeroFrom < 0) zeroFrom = integerDigits;
          ++integerDigits;
        }
        pattern += c;
        break;
      case '.':
      case 'D':
        if (seenPoint) throw OracleErrors::Make(texts::kInvalidNumberFormat);
        seenPoint = true;
        pattern += '.';
        break;
      case ',':
      case 'G':
        pattern += ',';
        break;
      case 'S':
        if (pattern.empty()) signLeading = true; else signTrailing = true;
        break;
      case '$': dollar = true; break;
      case 'B': break;
      default: throw OracleErrors::Make(texts::kInvalidNumberFormat);
    }
  }
  const bool negative = value < 0;
  const double magnitude = std::fabs(value);
  std::string body;
  if (scientific) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*E", fractionDigits, magnitude);
    body = buffer;  // d.dddE+xx
  } else {
    const double rounded = Round(magnitude, fractionDigits);
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", fractionDigits, rounded);
    std::string digits = buffer;
    std::string integerPart = digits.substr(0, digits.find('.'));
    std::string fractionPart =
        fractionDigits > 0 ? digits.substr(digits.find('.') + 1) : std::string();
    if (integerPart == "0") integerPart.clear();
    if (static_cast<int>(integerPart.size()) > integerDigits) {
      const std::size_t width = pattern.size() + 1 + (dollar ? 1 : 0);
      return std::string(width, '#');
    }
    // Walk the integer part of the pattern from the right, placing digits and separators.
    const std::string integerPattern = pattern.substr(0, pattern.find('.'));
    std::string placed;
    int digitIndex = static_cast<int>(integerPart.size()) - 1;
    int patternDigit = integerDigits;
    for (int k = static_cast<int>(integerPattern.size()) - 1; k >= 0; --k) {
      const char element = integerPattern[static_cast<std::size_t>(k)];
      if (element == ',') {
        if (digitIndex >= 0 || (zeroFrom >= 0 && patternDigit > zeroFrom)) placed.insert(0, ",");
        else if (!fillMode) placed.insert(0, " ");
        continue;
      }
      --patternDigit;
      if (digitIndex >= 0) {
        placed.insert(0, 1, integerPart[static_cast<std::size_t>(digitIndex--)]);
      } else if (zeroFrom >= 0 && patternDigit >= zeroFrom) {
        placed.insert(0, "0");
      } else if (!fillMode) {
        placed.insert(0, " ");
      }
    }
    // Oracle shows a lone zero for a zero value when there is no fraction to show.
    if (placed.find_first_not_of(' ') == std::string::npos && fractionDigits == 0) {
      if (!placed.empty()) placed.back() = '0';
      else placed = "0";
    }
    body = placed;
    if (seenPoint) body += "." + fractionPart;
  }
  std::string result;
  // Move leading blanks in front of the sign and currency so they stay next to the digits.
  std::size_t firstNonBlank = body.find_first_not_of(' ');
  if (firstNonBlank == std::string::npos) firstNonBlank = body.size();
  const std::string padding = body.substr(0, firstNonBlank);
  const std::string digitsText = body.substr(firstNonBlank);
  std::string prefix = dollar ? "$" : "";
  if (signLeading) prefix = (negative ? "-" : "+") + prefix;
  else if (!signTrailing && !minusTrailing && !brackets) prefix = (negative ? "-" : (fillMode ? "" : " ")) + prefix;
  if (brackets && negative) prefix = "<" + prefix;
  else if (brackets && !fillMode) prefix = " " + prefix;
  result = padding + prefix + digitsText;
  if (signTrailing) result += negative ? "-" : "+";
  if (minusTrailing) result += negative ? "-" : (fillMode ? "" : " ");
  if (brackets) result += negative ? ">" : (fillMode ? "" : " ");
  return result;
}

}  // namespace devdb::sql
