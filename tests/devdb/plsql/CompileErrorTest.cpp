// Compilation errors as a client sees them: ORA-06550 with the line and column of the
// offending symbol, the PLS- or SQL message, and the statement the compiler ignored.
#include <gtest/gtest.h>

#include "PlsqlFixture.h"

namespace devdb::plsql::testing {
namespace {

class CompileErrorTest : public PlsqlFixture {
 protected:
  void SetUp() override {
    PlsqlFixture::SetUp();
    CreateUser("app", "app");
    app_ = Connect("app", "app");
  }
  void TearDown() override {
    app_.reset();
    PlsqlFixture::TearDown();
  }
  std::unique_ptr<Connection> app_;
};

struct ErrorCase {
  const char* what;
  const char* block;
  int code;
  const char* expectedStart;  // the error text starts with this
};

TEST_F(CompileErrorTest, ErrorsNameLineAndColumn) {
  const ErrorCase cases[] = {
      {"undeclared assignment target", "begin\n  x := 1;\nend;", 6550,
       "ORA-06550: line 2, column 3:\nPLS-00201: identifier 'X' must be declared\n"
       "ORA-06550: line 2, column 3:\nPL/SQL: Statement ignored"},
      {"undeclared name inside an expression", "declare\n  n number;\nbegin\n  n := zz + 1;\nend;",
       6550,
       "ORA-06550: line 4, column 8:\nPLS-00201: identifier 'ZZ' must be declared\n"
       "ORA-06550: line 4, column 3:\nPL/SQL: Statement ignored"},
      {"unknown package member", "begin\n  dbms_pipe.no_such_thing;\nend;", 6550,
       "ORA-06550: line 2, column 3:\nPLS-00201: identifier 'DBMS_PIPE.NO_SUCH_THING' must be "
       "declared"},
      {"missing expression", "begin\n  :r := ;\nend;", 6550,
       "ORA-06550: line 2, column 9:\nPLS-00103: Encountered the symbol \";\" when expecting one "
       "of the following:"},
      {"missing END", "begin\n  null;\n", 6550,
       "ORA-06550: line 3, column 1:\nPLS-00103: Encountered the symbol \"end-of-file\""},
      {"a quote inside the schema text of the monitor's signal block",
       "begin dbms_alert.signal('VEK_DEBUG#O'BRIEN', 'ENABLE');end;", 6550,
       "ORA-06550: line 1, column 38:\nPLS-00103: Encountered the symbol \"BRIEN\""},
      {"table that does not exist", "begin\n  delete from no_such_table;\nend;", 6550,
       "ORA-06550: line 2, column 3:\nPL/SQL: ORA-00942: table or view does not exist\n"
       "ORA-06550: line 2, column 3:\nPL/SQL: SQL Statement ignored"},
      {"select without into", "begin\n  select 1 from dual;\nend;", 6550,
       "ORA-06550: line 2, column 3:\nPLS-00428: an INTO clause is expected in this SELECT "
       "statement"},
      {"assignment to a constant", "declare\n  c constant number := 1;\nbegin\n  c := 2;\nend;",
       6550,
       "ORA-06550: line 4, column 3:\nPLS-00363: expression 'C' cannot be used as an assignment "
       "target"},
      {"wrong number of arguments", "begin\n  dbms_pipe.purge('A', 'B');\nend;", 6550,
       "ORA-06550: line 2, column 3:\nPLS-00306: wrong number or types of arguments in call to "
       "'PURGE'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BlockBind> binds{OutBind("r")};
    try {
      app_->Run(c.block, binds);
      ADD_FAILURE() << "no error from " << c.block;
    } catch (const sql::SqlError& error) {
      EXPECT_EQ(error.Code(), c.code);
      EXPECT_EQ(std::string(error.what()).rfind(c.expectedStart, 0), 0u)
          << "expected the text to start with\n"
          << c.expectedStart << "\nbut got\n"
          << error.what();
    }
  }
}

TEST_F(CompileErrorTest, StoredCodeWithErrorsIsKeptAndRefusesToRun) {
  std::string warning = app_->Run("CREATE OR REPLACE PROCEDURE broken IS\nBEGIN\n  null\nEND;");
  EXPECT_EQ(warning, "ORA-24344: success with compilation error");
  auto stored = Engine().Catalogue().Find("APP", "BROKEN", Unit::Kind::Procedure);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->errors.rfind("ORA-06550: line 4, column 1:", 0), 0u) << stored->errors;
  auto error = app_->ErrorOf("begin broken; end;");
  EXPECT_EQ(error.Code(), 4063);
  EXPECT_EQ(std::string(error.what()).rfind("ORA-04063: procedure \"APP.BROKEN\" has errors", 0),
            0u)
      << error.what();

  // Fixed code replaces it and runs.
  EXPECT_EQ(app_->Run("CREATE OR REPLACE PROCEDURE broken IS\nBEGIN\n  null;\nEND;"), "");
  EXPECT_EQ(app_->ErrorOf("begin broken; end;").Code(), 0);
}

TEST_F(CompileErrorTest, DeeplyNestedTextIsRefusedNotFollowed) {
  const std::pair<std::string, std::string> shapes[] = {
      {"(", ")"}, {"- ", ""}, {"1 + ", ""}, {"begin ", " end;"}};
  for (const auto& [open, close] : shapes) {
    std::string expression;
    for (int i = 0; i < 100000; ++i) expression += open;
    expression += open == "begin " ? "null;" : "1";
    for (int i = 0; i < 100000; ++i) expression += close;
    std::string block =
        open == "begin " ? "begin " + expression + " end;" : "begin :r := " + expression + "; end;";
    auto error = app_->ErrorOf(block);
    EXPECT_EQ(error.Code(), 6550) << open;
    EXPECT_NE(std::string(error.what()).find("PLS-00123"), std::string::npos) << error.what();
  }
}

TEST_F(CompileErrorTest, NothingOfABlockRunsWhenANameIsUndeclared) {
  app_->Run("CREATE TABLE effects (n NUMBER)");
  auto error = app_->ErrorOf(
      "begin\n  insert into effects values (1);\n  if missing_flag then null; end if;\nend;");
  EXPECT_EQ(
      std::string(error.what())
          .rfind(
              "ORA-06550: line 3, column 6:\nPLS-00201: identifier 'MISSING_FLAG' must be declared",
              0),
      0u)
      << error.what();
  EXPECT_TRUE(app_->Query("SELECT n FROM effects").empty())
      << "the insert before the bad name must not run";
}

TEST_F(CompileErrorTest, StoredCodeIsCheckedForNamesWhenCreated) {
  EXPECT_EQ(
      app_->Run("CREATE OR REPLACE PROCEDURE uses_nothing IS\nBEGIN\n  undefined_helper(1);\nEND;"),
      "ORA-24344: success with compilation error");
  auto stored = Engine().Catalogue().Find("APP", "USES_NOTHING", Unit::Kind::Procedure);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(
      stored->errors.rfind(
          "ORA-06550: line 3, column 3:\nPLS-00201: identifier 'UNDEFINED_HELPER' must be declared",
          0),
      0u)
      << stored->errors;
  EXPECT_EQ(app_->ErrorOf("begin uses_nothing; end;").Code(), 4063);

  EXPECT_EQ(app_->Run("CREATE OR REPLACE PACKAGE BODY orphan AS\nEND;"),
            "ORA-24344: success with compilation error");
  EXPECT_NE(
      Engine().Catalogue().Find("APP", "ORPHAN", Unit::Kind::PackageBody)->errors.find("PLS-00304"),
      std::string::npos);
}

TEST_F(CompileErrorTest, RunTimeErrorsInStoredCodeNameTheUnitAndLine) {
  app_->Run("CREATE OR REPLACE PACKAGE failing AS\n  PROCEDURE go(n NUMBER);\nEND;");
  app_->Run(
      "CREATE OR REPLACE PACKAGE BODY failing AS\n"
      "  PROCEDURE go(n NUMBER) IS\n"
      "    s VARCHAR2(2);\n"
      "  BEGIN\n"
      "    s := 'abc' || n;\n"
      "  END;\n"
      "END;");
  auto error = app_->ErrorOf("begin\n  failing.go(1);\nend;");
  EXPECT_EQ(error.Code(), 6502);
  EXPECT_STREQ(error.what(),
               "ORA-06502: PL/SQL: numeric or value error: character string buffer too small\n"
               "ORA-06512: at \"APP.FAILING\", line 5\n"
               "ORA-06512: at line 2");
}

}  // namespace
}  // namespace devdb::plsql::testing
