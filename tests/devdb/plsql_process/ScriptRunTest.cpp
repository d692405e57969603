// devdb --run against a devdb process: the program's package resource (Windows-1252, CR LF,
// "/" lines) installs unchanged, statements ended by ";" and by "/" run in order with query
// rows printed, the first failing statement stops the run, named by its script line, and
// what a script installed is still there after devdb restarts on the same data folder.
#include <gtest/gtest.h>

#include <csignal>

#include "PlsqlProcessTest.h"

namespace devdb::testing {
namespace {

class ScriptRunTest : public PlsqlProcessTest {};

TEST_F(ScriptRunTest, ThePackageResourceInstallsUnchanged) {
  ScriptOutcome outcome = RunScript(VEK_PACKAGE_RESOURCE, "app/app");
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_EQ(outcome.output, "");
  // Granted to PUBLIC with a public synonym: another user calls it without the owner's name.
  CreateUser("OTHER", "other");
  auto other = LogOnAs("OTHER", "other");
  EXPECT_FALSE(ErrorOf([&] { other->Run("begin vek_debug.print('from another user'); end;"); }));
  // Running it again replaces the package as it stands.
  EXPECT_EQ(RunScript(VEK_PACKAGE_RESOURCE, "app/app").status, 0);
}

TEST_F(ScriptRunTest, InstalledCodeSurvivesARestartOfDevdb) {
  StartWithDataFolder();
  CreateUser("APP", "app");
  GrantPackageOwnerPrivileges("APP");
  ASSERT_EQ(RunScript(VEK_PACKAGE_RESOURCE, "app/app").status, 0);
  server_->Stop(SIGTERM);
  Start({"--data", dataFolder_.string()});
  auto monitor = System();
  Arm(*monitor, "APP");
  auto sender = App();
  sender->Run("begin vek_debug.print('after the restart'); end;");
  auto reader = System();
  ASSERT_EQ(ReceiveMessage(*reader, "VEK_DEBUG#APP", 60), 0);
  std::vector<protocol::WireValue> items = UnpackMessage(*reader);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2], protocol::WireValue::Text("after the restart"));
}

TEST_F(ScriptRunTest, StatementsRunInOrderAndQueriesPrintTheirRows) {
  const std::string script =
      "-- set-up\n"
      "create table notes (n number, t varchar2(20));\n"
      "insert into notes values (1, 'one');\n"
      "begin\n"
      "  insert into notes values (2, 'two');\n"
      "end;\n"
      "/\n"
      "select n, t from notes order by n\n"
      "/\n"
      "select count(*) from notes;\n";
  ScriptOutcome outcome = RunScript(WriteScript(script), "app/app");
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_EQ(outcome.output, "N\tT\n1\tone\n2\ttwo\nCOUNT(*)\n2\n");
  auto app = App();
  EXPECT_EQ(app->Scalar("select count(*) from notes"), "2") << "the run commits at its end";
}

TEST_F(ScriptRunTest, TheFirstFailingStatementStopsTheRunWithItsLine) {
  const std::string script =
      "create table steps (n number);\n"
      "insert into steps values (1);\n"
      "\n"
      "begin\n"
      "  insert into steps values (2);\n"
      "  no_such_procedure;\n"
      "end;\n"
      "/\n"
      "insert into steps values (3);\n";
  const std::string file = WriteScript(script);
  ScriptOutcome outcome = RunScript(file, "app/app");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.output.rfind("devdb: " + file + " line 4: ORA-06550: line 3, column 3:", 0), 0u)
      << outcome.output;
  auto app = App();
  EXPECT_EQ(app->Scalar("select count(*) from steps"), "0")
      << "what the failing run did not commit is rolled back";
}

TEST_F(ScriptRunTest, CompilationErrorsAndRefusalsFailTheRun) {
  ScriptOutcome invalid = RunScript(
      WriteScript("create or replace procedure p is\nbegin\n  missing;\nend;\n/\n"), "app/app");
  EXPECT_EQ(invalid.status, 1);
  EXPECT_NE(invalid.output.find("line 1: ORA-24344: success with compilation error"),
            std::string::npos)
      << invalid.output;

  ScriptOutcome parse = RunScript(WriteScript("select 1 from dual;\n\nselect\n  nosuch from dual;\n"),
                                  "app/app");
  EXPECT_EQ(parse.status, 1);
  EXPECT_NE(parse.output.find("line 4: ORA-00904"), std::string::npos)
      << "a parse error names the line it is on: " << parse.output;

  ScriptOutcome refused = RunScript(WriteScript("select 1 from dual;\n"), "app/wrong");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.output.find("ORA-01017"), std::string::npos) << refused.output;

  ScriptOutcome missing = RunScript("/nonexistent/script.sql", "app/app");
  EXPECT_EQ(missing.status, 1);
}

}  // namespace
}  // namespace devdb::testing
