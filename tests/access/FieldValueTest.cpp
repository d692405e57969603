// The value formats of column data: the 7-byte date, the row identifier's text, line breaks,
// the general format of a float, and text read as numbers and dates.
#include <gtest/gtest.h>

#include <cmath>

#include "access/FieldConversion.h"
#include "access/FieldData.h"
#include "access/OracleDate.h"
#include "access/RowIdText.h"
#include "platform/ConvertError.h"

namespace vek {
namespace {

struct DateCase {
  TOracleDateBytes bytes;
  TDateTime expected;
  const char* what;
};

TEST(OracleDateTest, ReadsValidAndInvalidDates) {
  const std::vector<DateCase> cases = {
      {{119, 199, 12, 31, 1, 1, 1}, EncodeDate(1999, 12, 31), "midnight"},
      {{120, 124, 2, 29, 13, 31, 46},
       EncodeDate(2024, 2, 29) + EncodeTime(12, 30, 45),
       "leap day with time"},
      {{119, 100, 1, 1, 1, 1, 1}, EncodeDate(1900, 1, 1), "1900"},
      {{119, 199, 2, 30, 11, 1, 1},
       kInvalidOracleDate - EncodeTime(10, 0, 0),
       "30 February: invalid date, time subtracted"},
      {{100, 100, 1, 1, 1, 1, 1}, kInvalidOracleDate, "year 0"},
      {{119, 199, 12, 31, 25, 1, 1}, EncodeDate(1999, 12, 31), "hour 24: time reads as 0"},
      {{101, 101, 1, 1, 1, 1, 1}, EncodeDate(101, 1, 1), "year 101"},
  };
  for (const DateCase& c : cases) {
    EXPECT_DOUBLE_EQ(OracleDateToDateTime(c.bytes.data()), c.expected) << c.what;
  }
}

TEST(OracleDateTest, WritesWhatItReads) {
  const TDateTime value = EncodeDate(2026, 12, 10) + EncodeTime(1, 2, 3);
  const TOracleDateBytes bytes = DateTimeToOracleDate(value);
  EXPECT_EQ(bytes, (TOracleDateBytes{120, 126, 12, 10, 2, 3, 4}));
  EXPECT_DOUBLE_EQ(OracleDateToDateTime(bytes.data()), value);
}

struct RowIdCase {
  std::uint32_t object, file, block, row;
  std::string expected;
};

TEST(RowIdTextTest, BuildsTheExtendedAndTheRestrictedForm) {
  const std::vector<RowIdCase> cases = {
      {0, 4, 26, 3, "0000001A.0003.0004"},
      {0, 0xFFFF, 0xFFFFFFFF, 0xFFFF, "FFFFFFFF.FFFF.FFFF"},
      {1, 1, 1, 1, "AAAAABAABAAAAABAAB"},
      {73580, 4, 1234, 17, "AAAR9sAAEAAAATSAAR"},
      // 64^3 does not fit three digits: the highest digit is dropped.
      {64, 262144, 0, 0, "AAAABAAAAAAAAAAAAA"},
  };
  for (const RowIdCase& c : cases) {
    EXPECT_EQ(RowIdText(c.object, c.file, c.block, c.row), c.expected);
  }
}

TEST(FieldConversionTest, EveryLineBreakBecomesCrLf) {
  EXPECT_EQ(ConvertLineBreaks("a\nb"), "a\r\nb");
  EXPECT_EQ(ConvertLineBreaks("a\rb"), "a\r\nb");
  EXPECT_EQ(ConvertLineBreaks("a\r\nb"), "a\r\nb");
  EXPECT_EQ(ConvertLineBreaks("\n\r\r\n"), "\r\n\r\n\r\n");
  EXPECT_EQ(ConvertLineBreaks("\xC3\xA6\n"), "\xC3\xA6\r\n") << "UTF-8 passes unchanged";
}

TEST(FieldConversionTest, GeneralFormatOfFloats) {
  const std::vector<std::pair<double, std::string>> cases = {
      {0, "0"},
      {1, "1"},
      {-2.5, "-2,5"},
      {123.456, "123,456"},
      {0.00001, "0,00001"},
      {0.000001, "1E-6"},
      {1.0 / 3, "0,333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1,23456789012346E15"},
      {1.5e20, "1,5E20"},
      {100, "100"},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(FloatToGeneralText(value, ','), expected) << "value " << value;
  }
}

TEST(FieldConversionTest, TextConvertsOrRaisesTheConversionError) {
  EXPECT_EQ(TextToInteger(" 42 "), 42);
  EXPECT_EQ(TextToInteger("-7"), -7);
  EXPECT_THROW(TextToInteger("4 2"), EConvertError);
  EXPECT_THROW(TextToInteger("3000000000"), EConvertError);
  EXPECT_THROW(TextToInteger(""), EConvertError);
  EXPECT_DOUBLE_EQ(TextToFloat("2,5", ','), 2.5);
  EXPECT_THROW(TextToFloat("2.5", ','), EConvertError) << "only the user's separator counts";
  EXPECT_DOUBLE_EQ(TextToDate("31.12.1999", "dd.MM.yyyy"), EncodeDate(1999, 12, 31));
  EXPECT_DOUBLE_EQ(TextToDate("12/31/99", "MM/dd/yy"), EncodeDate(1999, 12, 31));
  EXPECT_DOUBLE_EQ(TextToDate("2/3/07", "M/d/yy"), EncodeDate(2007, 2, 3));
  EXPECT_THROW(TextToDate("31.02.1999", "dd.MM.yyyy"), EConvertError);
  EXPECT_THROW(TextToDate("today", "dd.MM.yyyy"), EConvertError);
}

TEST(FieldDataTest, LongPiecesGrowToThirtyTwoThousandAndJoin) {
  TFieldData column;
  std::vector<std::int32_t> sizes;
  for (int i = 0; i < 7; ++i) sizes.push_back(column.AddLongPiece().bufferSize);
  EXPECT_EQ(sizes, (std::vector<std::int32_t>{2000, 4000, 8000, 16000, 32000, 32000, 32000}));

  column.DiscardLongPieces();
  TLongPiece& first = column.AddLongPiece();
  std::fill(first.buffer.begin(), first.buffer.end(), 'a');
  TLongPiece& second = column.AddLongPiece();
  second.buffer[0] = 'b';
  second.returnedLength = 1;
  EXPECT_EQ(column.LongValue(), std::string(2000, 'a') + "b");
}

}  // namespace
}  // namespace vek
