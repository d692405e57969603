// Stored packages, procedures and functions: per-session package state with its
// initialisation run once, parameters in every mode and notation, functions called from SQL,
// rights through GRANT EXECUTE and public synonyms, DROP, persistence over a restart, and
// autonomous transactions.
#include <gtest/gtest.h>

#include <future>

#include "PlsqlFixture.h"

namespace devdb::plsql::testing {
namespace {

class StoredCodeTest : public PlsqlFixture {
 protected:
  void SetUp() override {
    PlsqlFixture::SetUp();
    CreateUser("app", "app");
    Connect("system", "manager")->Run("GRANT CREATE PUBLIC SYNONYM, DROP PUBLIC SYNONYM TO app");
    app_ = Connect("app", "app");
    app_->Run(
        "CREATE OR REPLACE PACKAGE counter AS\n"
        "  initialisations NUMBER := 0;\n"
        "  FUNCTION next_value(step IN NUMBER DEFAULT 1) RETURN NUMBER;\n"
        "  PROCEDURE describe(label IN VARCHAR2, text OUT VARCHAR2, total IN OUT NUMBER);\n"
        "END counter;");
    app_->Run(
        "CREATE OR REPLACE PACKAGE BODY counter AS\n"
        "  current_value NUMBER := 0;\n"
        "  FUNCTION next_value(step IN NUMBER DEFAULT 1) RETURN NUMBER IS\n"
        "  BEGIN\n"
        "    current_value := current_value + step;\n"
        "    RETURN current_value;\n"
        "  END;\n"
        "  PROCEDURE describe(label IN VARCHAR2, text OUT VARCHAR2, total IN OUT NUMBER) IS\n"
        "  BEGIN\n"
        "    text := label || '=' || current_value;\n"
        "    total := total + current_value;\n"
        "  END describe;\n"
        "BEGIN\n"
        "  initialisations := initialisations + 1;\n"
        "END counter;");
  }
  void TearDown() override {
    app_.reset();
    PlsqlFixture::TearDown();
  }
  std::unique_ptr<Connection> app_;
};

TEST_F(StoredCodeTest, PackageStateIsPrivateToEachSessionAndInitialisedOnce) {
  EXPECT_EQ(Result(*app_, "begin :r := counter.next_value; end;"), "1");
  EXPECT_EQ(Result(*app_, "begin :r := counter.next_value(step => 5); end;"), "6");
  EXPECT_EQ(Result(*app_, "begin :r := counter.initialisations; end;"), "1");

  auto other = Connect("app", "app");
  EXPECT_EQ(Result(*other, "begin :r := app.counter.next_value(2); end;"), "2");
  EXPECT_EQ(Result(*other, "begin :r := counter.initialisations; end;"), "1");
  EXPECT_EQ(Result(*app_, "begin :r := counter.next_value; end;"), "7");
}

TEST_F(StoredCodeTest, ParametersInEveryModeAndNotation) {
  EXPECT_EQ(Result(*app_,
                   "declare t varchar2(20); n number := 10; begin :r := counter.next_value(3);"
                   " counter.describe('v', t, n); :r := t || ' ' || n; end;"),
            "v=3 13");
  EXPECT_EQ(
      Result(*app_,
             "declare t varchar2(20); n number := 1; begin"
             " counter.describe(total => n, text => t, label => 'w'); :r := t || ' ' || n; end;"),
      "w=3 4");
  auto error = app_->ErrorOf("begin counter.describe('only one'); end;");
  EXPECT_EQ(error.Code(), 6550);
  EXPECT_NE(std::string(error.what()).find("PLS-00306"), std::string::npos) << error.what();
}

TEST_F(StoredCodeTest, FunctionsAreCallableFromSql) {
  app_->Run("CREATE OR REPLACE FUNCTION twice(n NUMBER) RETURN NUMBER IS BEGIN RETURN n * 2; END;");
  auto value = Engine().CallFunction(app_->Procedural(), {"TWICE"}, {Number(21)});
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(Text(*value), "42");
  value = Engine().CallFunction(app_->Procedural(), {"COUNTER", "NEXT_VALUE"}, {Number(4)});
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(Text(*value), "4");
  EXPECT_TRUE(Engine().HasFunction(app_->Procedural(), {"DBMS_PIPE", "UNIQUE_SESSION_NAME"}));
  EXPECT_FALSE(Engine().HasFunction(app_->Procedural(), {"COUNTER", "DESCRIBE"})) << "a procedure";
  EXPECT_FALSE(Engine().CallFunction(app_->Procedural(), {"NO_SUCH_FUNCTION"}, {}).has_value());
}

TEST_F(StoredCodeTest, OtherUsersNeedGrantAndReachItThroughTheSynonym) {
  CreateUser("scott", "tiger");
  auto scott = Connect("scott", "tiger");
  EXPECT_NE(std::string(scott->ErrorOf("begin :r := app.counter.next_value; end;").what())
                .find("PLS-00201"),
            std::string::npos);
  app_->Run("GRANT EXECUTE ON counter TO PUBLIC");
  EXPECT_EQ(Result(*scott, "begin :r := app.counter.next_value; end;"), "1");
  EXPECT_EQ(scott->ErrorOf("begin :r := counter.next_value; end;").Code(), 6550)
      << "no synonym yet";
  app_->Run("CREATE OR REPLACE PUBLIC SYNONYM counter FOR counter");
  EXPECT_EQ(Result(*scott, "begin :r := counter.next_value; end;"), "2");
  EXPECT_EQ(app_->ErrorOf("CREATE PUBLIC SYNONYM counter FOR counter").Code(), 955);
  app_->Run("DROP PUBLIC SYNONYM counter");
  EXPECT_EQ(app_->ErrorOf("DROP PUBLIC SYNONYM counter").Code(), 1432);
}

TEST_F(StoredCodeTest, DropAndReplace) {
  EXPECT_EQ(app_->ErrorOf("CREATE PACKAGE counter AS x NUMBER; END;").Code(), 955);
  EXPECT_EQ(app_->ErrorOf("CREATE PROCEDURE counter IS BEGIN NULL; END;").Code(), 955);
  EXPECT_EQ(Result(*app_, "begin :r := counter.next_value; end;"), "1");

  // A new body discards the session's state of the package.
  app_->Run(
      "CREATE OR REPLACE PACKAGE BODY counter AS\n"
      "  FUNCTION next_value(step IN NUMBER DEFAULT 1) RETURN NUMBER IS BEGIN RETURN -step; END;\n"
      "  PROCEDURE describe(label IN VARCHAR2, text OUT VARCHAR2, total IN OUT NUMBER) IS BEGIN "
      "NULL; END;\n"
      "END;");
  EXPECT_EQ(Result(*app_, "begin :r := counter.next_value(7); end;"), "-7");

  app_->Run("DROP PACKAGE counter");
  EXPECT_EQ(Engine().Catalogue().Find("APP", "COUNTER", Unit::Kind::PackageBody), nullptr);
  EXPECT_EQ(app_->ErrorOf("begin :r := counter.next_value; end;").Code(), 6550);
  EXPECT_EQ(app_->ErrorOf("DROP PACKAGE counter").Code(), 4043);
}

// Sessions share the parse of a block they send alike; its names still mean what they mean
// to each session's user when it runs.
TEST_F(StoredCodeTest, OneBlockTextCallsEachUsersOwnCode) {
  CreateUser("scott", "tiger");
  Connect("system", "manager")->Run("GRANT CREATE PROCEDURE TO scott");
  auto scott = Connect("scott", "tiger");
  scott->Run("CREATE FUNCTION whose RETURN VARCHAR2 IS BEGIN RETURN 'scott''s'; END;");
  app_->Run("CREATE FUNCTION whose RETURN VARCHAR2 IS BEGIN RETURN 'app''s'; END;");
  const std::string block = "begin :r := whose; end;";
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Result(*app_, block), "app's");
    EXPECT_EQ(Result(*scott, block), "scott's");
  }
  scott->Run("DROP FUNCTION whose");
  EXPECT_EQ(scott->ErrorOf(block).Code(), 6550);
  EXPECT_EQ(Result(*app_, block), "app's");
}

// A block is checked whole before it runs, also when the same text ran before: once a name
// it uses is gone, none of it runs (the output line it writes first is the witness).
TEST_F(StoredCodeTest, ABlockThatRanIsRefusedWholeOnceANameItUsesIsGone) {
  CreateUser("scott", "tiger");
  auto scott = Connect("scott", "tiger");
  app_->Run("GRANT EXECUTE ON counter TO PUBLIC");
  app_->Run("CREATE PUBLIC SYNONYM counter FOR counter");
  const std::string block =
      "begin dbms_output.enable; dbms_output.put_line('ran'); :r := counter.next_value; end;";
  const std::string readLine =
      "declare l varchar2(100); s integer; begin dbms_output.get_line(l, s); :r := l || '/' || "
      "s; end;";
  struct Case {
    Connection* runner;
    const char* change;
  };
  for (const Case& c : {Case{scott.get(), "DROP PUBLIC SYNONYM counter"},
                        Case{app_.get(), "DROP PACKAGE counter"}}) {
    SCOPED_TRACE(c.change);
    EXPECT_EQ(Result(*c.runner, block), "1");
    EXPECT_EQ(Result(*c.runner, readLine), "ran/0");
    app_->Run(c.change);
    EXPECT_EQ(c.runner->ErrorOf(block).Code(), 6550);
    EXPECT_EQ(Result(*c.runner, readLine), "/1") << "a part of the block ran";
  }
}

TEST_F(StoredCodeTest, PackageReplacedWhileItRunsKeepsRunning) {
  app_->Run(
      "CREATE OR REPLACE PACKAGE selfish AS\n  PROCEDURE go(r OUT NUMBER);\n"
      "  FUNCTION version RETURN NUMBER;\nEND;");
  const std::string body =
      "CREATE OR REPLACE PACKAGE BODY selfish AS\n"
      "  PROCEDURE go(r OUT NUMBER) IS\n    s INTEGER;\n  BEGIN\n"
      "    s := dbms_pipe.receive_message('selfish_go');\n"
      "    r := app.selfish.version * 10 + version;\n  END;\n"
      "  FUNCTION version RETURN NUMBER IS BEGIN RETURN %d; END;\nEND;";
  auto bodyOf = [&](int version) {
    std::string text = body;
    text.replace(text.find("%d"), 2, std::to_string(version));
    return text;
  };
  app_->Run(bodyOf(1));
  // While go waits, another session replaces the body; go then reaches the package by its
  // qualified name (the new code) and by its own scope (the code it runs in).
  auto running =
      std::async(std::launch::async, [&] { return Result(*app_, "begin selfish.go(:r); end;"); });
  Engine().Room().AwaitWaiters(1);
  auto other = Connect("app", "app");
  other->Run(bodyOf(2));
  other->Run("declare s integer; begin s := dbms_pipe.send_message('selfish_go'); end;");
  EXPECT_EQ(running.get(), "21");
}

TEST_F(StoredCodeTest, StoredCodeSurvivesARestart) {
  app_->Run("GRANT EXECUTE ON counter TO PUBLIC");
  app_->Run("CREATE PUBLIC SYNONYM counter FOR app.counter");
  app_.reset();
  Restart();
  CreateUser("scott", "tiger");
  auto scott = Connect("scott", "tiger");
  EXPECT_EQ(Result(*scott, "begin :r := counter.next_value(9); end;"), "9");
}

TEST_F(StoredCodeTest, AutonomousTransactionCommitsOnlyItsOwnWork) {
  app_->Run("CREATE TABLE log_lines (text VARCHAR2(40))");
  app_->Run("CREATE TABLE work_rows (n NUMBER)");
  app_->Run(
      "CREATE OR REPLACE PROCEDURE write_log(text VARCHAR2) IS\n"
      "  PRAGMA AUTONOMOUS_TRANSACTION;\n"
      "BEGIN\n"
      "  INSERT INTO log_lines VALUES (text);\n"
      "  COMMIT;\n"
      "END;");
  app_->Run("begin write_log('logged'); insert into work_rows values (1); end;");
  app_->Rollback();
  EXPECT_EQ(app_->Query("SELECT text FROM log_lines").size(), 1u);
  EXPECT_TRUE(app_->Query("SELECT n FROM work_rows").empty());

  // The engine locks the whole database for a writer, so an autonomous write under the
  // caller's own uncommitted write is a deadlock, reported instead of waiting for ever.
  auto error = app_->ErrorOf("begin insert into work_rows values (2); write_log('blocked'); end;");
  EXPECT_EQ(error.Code(), 60);
  app_->Rollback();

  app_->Run(
      "CREATE OR REPLACE PROCEDURE forgetful IS\n"
      "  PRAGMA AUTONOMOUS_TRANSACTION;\n"
      "BEGIN\n"
      "  INSERT INTO log_lines VALUES ('never committed');\n"
      "END;");
  error = app_->ErrorOf("begin forgetful; end;");
  EXPECT_EQ(error.Code(), 6519);
  EXPECT_EQ(app_->Query("SELECT text FROM log_lines").size(), 1u);
}

TEST_F(StoredCodeTest, BooleanParametersThroughThePackageCallBuilderBlock) {
  app_->Run(
      "CREATE OR REPLACE PACKAGE flags AS\n"
      "  FUNCTION flip(name IN VARCHAR2, flag IN OUT BOOLEAN) RETURN BOOLEAN;\n"
      "END;");
  app_->Run(
      "CREATE OR REPLACE PACKAGE BODY flags AS\n"
      "  FUNCTION flip(name IN VARCHAR2, flag IN OUT BOOLEAN) RETURN BOOLEAN IS\n"
      "  BEGIN\n"
      "    flag := NOT flag;\n"
      "    RETURN name IS NOT NULL;\n"
      "  END;\n"
      "END;");
  // What the access layer writes for a positional call with a string and a boolean.
  const std::string block =
      "declare\r\n  zqa__boolean1 boolean := sys.diutil.int_to_bool(:p2);\r\n"
      "begin\r\n"
      "  :zqa__value := sys.diutil.bool_to_int(flags.flip(:p1, zqa__boolean1));\r\n"
      "  :p2 := sys.diutil.bool_to_int(zqa__boolean1);\r\n"
      "end;\r\n";
  std::vector<BlockBind> binds{OutBind("zqa__value", PlType::Number),
                               InBind("p1", sql::Value::Text("x")), InBind("p2", Number(1))};
  app_->Run(block, binds);
  EXPECT_EQ(Text(binds[0].values.at(0)), "1");
  EXPECT_EQ(Text(binds[2].values.at(0)), "0");
}

}  // namespace
}  // namespace devdb::plsql::testing
