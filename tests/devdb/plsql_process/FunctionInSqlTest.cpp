// Stored functions called from SQL over the wire: a packaged function that queries the
// calling session's own table answers per row, and one that writes inside the query fails
// with Oracle's error and its lines, without the session hanging.
#include <gtest/gtest.h>

#include "PlsqlProcessTest.h"
#include "tests/support/WithoutHanging.h"

namespace devdb::testing {
namespace {

using vek::testing::WithoutHanging;

class FunctionInSqlTest : public PlsqlProcessTest {};

TEST_F(FunctionInSqlTest, PackagedFunctionsQueryTheirOwnSessionFromAQuery) {
  auto app = App();
  app->Run("create table items (n number, label varchar2(20))");
  app->Run("insert into items values (1, 'one')");
  app->Run("insert into items values (2, 'two')");
  app->Run("create or replace package lookup as\n"
           "  function label_of(p_n number) return varchar2;\n"
           "  function remember(p_n number) return number;\nend lookup;");
  BlockResult body = Block(*app,
                           "create or replace package body lookup as\n"
                           "  function label_of(p_n number) return varchar2 is\n"
                           "    l varchar2(20);\n"
                           "  begin\n"
                           "    select label into l from items where n = p_n;\n"
                           "    return l;\n"
                           "  end;\n"
                           "  function remember(p_n number) return number is\n"
                           "  begin\n"
                           "    insert into items values (p_n + 10, 'copy');\n"
                           "    return p_n;\n"
                           "  end;\nend lookup;");
  EXPECT_EQ(body.warning, "");

  // Uncommitted rows of the session are what its function sees.
  auto rows = WithoutHanging([&] {
    return app->Query("select n, lookup.label_of(n) from items where lookup.label_of(n) like 't%'");
  });
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(Show(rows[0][0]), "2");
  EXPECT_EQ(Show(rows[0][1]), "two");

  auto error = WithoutHanging([&] { return ErrorOf([&] { app->Query("select lookup.remember(n) from items"); }); });
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Code(), 14551);
  const std::string text = error->what();
  EXPECT_EQ(text.rfind("ORA-14551: cannot perform a DML operation inside a query\n", 0), 0u) << text;
  EXPECT_NE(text.find("ORA-06512: at \"APP.LOOKUP\", line 10"), std::string::npos) << text;
  // The session goes on: the same query again, and a plain count.
  EXPECT_EQ(app->Scalar("select lookup.label_of(1) from dual"), "one");
  EXPECT_EQ(app->Scalar("select count(*) from items"), "2");
}

}  // namespace
}  // namespace devdb::testing
