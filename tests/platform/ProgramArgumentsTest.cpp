// NAME=value program arguments and scoped environment variables.
#include "platform/ProgramArguments.h"

#include <gtest/gtest.h>

namespace vek {
namespace {

TEST(ProgramArguments, CommandLineValueFindsTheFirstMatchIgnoringCase) {
  SetProgramArguments({"ocidll=/from/program/path", "UserId=scott/tiger@orcl",
                       "OCIDLL=/opt/first.so", "ocidll=/opt/second.so", "ORACLEHOME="});
  EXPECT_EQ(CommandLineValue("OCIDLL"), "/opt/first.so");
  EXPECT_EQ(CommandLineValue("userid"), "scott/tiger@orcl");
  EXPECT_EQ(CommandLineValue("OracleHome"), "");
  EXPECT_EQ(CommandLineValue("User"), "");
  EXPECT_EQ(CommandLineValue("Missing"), "");
}

TEST(ProgramArguments, ValueIsCutTo255Characters) {
  SetProgramArguments({"pipewatch", "X=" + std::string(300, 'v')});
  EXPECT_EQ(CommandLineValue("X"), std::string(255, 'v'));
}

TEST(ProgramArguments, ScopedEnvironmentVariableRestoresThePreviousState) {
  UnsetEnvironmentVariable("VEK_TEST_VARIABLE");
  {
    ScopedEnvironmentVariable set("VEK_TEST_VARIABLE", "one");
    EXPECT_EQ(GetEnvironmentVariable("VEK_TEST_VARIABLE"), "one");
    {
      ScopedEnvironmentVariable unset("VEK_TEST_VARIABLE", std::nullopt);
      EXPECT_FALSE(FindEnvironmentVariable("VEK_TEST_VARIABLE").has_value());
    }
    EXPECT_EQ(GetEnvironmentVariable("VEK_TEST_VARIABLE"), "one");
  }
  EXPECT_FALSE(FindEnvironmentVariable("VEK_TEST_VARIABLE").has_value());
}

}  // namespace
}  // namespace vek
