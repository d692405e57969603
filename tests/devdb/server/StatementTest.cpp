// Statements through the protocol: describe of every column type and of typed expressions,
// statement types and function codes, binds by name, array execution with a failing row,
// fetches in batches, and the error numbers and parse offsets of failed statements.
#include <gtest/gtest.h>

#include "DevdbServerTest.h"

namespace devdb::testing {
namespace {

using protocol::WireBind;
using protocol::WireColumn;
using protocol::WireValue;

class StatementTest : public DevdbServerTest {
 protected:
  void SetUp() override {
    DevdbServerTest::SetUp();
    client_ = System();
  }
  std::unique_ptr<TestClient> client_;
};

struct DescribeCase {
  const char* declaration;  // column declaration or select-list expression
  bool isExpression;
  int type;
  int size;       // -1: not checked
  int precision;  // -1000: not checked
  int scale;      // -1000: not checked
};

void PrintTo(const DescribeCase& c, std::ostream* out) { *out << c.declaration; }

class Describe : public StatementTest, public ::testing::WithParamInterface<DescribeCase> {};

TEST_P(Describe, ReportsTheOracleTypeSizePrecisionAndScale) {
  const DescribeCase& c = GetParam();
  std::string select;
  if (c.isExpression) {
    select = std::string("select ") + c.declaration + " from dual";
  } else {
    client_->Run(std::string("create table described (c ") + c.declaration + ")");
    select = "select c from described";
  }
  protocol::PrepareReply prepared = client_->connection.Prepare(select);
  ASSERT_EQ(prepared.columns.size(), 1u);
  const WireColumn& column = prepared.columns[0];
  EXPECT_EQ(column.oracleType, c.type) << c.declaration;
  if (c.size >= 0) {
    EXPECT_EQ(column.dataSize, c.size) << c.declaration;
  }
  if (c.precision != -1000) {
    EXPECT_EQ(column.precision, c.precision) << c.declaration;
  }
  if (c.scale != -1000) {
    EXPECT_EQ(column.scale, c.scale) << c.declaration;
  }
  EXPECT_EQ(prepared.statementType, 1);
  EXPECT_EQ(prepared.sqlFunctionCode, 4);
  EXPECT_EQ(client_->connection.Describe(prepared.cursor), prepared.columns)
      << "a later describe disagrees with the one at prepare";
}

constexpr int kAny = -1000;

INSTANTIATE_TEST_SUITE_P(EveryType, Describe,
                         ::testing::Values(DescribeCase{"VARCHAR2(30)", false, 1, 30, kAny, kAny},
                                           DescribeCase{"CHAR(5)", false, 96, 5, kAny, kAny},
                                           DescribeCase{"NUMBER", false, 2, -1, 0, kAny},
                                           DescribeCase{"NUMBER(9)", false, 2, -1, 9, 0},
                                           DescribeCase{"NUMBER(5,2)", false, 2, -1, 5, 2},
                                           DescribeCase{"FLOAT", false, 2, -1, kAny, -127},
                                           DescribeCase{"INTEGER", false, 2, -1, kAny, 0},
                                           DescribeCase{"DATE", false, 12, 7, kAny, kAny},
                                           DescribeCase{"RAW(16)", false, 23, 16, kAny, kAny},
                                           DescribeCase{"LONG", false, 8, -1, kAny, kAny},
                                           DescribeCase{"LONG RAW", false, 24, -1, kAny, kAny},
                                           DescribeCase{"sysdate", true, 12, 7, kAny, kAny},
                                           DescribeCase{"to_date('01-01-2000','DD-MM-YYYY')", true,
                                                        12, 7, kAny, kAny},
                                           DescribeCase{"to_char(12)", true, 1, -1, kAny, kAny},
                                           DescribeCase{"'ab' || 'cd'", true, 1, -1, kAny, kAny},
                                           DescribeCase{"count(*)", true, 2, -1, kAny, kAny},
                                           DescribeCase{"length('abc')", true, 2, -1, kAny, kAny},
                                           DescribeCase{"1 + 2", true, 2, -1, kAny, kAny},
                                           DescribeCase{"rowid", true, 11, -1, kAny, kAny}));

TEST_F(StatementTest, DescribeNamesColumnsInUpperCaseOrByAliasAndTellsNullability) {
  client_->Run("create table named (lower_name number not null, other varchar2(10))");
  auto columns =
      client_->connection.Prepare("select lower_name, other as \"Quoted\", other alias from named")
          .columns;
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].name, "LOWER_NAME");
  EXPECT_FALSE(columns[0].nullable);
  EXPECT_EQ(columns[1].name, "Quoted");
  EXPECT_EQ(columns[2].name, "ALIAS");
  EXPECT_TRUE(columns[2].nullable);
}

struct KindCase {
  const char* sql;
  int statementType;
  int functionCode;
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.sql; }

class StatementKind : public StatementTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(StatementKind, HasOraclesTypeAndFunctionCode) {
  client_->Run("create table kinds (n number)");
  protocol::PrepareReply prepared = client_->connection.Prepare(GetParam().sql);
  EXPECT_EQ(prepared.statementType, GetParam().statementType);
  EXPECT_EQ(prepared.sqlFunctionCode, GetParam().functionCode);
}

INSTANTIATE_TEST_SUITE_P(Cases, StatementKind,
                         ::testing::Values(KindCase{"select n from kinds", 1, 4},
                                           KindCase{"update kinds set n = 1", 2, 5},
                                           KindCase{"delete from kinds", 3, 9},
                                           KindCase{"insert into kinds values (1)", 4, 3},
                                           KindCase{"create table other (n number)", 5, 1},
                                           KindCase{"drop table kinds", 6, 8},
                                           KindCase{"commit", 0, 54}, KindCase{"rollback", 0, 55},
                                           KindCase{"create index kinds_n on kinds (n)", 5, 20},
                                           KindCase{"alter session set sql_trace = true", 7, 52},
                                           KindCase{"create user kid identified by Pw1", 5, 19},
                                           KindCase{"alter user system identified by Pw1", 7, 53},
                                           KindCase{"drop user nobody", 6, 11}));

TEST_F(StatementTest, BindsEveryTypeByNameInAndOut) {
  client_->Run("create table typed (n number, t varchar2(20), d date, r raw(4), e varchar2(5))");
  std::vector<WireBind> binds = {
      InBind(":N", WireValue::Number("-12.5")), InBind("t", WireValue::Text("text")),
      InBind(":d", WireValue::Date({2024, 2, 29, 13, 14, 15})),
      InBind("R", WireValue::Raw({0xDE, 0xAD, 0x00, 0x01})), InBind("e", WireValue::Null())};
  protocol::ExecuteReply inserted =
      client_->Run("insert into typed values (:n, :t, :d, :r, :e)", binds);
  EXPECT_EQ(inserted.rowsProcessed, 1u);
  auto rows = client_->Query("select n, t, d, r, e from typed");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], WireValue::Number("-12.5"));
  EXPECT_EQ(rows[0][1], WireValue::Text("text"));
  EXPECT_EQ(rows[0][2], WireValue::Date({2024, 2, 29, 13, 14, 15}));
  EXPECT_EQ(rows[0][3], WireValue::Raw({0xDE, 0xAD, 0x00, 0x01}));
  EXPECT_TRUE(rows[0][4].IsNull());
}

// Out binds need a PL/SQL block.
TEST_F(StatementTest, OutBindsOfEveryTypeComeBackFromABlock) {
  const std::string block =
      "begin :n := -12.5; :t := 'text'; "
      ":d := to_date('2024-02-29 13:14:15', 'YYYY-MM-DD HH24:MI:SS'); "
      ":r := hextoraw('DEAD0001'); :e := null; end;";
  protocol::PrepareReply prepared;
  protocol::ExecuteReply reply;
  auto error = ErrorOf([&] {
    prepared = client_->connection.Prepare(block);
    protocol::ExecuteRequest execute;
    execute.cursor = prepared.cursor;
    for (const char* name : {"n", "t", "d", "r", "e"})
      execute.binds.push_back({name, true, 100, {}});
    reply = client_->connection.Execute(execute);
  });
  ASSERT_FALSE(error) << error->what();
  EXPECT_EQ(prepared.statementType, 8);
  EXPECT_EQ(prepared.sqlFunctionCode, 34);
  ASSERT_EQ(reply.outValues.size(), 5u);
  for (const auto& values : reply.outValues) ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(reply.outValues[0][0], WireValue::Number("-12.5"));
  EXPECT_EQ(reply.outValues[1][0], WireValue::Text("text"));
  EXPECT_EQ(reply.outValues[2][0], WireValue::Date({2024, 2, 29, 13, 14, 15}));
  EXPECT_EQ(reply.outValues[3][0], WireValue::Raw({0xDE, 0xAD, 0x00, 0x01}));
  EXPECT_TRUE(reply.outValues[4][0].IsNull());
}

TEST_F(StatementTest, ARepeatedBindNameIsOneVariable) {
  protocol::PrepareReply prepared = client_->connection.Prepare("select :x + :X * 2 from dual");
  EXPECT_EQ(prepared.bindNames, std::vector<std::string>{"X"});
  client_->connection.CloseCursor(prepared.cursor);
  auto rows = client_->Query("select :x + :X * 2 from dual", {InBind("x", WireValue::Number("3"))});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(Show(rows[0][0]), "9");
}

TEST_F(StatementTest, ArrayExecutionRunsEveryRow) {
  client_->Run("create table arr (n number, t varchar2(10))");
  WireBind numbers{
      "n", false, 22, {WireValue::Number("1"), WireValue::Number("2"), WireValue::Number("3")}};
  WireBind texts{"t", false, 10, {WireValue::Text("a"), WireValue::Null(), WireValue::Text("c")}};
  protocol::ExecuteReply reply =
      client_->Run("insert into arr values (:n, :t)", {numbers, texts}, 3);
  EXPECT_EQ(reply.rowsProcessed, 3u);
  EXPECT_EQ(reply.rowError.code, 0);
  EXPECT_EQ(client_->Scalar("select count(*) from arr where t is null"), "1");
  EXPECT_EQ(client_->Scalar("select sum(n) from arr"), "6");
}

TEST_F(StatementTest, ArrayExecutionStartsAtTheRowOffset) {
  client_->Run("create table offs (n number)");
  WireBind numbers{
      "n", false, 22, {WireValue::Number("1"), WireValue::Number("2"), WireValue::Number("3")}};
  protocol::ExecuteReply reply = client_->Run("insert into offs values (:n)", {numbers}, 2, 1);
  EXPECT_EQ(reply.rowsProcessed, 2u);
  EXPECT_EQ(client_->Scalar("select sum(n) from offs"), "5")
      << "rows 2 and 3 should have been inserted";
}

TEST_F(StatementTest, ArrayExecutionStopsAtAFailingRowWithTheRowsBeforeItDone) {
  client_->Run("create table uniq (n number primary key)");
  WireBind numbers{"n",
                   false,
                   22,
                   {WireValue::Number("1"), WireValue::Number("2"), WireValue::Number("2"),
                    WireValue::Number("3")}};
  protocol::ExecuteReply reply = client_->Run("insert into uniq values (:n)", {numbers}, 4);
  EXPECT_EQ(reply.rowError.code, 1) << reply.rowError.message;
  EXPECT_EQ(reply.rowsProcessed, 2u) << "rows processed must point at the failing row";
  EXPECT_EQ(client_->Scalar("select count(*) from uniq"), "2");
}

TEST_F(StatementTest, ArrayExecutionWithAnInBindShortOfValuesIsRefused) {
  client_->Run("create table short (n number)");
  WireBind numbers{"n", false, 22, {WireValue::Number("1")}};
  auto error = ErrorOf([&] { client_->Run("insert into short values (:n)", {numbers}, 3); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 1008);
  EXPECT_EQ(client_->Scalar("select count(*) from short"), "0");
}

TEST_F(StatementTest, DmlRepliesNameTheLastRowTouched) {
  client_->Run("create table touched (n number primary key, t varchar2(10))");
  WireBind numbers{
      "n", false, 22, {WireValue::Number("1"), WireValue::Number("2"), WireValue::Number("3")}};
  const std::string arrayRowid =
      client_->Run("insert into touched (n) values (:n)", {numbers}, 3).rowid;
  EXPECT_EQ(arrayRowid, client_->Scalar("select rowid from touched where n = 3"));
  struct Case {
    const char* sql;
    const char* rowOf;  // the row whose ROWID the reply names, before the statement ran
  };
  const std::vector<Case> cases = {
      {"insert into touched (n) values (4)", nullptr},
      {"update touched set t = 'x' where n = 2", "n = 2"},
      {"update touched set t = 'y' where n in (1, 2) and t is null", "n = 1"},
      {"update touched set t = 'z' where n = 99", ""},
      {"delete from touched where n = 3", "n = 3"},
      {"delete from touched where n = 3", ""},
      {"create table other (n number)", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    const std::string expected =
        c.rowOf == nullptr || *c.rowOf == '\0'
            ? ""
            : client_->Scalar(std::string("select rowid from touched where ") + c.rowOf);
    const std::string rowid = client_->Run(c.sql).rowid;
    if (c.rowOf == nullptr) {
      EXPECT_EQ(rowid, client_->Scalar("select rowid from touched where n = 4"));
    } else {
      EXPECT_EQ(rowid, expected);
    }
  }
  // An array execution that stops at a failing row names the last row it did.
  WireBind again{
      "n", false, 22, {WireValue::Number("5"), WireValue::Number("1"), WireValue::Number("6")}};
  protocol::ExecuteReply stopped = client_->Run("insert into touched (n) values (:n)", {again}, 3);
  EXPECT_EQ(stopped.rowError.code, 1);
  EXPECT_EQ(stopped.rowid, client_->Scalar("select rowid from touched where n = 5"));
  EXPECT_EQ(client_->Run("delete from touched").rowid, "") << "DELETE without WHERE";
}

TEST_F(StatementTest, CommitOnSuccessMakesTheRowVisibleToOthers) {
  client_->Run("create table shared (n number)");
  client_->Run("insert into shared values (1)", {}, 1, 0, true);
  auto other = System();
  EXPECT_EQ(other->Scalar("select count(*) from shared"), "1");
}

TEST_F(StatementTest, FetchesInBatchesCountRowsFetchedSoFar) {
  client_->Run("create table ten (n number)");
  WireBind numbers{"n", false, 22, {}};
  for (int i = 1; i <= 10; ++i) numbers.values.push_back(WireValue::Number(std::to_string(i)));
  client_->Run("insert into ten values (:n)", {numbers}, 10);

  protocol::PrepareReply prepared = client_->connection.Prepare("select n from ten order by n");
  protocol::ExecuteRequest execute;
  execute.cursor = prepared.cursor;
  execute.prefetchRows = 3;
  protocol::ExecuteReply first = client_->connection.Execute(execute);
  ASSERT_EQ(first.rows.size(), 3u);
  EXPECT_EQ(first.rowsFetched, 3u);
  EXPECT_FALSE(first.endOfFetch);
  protocol::FetchReply second = client_->connection.Fetch(prepared.cursor, 4);
  ASSERT_EQ(second.rows.size(), 4u);
  EXPECT_EQ(Show(second.rows[0][0]), "4");
  EXPECT_EQ(second.rowsFetched, 7u);
  protocol::FetchReply last = client_->connection.Fetch(prepared.cursor, 5);
  EXPECT_EQ(last.rows.size(), 3u);
  EXPECT_EQ(last.rowsFetched, 10u);
  EXPECT_TRUE(last.endOfFetch);
  protocol::FetchReply after = client_->connection.Fetch(prepared.cursor, 5);
  EXPECT_TRUE(after.rows.empty());
  EXPECT_TRUE(after.endOfFetch);
}

// 20 MB of rows is more than the server puts into one reply; the client asks again for
// the rest, so the caller still gets every row it asked for in one Fetch.
TEST_F(StatementTest, AFetchLargerThanOneReplyArrivesWhole) {
  client_->Run("create table wide (n number, t varchar2(1000))");
  const std::string text(1000, 'w');
  WireBind numbers{"n", false, 22, {}};
  WireBind texts{"t", false, 1000, {}};
  for (int i = 0; i < 20000; ++i) {
    numbers.values.push_back(WireValue::Number(std::to_string(i)));
    texts.values.push_back(WireValue::Text(text));
  }
  client_->Run("insert into wide values (:n, :t)", {numbers, texts}, 20000);

  protocol::PrepareReply prepared = client_->connection.Prepare("select n, t from wide order by n");
  protocol::ExecuteRequest execute;
  execute.cursor = prepared.cursor;
  client_->connection.Execute(execute);
  protocol::FetchReply all = client_->connection.Fetch(prepared.cursor, 19999);
  ASSERT_EQ(all.rows.size(), 19999u);
  EXPECT_FALSE(all.endOfFetch);
  EXPECT_EQ(all.rowsFetched, 19999u);
  EXPECT_EQ(Show(all.rows[19998][0]), "19998");
  EXPECT_EQ(Show(all.rows[19998][1]), text);
  protocol::FetchReply last = client_->connection.Fetch(prepared.cursor, 10);
  ASSERT_EQ(last.rows.size(), 1u);
  EXPECT_TRUE(last.endOfFetch);
  EXPECT_EQ(last.rowsFetched, 20000u);
}

struct ErrorCase {
  const char* sql;
  int code;
  int offset;  // -1: not checked
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.sql; }

class StatementError : public StatementTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(StatementError, HasOraclesNumberAndOffset) {
  const ErrorCase& c = GetParam();
  client_->Run(
      "create table errs (n number not null, t varchar2(3), constraint errs_pk primary key (n))");
  client_->Run("insert into errs values (1, 'a')");
  auto error = ErrorOf([&] { client_->Query(c.sql); });
  ASSERT_TRUE(error) << c.sql << " succeeded";
  EXPECT_EQ(error->Code(), c.code) << error->what();
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", c.code);
  EXPECT_EQ(std::string(error->what()).rfind(prefix, 0), 0u) << error->what();
  if (c.offset >= 0) {
    EXPECT_EQ(error->Offset(), c.offset) << c.sql;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatementError,
    ::testing::Values(ErrorCase{"xxzzz", 900, 0}, ErrorCase{"select nosuch from dual", 904, 7},
                      ErrorCase{"select * from nosuch", 942, 14},
                      ErrorCase{"select 1 dual", 923, -1},
                      ErrorCase{"select * from dual where", 936, -1},
                      ErrorCase{"select to_number('abc') from dual", 1722, -1},
                      ErrorCase{"select to_date('xx', 'DD-MM-YYYY') from dual", 1858, -1},
                      ErrorCase{"select to_date('2020x01', '\"y\"YYYY') from dual", 1861, -1},
                      ErrorCase{"insert into errs values (1, 'b')", 1, -1},
                      ErrorCase{"insert into errs (t) values ('c')", 1400, -1},
                      ErrorCase{"select :a from dual", 1008, -1}));

TEST_F(StatementTest, CallsWithoutASessionOrWithAnUnknownCursorAreRefused) {
  auto anonymous = Connect();
  EXPECT_EQ(ErrorOf([&] { anonymous->connection.Prepare("select 1 from dual"); })->Code(), 1012);
  EXPECT_EQ(ErrorOf([&] { anonymous->connection.Commit(); })->Code(), 1012);
  EXPECT_EQ(ErrorOf([&] { client_->connection.Fetch(4242, 1); })->Code(), 1001);
  EXPECT_EQ(ErrorOf([&] { client_->connection.Describe(4242); })->Code(), 1001);
}


// The first execution of a text may carry the text itself: one round trip parses, checks
// the binds and runs it. Whatever fails leaves no cursor behind, so a program that keeps
// failing this way never runs out of cursors.
namespace parse_in_execute {

protocol::ExecuteRequest WithText(const std::string& sql, std::vector<WireBind> binds = {}) {
  protocol::ExecuteRequest request;
  request.sql = sql;
  request.binds = std::move(binds);
  return request;
}

}  // namespace parse_in_execute

TEST_F(StatementTest, AnExecuteWithItsTextParsesInTheSameCall) {
  using parse_in_execute::WithText;
  client_->Run("create table parsed (n number)");
  protocol::ExecuteReply insert = client_->connection.Execute(
      WithText("insert into parsed values (:n)", {InBind("n", WireValue::Number("7"))}));
  ASSERT_TRUE(insert.prepared);
  EXPECT_EQ(insert.rowsProcessed, 1u);
  EXPECT_EQ(insert.statement.statementType, 4);
  EXPECT_EQ(insert.statement.bindNames, std::vector<std::string>{"N"});
  EXPECT_NE(insert.statement.cursor, 0u);

  // The cursor it named is an ordinary prepared statement from then on.
  protocol::ExecuteRequest again;
  again.cursor = insert.statement.cursor;
  again.binds = {InBind(":N", WireValue::Number("8"))};
  EXPECT_FALSE(client_->connection.Execute(again).prepared);

  protocol::ExecuteRequest select = WithText("select n from parsed order by n");
  select.prefetchRows = 10;
  protocol::ExecuteReply rows = client_->connection.Execute(select);
  ASSERT_TRUE(rows.prepared);
  ASSERT_EQ(rows.statement.columns.size(), 1u);
  EXPECT_EQ(rows.statement.columns[0].name, "N");
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_EQ(Show(rows.rows[1][0]), "8");
}

TEST_F(StatementTest, AFailedExecuteWithItsTextLeavesNoCursor) {
  using parse_in_execute::WithText;
  struct Case {
    const char* what;
    protocol::ExecuteRequest request;
    int code;
  };
  const Case cases[] = {
      {"a parse error", WithText("select 1 frm dual"), 923},
      {"a bind the statement does not have",
       WithText("select :a from dual", {InBind("b", WireValue::Text("x"))}), 1036},
      {"a failing execution", WithText("select 1/0 from dual"), 1476},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // More failures than a session has cursors: a leak would end in ORA-01000.
    for (int i = 0; i < 1100; ++i) {
      protocol::ExecuteRequest request = c.request;
      request.prefetchRows = 1;
      auto error = ErrorOf([&] { client_->connection.Execute(request); });
      ASSERT_TRUE(error.has_value());
      ASSERT_EQ(error->Code(), c.code) << error->what();
    }
  }
  EXPECT_EQ(client_->Scalar("select 'still here' from dual"), "still here");
}

// Closes the program asks for later travel in front of its next call; the server answers
// each in order, so the call's own reply is still the one the caller gets.
TEST_F(StatementTest, ClosesRideWithTheNextCall) {
  for (int i = 0; i < 1500; ++i) {
    const protocol::PrepareReply prepared = client_->connection.Prepare("select 1 from dual");
    client_->connection.CloseCursorLater(prepared.cursor);
  }
  client_->connection.CloseCursorLater(987654);  // unknown: ignored like any other close
  EXPECT_EQ(client_->Scalar("select 'after the closes' from dual"), "after the closes");
  auto error = ErrorOf([&] { client_->connection.Prepare("select 1 frm dual"); });
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Code(), 923) << "the call's own error, not a close's";
}

}  // namespace
}  // namespace devdb::testing
