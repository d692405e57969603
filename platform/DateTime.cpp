// Calendar arithmetic for the date-time number. Before 1899-12-30 the number is negative
// and, as in the system this program grew up with, the fraction still counts forward from
// midnight: -1.25 is 1899-12-29 06:00.
#include "platform/DateTime.h"

#include <cmath>
#include <cstdint>

namespace vek {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 24LL * 60 * 60 * 1000;

// Days from 0001-01-01 to 1899-12-30 in the proleptic Gregorian calendar.
constexpr std::int64_t kEpochDayNumber = 693593;

std::int64_t DayNumber(int year, int month, int day) {
  // Days since 0001-01-01 (day 0).
  const std::int64_t y = year - 1;
  std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days + day - 1;
}

void CivilFromDayNumber(std::int64_t dayNumber, int& year, int& month, int& day) {
  // Howard Hinnant's algorithm, shifted to a 0000-03-01 era base.
  std::int64_t z = dayNumber + 306;  // days since 0000-03-01
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) throw DateTimeError("Invalid month " + std::to_string(month));
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    throw DateTimeError("Invalid date " + std::to_string(year) + "-" + std::to_string(month) +
                        "-" + std::to_string(day));
  }
  return static_cast<double>(DayNumber(year, month, day) - kEpochDayNumber);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    throw DateTimeError("Invalid time " + std::to_string(hour) + ":" + std::to_string(minute) +
                        ":" + std::to_string(second));
  }
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / kMillisecondsPerDay;
}

TDateTime EncodeDateTime(const DateTimeParts& parts) {
  const TDateTime date = EncodeDate(parts.year, parts.month, parts.day);
  const TDateTime time = EncodeTime(parts.hour, parts.minute, parts.second, parts.millisecond);
  return date >= 0 ? date + time : date - time;
}

DateTimeParts DecodeDateTime(TDateTime value) {
  if (!std::isfinite(value)) throw DateTimeError("Invalid date-time value");
  // Split into whole days and the time of day; for negative numbers the time of day is
  // the absolute value of the fraction.
  double wholeDays = std::trunc(value);
  double fraction = std::fabs(value - wholeDays);
  std::int64_t ms = std::llround(fraction * kMillisecondsPerDay);
  if (ms >= kMillisecondsPerDay) {
    ms -= kMillisecondsPerDay;
    wholeDays += value >= 0 ? 1 : -1;
  }
  DateTimeParts parts;
  CivilFromDayNumber(static_cast<std::int64_t>(wholeDays) + kEpochDayNumber, parts.year,
                     parts.month, parts.day);
  parts.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  parts.second = static_cast<int>(ms % 60);
  ms /= 60;
  parts.minute = static_cast<int>(ms % 60);
  parts.hour = static_cast<int>(ms / 60);
  return parts;
}

}  // namespace vek
