// Errors found while parsing: Oracle's number and text, and the 0-based character offset
// of the offending token.
#include "EngineFixture.h"

namespace devdb::sql::testing {
namespace {

struct ErrorCase {
  const char* sql;
  int code;
  int offset;
  const char* message;  // nullptr: not checked
};

class ParseErrorTest : public EngineFixture, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ParseErrorTest, ReportsCodeTextAndOffset) {
  Session& session = System();
  Run(session, "create table emp (empno number, ename varchar2(10))");
  const ErrorCase& c = GetParam();
  try {
    session.Prepare(c.sql);
    FAIL() << "no error for " << c.sql;
  } catch (const SqlError& error) {
    EXPECT_EQ(error.Code(), c.code) << c.sql << ": " << error.what();
    EXPECT_EQ(error.Offset(), c.offset) << c.sql << ": " << error.what();
    if (c.message) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ParseErrorTest,
    ::testing::Values(
        ErrorCase{"xxzzz", 900, 0, "ORA-00900: invalid SQL statement"},
        ErrorCase{"drop zzz", 950, 5, "ORA-00950: invalid DROP option"},
        ErrorCase{"select nosuch from dual", 904, 7, "ORA-00904: \"NOSUCH\": invalid identifier"},
        ErrorCase{"select e.nosuch from emp e", 904, 7, "ORA-00904: \"E\".\"NOSUCH\": invalid identifier"},
        ErrorCase{"select * from nosuch", 942, 14, "ORA-00942: table or view does not exist"},
        ErrorCase{"select * from system.nosuch", 942, 14, nullptr},
        ErrorCase{"select 1 from dual;", 911, 18, "ORA-00911: invalid character"},
        ErrorCase{"select 1 dual", 923, 13, "ORA-00923: FROM keyword not found where expected"},
        ErrorCase{"select 1 x y from dual", 923, 11, nullptr},
        ErrorCase{"select from dual", 936, 7, "ORA-00936: missing expression"},
        ErrorCase{"select 1 + from dual", 936, 11, nullptr},
        ErrorCase{"select 1 from dual where", 936, 24, nullptr},
        ErrorCase{"select 1 from dual x y", 933, 21, "ORA-00933: SQL command not properly ended"},
        ErrorCase{"select 'abc from dual", 1756, 7, "ORA-01756: quoted string not properly terminated"},
        ErrorCase{"select count(*), ename from emp", 937, 17, "ORA-00937: not a single-group group function"},
        ErrorCase{"select empno, ename from emp group by empno", 979, 14, "ORA-00979: not a GROUP BY expression"},
        ErrorCase{"select ename from emp where count(*) > 1", 934, 28, "ORA-00934: group function is not allowed here"},
        ErrorCase{"select nosuchfunc(1) from dual", 904, 7, "ORA-00904: \"NOSUCHFUNC\": invalid identifier"},
        ErrorCase{"select empno from emp, emp", 918, 7, "ORA-00918: column ambiguously defined"},
        ErrorCase{"insert into emp (empno, nosuch) values (1, 2)", 904, 24, nullptr},
        ErrorCase{"insert into emp values (1)", 947, 25, nullptr},
        ErrorCase{"create table emp (a number)", 955, 13, "ORA-00955: name is already used by an existing object"},
        ErrorCase{"create table t (a varchar2)", 906, 26, "ORA-00906: missing left parenthesis"},
        ErrorCase{"create table t (a blob)", 902, 18, "ORA-00902: invalid datatype"},
        ErrorCase{"select sysdate + sysdate from dual", 975, 15, nullptr},
        ErrorCase{"select 'é' || nosuch from dual", 904, 14, nullptr},
        ErrorCase{"alter session set nosuch = 1", 2248, 18, "ORA-02248: invalid option for ALTER SESSION"}));

class RuntimeErrorTest : public EngineFixture {};

TEST_F(RuntimeErrorTest, ConversionAndBindErrors) {
  Session& session = System();
  EXPECT_EQ(ErrorOf(session, "select to_number('abc') from dual").Code(), 1722);
  EXPECT_EQ(ErrorOf(session, "select 1 / 0 from dual").Code(), 1476);
  EXPECT_EQ(ErrorOf(session, "select to_date('2020-13-01', 'YYYY-MM-DD') from dual").Code(), 1843);
  EXPECT_EQ(ErrorOf(session, "select to_date('abc', 'YYYY-MM-DD') from dual").Code(), 1858);
  EXPECT_EQ(ErrorOf(session, "select to_date('2020-01-01 extra', 'YYYY-MM-DD') from dual").Code(), 1830);
  EXPECT_EQ(ErrorOf(session, "select to_date('2020', 'YYYY-MM-DD') from dual").Code(), 1840);
  EXPECT_EQ(ErrorOf(session, "select to_date('2020x01x01', '\"y\"YYYY') from dual").Code(), 1861);
  EXPECT_EQ(ErrorOf(session, "select userenv('NOSUCH') from dual").Code(), 2003);
  EXPECT_EQ(ErrorOf(session, "select sysdate + 1e20 from dual").Code(), 1841);
  EXPECT_EQ(ErrorOf(session, "select add_months(sysdate, 1e9) from dual").Code(), 1841);
  EXPECT_EQ(ErrorOf(session, "select chr(1e30) from dual").Code(), 1426);
  EXPECT_EQ(Text(One(session, "select substr('abc', 1e30) from dual")), "<null>");
  EXPECT_EQ(Text(One(session, "select instr('abc', 'c', -1e30) from dual")), "0");
  auto statement = session.Prepare("select :a from dual");
  EXPECT_THROW(statement->Execute({}, 1, 0, false), SqlError);
  try {
    statement->Execute({}, 1, 0, false);
  } catch (const SqlError& error) {
    EXPECT_EQ(error.Code(), 1008);
    EXPECT_STREQ(error.what(), "ORA-01008: not all variables bound");
  }
  Bind wrong;
  wrong.name = ":b";
  wrong.values = {Value::Number("1")};
  try {
    statement->Execute({wrong}, 1, 0, false);
    FAIL();
  } catch (const SqlError& error) {
    EXPECT_EQ(error.Code(), 1036);
    EXPECT_STREQ(error.what(), "ORA-01036: illegal variable name/number");
  }
  EXPECT_EQ(ErrorOf(session, "begin null; end;").Code(), 3001);
}

}  // namespace
}  // namespace devdb::sql::testing
