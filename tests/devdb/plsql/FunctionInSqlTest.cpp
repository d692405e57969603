// Stored functions called from SQL statements through the engine's own dispatch, as the
// server runs them: standalone, packaged and behind a public synonym, in select lists, WHERE
// clauses and INSERT values, described with their declared result types; unknown names, the
// function's own errors, and functions that run SQL on the calling session (queries work,
// DML and commit inside a query are refused, never a hang).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlsqlFixture.h"
#include "tests/support/WithoutHanging.h"

namespace devdb::plsql::testing {
namespace {

using vek::testing::WithoutHanging;

class FunctionInSqlTest : public AttachedPlsqlFixture {
 protected:
  void SetUp() override {
    AttachedPlsqlFixture::SetUp();
    auto& system = LogOn("system", "manager");
    for (const char* statement : {"CREATE USER app IDENTIFIED BY app", "GRANT CREATE SESSION TO app",
                                  "CREATE USER other IDENTIFIED BY other",
                                  "GRANT CREATE SESSION TO other"})
      Run(system, statement);
    app_ = &LogOn("app", "app");
    Run(*app_, "CREATE TABLE t (n NUMBER, label VARCHAR2(20))");
    Run(*app_, "INSERT INTO t VALUES (1, 'one')");
    Run(*app_, "INSERT INTO t VALUES (2, 'two')");
    Run(*app_, "INSERT INTO t VALUES (3, 'three')");
    Run(*app_, "CREATE TABLE log_t (text VARCHAR2(100))");
    app_->Commit();
    Run(*app_,
        "create or replace function twice(n number) return number is\n"
        "begin\n  return n * 2;\nend;");
    Run(*app_,
        "create or replace package fn_pkg as\n"
        "  function label(n number, s varchar2) return varchar2;\n"
        "  function answer return number;\n"
        "  function next_day_of(d date) return date;\n"
        "  function rows_up_to(p_n number) return number;\n"
        "  function name_of(p_n number) return varchar2;\n"
        "  function fails(n number) return number;\n"
        "  function writes(n number) return number;\n"
        "  function commits(n number) return number;\n"
        "  function logs(n number) return number;\n"
        "end fn_pkg;");
    auto created = Run(*app_,
        "create or replace package body fn_pkg as\n"
        "  function label(n number, s varchar2) return varchar2 is\n"
        "  begin\n    return s || '#' || n;\n  end;\n"
        "  function answer return number is\n  begin\n    return 42;\n  end;\n"
        "  function next_day_of(d date) return date is\n  begin\n    return d + 1;\n  end;\n"
        "  function rows_up_to(p_n number) return number is\n    c number;\n"
        "  begin\n    select count(*) into c from t where n <= p_n;\n"
        "    return c;\n  end;\n"
        "  function name_of(p_n number) return varchar2 is\n    l varchar2(20);\n"
        "  begin\n    select label into l from t where n = p_n;\n    return l;\n  end;\n"
        "  function fails(n number) return number is\n"
        "  begin\n    if n > 1 then\n      raise_application_error(-20001, 'too big: ' || n);\n"
        "    end if;\n    return n;\n  end;\n"
        "  function writes(n number) return number is\n"
        "  begin\n    insert into log_t values ('row ' || n);\n    return n;\n  end;\n"
        "  function commits(n number) return number is\n"
        "  begin\n    commit;\n    return n;\n  end;\n"
        "  function logs(n number) return number is\n    pragma autonomous_transaction;\n"
        "  begin\n    insert into log_t values ('logged ' || n);\n    commit;\n    return n;\n"
        "  end;\n"
        "end fn_pkg;");
    ASSERT_EQ(created.warning, "");
  }
  // Every row of a query, values as text ("<null>" for NULL).
  static std::vector<std::vector<std::string>> Rows(sql::Session& session, const std::string& text) {
    auto statement = session.Prepare(text);
    statement->Execute({}, 1, 0, false);
    std::vector<std::vector<std::string>> rows;
    for (;;) {
      auto batch = statement->Fetch(10);
      if (batch.empty()) break;
      for (const auto& row : batch) {
        std::vector<std::string> texts;
        for (const auto& value : row) texts.push_back(value.IsNull() ? "<null>" : Text(value));
        rows.push_back(texts);
      }
    }
    return rows;
  }
  static sql::SqlError ErrorOf(sql::Session& session, const std::string& text) {
    try {
      Rows(session, text);
    } catch (const sql::SqlError& error) {
      return error;
    }
    return sql::SqlError(0, "no error");
  }

  sql::Session* app_ = nullptr;
};

TEST_F(FunctionInSqlTest, QueriesCallStoredFunctionsAndDescribeTheirResultTypes) {
  struct Case {
    const char* query;
    std::vector<std::vector<std::string>> rows;
    int oracleType;
    int dataSize;
  };
  const std::vector<Case> cases = {
      {"select twice(21) from dual", {{"42"}}, 2, 22},
      {"select fn_pkg.label(1, 'x') from dual", {{"x#1"}}, 1, 4000},
      {"select app.fn_pkg.label(n, label) from t order by n", {{"one#1"}, {"two#2"}, {"three#3"}}, 1, 4000},
      {"select fn_pkg.answer from dual", {{"42"}}, 2, 22},
      {"select fn_pkg.answer() + 1 from dual", {{"43"}}, 2, 22},
      {"select to_char(fn_pkg.next_day_of(to_date('2024-02-28', 'YYYY-MM-DD')), 'YYYY-MM-DD') "
       "from dual", {{"2024-02-29"}}, 1, 10},
      {"select fn_pkg.next_day_of(to_date('2024-12-31', 'YYYY-MM-DD')) from dual", {{}}, 12, 7},
      {"select n from t where twice(n) > 2 order by n", {{"2"}, {"3"}}, 2, 22},
      {"select twice(null) from dual", {{"<null>"}}, 2, 22},
      {"select dbms_pipe.unique_session_name from dual", {{}}, 1, 4000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    auto statement = app_->Prepare(c.query);
    const auto& described = statement->Info().columns;
    ASSERT_FALSE(described.empty());
    EXPECT_EQ(described[0].oracleType, c.oracleType);
    EXPECT_EQ(described[0].dataSize, c.dataSize);
    auto rows = Rows(*app_, c.query);
    if (!c.rows.empty() && !c.rows[0].empty()) {
      EXPECT_EQ(rows, c.rows);
    } else {
      ASSERT_EQ(rows.size(), 1u);
      EXPECT_NE(rows[0][0], "<null>");
    }
  }
}

TEST_F(FunctionInSqlTest, InsertValuesAndBindsGoThroughTheFunction) {
  sql::Bind x;
  x.name = ":x";
  x.values.push_back(Number(7));
  Run(*app_, "insert into t (n, label) values (twice(:x), fn_pkg.label(:x, 'b'))", {x});
  EXPECT_EQ(Rows(*app_, "select n, label from t where n > 10"),
            (std::vector<std::vector<std::string>>{{"14", "b#7"}}));
}

TEST_F(FunctionInSqlTest, OtherUsersCallThroughAPublicSynonymWithTheRightToExecute) {
  Run(*app_, "grant execute on fn_pkg to other");
  auto& system = LogOn("system", "manager");
  Run(system, "create public synonym fns for app.fn_pkg");
  auto& other = LogOn("other", "other");
  EXPECT_EQ(Rows(other, "select fns.label(2, 'y') from dual"),
            (std::vector<std::vector<std::string>>{{"y#2"}}));
  auto error = ErrorOf(other, "select app.twice(2) from dual");
  EXPECT_EQ(error.Code(), 904) << "no right to execute TWICE: " << error.what();
}

TEST_F(FunctionInSqlTest, UnknownNamesAreInvalidIdentifiersAtTheirPlace) {
  struct Case {
    const char* query;
    const char* text;
    int offset;
  };
  for (const Case& c : std::vector<Case>{
           {"select no_such(1) from dual", "ORA-00904: \"NO_SUCH\": invalid identifier", 7},
           {"select 1 from dual where fn_pkg.nope(1) = 1",
            "ORA-00904: \"FN_PKG\".\"NOPE\": invalid identifier", 25},
           {"select no_column from dual", "ORA-00904: \"NO_COLUMN\": invalid identifier", 7},
       }) {
    SCOPED_TRACE(c.query);
    try {
      app_->Prepare(c.query);
      ADD_FAILURE() << "no error";
    } catch (const sql::SqlError& error) {
      EXPECT_EQ(error.Code(), 904);
      EXPECT_EQ(std::string(error.what()), c.text);
      EXPECT_EQ(error.Offset(), c.offset);
    }
  }
}

TEST_F(FunctionInSqlTest, ErrorsOfTheFunctionReachTheCallerWithTheirLines) {
  auto error = ErrorOf(*app_, "select fn_pkg.fails(n) from t order by n");
  EXPECT_EQ(error.Code(), 20001);
  const std::string text = error.what();
  EXPECT_EQ(text.rfind("ORA-20001: too big: 2\n", 0), 0u) << text;
  EXPECT_NE(text.find("ORA-06512: at \"APP.FN_PKG\", line"), std::string::npos) << text;
  // The session goes on working.
  EXPECT_EQ(Rows(*app_, "select fn_pkg.fails(1) from dual"),
            (std::vector<std::vector<std::string>>{{"1"}}));
}

TEST_F(FunctionInSqlTest, FunctionsQueryTheCallingSessionWithoutWaitingForIt) {
  // Before nested calls were let through, each of these waited for its own session's lock.
  auto rows = WithoutHanging([&] {
    return Rows(*app_, "select n, fn_pkg.rows_up_to(n), fn_pkg.name_of(n) from t "
                       "where fn_pkg.rows_up_to(n) >= 2 order by n");
  });
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"2", "2", "two"}, {"3", "3", "three"}}));
  // From a block, as SELECT INTO.
  sql::Bind out;
  out.name = ":r";
  out.out = true;
  out.values.push_back(sql::Value::Null());
  auto result = WithoutHanging([&] {
    return Run(*app_, "begin select fn_pkg.rows_up_to(2) into :r from dual; end;", {out});
  });
  EXPECT_EQ(Text(result.outValues.at(0).at(0)), "2");
  // The function sees the calling session's own uncommitted rows.
  Run(*app_, "insert into t values (0, 'zero')");
  EXPECT_EQ(WithoutHanging([&] { return Rows(*app_, "select fn_pkg.name_of(0) from dual"); }),
            (std::vector<std::vector<std::string>>{{"zero"}}));
  // A second session is not held up by the first one's calls.
  auto& second = LogOn("app", "app");
  EXPECT_EQ(WithoutHanging([&] { return Rows(second, "select fn_pkg.rows_up_to(3) from dual"); }),
            (std::vector<std::vector<std::string>>{{"3"}}));
}

TEST_F(FunctionInSqlTest, DmlAndCommitInsideAQueryAreRefused) {
  auto dml = WithoutHanging([&] { return ErrorOf(*app_, "select fn_pkg.writes(n) from t"); });
  EXPECT_EQ(dml.Code(), 14551) << dml.what();
  const std::string text = dml.what();
  EXPECT_EQ(text.rfind("ORA-14551: cannot perform a DML operation inside a query\n", 0), 0u) << text;
  EXPECT_NE(text.find("ORA-06512: at \"APP.FN_PKG\", line"), std::string::npos) << text;
  EXPECT_EQ(Rows(*app_, "select count(*) from log_t"),
            (std::vector<std::vector<std::string>>{{"0"}}));

  auto commit = WithoutHanging([&] { return ErrorOf(*app_, "select fn_pkg.commits(1) from dual"); });
  EXPECT_EQ(commit.Code(), 14552) << commit.what();

  // The usual way out: an autonomous transaction writes on a session of its own.
  EXPECT_EQ(WithoutHanging([&] { return Rows(*app_, "select fn_pkg.logs(n) from t order by n"); }),
            (std::vector<std::vector<std::string>>{{"1"}, {"2"}, {"3"}}));
  auto& other = LogOn("app", "app");
  EXPECT_EQ(Rows(other, "select count(*) from log_t"),
            (std::vector<std::vector<std::string>>{{"3"}}));
  // The session still writes and commits normally afterwards.
  Run(*app_, "insert into log_t values ('plain')");
  app_->Commit();
  EXPECT_EQ(Rows(other, "select count(*) from log_t"),
            (std::vector<std::vector<std::string>>{{"4"}}));
}

}  // namespace
}  // namespace devdb::plsql::testing
