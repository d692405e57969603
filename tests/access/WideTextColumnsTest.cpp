// Columns whose text is longer than their data size (TIMESTAMP, TIMESTAMP WITH TIME ZONE,
// BINARY_DOUBLE) arrive whole, and a value that does not fit its column's buffer is reported
// as truncated instead of passing as if it were whole.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "access/OracleQuery.h"
#include "platform/Exception.h"
#include "tests/access/AccessFixture.h"

namespace vek::testing {
namespace {

const std::regex kSystimestampText(
    R"(\d{2}-[A-Z]{3}-\d{2} \d{2}\.\d{2}\.\d{2}\.\d{6} (AM|PM) [+-]\d{2}:\d{2})");

class WideTextColumnsTest : public AccessTest {};

TEST_P(WideTextColumnsTest, TimestampAndDoubleValuesArriveWhole) {
  TOracleSession& session = LoggedOn();
  Run(session, "create table wide (ts timestamp, d binary_double)");
  Run(session, "insert into wide values ('02-JAN-24 03.04.05.123456 PM', 1.5)");
  Run(session, "insert into wide values (systimestamp, -2.2250738585072014E-308)");
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select ts, d, systimestamp from wide order by ts"};
  query.Execute();
  struct Expected {
    int internalType;
    int fieldSizeAtLeast;
  };
  // The data sizes (11, 8, 13) would leave room for none of these texts.
  const Expected columns[] = {{180, 31}, {101, 24}, {181, 38}};
  ASSERT_EQ(query.FieldCount(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(query.FieldName(i));
    EXPECT_EQ(query.FieldType(i), 5) << "fetched as text";
    EXPECT_EQ(query.FieldInternalType(i), columns[i].internalType);
    EXPECT_GE(query.FieldSize(i), columns[i].fieldSizeAtLeast);
  }
  ASSERT_FALSE(query.Eof());
  EXPECT_EQ(query.FieldAsString(0), "02-JAN-24 03.04.05.123456 PM");
  EXPECT_EQ(query.FieldAsString(1), "1.5E+000");
  EXPECT_TRUE(std::regex_match(query.FieldAsString(2), kSystimestampText))
      << query.FieldAsString(2);
  EXPECT_FALSE(query.FieldTruncated(0));
  query.Next();
  ASSERT_FALSE(query.Eof());
  EXPECT_EQ(query.FieldAsString(0).size(), 28u) << query.FieldAsString(0);
  EXPECT_EQ(query.FieldAsString(1), "-2.2250738585072014E-308");
  EXPECT_FLOAT_EQ(static_cast<float>(query.FieldAsFloat(1) * 1e308), -2.2250738585072014f);
  query.Next();
  EXPECT_TRUE(query.Eof());
  EXPECT_FALSE(query.Truncated());
}

// Expressions that turn such a value into text are described wide enough for the whole text.
TEST_P(WideTextColumnsTest, TheirTextInExpressionsArrivesWhole) {
  TOracleSession& session = LoggedOn();
  Run(session, "create table wide (ts timestamp(9), d binary_double)");
  Run(session,
      "insert into wide values ('02-DEC-24 11.04.05.123456789 PM', -2.2250738585072014E-308)");
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select to_char(systimestamp), systimestamp || '', substr(systimestamp, 1),",
               "to_char(ts), ts || '', to_char(d), d || '' from wide"};
  query.Execute();
  ASSERT_FALSE(query.Eof());
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(std::regex_match(query.FieldAsString(i), kSystimestampText))
        << i << ": " << query.FieldAsString(i);
  }
  for (int i = 3; i < 5; ++i) EXPECT_EQ(query.FieldAsString(i), "02-DEC-24 11.04.05.123456789 PM");
  for (int i = 5; i < 7; ++i) EXPECT_EQ(query.FieldAsString(i), "-2.2250738585072014E-308");
  EXPECT_FALSE(query.Truncated());
}

TEST_P(WideTextColumnsTest, ACutValueIsReportedAndReadsAsItArrived) {
  TOracleSession& session = LoggedOn();
  TOracleQuery query;
  query.SetSession(&session);
  query.SetStringFieldsOnly(true);
  // Date columns fetched as text get the room the session's date format needed when it was
  // first worked out (9 for DD-MON-RR); a format set behind the session's back is longer.
  query.SQL = {"select to_date('2024-01-02', 'YYYY-MM-DD') d from dual"};
  query.Execute();
  EXPECT_EQ(query.FieldAsString(0), "02-JAN-24");
  EXPECT_FALSE(query.FieldTruncated(0));
  EXPECT_FALSE(query.Truncated());
  Run(session, "alter session set nls_date_format = 'YYYY-MM-DD HH24:MI:SS'");

  // One row per fetch: the cut value comes with the second fetch, from Next.
  query.SetReadBuffer(1);
  query.SQL = {"select level n, case when level = 2 then",
               "to_date('2024-01-02 03:04:05', 'YYYY-MM-DD HH24:MI:SS') end d",
               "from dual connect by level <= 2 order by n"};
  query.Execute();
  ASSERT_FALSE(query.Eof());
  EXPECT_TRUE(query.FieldIsNull(1));
  EXPECT_FALSE(query.FieldTruncated(1));
  EXPECT_FALSE(query.Truncated());
  query.Next();
  ASSERT_FALSE(query.Eof());
  EXPECT_EQ(query.FieldAsString(1), "2024-01-0") << "the cut value as the library wrote it";
  EXPECT_TRUE(query.FieldTruncated(1));
  EXPECT_FALSE(query.FieldTruncated(0));
  query.Next();
  EXPECT_TRUE(query.Eof());
  EXPECT_TRUE(query.Truncated()) << "the execution's rows had a cut value";

  // The next execution starts clean.
  query.SQL = {"select 'whole' from dual"};
  query.Execute();
  EXPECT_FALSE(query.Truncated());
  EXPECT_THROW(query.FieldTruncated(1), Exception);
}

INSTANTIATE_TEST_SUITE_P(Modes, WideTextColumnsTest, VEK_ALL_CLIENT_MODES);

}  // namespace
}  // namespace vek::testing
