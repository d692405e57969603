// vsql run as a process against a devdb of its own, loading the substitute client library
// through the OCIDLL argument: the program's package script, queries, DML, a failing statement
// with its position, server output, and the exit statuses scripts test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ProgramArguments.h"
#include "tests/access/DevdbServer.h"
#include "tests/platform/TemporaryFolder.h"

extern char** environ;

namespace vek::testing {
namespace {

struct VsqlRun {
  int status = -1;
  std::string output;  // standard output and standard error together
};

class VsqlProcessTest : public ::testing::Test {
 protected:
  VsqlProcessTest() : registry_("VEK_REGISTRY_DIR", folder_.MakeFolder("registry")) {}

  std::string Logon() const { return "system/manager@" + server_.Database(); }

  // Runs vsql with the arguments given after the program name, the input on standard input.
  VsqlRun Run(std::vector<std::string> arguments, const std::string& input = "") {
    const std::string inputPath = folder_.WriteFile("input-" + std::to_string(++runs_), input);
    const std::string outputPath = folder_.PathOf("output-" + std::to_string(runs_));
    arguments.insert(arguments.begin(), VSQL_EXECUTABLE);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, VSQL_EXECUTABLE, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    VsqlRun run;
    if (spawned != 0) {
      ADD_FAILURE() << "vsql did not start";
      return run;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream file(outputPath);
    std::stringstream text;
    text << file.rdbuf();
    run.output = text.str();
    return run;
  }
  VsqlRun RunInput(const std::string& input) {
    return Run({"OCIDLL=" + std::string(VEK_DEVDB_CLNTSH), Logon()}, input);
  }

  TemporaryFolder folder_;
  ScopedEnvironmentVariable registry_;
  DevdbServer server_;
  int runs_ = 0;
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(VsqlProcessTest, InstallsThePackageScriptAndPrintsFromASecondSession) {
  // The owner gets what the package needs, as a DBA grants it on a real database.
  const VsqlRun owner = RunInput(
      "create user app identified by app;\n"
      "grant create session, create procedure, create public synonym to app;\n"
      "grant select on v_$session to app;\n");
  ASSERT_EQ(owner.status, 0) << owner.output;
  const VsqlRun install =
      Run({"app/app@" + server_.Database(), "@" + std::string(VEK_PACKAGE_SCRIPT),
           "OCIDLL=" + std::string(VEK_DEVDB_CLNTSH)});
  EXPECT_EQ(install.status, 0) << install.output;
  EXPECT_FALSE(Contains(install.output, "ORA-")) << install.output;

  const VsqlRun print = RunInput("exec Vek_Debug.print('hello')\n");
  EXPECT_EQ(print.status, 0) << print.output;
  EXPECT_TRUE(Contains(print.output, "PL/SQL procedure successfully completed.")) << print.output;
}

TEST_F(VsqlProcessTest, AScriptIsARegularFileOfAtMostSixteenMebibytes) {
  const std::string folder = folder_.MakeFolder("scripts.d");
  const std::string fifo = folder_.PathOf("pipe.sql");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string line = "-- " + std::string(60, 'x') + "\n";
  std::string big;
  while (big.size() <= 16u * 1024 * 1024) big += line;
  const std::string large = folder_.WriteFile("large.sql", big);
  const VsqlRun run = RunInput("@" + folder + "\n@" + fifo + "\n@" + large +
                               "\n@/dev/zero\nselect 'after' as word from dual;\n");
  for (const std::string& refused : {folder, fifo, std::string("/dev/zero")})
    EXPECT_TRUE(Contains(run.output, "Script " + refused + " is not a regular file")) << run.output;
  EXPECT_TRUE(Contains(run.output, "Script " + large + " is larger than 16 MiB")) << run.output;
  EXPECT_TRUE(Contains(run.output, "after")) << "the session goes on: " << run.output;
}

TEST_F(VsqlProcessTest, QueriesPrintAlignedColumnsAndDmlItsRowCount) {
  const VsqlRun run = RunInput(
      "create table t (id number, name varchar2(20));\n"
      "insert into t values (1, 'one');\n"
      "insert into t select 22, 'twenty-two' from dual;\n"
      "update t set name = upper(name);\n"
      "select id, name from t order by id;\n"
      "select * from t where id < 0;\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "1 row processed.")) << run.output;
  EXPECT_TRUE(Contains(run.output, "2 rows processed.")) << run.output;
  EXPECT_TRUE(Contains(run.output,
                       "ID NAME\n"
                       "-- ----------\n"
                       "1  ONE\n"
                       "22 TWENTY-TWO\n"
                       "\n"
                       "2 rows selected.\n"))
      << run.output;
  EXPECT_TRUE(Contains(run.output, "no rows selected")) << run.output;
}

TEST_F(VsqlProcessTest, AHeadingOfOneHundredAndTwentyEightBytesIsPrintedWhole) {
  const std::string alias = "LONG_" + std::string(122, 'N') + "E";
  ASSERT_EQ(alias.size(), 128u);
  const VsqlRun run = RunInput("select 1 " + alias + " from dual;\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, alias + "\n" + std::string(128, '-') + "\n1\n")) << run.output;
}

TEST_F(VsqlProcessTest, AFailingStatementShowsItsErrorPositionAndTheRunGoesOn) {
  const VsqlRun run = RunInput(
      "select 1\n"
      "  from no_such_table;\n"
      "select 'after' as a from dual;\n");
  EXPECT_EQ(run.status, 1) << "a failed statement makes the end status 1\n" << run.output;
  EXPECT_TRUE(Contains(run.output, "ERROR at line 2, column 8:\nORA-00942")) << run.output;
  EXPECT_TRUE(Contains(run.output, "after")) << "the next statement still ran\n" << run.output;
}

TEST_F(VsqlProcessTest, StoredCodeThatDoesNotCompileIsReportedAsAFailure) {
  const VsqlRun run = RunInput(
      "create or replace procedure broken is\n"
      "begin\n"
      "  undeclared := 1;\n"
      "end;\n"
      "/\n"
      "create or replace procedure fine is\n"
      "begin\n"
      "  null;\n"
      "end;\n"
      "/\n");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "Warning: created with compilation errors.\nORA-24344"))
      << run.output;
  EXPECT_EQ(run.output.find("Warning"), run.output.rfind("Warning"))
      << "only the broken procedure is reported\n"
      << run.output;
}

TEST_F(VsqlProcessTest, ExitStatusesThatScriptsTest) {
  struct Case {
    const char* what;
    std::string input;
    int status;
    bool reachesTheEnd;
  };
  const std::vector<Case> cases = {
      {"no error", "select 1 from dual;\nprompt END\n", 0, true},
      {"whenever sqlerror exit failure",
       "whenever sqlerror exit failure\nselect x from nowhere;\nprompt END\n", 1, false},
      {"whenever sqlerror exit with a number",
       "whenever sqlerror exit 9\nbegin raise_application_error(-20001, 'no'); end;\n/\n"
       "prompt END\n",
       9, false},
      {"whenever sqlerror continue",
       "whenever sqlerror continue\nselect x from nowhere;\nprompt END\n", 1, true},
      {"exit with a status", "exit 7\nprompt END\n", 7, false},
      {"exit success after an error", "select x from nowhere;\nexit success\n", 0, false},
  };
  for (const Case& c : cases) {
    const VsqlRun run = RunInput(c.input);
    EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.output;
    EXPECT_EQ(Contains(run.output, "END"), c.reachesTheEnd) << c.what << "\n" << run.output;
  }
}

TEST_F(VsqlProcessTest, ServerOutputIsShownAfterEachCallWhenSwitchedOn) {
  const VsqlRun run = RunInput(
      "begin dbms_output.put_line('hidden'); end;\n/\n"
      "set serveroutput on\n"
      "begin dbms_output.put_line('first'); dbms_output.put_line('second'); end;\n/\n"
      "exec dbms_output.put_line('third')\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_FALSE(Contains(run.output, "hidden")) << run.output;
  EXPECT_TRUE(Contains(run.output, "first\nsecond\n")) << run.output;
  EXPECT_TRUE(Contains(run.output, "third\n")) << run.output;
}

TEST_F(VsqlProcessTest, SystimestampPrintsWhole) {
  const VsqlRun run = RunInput("select systimestamp from dual;\n");
  EXPECT_EQ(run.status, 0) << run.output;
  // Day to fraction, the half of the day and the offset: nothing cut at the data size (13).
  const std::regex whole(
      R"(\n\d{2}-[A-Z]{3}-\d{2} \d{2}\.\d{2}\.\d{2}\.\d{6} (AM|PM) [+-]\d{2}:\d{2} *\n)");
  EXPECT_TRUE(std::regex_search(run.output, whole)) << run.output;
  EXPECT_TRUE(Contains(run.output, "SYSTIMESTAMP")) << run.output;
  EXPECT_FALSE(Contains(run.output, "truncated")) << run.output;
}

// A value longer than its column's buffer prints as it arrived, and a line under its table
// says so. The library describes text columns narrower than their values here, as a server in
// a narrower character set than the client's does (its sizes count its own bytes).
TEST_F(VsqlProcessTest, CutValuesAreSaidToBeCut) {
  ScopedEnvironmentVariable narrow("DEVDB_OCI_TEXT_DATA_SIZE", "4");
  const VsqlRun run = RunInput(
      "select 'abc' fits, 'abcdefgh' cut from dual;\n"
      "select 'wxyz' fits from dual;\n");
  EXPECT_EQ(run.status, 0) << run.output;
  const std::string warning = "Warning: some values were truncated to fit their column.\n";
  const std::size_t cut = run.output.find("abc  abcd\n");
  const std::size_t said = run.output.find(warning);
  const std::size_t second = run.output.find("wxyz");
  ASSERT_NE(cut, std::string::npos) << "the cut value as it arrived\n" << run.output;
  ASSERT_NE(said, std::string::npos) << run.output;
  ASSERT_NE(second, std::string::npos) << run.output;
  EXPECT_LT(cut, said) << run.output;
  EXPECT_LT(said, second) << "said under the table that has the cut value\n" << run.output;
  EXPECT_EQ(run.output.find(warning, said + 1), std::string::npos)
      << "the query whose values fit says nothing\n"
      << run.output;
}

// LONG columns (the text of views and triggers in the dictionary is one) print whole, LONG
// RAW as hexadecimal digits.
TEST_F(VsqlProcessTest, LongColumnsPrintWhole) {
  const VsqlRun run = RunInput(
      "create table longs (l long);\n"
      "insert into longs values (rpad('x', 3000, 'y') || 'end');\n"
      "select l from longs;\n"
      "create table raws (r long raw);\n"
      "insert into raws values ('00FF7A');\n"
      "select r from raws;\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "x" + std::string(2999, 'y') + "end")) << run.output;
  EXPECT_TRUE(Contains(run.output, "\n00FF7A")) << run.output;
  EXPECT_FALSE(Contains(run.output, "Cannot convert")) << run.output;
}

TEST_F(VsqlProcessTest, AFailedLoadPrintsTheWholeInitializationError) {
  const VsqlRun run = Run({"OCIDLL=" + folder_.PathOf("no-such-libclntsh.so"), Logon()});
  EXPECT_EQ(run.status, 3) << run.output;
  EXPECT_TRUE(Contains(run.output, "Initialization error")) << run.output;
  EXPECT_TRUE(Contains(run.output, "no-such-libclntsh.so")) << "the search log names the file\n"
                                                            << run.output;
}

TEST_F(VsqlProcessTest, WrongArgumentsAndAWrongPasswordEndWithTheirOwnStatus) {
  const VsqlRun none = Run({});
  EXPECT_EQ(none.status, 2) << none.output;
  EXPECT_TRUE(Contains(none.output, "Usage: vsql")) << none.output;

  const VsqlRun wrong =
      Run({"OCIDLL=" + std::string(VEK_DEVDB_CLNTSH), "system/wrong@" + server_.Database()});
  EXPECT_EQ(wrong.status, 3) << wrong.output;
  EXPECT_TRUE(Contains(wrong.output, "ORA-01017")) << wrong.output;
}

}  // namespace
}  // namespace vek::testing
