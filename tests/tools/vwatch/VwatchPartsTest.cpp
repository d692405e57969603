// vwatch's parts without a database: its arguments, the logon string with a prompted
// password put in, and the line a debug message becomes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/UserLocale.h"
#include "platform/Variant.h"
#include "tools/common/ToolSupport.h"
#include "tools/vwatch/VwatchCommandLine.h"
#include "tools/vwatch/Watcher.h"

namespace vek::vwatch {
namespace {

TVwatchCommandLine Parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "vwatch");
  return TVwatchCommandLine::Parse(arguments);
}

TEST(VwatchCommandLine, TakesTheLogonTheOptionsAndLeavesProgramArgumentsAlone) {
  const auto line = Parse({"OCIDLL=/x/libclntsh.so", "app/app@db", "--schema", "scott", "--count=3",
                           "--timeout", "2.5", "--iso", "ORACLEHOME=h"});
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.logon, "app/app@db");
  EXPECT_EQ(line.schema, "scott");
  EXPECT_EQ(line.count, 3);
  EXPECT_DOUBLE_EQ(line.timeout, 2.5);
  EXPECT_TRUE(line.iso);
  EXPECT_TRUE(Parse({"--help"}).help) << "help needs no logon";
}

TEST(VwatchCommandLine, WrongArgumentsAreNamed) {
  struct Case {
    std::vector<std::string> arguments;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{}, "No logon given"},
      {{"a/b@c", "d/e@f"}, "Unexpected argument: d/e@f"},
      {{"a/b@c", "--count", "0"}, "--count wants a whole number above 0: 0"},
      {{"a/b@c", "--count", "2x"}, "--count wants a whole number above 0: 2x"},
      {{"a/b@c", "--timeout", "-1"}, "--timeout wants a number of seconds above 0: -1"},
      {{"a/b@c", "--timeout", "nan"}, "--timeout wants a number of seconds above 0: nan"},
      {{"a/b@c", "--schema"}, "--schema wants a value"},
      {{"a/b@c", "--colour"}, "Unknown option: --colour"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parse(c.arguments).error, c.error) << ::testing::PrintToString(c.arguments);
  }
}

TEST(VwatchLogon, APromptedPasswordTakesItsPlaceAndTheConnectAsModeStays) {
  struct Case {
    std::string logon;
    bool lacks;
    std::string withPassword;
  };
  const std::vector<Case> cases = {
      {"app@db", true, "app/pw@db"},
      {"app/@db", true, "app/pw@db"},
      {"app", true, "app/pw"},
      {"sys@db as sysdba", true, "sys/pw@db as SYSDBA"},
      {"sys as sysoper", true, "sys/pw as SYSOPER"},
      {"app/app@db", false, ""},
      {"sys/secret@db as sysdba", false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tools::LogonLacksPassword(c.logon), c.lacks) << c.logon;
    if (c.lacks) {
      EXPECT_EQ(tools::LogonWithPassword(c.logon, "pw"), c.withPassword) << c.logon;
    }
  }
}

TEST(VwatchLine, EachItemAsTextFollowedByATabAndIsoDatesOnRequest) {
  ScopedUserLocale locale({"dd.MM.yyyy", "HH:mm:ss", ','});
  const TDateTime midnight = EncodeDate(2026, 3, 4);
  const TDateTime afternoon = midnight + EncodeTime(15, 6, 7, 0);
  const Variant message = Variant::Array(
      0, {Variant::FromDateTime(afternoon), Variant("APP"), Variant("a\tb \xC3\xA6\xC3\xB8")});
  EXPECT_EQ(MessageLine(message, false), "04.03.2026 15:06:07\tAPP\ta\tb \xC3\xA6\xC3\xB8\t");
  EXPECT_EQ(MessageLine(message, true), "2026-03-04 15:06:07\tAPP\ta\tb \xC3\xA6\xC3\xB8\t");
  const Variant atMidnight = Variant::Array(0, {Variant::FromDateTime(midnight), Variant(1.5)});
  EXPECT_EQ(MessageLine(atMidnight, false), "04.03.2026\t1,5\t") << "as the window shows it";
  EXPECT_EQ(MessageLine(atMidnight, true), "2026-03-04 00:00:00\t1,5\t")
      << "the time is always there in a log";
  EXPECT_EQ(MessageLine(Variant(), true), "") << "a message without readable items";
}

}  // namespace
}  // namespace vek::vwatch
