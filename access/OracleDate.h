// The 7-byte date of the client interface: century + 100, year of century + 100, month, day,
// hour + 1, minute + 1, second + 1. Column values arrive in it and date variables are sent
// in it, so both directions live here.
#pragma once

#include <array>
#include <cstdint>

#include "platform/DateTime.h"

namespace vek {

using TOracleDateBytes = std::array<std::uint8_t, 7>;

// The date part of a date that does not form a valid date: the first day of year 1, minus one.
inline constexpr TDateTime kInvalidOracleDate = -693594.0;

// Never fails: an invalid date part reads as kInvalidOracleDate, an invalid time as 0, and a
// time part is subtracted from a negative date part.
TDateTime OracleDateToDateTime(const std::uint8_t* bytes);
TOracleDateBytes DateTimeToOracleDate(TDateTime value);

}  // namespace vek
