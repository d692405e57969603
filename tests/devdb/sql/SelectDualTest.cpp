// Queries of DUAL: the values and Oracle types of literals, pseudocolumns and functions.
#include "EngineFixture.h"

namespace devdb::sql::testing {
namespace {

class SelectDualTest : public EngineFixture {};

TEST_F(SelectDualTest, DualHasOneRowWithDummyX) {
  Session& session = System();
  auto statement = session.Prepare("select * from dual");
  EXPECT_EQ(statement->Info().statementType, 1);
  EXPECT_EQ(statement->Info().sqlFunctionCode, 4);
  ASSERT_EQ(statement->Info().columns.size(), 1u);
  EXPECT_EQ(statement->Info().columns[0].name, "DUMMY");
  EXPECT_EQ(statement->Info().columns[0].oracleType, 1);
  EXPECT_EQ(statement->Info().columns[0].dataSize, 1);
  statement->Execute({}, 1, 0, false);
  auto rows = statement->Fetch(10);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], Value::Text("X"));
  EXPECT_EQ(statement->RowsFetched(), 1u);
  EXPECT_TRUE(statement->Fetch(10).empty());
}

struct ValueCase {
  const char* expression;
  const char* expected;  // text of the value, "<null>" for NULL
};

class DualValueTest : public SelectDualTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(DualValueTest, ComputesLikeOracle) {
  Session& session = System();
  const ValueCase& c = GetParam();
  EXPECT_EQ(Text(One(session, std::string("select ") + c.expression + " from dual")), c.expected)
      << c.expression;
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, DualValueTest,
    ::testing::Values(
        ValueCase{"1 + 1", "2"}, ValueCase{"7 / 2", "3.5"}, ValueCase{"-7 / 2", "-3.5"},
        ValueCase{"0.1 + 0.2", "0.3"}, ValueCase{"'a' || 'b'", "ab"},
        ValueCase{"'a' || null || 'b'", "ab"}, ValueCase{"'x' || 1.5", "x1.5"},
        ValueCase{"'x' || 0.5", "x.5"}, ValueCase{"nvl(null, 'y')", "y"},
        ValueCase{"nvl('', 'empty is null')", "empty is null"},
        ValueCase{"decode(2, 1, 'one', 2, 'two', 'many')", "two"},
        ValueCase{"decode(null, null, 'nulls match', 'no')", "nulls match"},
        ValueCase{"length('abc')", "3"}, ValueCase{"length('')", "<null>"},
        ValueCase{"substr('abcdef', 2, 3)", "bcd"}, ValueCase{"substr('abcdef', -2)", "ef"},
        ValueCase{"substr('abc', 5)", "<null>"}, ValueCase{"instr('abcabc', 'c', 1, 2)", "6"},
        ValueCase{"instr('abc', 'z')", "0"}, ValueCase{"upper('aBc')", "ABC"},
        ValueCase{"lower('aBc')", "abc"}, ValueCase{"trim('  a b  ')", "a b"},
        ValueCase{"trim(leading 'x' from 'xxaxx')", "axx"}, ValueCase{"lpad('7', 3, '0')", "007"},
        ValueCase{"rpad('ab', 5, '*')", "ab***"}, ValueCase{"lpad('abcdef', 3)", "abc"},
        ValueCase{"chr(65)", "A"}, ValueCase{"trunc(12.789, 1)", "12.7"},
        ValueCase{"trunc(-12.7)", "-12"}, ValueCase{"round(2.675, 2)", "2.68"},
        ValueCase{"mod(10, 3)", "1"}, ValueCase{"to_number('12.50')", "12.5"},
        ValueCase{"to_char(12.5)", "12.5"}, ValueCase{"to_char(0.5)", ".5"},
        ValueCase{"to_char(1234.5, '9,999.99')", " 1,234.50"},
        ValueCase{"to_char(5, '000')", " 005"}, ValueCase{"to_char(-5, 'FM990')", "-5"},
        ValueCase{"to_char(to_date('10-1-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss'))", "10-JAN-99"},
        ValueCase{"to_char(to_date('2024-02-29 13:05:09', 'YYYY-MM-DD HH24:MI:SS'), 'DD.MM.YYYY HH24:MI:SS')", "29.02.2024 13:05:09"},
        ValueCase{"to_char(to_date('05-MAR-2021', 'DD-MON-YYYY'), 'Day Month fmDD')", "Friday    March     5"},
        ValueCase{"to_char(to_date('2021-03-05', 'YYYY-MM-DD') + 1, 'YYYY-MM-DD')", "2021-03-06"},
        ValueCase{"to_date('2021-03-05', 'YYYY-MM-DD') - to_date('2021-03-01', 'YYYY-MM-DD')", "4"},
        ValueCase{"to_char(trunc(to_date('2021-03-05 17:00', 'YYYY-MM-DD HH24:MI'), 'MM'), 'YYYY-MM-DD HH24')", "2021-03-01 00"},
        ValueCase{"to_char(add_months(to_date('2021-01-31', 'YYYY-MM-DD'), 1), 'YYYY-MM-DD')", "2021-02-28"},
        ValueCase{"case when 1 = 1 then 'yes' else 'no' end", "yes"},
        ValueCase{"sys_context('USERENV', 'SESSION_USER')", "SYSTEM"},
        ValueCase{"user", "SYSTEM"}, ValueCase{"length(chr(2000000000))", "4"},
        ValueCase{"to_char(userenv('SESSIONID'))", "1001"},
        ValueCase{"(select count(*) from dual)", "1"}, ValueCase{"coalesce(null, null, 3)", "3"},
        ValueCase{"greatest(1, 5, 3)", "5"}, ValueCase{"replace('a-b-c', '-')", "abc"},
        ValueCase{"nvl2(1, 'set', 'unset')", "set"}, ValueCase{"to_char(1234, '999')", "####"},
        ValueCase{"to_char(0.5, '0.00')", " 0.50"}, ValueCase{"to_char(1.5, 'FM999.00')", "1.50"},
        ValueCase{"to_char(-1234567.891, 'FM9,999,999.99')", "-1,234,567.89"},
        ValueCase{"to_char(0, '999')", "   0"}, ValueCase{"to_number('1,234.5', '9,999.9')", "1234.5"},
        ValueCase{"to_char(to_date('2020-07-04 15:30:00', 'YYYY-MM-DD HH24:MI:SS'), 'HH:MI AM')", "03:30 PM"},
        ValueCase{"to_char(to_date('01-JAN-49', 'DD-MON-RR'), 'YYYY')", "2049"},
        ValueCase{"to_char(to_date('01-JAN-50', 'DD-MON-RR'), 'YYYY')", "1950"},
        ValueCase{"to_char(date '2000-02-29', 'DDD J')", "060 2451604"},
        ValueCase{"(select avg(level) from dual connect by level <= 4)", "2.5"},
        ValueCase{"(select avg(level / 10) from dual connect by level <= 2)", "0.15"},
        ValueCase{"1e3 + 0.5", "1000.5"}, ValueCase{"-(-3)", "3"}, ValueCase{"2 * 3 - 4 / 2", "4"}));

}  // namespace
}  // namespace devdb::sql::testing
