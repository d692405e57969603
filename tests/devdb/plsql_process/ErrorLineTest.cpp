// Errors of PL/SQL as a client of a devdb process receives them: a block that does not
// compile fails with ORA-06550 and the line and column, stored code that does not compile is
// created with a warning and then refused, and a run-time error carries its ORA-06512 lines
// through stored code back to the block.
#include <gtest/gtest.h>

#include "PlsqlProcessTest.h"

namespace devdb::testing {
namespace {

class ErrorLineTest : public PlsqlProcessTest {};

TEST_F(ErrorLineTest, ABlockThatDoesNotCompileNamesLineAndColumn) {
  auto app = App();
  struct Case {
    const char* block;
    const char* start;
  } cases[] = {
      {"begin\n  x := 1;\nend;",
       "ORA-06550: line 2, column 3:\nPLS-00201: identifier 'X' must be declared"},
      {"declare\n  n number;\nbegin\n  n := zz + 1;\nend;",
       "ORA-06550: line 4, column 8:\nPLS-00201: identifier 'ZZ' must be declared"},
      {"begin\n  null\nend;", "ORA-06550: line 3, column 1:\nPLS-00103: Encountered the symbol"},
  };
  for (const Case& c : cases) {
    auto error = ErrorOf([&] { app->Run(c.block); });
    ASSERT_TRUE(error) << c.block;
    EXPECT_EQ(error->Code(), 6550) << c.block;
    EXPECT_EQ(std::string(error->what()).rfind(c.start, 0), 0u) << error->what();
  }
}

TEST_F(ErrorLineTest, StoredCodeWithErrorsIsCreatedWithAWarningAndRefusedWhenCalled) {
  auto app = App();
  protocol::ExecuteReply created =
      app->Run("create or replace procedure broken is\nbegin\n  undefined_helper(1);\nend;");
  EXPECT_EQ(created.warning, "ORA-24344: success with compilation error");
  auto error = ErrorOf([&] { app->Run("begin broken; end;"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 4063);
}

TEST_F(ErrorLineTest, RunTimeErrorsCarryTheirLinesThroughStoredCode) {
  auto app = App();
  app->Run("create or replace package failing as\n  procedure go(n number);\nend;");
  app->Run(
      "create or replace package body failing as\n"
      "  procedure go(n number) is\n"
      "    s varchar2(2);\n"
      "  begin\n"
      "    s := 'abc' || n;\n"
      "  end;\n"
      "end;");
  auto error = ErrorOf([&] { app->Run("begin\n  failing.go(1);\nend;"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 6502);
  const std::string text = error->what();
  EXPECT_EQ(text.rfind("ORA-06502: PL/SQL: numeric or value error", 0), 0u) << text;
  EXPECT_NE(text.find("ORA-06512: at \"APP.FAILING\", line 5\nORA-06512: at line 2"),
            std::string::npos)
      << text;

  auto raised = ErrorOf([&] {
    app->Run("begin\n  null;\n  raise_application_error(-20123, 'custom text');\nend;");
  });
  ASSERT_TRUE(raised);
  EXPECT_EQ(raised->Code(), 20123);
  EXPECT_STREQ(raised->what(), "ORA-20123: custom text\nORA-06512: at line 3");
}

}  // namespace
}  // namespace devdb::testing
