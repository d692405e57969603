// Field access against devdb in every client mode: every column type's buffer type and
// element size (with and without StringFieldsOnly), nulls, dates with and without a time,
// line breaks, the typed accessors and their errors, LONG values of 100 kB, and both forms of
// the row identifier.
#include <gtest/gtest.h>

#include <functional>

#include "access/OracleError.h"
#include "platform/ConvertError.h"
#include "platform/UserLocale.h"
#include "tests/access/AccessFixture.h"

namespace vek::testing {
namespace {

class FieldAccessTest : public AccessTest {
 protected:
  FieldAccessTest() : locale_(LocaleFormats{"dd.MM.yyyy", "HH:mm:ss", ','}) {}

  TOracleQuery& Select(TOracleSession& session, const std::string& sql,
                       bool stringFieldsOnly = false) {
    query_ = std::make_unique<TOracleQuery>();
    query_->SetSession(&session);
    query_->SetStringFieldsOnly(stringFieldsOnly);
    query_->SQL = {sql};
    query_->Execute();
    return *query_;
  }

 private:
  ScopedUserLocale locale_;
  std::unique_ptr<TOracleQuery> query_;
};

struct ColumnCase {
  std::string name;
  int bufferType;
  int fieldSize;  // element size - 1 for text columns, else 0
  int stringBufferType;
  int stringFieldSize;
};

TEST_P(FieldAccessTest, EveryColumnTypeHasItsBufferTypeAndSize) {
  TOracleSession& session = LoggedOn();
  Run(session,
      "create table all_types (v varchar2(30), c char(4), n number, n9 number(9), n10 number(10), "
      "n52 number(5,2), f float, d date, r raw(16))");
  const std::vector<ColumnCase> cases = {
      {"V", otcString, 30, otcString, 30},  {"C", otcString, 4, otcString, 4},
      {"N", otcFloat, 0, otcString, 172},  // unconstrained: scale -127 like a float
      {"N9", otcInteger, 0, otcString, 10}, {"N10", otcFloat, 0, otcString, 11},  // element size 12
      {"N52", otcFloat, 0, otcString, 7},                                         // element size 8
      {"F", otcFloat, 0, otcString, 172},   // scale -127: element size 173
      {"D", otcDate, 0, otcString, 0},      // date format length, checked below
      {"R", otcString, 32, otcString, 32},  // 32 hexadecimal characters
  };
  for (bool stringFieldsOnly : {false, true}) {
    TOracleQuery& query = Select(session, "select * from all_types", stringFieldsOnly);
    ASSERT_EQ(query.FieldCount(), static_cast<int>(cases.size()));
    for (std::size_t k = 0; k < cases.size(); ++k) {
      const ColumnCase& c = cases[k];
      SCOPED_TRACE(c.name + (stringFieldsOnly ? " with StringFieldsOnly" : ""));
      EXPECT_EQ(query.FieldName(static_cast<int>(k)), c.name);
      EXPECT_EQ(query.FieldType(static_cast<int>(k)),
                stringFieldsOnly ? c.stringBufferType : c.bufferType);
      if (c.name == "D" && stringFieldsOnly) {
        EXPECT_EQ(query.FieldSize(static_cast<int>(k)), session.DateFormatLength());
      } else {
        EXPECT_EQ(query.FieldSize(static_cast<int>(k)),
                  stringFieldsOnly ? c.stringFieldSize : c.fieldSize);
      }
    }
    EXPECT_TRUE(query.Eof());
  }
  TOracleQuery& query = Select(session, "select v, n9 from all_types");
  EXPECT_EQ(query.FieldIndex("n9"), 1);
  EXPECT_EQ(query.FieldIndex("N9"), 1);
  EXPECT_EQ(query.FieldIndex("missing"), -1);
  EXPECT_TRUE(query.FieldOptional(0));
  EXPECT_EQ(query.FieldInternalType(0), otcVarchar2);
  EXPECT_EQ(query.FieldPrecision(1), 9);
  EXPECT_EQ(query.FieldScale(1), 0);
}

struct PrecisionCase {
  std::int32_t integerPrecision;
  std::int32_t floatPrecision;
  int n9Type;
  int n10Type;
  int n10Size;
};

TEST_P(FieldAccessTest, PrecisionPreferencesMoveTheNumberLimits) {
  TOracleSession& session = LoggedOn();
  Run(session, "create table limits (n9 number(9), n10 number(10))");
  Run(session, "insert into limits values (123456789, 1234567890)");
  const std::vector<PrecisionCase> cases = {
      {0, 0, otcInteger, otcFloat, 0},
      {10, 0, otcInteger, otcInteger, 0},
      {8, 0, otcFloat, otcFloat, 0},
      {8, 9, otcFloat, otcString, 11},  // 10 + 2 - 1
  };
  for (const PrecisionCase& c : cases) {
    SCOPED_TRACE("IntegerPrecision " + std::to_string(c.integerPrecision) + ", FloatPrecision " +
                 std::to_string(c.floatPrecision));
    session.Preferences().IntegerPrecision = c.integerPrecision;
    session.Preferences().FloatPrecision = c.floatPrecision;
    TOracleQuery& query = Select(session, "select n9, n10 from limits");
    EXPECT_EQ(query.FieldType(0), c.n9Type);
    EXPECT_EQ(query.FieldType(1), c.n10Type);
    EXPECT_EQ(query.FieldSize(1), c.n10Size);
    EXPECT_EQ(query.FieldAsString(0), "123456789");
    EXPECT_EQ(query.FieldAsString(1), "1234567890");
  }
}

TEST_P(FieldAccessTest, ValuesThroughEveryAccessor) {
  TOracleSession& session = LoggedOn();
  Run(session,
      "create table vals (v varchar2(30), n9 number(9), n52 number(5,2), d date, r raw(4))");
  Run(session,
      "insert into vals values ('a' || chr(10) || 'b', 42, -3.25, "
      "to_date('2024-02-29 13:45:07', 'yyyy-mm-dd hh24:mi:ss'), '0AFF10B2')");
  TOracleQuery& query =
      Select(session, "select v, n9, n52, d, r, to_date('1999-12-31', 'yyyy-mm-dd') from vals");
  ASSERT_FALSE(query.Eof());
  EXPECT_EQ(query.FieldAsString(0), "a\r\nb");
  EXPECT_EQ(query.Field(0).AsString(), "a\r\nb");
  EXPECT_EQ(query.FieldAsInteger(1), 42);
  EXPECT_EQ(query.FieldAsString(1), "42");
  EXPECT_DOUBLE_EQ(query.FieldAsFloat(1), 42);
  EXPECT_EQ(query.Field("N9").AsInteger(), 42);
  EXPECT_EQ(query.FieldAsString(2), "-3,25");
  EXPECT_EQ(query.FieldAsInteger(2), -3);
  EXPECT_DOUBLE_EQ(query.Field(2).AsDouble(), -3.25);
  const TDateTime stamp = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 7);
  EXPECT_DOUBLE_EQ(query.FieldAsDate(3), stamp);
  EXPECT_EQ(query.FieldAsString(3), "29.02.2024 13:45:07");
  EXPECT_EQ(query.FieldAsInteger(3), static_cast<int>(stamp));
  EXPECT_EQ(query.Field(3).Kind(), VariantKind::vkDateTime);
  EXPECT_EQ(query.FieldAsString(4), "0AFF10B2");
  EXPECT_EQ(query.FieldAsString(5), "31.12.1999") << "midnight shows the date alone";
  EXPECT_THROW(query.FieldAsInteger(0), EConvertError);
  EXPECT_THROW(query.FieldAsDate(0), EConvertError);

  session.Preferences().ConvertCRLF = false;
  EXPECT_EQ(query.FieldAsString(0), "a\nb");
  query.Next();
  EXPECT_TRUE(query.Eof());
  try {
    query.FieldAsString(0);
    FAIL() << "reading beyond Eof must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "You cannot access field data beyond Eof");
  }
  try {
    query.Field("NOPE");
    FAIL() << "an unknown name must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Field NOPE does not exist");
  }
}

TEST_P(FieldAccessTest, NullsReadAsEmptyValues) {
  TOracleSession& session = LoggedOn();
  Run(session, "create table nulls (v varchar2(10), n number(9), f number, d date)");
  Run(session, "insert into nulls values (null, null, null, null)");
  for (TNullValueOption option : {nvUnAssigned, nvNull}) {
    session.NullValue = option;
    TOracleQuery& query = Select(session, "select v, n, f, d from nulls");
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE(query.FieldName(k));
      EXPECT_TRUE(query.FieldIsNull(k));
      EXPECT_EQ(query.FieldAsString(k), "");
      EXPECT_EQ(query.FieldAsInteger(k), 0);
      EXPECT_EQ(query.FieldAsFloat(k), 0);
      EXPECT_EQ(query.FieldAsDate(k), 0);
      EXPECT_EQ(query.Field(k).Kind(),
                option == nvNull ? VariantKind::vkNull : VariantKind::vkUnassigned);
    }
  }
}

TEST_P(FieldAccessTest, LongValuesOfAHundredKilobytesArriveWhole) {
  TOracleSession& session = LoggedOn();
  Run(session, "create table longs (id number(9), l long)");
  Run(session, "create table long_raws (id number(9), lr long raw)");
  const int size = 100 * 1024;
  std::string text = "a";
  while (text.size() < static_cast<std::size_t>(size)) text += "bc";
  text.resize(size);
  Run(session, "insert into longs values (1, '" + text + "')");
  Run(session, "insert into longs values (2, null)");
  Run(session, "insert into longs values (3, 'x' || chr(10) || 'y')");
  std::string hex = "0A";
  while (hex.size() < 2u * size) hex += "1F";
  Run(session, "insert into long_raws values (1, '" + hex + "')");

  TOracleQuery& query = Select(session, "select id, l from longs order by id");
  ASSERT_FALSE(query.Eof());
  EXPECT_EQ(query.FieldType(1), otcLong);
  const std::string value = query.Field(1).AsString();
  ASSERT_EQ(value.size(), static_cast<std::size_t>(size));
  EXPECT_EQ(value, text);
  std::string part(10, '\0');
  EXPECT_EQ(query.GetLongField(1, part.data(), 10, 50000), 10);
  EXPECT_EQ(part, value.substr(50000, 10));
  std::vector<char> tail(100);
  EXPECT_EQ(query.GetLongField(1, tail.data(), 100, size - 40), 40);
  try {
    query.FieldAsString(1);
    FAIL() << "a LONG column has no string accessor";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Cannot convert field L to a String");
  }
  for (const auto& [call, target] : std::vector<std::pair<std::function<void()>, std::string>>{
           {[&] { query.FieldAsInteger(1); }, "an Integer"},
           {[&] { query.FieldAsFloat(1); }, "a Float"},
           {[&] { query.FieldAsDate(1); }, "a Date"}}) {
    try {
      call();
      FAIL() << "a LONG column has no accessor for " << target;
    } catch (const Exception& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot convert field L to " + target);
    }
  }
  try {
    query.LOBField(1);
    FAIL() << "a LONG column is no LOB";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Field L is not a LOB");
  }
  try {
    char byte;
    query.GetLongField(0, &byte, 1, 0);
    FAIL() << "GetLongField on a number column must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Field 0 is not a Long");
  }
  query.Next();
  EXPECT_TRUE(query.FieldIsNull(1));
  query.Next();
  EXPECT_EQ(query.Field(1).AsString(), "x\r\ny");
  query.Next();
  EXPECT_TRUE(query.Eof());

  TOracleQuery& raw = Select(session, "select lr from long_raws");
  ASSERT_FALSE(raw.Eof());
  EXPECT_EQ(raw.FieldType(0), otcLongRaw);
  const Variant bytes = raw.Field(0);
  ASSERT_EQ(bytes.Kind(), VariantKind::vkByteArray);
  ASSERT_EQ(bytes.AsBytes().size(), static_cast<std::size_t>(size));
  EXPECT_EQ(bytes.AsBytes()[0], 0x0A);
  EXPECT_EQ(bytes.AsBytes()[1], 0x1F);
}

TEST_P(FieldAccessTest, RowIdentifiersInBothForms) {
  TOracleSession& session = LoggedOn();
  Run(session, "create table rowids (n number(9))");
  TOracleQuery dml;
  dml.SetSession(&session);
  auto rowIdAfter = [&](const std::string& sql) {
    dml.SQL = {sql};
    dml.Execute();
    return dml.RowId();
  };
  auto selected = [&](int n) {
    TOracleQuery& query =
        Select(session, "select rowid, n from rowids where n = " + std::to_string(n));
    EXPECT_FALSE(query.Eof()) << "no row " << n;
    EXPECT_EQ(query.FieldType(0), otcString);
    EXPECT_GE(query.FieldSize(0), 18) << "a ROWID column has room for at least 18 characters";
    return query.Eof() ? std::string() : query.FieldAsString(0);
  };

  // A DML statement's row identifier names the last row it touched, in the extended form a
  // selected ROWID has.
  const std::string first = rowIdAfter("insert into rowids values (7)");
  EXPECT_EQ(first.size(), 18u) << first;
  EXPECT_EQ(
      first.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"),
      std::string::npos)
      << first;
  EXPECT_EQ(first, selected(7));
  const std::string second = rowIdAfter("insert into rowids values (8)");
  EXPECT_EQ(second, selected(8));
  EXPECT_NE(second, first);
  EXPECT_EQ(rowIdAfter("update rowids set n = 70 where n = 7"), first);
  EXPECT_EQ(rowIdAfter("delete from rowids where n = 8"), second);
  // A statement that touched no row has none: its numbers are all 0, which reads in the
  // restricted form.
  EXPECT_EQ(rowIdAfter("update rowids set n = 1 where n = 99"), "00000000.0000.0000");
}

INSTANTIATE_TEST_SUITE_P(Modes, FieldAccessTest, VEK_ALL_CLIENT_MODES);

}  // namespace
}  // namespace vek::testing
