// Anonymous blocks: the language with Oracle's null semantics, exceptions and their handlers,
// embedded SQL with PL/SQL variables as binds, and the client's bind forms (scalars in and
// out, index-by tables with maximum and current counts, REF CURSORs).
#include <gtest/gtest.h>

#include <ctime>
#include <regex>

#include "PlsqlFixture.h"

namespace devdb::plsql::testing {
namespace {

class BlockTest : public PlsqlFixture {
 protected:
  void SetUp() override {
    PlsqlFixture::SetUp();
    CreateUser("app", "app");
    app_ = Connect("app", "app");
    app_->Run("CREATE TABLE own (n NUMBER)");
  }
  void TearDown() override {
    app_.reset();
    PlsqlFixture::TearDown();
  }
  std::unique_ptr<Connection> app_;
};

struct ResultCase {
  const char* what;
  const char* block;
  const char* expected;
};

TEST_F(BlockTest, LanguageAndNullSemantics) {
  const ResultCase cases[] = {
      {"arithmetic and precedence", "begin :r := 2 + 3 * 4 - 10 / 4; end;", "11.5"},
      {"texts read as numbers, signs and blanks allowed",
       "begin :r := ' -007 ' + '+12' + '2.5' + '-.5' + '1e1'; end;", "17"},
      {"null in arithmetic is null", "declare n number; begin :r := n + 1; end;", "<null>"},
      {"concatenation skips nulls", "declare s varchar2(10); begin :r := 'a' || s || 'b'; end;",
       "ab"},
      {"empty string is null",
       "begin if '' is null then :r := 'null'; else :r := 'not null'; end if; end;", "null"},
      {"comparison with null is neither true nor false",
       "declare n number; begin if n = 1 then :r := 'eq'; elsif not (n = 1) then :r := 'ne'; else "
       ":r := 'unknown'; end if; end;",
       "unknown"},
      {"three-valued and/or",
       "declare b boolean; begin if (b and false) = false and (b or true) then :r := 'ok'; end if; "
       "end;",
       "ok"},
      {"elsif chain",
       "declare x integer := 5; begin if x < 3 then :r := 'low'; elsif x < 10 then :r := 'mid'; "
       "else :r := 'high'; end if; end;",
       "mid"},
      {"for loop with reverse",
       "declare s varchar2(20); begin for i in reverse 1..4 loop s := s || i; end loop; :r := s; "
       "end;",
       "4321"},
      {"while loop",
       "declare i integer := 0; begin while i < 7 loop i := i + 2; end loop; :r := i; end;", "8"},
      {"loop with exit when",
       "declare i pls_integer := 0; begin loop i := i + 1; exit when i >= 3; end loop; :r := i; "
       "end;",
       "3"},
      {"integer rounds on assignment", "declare i integer; begin i := 2.6; :r := i; end;", "3"},
      {"constants and defaults",
       "declare c constant varchar2(5) := 'abc'; d number default 4; begin :r := c || d; end;",
       "abc4"},
      {"char is blank-padded", "declare c char(4) := 'ab'; begin :r := '[' || c || ']'; end;",
       "[ab  ]"},
      {"built-in functions",
       "begin :r := upper('ab') || lower('CD') || length('xyz') || substr('hello', 2, 3) || "
       "nvl(null, 'n') || instr('abcabc', 'c', 1, 2); end;",
       "ABcd3elln6"},
      {"like, in and between",
       "begin if 'VEK_DEBUG#APP' like 'VEK%#_PP' and 3 in (1, 3) and 5 between 1 and 9 then :r := "
       "'yes'; end if; end;",
       "yes"},
      {"number text as Oracle writes it", "begin :r := 1/4 || ' ' || -0.5 || ' ' || 100; end;",
       ".25 -.5 100"},
      {"nested block sees outer variable",
       "declare x number := 1; begin declare y number := x + 1; begin x := y * 10; end; :r := x; "
       "end;",
       "20"},
      {"local function with default and named argument",
       "declare function f(a number, b number default 10) return number is begin return a * b; "
       "end; begin :r := f(b => 3, a => 2) + f(1); end;",
       "16"},
      {"local procedure with out and in out parameters",
       "declare procedure p(a in number, b out varchar2, c in out number) is begin b := 'v' || a; "
       "c := c + a; end; s varchar2(10); n number := 5; begin p(2, s, n); :r := s || n; end;",
       "v27"},
      {"date arithmetic",
       "declare d date := to_date('2024-02-28 10:00:00', 'YYYY-MM-DD HH24:MI:SS'); begin :r := "
       "to_char(d + 1, 'YYYY-MM-DD') || ' ' || to_char(d + 2, 'DD'); end;",
       "2024-02-29 01"},
      {"sql%rowcount after dml", "begin delete from own where 1 = 0; :r := sql%rowcount; end;",
       "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      EXPECT_EQ(Result(*app_, c.block), c.expected) << c.block;
    } catch (const sql::SqlError& error) {
      ADD_FAILURE() << c.block << "\nfailed with " << error.what();
    }
  }
}

// A fixed moment to format: a fraction beyond the type's six digits, and a zone east of UTC.
constexpr const char* kMoment =
    "declare t timestamp with time zone := '05-MAR-24 02.07.09.123456789 PM +01:00'; ";

TEST_F(BlockTest, TimestampsReadAndFormatAsOnOracle) {
  const ResultCase cases[] = {
      {"default text rounds to the declared six digits", "begin :r := 'at ' || t; end;",
       "at 05-MAR-24 02.07.09.123457 PM +01:00"},
      {"to_char without a format is the default text", "begin :r := to_char(t); end;",
       "05-MAR-24 02.07.09.123457 PM +01:00"},
      {"FF3 cuts the fraction", "begin :r := to_char(t, 'YYYY-MM-DD HH24:MI:SS.FF3'); end;",
       "2024-03-05 14:07:09.123"},
      {"FF shows the type's digits, FF9 all nine", "begin :r := to_char(t, 'FF|FF9|FF1'); end;",
       "123457|123457000|1"},
      {"X is the decimal point", "begin :r := to_char(t, 'HH.MI.SSXFF AM'); end;",
       "02.07.09.123457 PM"},
      {"zone elements", "begin :r := to_char(t, 'TZH \"h\" TZM \"m\" TZR'); end;",
       "+01 h 00 m +01:00"},
      {"a zone west of UTC",
       "begin t := '05-MAR-24 02.07.09.5 AM -05:30'; :r := to_char(t, 'TZH:TZM') || ' ' || t; "
       "end;",
       "-05:30 05-MAR-24 02.07.09.500000 AM -05:30"},
      {"assignment to DATE drops the fraction",
       "d date; begin d := t; :r := to_char(d, 'YYYY-MM-DD HH24:MI:SS'); end;",
       "2024-03-05 14:07:09"},
      {"cast to DATE", "begin :r := to_char(cast(t as date), 'YYYY-MM-DD HH24:MI:SS'); end;",
       "2024-03-05 14:07:09"},
      {"cast to VARCHAR2 is the default text", "begin :r := length(cast(t as varchar2(40))); end;",
       "35"},
      {"TIMESTAMP(3) rounds its fraction into the next day",
       "t3 timestamp(3) := '05-MAR-24 11.59.59.999600 PM'; begin :r := t3; end;",
       "06-MAR-24 12.00.00.000 AM"},
      {"TIMESTAMP(0) shows no fraction",
       "t0 timestamp(0) := to_date('2024-03-05 14:07:09', 'YYYY-MM-DD HH24:MI:SS'); "
       "begin :r := t0; end;",
       "05-MAR-24 02.07.09 PM"},
      {"a DATE as TIMESTAMP has a zero fraction",
       "ts timestamp := to_date('2024-03-05 00:07:09', 'YYYY-MM-DD HH24:MI:SS'); "
       "begin :r := ts; end;",
       "05-MAR-24 12.07.09.000000 AM"},
      {"trunc and day arithmetic give dates",
       "begin :r := to_char(trunc(t), 'YYYY-MM-DD HH24:MI:SS') || ' ' || "
       "to_char(t + 1, 'YYYY-MM-DD HH24:MI:SS'); end;",
       "2024-03-05 00:00:00 2024-03-06 14:07:09"},
      {"moments with zones compare in UTC",
       "u timestamp with time zone := '05-MAR-24 01.07.09.123457 PM +00:00'; "
       "begin if t = u and t > u - 1 then :r := 'same'; end if; end;",
       "same"},
      {"a null timestamp formats as null",
       "n timestamp; begin :r := nvl(to_char(n, 'HH24:MI:SS.FF3'), 'null'); end;", "null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string block = kMoment + std::string(c.block);
    try {
      EXPECT_EQ(Result(*app_, block), c.expected) << block;
    } catch (const sql::SqlError& error) {
      ADD_FAILURE() << block << "\nfailed with " << error.what();
    }
  }
  EXPECT_EQ(app_->ErrorOf("declare t timestamp := localtimestamp; s varchar2(9); "
                          "begin s := to_char(t, 'TZH'); end;")
                .Code(),
            1821)
      << "a timestamp without a zone has no zone to show";
}

std::string LocalNow(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

TEST_F(BlockTest, SystimestampIsTheClockWithItsZone) {
  const std::string dateTime = R"(\d{2}-[A-Z]{3}-\d{2} \d{2}\.\d{2}\.\d{2}\.\d{6} [AP]M)";
  struct PatternCase {
    const char* what;
    const char* block;
    std::string pattern;
  };
  const PatternCase cases[] = {
      {"concatenated", "begin :r := 'at ' || systimestamp; end;",
       "at " + dateTime + R"( [+-]\d{2}:\d{2})"},
      {"assigned to text", "declare s varchar2(40); begin s := systimestamp; :r := s; end;",
       dateTime + R"( [+-]\d{2}:\d{2})"},
      {"current_timestamp", "begin :r := current_timestamp; end;",
       dateTime + R"( [+-]\d{2}:\d{2})"},
      {"localtimestamp has no zone", "begin :r := localtimestamp; end;", dateTime},
      {"a debug message's time",
       "begin :r := 'at ' || to_char(systimestamp, 'HH24:MI:SS.FF3'); end;",
       R"(at \d{2}:\d{2}:\d{2}\.\d{3})"},
      {"selected from SQL into a variable",
       "declare t timestamp with time zone; begin select systimestamp into t from dual; "
       ":r := to_char(t, 'HH24:MI:SSXFF TZR'); end;",
       R"(\d{2}:\d{2}:\d{2}\.\d{6} [+-]\d{2}:\d{2})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      const std::string text = Result(*app_, c.block);
      EXPECT_TRUE(std::regex_match(text, std::regex(c.pattern))) << text;
    } catch (const sql::SqlError& error) {
      ADD_FAILURE() << c.block << "\nfailed with " << error.what();
    }
  }
  // The clock it reads: between two readings of this process's clock, and in its zone.
  const std::string before = LocalNow("%Y-%m-%d %H:%M:%S");
  const std::string read =
      Result(*app_, "begin :r := to_char(systimestamp, 'YYYY-MM-DD HH24:MI:SS TZH:TZM'); end;");
  const std::string after = LocalNow("%Y-%m-%d %H:%M:%S");
  std::string zone = LocalNow("%z");
  zone.insert(3, ":");
  EXPECT_LE(before, read.substr(0, 19));
  EXPECT_GE(after, read.substr(0, 19));
  EXPECT_EQ(read.substr(20), zone);
  EXPECT_EQ(Result(*app_,
                   "declare d date := systimestamp; begin if d between sysdate - 1 and sysdate "
                   "then :r := 'ok'; end if; end;"),
            "ok")
      << "a DATE from the clock is no later than SYSDATE read after it";
}

TEST_F(BlockTest, ExceptionsAreHandledAndReported) {
  const ResultCase cases[] = {
      {"no_data_found with sqlcode 100",
       "declare x varchar2(10); begin select dummy into x from dual where 1 = 0; exception when "
       "no_data_found then :r := sqlcode || ' ' || sqlerrm; end;",
       "100 ORA-01403: no data found"},
      {"too_many_rows",
       "declare x varchar2(10); begin select dummy into x from (select dummy from dual union all "
       "select dummy from dual); exception when too_many_rows then :r := sqlcode; end;",
       "-1422"},
      {"zero_divide",
       "declare n number; begin n := 1 / 0; exception when zero_divide then :r := sqlerrm; end;",
       "ORA-01476: divisor is equal to zero"},
      {"value_error on a too long string",
       "declare s varchar2(3); begin s := 'abcd'; exception when value_error then :r := sqlerrm; "
       "end;",
       "ORA-06502: PL/SQL: numeric or value error: character string buffer too small"},
      {"invalid character to number",
       "declare n number; begin n := 'x1'; exception when others then :r := sqlcode; end;",
       "-6502"},
      {"user-defined exception",
       "declare e exception; begin raise e; exception when e then :r := sqlcode || ' ' || sqlerrm; "
       "end;",
       "1 User-Defined Exception"},
      {"pragma exception_init",
       "declare e exception; pragma exception_init(e, -20001); begin "
       "raise_application_error(-20001, 'mine'); exception when e then :r := sqlerrm; end;",
       "ORA-20001: mine"},
      {"re-raise to an outer handler",
       "begin begin raise no_data_found; exception when no_data_found then raise; end; exception "
       "when others then :r := 'outer ' || sqlcode; end;",
       "outer 100"},
      {"handler of an inner block does not catch other errors",
       "begin begin raise zero_divide; exception when no_data_found then :r := 'wrong'; end; "
       "exception when zero_divide then :r := 'right'; end;",
       "right"},
      {"text longer than PL/SQL holds",
       "declare s varchar2(32767) := rpad('x', 32767, 'x'); begin s := s || 'y'; exception when "
       "value_error then :r := length(s); end;",
       "32767"},
      {"padding beyond the limit",
       "declare s varchar2(10); begin s := rpad('x', 1e12); exception when value_error then :r := "
       "'refused'; end;",
       "refused"},
      {"sqlcode outside a handler", "begin :r := sqlcode || sqlerrm; end;",
       "0ORA-0000: normal, successful completion"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      EXPECT_EQ(Result(*app_, c.block), c.expected) << c.block;
    } catch (const sql::SqlError& error) {
      ADD_FAILURE() << c.block << "\nfailed with " << error.what();
    }
  }
}

TEST_F(BlockTest, UnhandledErrorsCarryTheirLines) {
  auto error = app_->ErrorOf(
      "declare\n  n number;\nbegin\n  n := 1;\n  raise_application_error(-20123, 'custom "
      "text');\nend;");
  EXPECT_EQ(error.Code(), 20123);
  EXPECT_STREQ(error.what(), "ORA-20123: custom text\nORA-06512: at line 5");

  error = app_->ErrorOf("declare\n  e exception;\nbegin\n  raise e;\nend;");
  EXPECT_EQ(error.Code(), 6510);
  EXPECT_STREQ(error.what(),
               "ORA-06510: PL/SQL: unhandled user-defined exception\nORA-06512: at line 4");

  error = app_->ErrorOf(
      "declare\n  procedure inner is\n  begin\n    raise no_data_found;\n  end;\nbegin\n  "
      "inner;\nend;");
  EXPECT_EQ(error.Code(), 1403);
  EXPECT_STREQ(error.what(),
               "ORA-01403: no data found\nORA-06512: at line 4\nORA-06512: at line 7");

  error = app_->ErrorOf("begin raise_application_error(-1, 'x'); end;");
  EXPECT_EQ(error.Code(), 21000);
}

TEST_F(BlockTest, EmbeddedSqlUsesVariablesAsBindsAndKeepsTheTransaction) {
  app_->Run("CREATE TABLE notes (id NUMBER, text VARCHAR2(20))");
  app_->Run(
      "declare\n  l_id number := 1;\n  l_text varchar2(20) := 'first';\nbegin\n"
      "  insert into notes (id, text) values (l_id, l_text);\n"
      "  l_id := l_id + 1;\n  insert into notes (id, text) values (l_id, 'second');\n"
      "  update notes set text = upper(text) where id = l_id;\nend;");
  std::vector<BlockBind> binds{InBind("id", Number(2)), OutBind("text")};
  app_->Run("begin select text into :text from notes where id = :id; end;", binds);
  EXPECT_EQ(Text(binds[1].values.at(0)), "SECOND");

  // Nothing is committed yet: another session sees no rows, and a rollback removes them.
  auto other = Connect("app", "app");
  EXPECT_TRUE(other->Query("SELECT * FROM app.notes").empty());
  app_->Run("begin rollback; end;");
  EXPECT_TRUE(app_->Query("SELECT * FROM notes").empty());

  app_->Run("begin insert into notes values (3, 'kept'); commit; end;");
  EXPECT_EQ(other->Query("SELECT text FROM app.notes").size(), 1u);
}

TEST_F(BlockTest, NamesThatCanOnlyBeColumnsOrTablesStayInTheSql) {
  app_->Run("CREATE TABLE people (id NUMBER, name VARCHAR2(20))");
  // Variables named like the table, its columns and an alias.
  app_->Run(
      "declare\n  people varchar2(10) := 'x';\n  id number := 7;\n  name varchar2(20) := 'Ann';\n"
      "  p number := 0;\nbegin\n"
      "  insert into people (id, name) values (id, name);\n"
      "  update people set name = name || '!' where id = 7;\n"
      "  select count(*) into p from people p where p.name = 'Ann!';\n"
      "  if p <> 1 then raise_application_error(-20001, 'not found: ' || p); end if;\n"
      "  delete people where id = 7;\nend;");
  EXPECT_TRUE(app_->Query("SELECT id FROM people").empty());
}

TEST_F(BlockTest, ScalarBindsInAndOut) {
  std::vector<BlockBind> binds{InBind("a", Number(20)), InBind("b", sql::Value::Text("x")),
                               OutBind("sum"), OutBind("short")};
  binds[3].maxLength = 3;
  app_->Run("begin :sum := :a + 1; :b := :b || 'y'; end;", binds);
  EXPECT_EQ(Text(binds[2].values.at(0)), "21");
  EXPECT_EQ(Text(binds[1].values.at(0)), "xy") << "an in bind assigned in the block comes back";

  auto error = app_->ErrorOf("begin :unbound := 1; end;");
  EXPECT_EQ(error.Code(), 1008);
  try {
    app_->Run("begin :short := 'abcd'; end;", binds);
    ADD_FAILURE() << "a value longer than the client's buffer must fail";
  } catch (const sql::SqlError& failure) {
    EXPECT_EQ(failure.Code(), 6502);
  }
}

TEST_F(BlockTest, ABindReadAgainAfterTheBlockWritesItHasItsNewValue) {
  struct Case {
    const char* what;
    const char* block;
    const char* expected;
  };
  const Case cases[] = {
      {"assigned in the block", "begin :n := :n + 1; :n := :n * 10; :r := :n; end;", "20"},
      {"written as a built-in's out parameter",
       "begin :r := :n; dbms_output.enable; dbms_output.put_line('x');\n"
       "  dbms_output.get_line(:line, :n); :r := :r || '/' || :n; end;",
       "1/0"},
      {"written as an in out count of an index-by table",
       "begin :n := 5; dbms_output.enable; dbms_output.put_line('a');\n"
       "  dbms_output.get_lines(:lines, :n); :r := :n; end;",
       "1"},
  };
  for (const auto& c : cases) {
    std::vector<BlockBind> binds{InBind("n", Number(1)), OutBind("r"), OutBind("line"),
                                 TableBind("lines", 3)};
    app_->Run(c.block, binds);
    EXPECT_EQ(Text(binds[1].values.at(0)), c.expected) << c.what;
  }
}

TEST_F(BlockTest, IndexByTableBindsReadWriteAndReportTheirCount) {
  std::vector<BlockBind> binds{TableBind("t", 5, {Number(1), Number(2), Number(3)}),
                               OutBind("total")};
  app_->Run(
      "declare s number := 0; begin\n  for i in 1..3 loop s := s + :t(i); end loop;\n"
      "  :total := s;\n  :t(4) := s * 10;\nend;",
      binds);
  EXPECT_EQ(Text(binds[1].values.at(0)), "6");
  ASSERT_EQ(binds[0].values.size(), 4u) << "the current count grows to the highest element written";
  EXPECT_EQ(Text(binds[0].values[3]), "60");

  auto error = [&](const std::string& block) {
    try {
      app_->Run(block, binds);
    } catch (const sql::SqlError& failure) {
      return failure.Code();
    }
    return 0;
  };
  EXPECT_EQ(error("begin :t(6) := 1; end;"), 6513) << "beyond the client's maximum";
  EXPECT_EQ(error("begin :total := :t(5); end;"), 1403) << "reading an element never written";
}

TEST_F(BlockTest, RefCursorOutBindIsFetchedLikeAQuery) {
  app_->Run("CREATE TABLE items (n NUMBER)");
  app_->Run("begin for i in 1..3 loop insert into items values (i * 11); end loop; end;");
  BlockBind cursor;
  cursor.name = "c";
  cursor.isCursor = true;
  std::vector<BlockBind> binds{cursor, InBind("low", Number(20))};
  app_->Run("begin open :c for select n from items where n > :low order by n; end;", binds);
  ASSERT_NE(binds[0].cursor, nullptr);
  ASSERT_EQ(binds[0].cursor->Info().columns.size(), 1u);
  EXPECT_EQ(binds[0].cursor->Info().columns[0].name, "N");
  auto rows = binds[0].cursor->Fetch(10);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Text(rows[0][0]), "22");
  EXPECT_EQ(Text(rows[1][0]), "33");
}

TEST_F(BlockTest, StatementInterfaceCarriesScalarBinds) {
  auto statement =
      Engine().Prepare(app_->Procedural(), "DECLARE x NUMBER; BEGIN :OUT1 := :in1 * 2; END;");
  EXPECT_EQ(statement->Info().statementType, 9);
  EXPECT_EQ(statement->Info().sqlFunctionCode, 34);
  EXPECT_EQ(statement->Info().bindNames, (std::vector<std::string>{"OUT1", "IN1"}));
  sql::Bind out;
  out.name = ":out1";
  out.out = true;
  out.values.push_back(sql::Value::Null());
  sql::Bind in;
  in.name = "IN1";
  in.values = {Number(4), Number(5)};
  auto result = statement->Execute({out, in}, 2, 0, false);
  ASSERT_EQ(result.outValues.size(), 2u);
  ASSERT_EQ(result.outValues[0].size(), 2u) << "one out value per iteration";
  EXPECT_EQ(Text(result.outValues[0][0]), "8");
  EXPECT_EQ(Text(result.outValues[0][1]), "10");
}

}  // namespace
}  // namespace devdb::plsql::testing
