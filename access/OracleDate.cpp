// Reading and writing the 7-byte date.
#include "access/OracleDate.h"

namespace vek {

TDateTime OracleDateToDateTime(const std::uint8_t* bytes) {
  const int year = 100 * (bytes[0] - 100) + (bytes[1] - 100);
  TDateTime date = kInvalidOracleDate;
  if (year >= 1) {
    try {
      date = EncodeDate(year, bytes[2], bytes[3]);
    } catch (const DateTimeError&) {
      date = kInvalidOracleDate;
    }
  }
  TDateTime time = 0;
  try {
    time = EncodeTime(bytes[4] - 1, bytes[5] - 1, bytes[6] - 1);
  } catch (const DateTimeError&) {
    time = 0;
  }
  return date >= 0 ? date + time : date - time;
}

TOracleDateBytes DateTimeToOracleDate(TDateTime value) {
  const DateTimeParts parts = DecodeDateTime(value);
  return {static_cast<std::uint8_t>(parts.year / 100 + 100),
          static_cast<std::uint8_t>(parts.year % 100 + 100),
          static_cast<std::uint8_t>(parts.month),
          static_cast<std::uint8_t>(parts.day),
          static_cast<std::uint8_t>(parts.hour + 1),
          static_cast<std::uint8_t>(parts.minute + 1),
          static_cast<std::uint8_t>(parts.second + 1)};
}

}  // namespace vek
