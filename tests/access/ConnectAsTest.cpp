// The connect-as rules: splitting the clause off a field, and the option's text both ways.
#include <gtest/gtest.h>

#include "access/ConnectAs.h"

namespace vek {
namespace {

struct SplitCase {
  std::string field;
  std::string expectedMode;
  std::string expectedField;
};

TEST(ConnectAsTest, SplitConnectAsFindsTheFirstClauseInAnyCase) {
  const std::vector<SplitCase> cases = {
      {"scott", "", "scott"},
      {"orcl as sysdba", "SYSDBA", "orcl"},
      {"  orcl  AS  SysOper  ", "SYSOPER", "orcl"},
      {"orcl\tas\tsysdba", "SYSDBA", "orcl"},
      {"Mixed Case As sysdba as sysoper", "SYSDBA AS SYSOPER", "Mixed Case"},
      {"basement", "", "basement"},  // "AS" inside a word is no clause
      {"x AS ", "", "x"},
  };
  for (const SplitCase& c : cases) {
    std::string field = c.field;
    EXPECT_EQ(SplitConnectAs(field), c.expectedMode) << "field \"" << c.field << "\"";
    EXPECT_EQ(field, c.expectedField) << "field \"" << c.field << "\"";
  }
}

TEST(ConnectAsTest, TextAndOptionConvertBothWays) {
  EXPECT_EQ(ConnectAsFromText("sysdba"), caSYSDBA);
  EXPECT_EQ(ConnectAsFromText("SysOper"), caSYSOPER);
  EXPECT_EQ(ConnectAsFromText(" SYSDBA"), caNormal) << "no trimming";
  EXPECT_EQ(ConnectAsFromText("NORMAL"), caNormal);
  EXPECT_EQ(ConnectAsToText(caSYSDBA), "SYSDBA");
  EXPECT_EQ(ConnectAsToText(caSYSOPER), "SYSOPER");
  EXPECT_EQ(ConnectAsToText(caNormal), "");
}

}  // namespace
}  // namespace vek
