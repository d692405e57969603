// vsql's arguments: the logon, a script, and NAME=value arguments left to the program.
#include <gtest/gtest.h>

#include "tools/vsql/VsqlCommandLine.h"

namespace vek::vsql {
namespace {

TEST(VsqlCommandLineTest, SortsTheArguments) {
  struct Case {
    std::vector<std::string> arguments;
    std::string logon;
    std::string script;
    bool help;
    bool error;
  };
  const std::vector<Case> cases = {
      {{"vsql", "system/manager@db"}, "system/manager@db", "", false, false},
      {{"vsql", "OCIDLL=/x/libclntsh.so", "a/b@c", "@run.sql", "ORACLEHOME=h"},
       "a/b@c",
       "run.sql",
       false,
       false},
      {{"vsql", "a/b=c@d"}, "a/b=c@d", "", false, false},
      {{"vsql", "--help"}, "", "", true, false},
      {{"vsql"}, "", "", false, true},
      {{"vsql", "a/b@c", "extra"}, "a/b@c", "", false, true},
      {{"vsql", "a/b@c", "@"}, "a/b@c", "", false, true},
  };
  for (const Case& c : cases) {
    const TVsqlCommandLine line = TVsqlCommandLine::Parse(c.arguments);
    EXPECT_EQ(line.logon, c.logon) << c.arguments.back();
    EXPECT_EQ(line.script, c.script) << c.arguments.back();
    EXPECT_EQ(line.help, c.help) << c.arguments.back();
    EXPECT_EQ(!line.error.empty(), c.error) << c.arguments.back() << ": " << line.error;
  }
}

}  // namespace
}  // namespace vek::vsql
