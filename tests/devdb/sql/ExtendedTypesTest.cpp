// TIMESTAMP, TIMESTAMP WITH TIME ZONE and BINARY_DOUBLE columns and SYSTIMESTAMP: what
// describe reports, what a stored value reads back as, and the values each type refuses.
#include <regex>

#include "EngineFixture.h"

namespace devdb::sql::testing {
namespace {

class ExtendedTypesTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    session_ = &System();
    Run(*session_, "create table t (ts timestamp, ts3 timestamp(3), tz timestamp with time zone, "
                   "d binary_double)");
  }
  std::vector<ColumnDescription> Describe(const std::string& sql) {
    return session_->Prepare(sql)->Info().columns;
  }
  Session* session_ = nullptr;
};

TEST_F(ExtendedTypesTest, DescribeReportsOraclesCodesAndSizes) {
  struct Expected {
    const char* name;
    int type;
    int size;
    int scale;
  };
  const std::vector<Expected> expected = {
      {"TS", 180, 11, 6}, {"TS3", 180, 11, 3}, {"TZ", 181, 13, 6}, {"D", 101, 8, 0},
      {"SYSTIMESTAMP", 181, 13, 6}};
  const auto columns = Describe("select ts, ts3, tz, d, systimestamp from t");
  ASSERT_EQ(columns.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE(expected[k].name);
    EXPECT_EQ(columns[k].name, expected[k].name);
    EXPECT_EQ(columns[k].oracleType, expected[k].type);
    EXPECT_EQ(columns[k].dataSize, expected[k].size);
    EXPECT_EQ(columns[k].scale, expected[k].scale);
  }
}

TEST_F(ExtendedTypesTest, ValuesReadInOraclesDefaultTexts) {
  Run(*session_, "insert into t (ts, ts3, tz, d) values ('02-JAN-24 03.04.05.123456789 PM', "
                 "'02-JAN-24 11.04.05.987654 AM', '31-DEC-99 12.00.00.5 AM -05:30', 1.5)");
  Run(*session_, "insert into t (ts, d) values (to_date('2001-02-03 00:10:20', "
                 "'YYYY-MM-DD HH24:MI:SS'), -0.1)");
  Run(*session_, "insert into t (d) values ('1e300')");
  const auto rows = Run(*session_, "select ts, ts3, tz, d from t order by ts nulls last");
  ASSERT_EQ(rows.size(), 3u);
  // Digits beyond the column's precision are dropped; a DATE has no fraction.
  EXPECT_EQ(rows[0][0], Value::Text("03-FEB-01 12.10.20.000000 AM"));
  EXPECT_EQ(rows[0][3], Value::Text("-1.0E-001"));
  EXPECT_EQ(rows[1][0], Value::Text("02-JAN-24 03.04.05.123456 PM"));
  EXPECT_EQ(rows[1][1], Value::Text("02-JAN-24 11.04.05.987 AM"));
  EXPECT_EQ(rows[1][2], Value::Text("31-DEC-99 12.00.00.500000 AM -05:30"));
  EXPECT_EQ(rows[1][3], Value::Text("1.5E+000"));
  EXPECT_EQ(rows[2][3], Value::Text("1.0E+300"));
  EXPECT_TRUE(rows[2][0].IsNull());
}

TEST_F(ExtendedTypesTest, SystimestampReadsAsNowWithItsOffset) {
  const auto rows = Run(*session_, "select systimestamp, sysdate from dual");
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0][0].kind, Value::Kind::Text);
  const std::regex shape(
      R"(\d{2}-(JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC)-\d{2} (0[1-9]|1[0-2])\.[0-5]\d\.[0-5]\d\.\d{6} (AM|PM) [+-]\d{2}:\d{2})");
  EXPECT_TRUE(std::regex_match(rows[0][0].text, shape)) << rows[0][0].text;
  // Stored in a TIMESTAMP column it keeps its time of day and loses the offset.
  Run(*session_, "insert into t (ts, tz) values (systimestamp, systimestamp)");
  const auto stored = Run(*session_, "select ts, tz from t");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_TRUE(std::regex_match(stored[0][1].text, shape)) << stored[0][1].text;
  EXPECT_EQ(stored[0][0].text.size() + 7, stored[0][1].text.size()) << stored[0][0].text;
}

TEST_F(ExtendedTypesTest, ValuesATypeCannotTakeAreRefused) {
  struct Case {
    const char* sql;
    int code;
  };
  const std::vector<Case> cases = {
      {"insert into t (ts) values (12)", 932},
      {"insert into t (d) values (sysdate)", 932},
      {"insert into t (d) values ('one and a half')", 1722},
      {"insert into t (ts) values ('2024-01-02')", 1830},
      {"insert into t (ts) values ('02-XYZ-24 03.04.05 AM')", 1843},
      {"create table bad (ts timestamp(10))", 30088},
      {"create table bad (ts timestamp with local time zone)", 3001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(ErrorOf(*session_, c.sql).Code(), c.code) << ErrorOf(*session_, c.sql).what();
  }
  EXPECT_TRUE(Run(*session_, "select * from t").empty()) << "nothing was stored";
}

}  // namespace
}  // namespace devdb::sql::testing
