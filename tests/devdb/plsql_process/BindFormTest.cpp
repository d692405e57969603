// Index-by tables and REF CURSORs bound from the client over the wire: the current elements
// go in, the block's writes and the new current count come back, and a cursor the block
// opens is described and fetched like a query.
#include <gtest/gtest.h>

#include "PlsqlProcessTest.h"

namespace devdb::testing {
namespace {

using protocol::WireBind;
using protocol::WireValue;

class BindFormTest : public PlsqlProcessTest {};

TEST_F(BindFormTest, ATableGoesInAndComesBackWithItsNewCount) {
  auto app = App();
  BlockResult result = Block(
      *app,
      "declare s number := 0; begin\n  for i in 1..3 loop s := s + :t(i); :t(i) := :t(i) * 2; end loop;\n"
      "  :total := s;\n  :t(4) := s * 10;\nend;",
      {WireBind::Table("t", 5, {WireValue::Number("1"), WireValue::Number("2"), WireValue::Number("3")}, 22),
       Variable("total", kFloat)});
  EXPECT_EQ(result["total"].text, "6");
  ASSERT_EQ(result.tables["T"].size(), 4u) << "the current count comes back";
  EXPECT_EQ(Show(result.tables["T"][0]), "2");
  EXPECT_EQ(Show(result.tables["T"][2]), "6");
  EXPECT_EQ(Show(result.tables["T"][3]), "60");
}

TEST_F(BindFormTest, TableTextsAndAnEmptyTable) {
  auto app = App();
  BlockResult result = Block(*app, "begin :names(1) := 'one'; :names(2) := 'two'; end;",
                             {WireBind::Table("names", 3, {}, 10)});
  ASSERT_EQ(result.tables["NAMES"].size(), 2u);
  EXPECT_EQ(result.tables["NAMES"][1], WireValue::Text("two"));
}

TEST_F(BindFormTest, TableErrorsBeyondTheArrayAndOnUnwrittenElements) {
  auto app = App();
  struct Case {
    const char* block;
    int code;
  } cases[] = {{"begin :t(3) := 1; end;", 6513},
               {"begin :x := :t(2); end;", 1403}};
  for (const Case& c : cases) {
    auto error = ErrorOf([&] {
      Block(*app, c.block, {WireBind::Table("t", 2, {WireValue::Number("1")}), Variable("x", kFloat)});
    });
    ASSERT_TRUE(error) << c.block;
    EXPECT_EQ(error->Code(), c.code) << c.block;
  }
  auto tooMany = ErrorOf([&] {
    Block(*app, "begin null; end;", {WireBind::Table("t", 1, {WireValue::Number("1"), WireValue::Number("2")})});
  });
  ASSERT_TRUE(tooMany) << "more current elements than the array holds";
  EXPECT_EQ(tooMany->Code(), 6513);
  auto huge = ErrorOf([&] {
    Block(*app, "begin :t(2000000000) := 1; end;", {WireBind::Table("t", 2000000000)});
  });
  ASSERT_TRUE(huge) << "a maximum no reply could carry back";
  EXPECT_EQ(huge->Code(), 6513);
  EXPECT_EQ(app->Scalar("select 1 from dual"), "1");
  auto inSql = ErrorOf([&] { app->Query("select :t from dual", {WireBind::Table("t", 2)}); });
  ASSERT_TRUE(inSql) << "SQL has no tables of the client's";
  EXPECT_EQ(inSql->Code(), 1008);
}

TEST_F(BindFormTest, ARefCursorIsFetchedLikeAQuery) {
  auto app = App();
  app->Run("create table items (n number, t varchar2(10))");
  app->Run("begin for i in 1..5 loop insert into items values (i * 11, 'item ' || i); end loop; commit; end;");
  BlockResult result = Block(*app, "begin open :c for select n, t from items where n > :low order by n; end;",
                             {WireBind::RefCursor("c"), Variable("low", kInteger, WireValue::Number("20"))});
  ASSERT_EQ(result.cursors.size(), 1u);
  const std::uint32_t cursor = result.cursors[0];
  ASSERT_NE(cursor, 0u);
  auto columns = app->connection.Describe(cursor);
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].name, "N");
  EXPECT_EQ(columns[1].name, "T");
  protocol::FetchReply first = app->connection.Fetch(cursor, 2);
  ASSERT_EQ(first.rows.size(), 2u);
  EXPECT_EQ(Show(first.rows[0][0]), "22");
  EXPECT_EQ(Show(first.rows[1][1]), "item 3");
  protocol::FetchReply rest = app->connection.Fetch(cursor, 10);
  EXPECT_EQ(rest.rows.size(), 2u);
  EXPECT_TRUE(rest.endOfFetch);
  EXPECT_EQ(rest.rowsFetched, 4u);
  app->connection.CloseCursor(cursor);
}

TEST_F(BindFormTest, ACursorTheBlockDidNotOpenIsZeroAndTwoCursorsAreApart) {
  auto app = App();
  BlockResult result = Block(
      *app, "begin if :which = 1 then open :a for select 1 from dual; end if; open :b for select 2 from dual; end;",
      {Variable("which", kInteger, WireValue::Number("2")), WireBind::RefCursor("a"), WireBind::RefCursor("b")});
  ASSERT_EQ(result.cursors.size(), 2u);
  EXPECT_EQ(result.cursors[0], 0u);
  ASSERT_NE(result.cursors[1], 0u);
  protocol::FetchReply rows = app->connection.Fetch(result.cursors[1], 5);
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(Show(rows.rows[0][0]), "2");
}

TEST_F(BindFormTest, DeclaredTypesCheckPipeItems) {
  auto app = App();
  Block(*app, "begin dbms_pipe.pack_message('text'); :s := dbms_pipe.send_message('TYPED'); end;",
        {Variable("s", kInteger)});
  ASSERT_EQ(ReceiveMessage(*app, "TYPED", 0), 0);
  auto error = ErrorOf([&] { Block(*app, "begin dbms_pipe.unpack_message(:n); end;", {Variable("n", kFloat)}); });
  ASSERT_TRUE(error) << "a text item into a number variable";
  EXPECT_EQ(error->Code(), 6559);
}

TEST_F(BindFormTest, ArrayExecutionOfABlockRunsOncePerRow) {
  auto app = App();
  WireBind in{"x", false, 22, {WireValue::Number("1"), WireValue::Number("2"), WireValue::Number("3")}};
  protocol::ExecuteReply reply = app->Run("begin :y := :x * 10; end;", {in, Variable("y", kFloat)}, 2, 1);
  ASSERT_EQ(reply.outValues.size(), 1u) << "only out binds come back";
  ASSERT_EQ(reply.outValues[0].size(), 2u);
  EXPECT_EQ(Show(reply.outValues[0][0]), "20");
  EXPECT_EQ(Show(reply.outValues[0][1]), "30");
}

}  // namespace
}  // namespace devdb::testing
