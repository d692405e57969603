// The date-time number that crosses the whole program: days since 1899-12-30 00:00,
// the fraction being the time of day. Conversions to and from calendar fields live here
// so that the access layer, the listener and the window agree on every date.
#pragma once

#include <stdexcept>

namespace vek {

using TDateTime = double;

struct DateTimeParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  bool operator==(const DateTimeParts&) const = default;
};

class DateTimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws DateTimeError for a field out of range (month 13, 31 February, hour 24, ...).
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
TDateTime EncodeDateTime(const DateTimeParts& parts);

// Rounds to the nearest millisecond, so that 0.5 reads back as 12:00:00 exactly.
DateTimeParts DecodeDateTime(TDateTime value);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

}  // namespace vek
