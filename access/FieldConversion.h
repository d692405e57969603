// Conversions of column values to text and back in the user's locale: line breaks, the
// general format of a floating-point number, and text read as an integer, a float or a date.
// A text that does not convert raises EConvertError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/DateTime.h"

namespace vek {

// Every CR LF pair, lone CR and lone LF becomes CR LF. The program's text is UTF-8, whose
// multi-byte characters never contain a CR or LF byte, so no character is split.
std::string ConvertLineBreaks(std::string_view text);

// At most 15 significant digits, no trailing zeros or needless separator; fixed notation for
// magnitudes from 0.00001 up to 15 digits before the separator, else scientific notation
// with the shortest exponent ("1.5E20", "1E-6").
std::string FloatToGeneralText(double value, char decimalSeparator);

std::int32_t TextToInteger(const std::string& text);
double TextToFloat(const std::string& text, char decimalSeparator);
// Day, month and year in the order of the short date format, separated by anything that is
// not a digit; a two-digit year is taken within 1950-2049.
TDateTime TextToDate(const std::string& text, const std::string& shortDateFormat);

}  // namespace vek
