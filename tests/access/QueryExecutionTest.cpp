// Statement execution against devdb in every client mode: fetch calls per read buffer, re-use
// of the prepared statement, the error position, AfterQuery timing, the texts sent for
// empty SQL lists, RowsProcessed and FunctionType, the debug display and the cursor.
#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "access/OracleError.h"
#include "platform/UiHooks.h"
#include "tests/access/AccessFixture.h"
#include "tests/access/CountedClientCalls.h"
#include "tests/access/RecordingUiHooks.h"

namespace vek::testing {
namespace {

// A variable list that binds nothing but claims an array of `arraySize` elements, so that the
// statement runs as an array execution, and that names itself in the debug display.
class ArrayOfNothing : public TQueryVariables {
 public:
  explicit ArrayOfNothing(std::int32_t arraySize) : arraySize_(arraySize) {}
  int Count() const override { return 1; }
  bool ForcesPreparation() const override { return arraySize_ > 1; }
  void ForgetBindHandles() override {}
  std::int32_t BindAll(TOracleQuery&) override {
    ++binds;
    return arraySize_;
  }
  void UpdateAfterExecute(TOracleQuery&) override { ++updates; }
  std::string DebugText() const override { return "\r:ROWS = (Array)"; }
  void DeleteAll() override {}

  int binds = 0;
  int updates = 0;

 private:
  std::int32_t arraySize_;
};

class QueryExecutionTest : public AccessTest {
 protected:
  void FillNumbers(TOracleSession& session, const std::string& table, int rows) {
    Run(session, "create table " + table + " (n number(9), t varchar2(20))");
    for (int i = 1; i <= rows; ++i) {
      Run(session, "insert into " + table + " values (" + std::to_string(i) + ", 'row " +
                       std::to_string(i) + "')");
    }
    session.Commit();
  }
};

struct FetchCase {
  int rows;
  int fetchCallsFirstRun;
};

TEST_P(QueryExecutionTest, FetchCallsFollowTheReadBufferAndReExecutionReusesThePreparation) {
  TOracleSession& session = LoggedOn();
  for (const FetchCase c :
       {FetchCase{57, 3}, FetchCase{50, 3}, FetchCase{0, 1}, FetchCase{24, 1}, FetchCase{25, 2}}) {
    SCOPED_TRACE(std::to_string(c.rows) + " rows");
    const std::string table = "rows_" + std::to_string(c.rows);
    FillNumbers(session, table, c.rows);
    TOracleQuery query;
    query.SetSession(&session);
    query.SetReadBuffer(25);
    query.SQL = {"select n, t from " + table + " order by n"};
    CountedClientCalls calls;
    for (int run = 0; run < 2; ++run) {
      SCOPED_TRACE(run == 0 ? "first execution" : "re-execution");
      calls.Reset();
      query.Execute();
      int seen = 0;
      while (!query.Eof()) {
        ++seen;
        EXPECT_EQ(query.FieldAsInteger(0), seen);
        EXPECT_EQ(query.RowsProcessed(),
                  ((seen - 1) / 25) * 25 + std::min(25, c.rows - ((seen - 1) / 25) * 25));
        query.Next();
      }
      EXPECT_EQ(seen, c.rows);
      EXPECT_EQ(calls.Log().FetchCalls(), c.fetchCallsFirstRun);
      EXPECT_EQ(calls.Log().prepares, run == 0 ? 1 : 0);
      // Version 7 asks for a third column to learn where the list ends; version 8 knows the
      // count beforehand.
      const int describes = ExpectsVersion8(Mode()) ? 2 : 3;
      EXPECT_EQ(calls.Log().describes, run == 0 ? describes : 0);
      query.Next();  // at Eof: nothing happens
      EXPECT_EQ(calls.Log().FetchCalls(), c.fetchCallsFirstRun);
    }
  }
}

TEST_P(QueryExecutionTest, ReadBufferChangesTakeEffectAtTheNextPreparation) {
  TOracleSession& session = LoggedOn();
  FillNumbers(session, "ten", 10);
  TOracleQuery query;
  query.SetSession(&session);
  query.SetReadBuffer(3);
  query.SQL = {"select n from ten"};
  CountedClientCalls calls;
  auto fetchAll = [&] {
    calls.Reset();
    query.Execute();
    while (!query.Eof()) query.Next();
    return calls.Log().FetchCalls();
  };
  EXPECT_EQ(fetchAll(), 4);
  query.SetReadBuffer(100);
  EXPECT_EQ(fetchAll(), 4) << "still described with 3 rows per fetch";
  query.Optimize = false;
  EXPECT_EQ(fetchAll(), 1);
  EXPECT_EQ(calls.Log().prepares, 1);
}

TEST_P(QueryExecutionTest, StringFieldsOnlyForcesANewPreparation) {
  TOracleSession& session = LoggedOn();
  FillNumbers(session, "few", 2);
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select n from few"};
  query.Execute();
  EXPECT_EQ(query.FieldType(0), otcInteger);
  CountedClientCalls calls;
  query.SetStringFieldsOnly(true);
  query.Execute();
  EXPECT_EQ(calls.Log().prepares, 1);
  EXPECT_EQ(query.FieldType(0), otcString);
  EXPECT_EQ(query.FieldAsString(0), "1");
}

struct ErrorPositionCase {
  std::vector<std::string> sql;
  std::int32_t line;
  std::int32_t column;
};

TEST_P(QueryExecutionTest, ErrorsReportTheirLineAndColumn) {
  TOracleSession& session = LoggedOn();
  const std::vector<ErrorPositionCase> cases = {
      {{"select * from no_such_table"}, 1, 15},
      {{"select *", "from no_such_table"}, 2, 6},
      {{"select *", "  from", "    no_such_table"}, 3, 5},
      {{"xselect 1 from dual"}, 1, 1},
  };
  for (const ErrorPositionCase& c : cases) {
    TOracleQuery query;
    query.SetSession(&session);
    query.SQL = c.sql;
    SCOPED_TRACE(c.sql.back());
    EXPECT_THROW(query.Execute(), EOracleError);
    EXPECT_EQ(query.ErrorLine(), c.line);
    EXPECT_EQ(query.ErrorPosition(), c.column);
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.ParsedText(), "") << "the next Execute prepares again";
  }
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select 1 from dual"};
  query.Execute();
  EXPECT_EQ(query.ErrorLine(), 0);
  EXPECT_EQ(query.ErrorPosition(), 0);
}

TEST_P(QueryExecutionTest, TheTextSentDropsCarriageReturnsAndFillsAnEmptyList) {
  TOracleSession& session = LoggedOn();
  TOracleQuery query;
  query.SetSession(&session);
  CountedClientCalls calls;
  query.SQL = {"select 1\r", "from dual"};
  query.Execute();
  ASSERT_EQ(calls.Log().preparedTexts.size(), 1u);
  EXPECT_EQ(calls.Log().preparedTexts[0], "select 1\nfrom dual\n");
  query.SQL.clear();
  EXPECT_THROW(query.Execute(), EOracleError);
  EXPECT_EQ(calls.Log().preparedTexts.back(), " ");
  query.SQL = {""};
  EXPECT_THROW(query.Execute(), EOracleError);
  EXPECT_EQ(calls.Log().preparedTexts.back(), "\n");
}

// With Optimize the statement is prepared again exactly when the text it would send changes:
// carriage returns never count, line ends do.
TEST_P(QueryExecutionTest, AStatementIsPreparedAgainOnlyWhenTheTextSentChanges) {
  struct Case {
    std::vector<std::string> first;
    std::vector<std::string> second;
    int preparesOfSecond;
  };
  const std::vector<Case> cases = {
      {{"select 1", "from dual"}, {"select 1", "from dual"}, 0},
      {{"select 1", "from dual"}, {"select 1\r", "from\r dual\r"}, 0},
      {{"select 1", "from dual"}, {"select 1\r\r", "fr\rom dual"}, 0},
      {{"select 1\r", "from dual"}, {"select 1", "from dual"}, 0},
      {{"select 1", "from dual"}, {"select 1 from dual"}, 1},
      {{"select 1 ", "from dual"}, {"select 1", " from dual"}, 1},
      {{"select 1", "from dual"}, {"select 1", "from dual", ""}, 1},
      {{"select 1", "from dual", ""}, {"select 1", "from dual"}, 1},
      {{"select 1", "from dual"}, {"select 1", "from  dual"}, 1},
  };
  TOracleSession& session = LoggedOn();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.first) + " then " + ::testing::PrintToString(c.second));
    TOracleQuery query;
    query.SetSession(&session);
    query.SQL = c.first;
    query.Execute();
    CountedClientCalls calls;
    query.SQL = c.second;
    query.Execute();
    EXPECT_EQ(calls.Log().prepares, c.preparesOfSecond);
    EXPECT_EQ(query.FieldAsInteger(0), 1);
  }
}

TEST_P(QueryExecutionTest, AfterQueryFiresOncePerExecutionWhenTheStatementHasFinished) {
  TOracleSession& session = LoggedOn();
  FillNumbers(session, "three", 3);
  TOracleQuery query;
  query.SetSession(&session);
  int before = 0;
  int after = 0;
  query.BeforeQuery = [&](TOracleQuery&) { ++before; };
  query.AfterQuery = [&](TOracleQuery&) { ++after; };

  query.SQL = {"select n from three"};
  query.Execute();
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 0) << "rows are waiting";
  query.Next();
  query.Next();
  EXPECT_EQ(after, 0);
  query.Next();
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(after, 1) << "fires when Eof is reached";
  query.Next();
  EXPECT_EQ(after, 1);

  query.SQL = {"select n from three where n > 10"};
  query.Execute();
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(after, 2) << "an empty select fires inside Execute";

  query.SQL = {"update three set n = n + 1"};
  query.Execute();
  EXPECT_EQ(after, 3);
  EXPECT_EQ(query.RowsProcessed(), 3);
  EXPECT_EQ(query.FunctionType(), ftUpdate);
  EXPECT_EQ(query.FieldCount(), 0);

  query.SQL = {"select nothing from three"};
  EXPECT_THROW(query.Execute(), EOracleError);
  EXPECT_EQ(after, 4) << "an error fires it too";
  EXPECT_EQ(before, 4);
}

TEST_P(QueryExecutionTest, FunctionTypesOfStatements) {
  TOracleSession& session = LoggedOn();
  TOracleQuery query;
  query.SetSession(&session);
  struct Case {
    std::string sql;
    std::int32_t functionType;
  };
  Run(session, "create table kinds (n number)");
  for (const Case& c :
       {Case{"insert into kinds values (1)", ftInsert}, Case{"update kinds set n = 2", ftUpdate},
        Case{"delete from kinds", ftDelete}, Case{"select * from kinds", ftSelect}}) {
    query.SQL = {c.sql};
    query.Execute();
    EXPECT_EQ(query.FunctionType(), c.functionType) << c.sql;
    EXPECT_TRUE(query.Eof()) << c.sql;
  }
}

TEST_P(QueryExecutionTest, DebugShowsTheStatementAndTheCursorIsRestored) {
  TOracleSession& session = LoggedOn();
  ScopedRecordingHooks hooks;
  TOracleQuery query;
  query.SetSession(&session);
  query.Debug = true;
  query.Cursor = crSQLWait;
  query.SQL = {"select 1", "from dual"};
  query.Execute();
  ASSERT_EQ(hooks->messages.size(), 1u);
  EXPECT_EQ(hooks->messages[0], "select 1\r\nfrom dual\r\n");
  EXPECT_EQ(hooks->current, crDefault) << "the cursor is back";
  EXPECT_FALSE(hooks->shown.empty());
  EXPECT_EQ(hooks->shown[0], crSQLWait);

  query.SQL = {"select * from no_such_table"};
  EXPECT_THROW(query.Execute(), EOracleError);
  EXPECT_EQ(hooks->current, crDefault) << "restored before the error is raised";
  query.SQL = {"select 2 from dual"};
  query.Describe();  // no debug display for a describe
  EXPECT_EQ(hooks->messages.size(), 2u);
}

TEST_P(QueryExecutionTest, DescribeGivesTheColumnsWithoutRows) {
  TOracleSession& session = LoggedOn();
  FillNumbers(session, "described", 2);
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select n, t from described"};
  query.Describe();
  EXPECT_TRUE(query.Eof());
  ASSERT_EQ(query.FieldCount(), 2);
  EXPECT_EQ(query.FieldName(1), "T");
  query.Execute();
  EXPECT_FALSE(query.Eof());
  EXPECT_EQ(query.FieldAsString(1), "row 1");
}

TEST_P(QueryExecutionTest, ClearEmptiesTheStatementAndCloseReleasesIt) {
  TOracleSession& session = LoggedOn();
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select 1 from dual"};
  query.Execute();
  EXPECT_TRUE(query.IsOpen());
  query.Clear();
  EXPECT_TRUE(query.SQL.empty());
  EXPECT_EQ(query.ParsedText(), "");
  EXPECT_EQ(query.FieldCount(), 0);
  query.SQL = {"select 2 from dual"};
  query.Execute();
  EXPECT_EQ(query.FieldAsInteger(0), 2);
  query.Close();
  EXPECT_FALSE(query.IsOpen());
  query.Execute();
  EXPECT_EQ(query.FieldAsInteger(0), 2);
}

TEST_P(QueryExecutionTest, MovingAStatementToAnotherSessionClosesIt) {
  TOracleSession& first = LoggedOn();
  TOracleSession& second = LoggedOn();
  Run(first, "create table moved (n number)");
  Run(first, "insert into moved values (1)");
  TOracleQuery query;
  query.SetSession(&first);
  query.SQL = {"select count(*) from moved"};
  query.Execute();
  EXPECT_EQ(query.FieldAsInteger(0), 1);
  query.SetSession(&second);
  EXPECT_FALSE(query.IsOpen());
  query.Execute();
  EXPECT_EQ(query.FieldAsInteger(0), 0) << "the second session does not see uncommitted work";
}

TEST_P(QueryExecutionTest, BackgroundExecutionDeliversEveryRow) {
  TOracleSession& session = LoggedOn();
  FillNumbers(session, "background", 30);
  TOracleQuery query;
  query.SetSession(&session);
  query.Threaded = true;
  query.ThreadSynchronized = true;
  query.SQL = {"select n from background order by n"};
  std::vector<int> rows;
  bool executed = false;
  bool finished = false;
  query.OnThreadExecuted = [&](TOracleQuery&) { executed = true; };
  query.OnThreadRecord = [&](TOracleQuery& q) { rows.push_back(q.FieldAsInteger(0)); };
  query.OnThreadFinished = [&](TOracleQuery&) { finished = true; };
  query.Execute();
  ServeMainThreadCallsUntil([&] { return finished; });
  EXPECT_TRUE(executed);
  ASSERT_EQ(rows.size(), 30u);
  EXPECT_EQ(rows.front(), 1);
  EXPECT_EQ(rows.back(), 30);

  std::int32_t errorCode = 0;
  finished = false;
  query.OnThreadError = [&](TOracleQuery&, std::int32_t code, const std::string&) {
    errorCode = code;
  };
  query.SQL = {"select * from no_such_table"};
  query.Execute();
  ServeMainThreadCallsUntil([&] { return finished; });
  EXPECT_EQ(errorCode, 942);
}

TEST_P(QueryExecutionTest, ABusyBackgroundThreadRefusesASecondExecution) {
  TOracleSession& session = LoggedOn();
  TOracleQuery query;
  query.SetSession(&session);
  query.Threaded = true;
  query.ThreadSynchronized = false;  // events arrive on the background thread
  query.SQL = {"select 1 from dual"};
  std::promise<void> executed;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<void> finished;
  query.OnThreadExecuted = [&](TOracleQuery&) {
    executed.set_value();
    released.wait();
  };
  query.OnThreadFinished = [&](TOracleQuery&) { finished.set_value(); };
  query.Execute();
  executed.get_future().wait();
  for (const auto& call : {std::function<void()>([&] { query.Execute(); }),
                           std::function<void()>([&] { query.Describe(); })}) {
    try {
      call();
      FAIL() << "a working thread must refuse";
    } catch (const Exception& error) {
      EXPECT_STREQ(error.what(), "Query thread is still in progress");
    }
  }
  release.set_value();
  finished.get_future().wait();
}

TEST_P(QueryExecutionTest, APlsqlBlockLeavesEofTrue) {
  TOracleSession& session = LoggedOn();
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"begin", "  null;", "end;"};
  try {
    query.Execute();
  } catch (const EOracleError& error) {
    if (error.ErrorCode() == 3001) GTEST_SKIP() << "devdb runs no PL/SQL blocks yet";
    throw;
  }
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.FunctionType(), ftPLSQL);
  EXPECT_EQ(query.FieldCount(), 0);
}

TEST_P(QueryExecutionTest, ArrayExecutionOffersEachFailedRowToOnArrayError) {
  TOracleSession& session = LoggedOn();
  Run(session, "create table unique_rows (n number primary key)");
  TOracleQuery query;
  query.SetSession(&session);
  query.SetVariables(std::make_unique<ArrayOfNothing>(3));
  query.SQL = {"insert into unique_rows values (1)"};
  std::vector<std::int32_t> failedRows;
  std::vector<std::int32_t> codes;
  query.OnArrayError = [&](TOracleQuery&, std::int32_t index, std::int32_t code,
                           const std::string& message, bool& goOn) {
    failedRows.push_back(index);
    codes.push_back(code);
    EXPECT_NE(message.find("ORA-00001"), std::string::npos) << message;
    EXPECT_TRUE(goOn);
  };
  query.Execute();
  // Row 0 goes in; rows 1 and 2 repeat its key.
  EXPECT_EQ(failedRows, (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(codes, (std::vector<std::int32_t>{1, 1}));
  EXPECT_EQ(One(session, "select count(*) from unique_rows"), "1");

  failedRows.clear();
  query.OnArrayError = [&](TOracleQuery&, std::int32_t index, std::int32_t, const std::string&,
                           bool& goOn) {
    failedRows.push_back(index);
    goOn = false;
  };
  query.Execute();
  EXPECT_EQ(failedRows, (std::vector<std::int32_t>{0})) << "the handler stopped the run";

  query.OnArrayError = nullptr;
  EXPECT_THROW(query.Execute(), EOracleError) << "without a handler the error is raised";
}

TEST_P(QueryExecutionTest, TheVariableListBindsBeforeEachExecutionAndShowsInTheDebugText) {
  TOracleSession& session = LoggedOn();
  ScopedRecordingHooks hooks;
  TOracleQuery query;
  query.SetSession(&session);
  auto variables = std::make_unique<ArrayOfNothing>(0);
  ArrayOfNothing& list = *variables;
  query.SetVariables(std::move(variables));
  query.Debug = true;
  query.SQL = {"select 1 from dual"};
  query.Execute();
  query.Execute();
  EXPECT_EQ(list.binds, 2);
  EXPECT_EQ(list.updates, 2);
  ASSERT_EQ(hooks->messages.size(), 2u);
  EXPECT_EQ(hooks->messages[0], "select 1 from dual\r\n\r:ROWS = (Array)");
}

INSTANTIATE_TEST_SUITE_P(Modes, QueryExecutionTest, VEK_ALL_CLIENT_MODES);

}  // namespace
}  // namespace vek::testing
