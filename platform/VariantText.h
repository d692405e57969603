// Conversion of a variant value to text in the user's locale: a date as the short date,
// then the time of day unless it is exactly midnight; numbers with the locale's decimal
// separator; strings as they are; null and unassigned as empty text.
#pragma once

#include <string>

#include "platform/DateTime.h"
#include "platform/UserLocale.h"
#include "platform/Variant.h"

namespace vek {

std::string VariantToText(const Variant& value, const LocaleFormats& formats);
std::string VariantToText(const Variant& value);  // in UserLocale()

std::string FormatDateTime(const std::string& pattern, TDateTime value);
// Short date, then a blank and the long time unless the time of day is exactly midnight.
std::string DateTimeToText(TDateTime value, const LocaleFormats& formats);
// Up to 15 significant digits, no trailing zeros, the locale's decimal separator.
std::string DoubleToText(double value, const LocaleFormats& formats);

}  // namespace vek
