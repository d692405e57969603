// The date-time number against known calendar dates, both ways, and its range checks.
#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace vek {
namespace {

struct KnownDate {
  DateTimeParts parts;
  double number;
};

const KnownDate kKnownDates[] = {
    {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
    {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
    {{2000, 1, 1, 0, 0, 0, 0}, 36526.0},
    {{2024, 2, 29, 0, 0, 0, 0}, 45351.0},
    {{2026, 12, 9, 12, 0, 0, 0}, 46365.5},
    {{2026, 12, 9, 6, 0, 0, 0}, 46365.25},
    {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
    {{1, 1, 1, 0, 0, 0, 0}, -693593.0},
    {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0},
};

TEST(DateTime, EncodesAndDecodesKnownDates) {
  for (const KnownDate& known : kKnownDates) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(known.parts), known.number)
        << "encoding " << known.parts.year << "-" << known.parts.month << "-" << known.parts.day;
    EXPECT_EQ(DecodeDateTime(known.number), known.parts) << "decoding " << known.number;
  }
}

TEST(DateTime, TimeOfDayRoundTripsToTheMillisecondAcrossTheDay) {
  for (int second = 0; second < 24 * 3600; second += 997) {
    DateTimeParts parts{2026, 12, 9, second / 3600, second / 60 % 60, second % 60, second % 1000};
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(parts)), parts) << "second of day " << second;
  }
}

TEST(DateTime, RoundingJustBelowMidnightCarriesIntoTheNextDay) {
  const DateTimeParts parts = DecodeDateTime(46365.0 + 0.99999999999);
  EXPECT_EQ(parts, (DateTimeParts{2026, 12, 10, 0, 0, 0, 0}));
}

TEST(DateTime, RejectsFieldsOutOfRange) {
  EXPECT_THROW(EncodeDate(2023, 2, 29), DateTimeError);
  EXPECT_THROW(EncodeDate(2026, 13, 1), DateTimeError);
  EXPECT_THROW(EncodeDate(0, 1, 1), DateTimeError);
  EXPECT_THROW(EncodeTime(24, 0, 0), DateTimeError);
  EXPECT_THROW(EncodeTime(0, 60, 0), DateTimeError);
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  EXPECT_THROW(DecodeDateTime(std::numeric_limits<double>::quiet_NaN()), DateTimeError);
}

}  // namespace
}  // namespace vek
