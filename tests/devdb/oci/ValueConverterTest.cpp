// The conversions between the server's values and the external types, case by case: what
// lands in the buffer, the indicator, the returned length and the return code, and the
// errors Oracle raises for a conversion that cannot be made.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "devdb/client/ServerError.h"
#include "devdb/oci/DateText.h"
#include "devdb/oci/ValueConverter.h"

namespace devdb::oci {
namespace {

using protocol::WireDate;
using protocol::WireValue;

const WireDate kLeapDay{2024, 2, 29, 13, 45, 7};

struct TextCase {
  const char* description;
  WireValue value;
  ub2 type;
  std::size_t capacity;
  std::string expectedBytes;  // what the buffer holds, up to `length` (plus the terminator)
  sb2 indicator;
  ub4 length;
  ub2 code;
};

void PrintTo(const TextCase& c, std::ostream* out) { *out << c.description; }

class ToText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ToText, WritesBufferIndicatorLengthAndCode) {
  const TextCase& c = GetParam();
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  const auto written =
      ValueConverter::ToExternal(c.value, c.type, buffer, c.capacity, DateText::kDefaultFormat);
  EXPECT_EQ(std::string(buffer, c.expectedBytes.size()), c.expectedBytes);
  EXPECT_EQ(written.indicator, c.indicator);
  EXPECT_EQ(written.length, c.length);
  EXPECT_EQ(written.code, c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToText,
    ::testing::Values(
        TextCase{"VARCHAR2 text", WireValue::Text("abc"), SQLT_CHR, 10, "abc", 0, 3, 0},
        TextCase{"terminated string", WireValue::Text("abc"), SQLT_STR, 10, std::string("abc\0", 4),
                 0, 3, 0},
        TextCase{"terminated string, exact fit", WireValue::Text("abc"), SQLT_STR, 4,
                 std::string("abc\0", 4), 0, 3, 0},
        TextCase{"terminated string, one short", WireValue::Text("abcd"), SQLT_STR, 4,
                 std::string("abc\0", 4), 4, 3, 1406},
        TextCase{"VARCHAR2 truncated", WireValue::Text("abcdefgh"), SQLT_CHR, 5, "abcde", 8, 5,
                 1406},
        TextCase{"CHAR padded", WireValue::Text("ab"), SQLT_AFC, 5, "ab   ", 0, 5, 0},
        TextCase{"number as text drops the leading zero", WireValue::Number("0.5"), SQLT_STR, 10,
                 std::string(".5\0", 3), 0, 2, 0},
        TextCase{"negative fraction", WireValue::Number("-0.25"), SQLT_CHR, 10, "-.25", 0, 4, 0},
        TextCase{"integer as text", WireValue::Number("1234"), SQLT_CHR, 10, "1234", 0, 4, 0},
        TextCase{"date in the default format", WireValue::Date(kLeapDay), SQLT_CHR, 20, "29-FEB-24",
                 0, 9, 0},
        TextCase{"RAW as hexadecimal text", WireValue::Raw({0x0A, 0xFF, 0x00}), SQLT_STR, 10,
                 std::string("0AFF00\0", 7), 0, 6, 0},
        TextCase{"NULL leaves the buffer", WireValue::Null(), SQLT_STR, 10, "##", -1, 0, 1405},
        TextCase{"RAW bytes", WireValue::Raw({1, 2, 3}), SQLT_BIN, 10, "\x01\x02\x03", 0, 3, 0},
        TextCase{"hex text into RAW", WireValue::Text("0102"), SQLT_BIN, 10, "\x01\x02", 0, 2, 0},
        TextCase{"long truncation beyond sb2", WireValue::Text(std::string(40000, 'x')), SQLT_LNG,
                 3, "xxx", -2, 3, 1406}));

TEST(ToExternal, IntegersRoundAndOverflow) {
  const struct {
    const char* number;
    std::size_t size;
    long long expected;
  } cases[] = {{"42", 4, 42},     {"-7", 2, -7},
               {"2.5", 4, 3},     {"-2.5", 4, -3},
               {"1E+3", 8, 1000}, {"9223372036854775807", 8, 9223372036854775807LL}};
  for (const auto& c : cases) {
    long long buffer = 0;
    ValueConverter::ToExternal(WireValue::Number(c.number), SQLT_INT, &buffer, c.size, "");
    short s = 0;
    int i = 0;
    std::memcpy(&s, &buffer, sizeof s);
    std::memcpy(&i, &buffer, sizeof i);
    const long long value = c.size == 2 ? s : c.size == 4 ? i : buffer;
    EXPECT_EQ(value, c.expected) << c.number;
  }
  int small = 0;
  try {
    ValueConverter::ToExternal(WireValue::Number("3000000000"), SQLT_INT, &small, 4, "");
    FAIL() << "expected ORA-01455";
  } catch (const client::ServerError& error) {
    EXPECT_EQ(error.Code(), 1455);
    EXPECT_STREQ(error.what(), "ORA-01455: converting column overflows integer datatype");
  }
  try {
    ValueConverter::ToExternal(WireValue::Text("abc"), SQLT_INT, &small, 4, "");
    FAIL() << "expected ORA-01722";
  } catch (const client::ServerError& error) {
    EXPECT_EQ(error.Code(), 1722);
  }
}

// Plain integers take a shorter way than other number texts; both must read alike.
TEST(ToExternal, NumberTextsOfEveryFormReadAlike) {
  const struct {
    const char* number;
    long long expected;
  } cases[] = {{" 42\t", 42},
               {"000123", 123},
               {"-17", -17},
               {"+17", 17},
               {"123456789012345678", 123456789012345678LL},
               {"-1234567890123456789", -1234567890123456789LL},
               {"17.0", 17},
               {"1.7E+1", 17}};
  for (const auto& c : cases) {
    long long integer = 0;
    double floating = 0;
    ValueConverter::ToExternal(WireValue::Number(c.number), SQLT_INT, &integer, 8, "");
    ValueConverter::ToExternal(WireValue::Number(c.number), SQLT_FLT, &floating, 8, "");
    EXPECT_EQ(integer, c.expected) << c.number;
    EXPECT_EQ(floating, static_cast<double>(c.expected)) << c.number;
  }
  double zero = 0;
  ValueConverter::ToExternal(WireValue::Number("-0"), SQLT_FLT, &zero, sizeof zero, "");
  EXPECT_TRUE(zero == 0 && std::signbit(zero)) << "-0 keeps its sign, as the general parse does";
  for (const char* invalid : {"-", "4 2", "12-", "--1", ""}) {
    long long integer = 0;
    try {
      ValueConverter::ToExternal(WireValue::Number(invalid), SQLT_INT, &integer, 8, "");
      ADD_FAILURE() << "'" << invalid << "' read as " << integer;
    } catch (const client::ServerError& error) {
      EXPECT_EQ(error.Code(), 1722) << invalid;
    }
  }
}

TEST(ToExternal, FloatsAndDates) {
  double d = 0;
  float f = 0;
  ValueConverter::ToExternal(WireValue::Number("12.5"), SQLT_FLT, &d, sizeof d, "");
  ValueConverter::ToExternal(WireValue::Number("-0.25"), SQLT_FLT, &f, sizeof f, "");
  EXPECT_EQ(d, 12.5);
  EXPECT_EQ(f, -0.25f);
  ub1 date[7] = {};
  ValueConverter::ToExternal(WireValue::Date(kLeapDay), SQLT_DAT, date, sizeof date, "");
  const ub1 expected[7] = {120, 124, 2, 29, 14, 46, 8};
  EXPECT_EQ(std::memcmp(date, expected, 7), 0);
  EXPECT_EQ(ValueConverter::DecodeDate(expected), kLeapDay);
  const ub1 bc[7] = {53, 88, 1, 1, 1, 1, 1};  // 4712 BC
  EXPECT_EQ(ValueConverter::DecodeDate(bc).year, -4712);
  ub1 back[7];
  ValueConverter::EncodeDate(ValueConverter::DecodeDate(bc), back);
  EXPECT_EQ(std::memcmp(back, bc, 7), 0);
  const ub1 invalid[7] = {120, 124, 13, 1, 1, 1, 1};
  EXPECT_THROW(ValueConverter::DecodeDate(invalid), client::ServerError);
}

TEST(FromExternal, ReadsEachTypeIntoTheServersForm) {
  const int i = -42;
  const unsigned short u = 65535;
  const double d = 0.1;
  const float f = 1e30f;
  const long long big = 1234567890123LL;
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_INT, &i, sizeof i), WireValue::Number("-42"));
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_UIN, &u, sizeof u), WireValue::Number("65535"));
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_INT, &big, sizeof big),
            WireValue::Number("1234567890123"));
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_FLT, &d, sizeof d), WireValue::Number("0.1"));
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_FLT, &f, sizeof f),
            WireValue::Number("1.00000001504747E+30"));
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_STR, "abc\0xyz", 7), WireValue::Text("abc"));
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_CHR, "ab ", 3), WireValue::Text("ab "));
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_CHR, "", 0), WireValue::Null())
      << "empty text is NULL";
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_STR, "\0", 1), WireValue::Null());
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_BIN, "\x01\x02", 2), WireValue::Raw({1, 2}));
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_LBI, "", 0), WireValue::Null());
  const ub1 date[7] = {119, 199, 12, 31, 24, 60, 60};
  EXPECT_EQ(ValueConverter::FromExternal(SQLT_DAT, date, 7),
            WireValue::Date({1999, 12, 31, 23, 59, 59}));
  EXPECT_THROW(ValueConverter::FromExternal(SQLT_INT, &i, 3), client::ServerError);
  EXPECT_THROW(ValueConverter::FromExternal(SQLT_RSET, &i, 4), client::ServerError);
}

TEST(TextForms, NumbersRawAndDateFormats) {
  EXPECT_EQ(ValueConverter::NumberText("0.5"), ".5");
  EXPECT_EQ(ValueConverter::NumberText("-0.5"), "-.5");
  EXPECT_EQ(ValueConverter::NumberText("10.5"), "10.5");
  EXPECT_EQ(ValueConverter::NumberText("1E+40"), "1E+40");
  EXPECT_EQ(ValueConverter::HexBytes("abc"), (std::vector<std::uint8_t>{0x0A, 0xBC}));
  EXPECT_THROW(ValueConverter::HexBytes("xyz"), client::ServerError);
  EXPECT_EQ(DateText::Format(kLeapDay, "YYYY-MM-DD HH24:MI:SS"), "2024-02-29 13:45:07");
  EXPECT_EQ(DateText::Format(kLeapDay, "Mon dd, yyyy hh:mi AM"), "Feb 29, 2024 01:45 PM");
  EXPECT_EQ(DateText::Format(kLeapDay, "DD.MM.RR \"kl\" HH24"), "29.02.24 kl 13");
  EXPECT_EQ(DateText::Format(kLeapDay, "MONTH"), "FEBRUARY ");
}

}  // namespace
}  // namespace devdb::oci
