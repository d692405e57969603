// Oracle NUMBER values as text: the canonical decimal form that travels on the wire, the
// form TO_CHAR gives without a format (".5"), parsing as TO_NUMBER and implicit conversion
// do it, and TO_CHAR with a number format model. Numbers are held as doubles rounded to
// 15 significant digits, which hides binary noise the way Oracle's decimal arithmetic would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace devdb::sql {

class NumberText {
 public:
  // "12.5", "-0.5", "100", "1E+40": plain decimal up to 40 characters, else scientific.
  static std::string Canonical(double value);
  // As TO_CHAR(n) shows it: like Canonical but without the zero before the point (".5").
  static std::string OracleDefault(double value);
  // Oracle's number literal rules: blanks around, sign, digits, point, exponent.
  static std::optional<double> Parse(std::string_view text);
  // TO_CHAR(number, format): 9 0 . , D G FM S MI PR $ and EEEE are understood; a value that
  // does not fit gives '#' characters. Throws SqlError 1481 for an unknown format element.
  static std::string Format(double value, std::string_view format);
  // Rounds half away from zero to the given number of decimal places (may be negative).
  static double Round(double value, int places);
  static double Truncate(double value, int places);
};

}  // namespace devdb::sql
