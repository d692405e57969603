// The call table's types must match the client library's binary interface: the base types'
// sizes and the version-7 logon data area's layout, as the library reads and writes them.
#include "client/OracleCallTable.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace vek {
namespace {

TEST(OracleCallTable, BaseTypesHaveOraclesSizes) {
  EXPECT_EQ(sizeof(sword), 4u);
  EXPECT_EQ(sizeof(ub4), 4u);
  EXPECT_EQ(sizeof(sb4), 4u);
  EXPECT_EQ(sizeof(ub2), 2u);
  EXPECT_EQ(sizeof(sb2), 2u);
  EXPECT_EQ(sizeof(ub1), 1u);
  EXPECT_EQ(sizeof(boolean), 4u);
  EXPECT_EQ(sizeof(OCINumber), 22u);
  EXPECT_EQ(sizeof(OCIPinOpt), 4u);
}

TEST(OracleCallTable, LogonDataAreaHasTheLibrarysLayout) {
  const bool wide = sizeof(void*) == 8;
  EXPECT_EQ(sizeof(Lda_Def), wide ? 88u : 64u);
  EXPECT_EQ(offsetof(Lda_Def, ft), 2u);
  EXPECT_EQ(offsetof(Lda_Def, rpc), 4u);
  EXPECT_EQ(offsetof(Lda_Def, peo), 8u);
  EXPECT_EQ(offsetof(Lda_Def, fc), 10u);
  EXPECT_EQ(offsetof(Lda_Def, rc), 12u);
  EXPECT_EQ(offsetof(Lda_Def, wrn), 14u);
  EXPECT_EQ(offsetof(Lda_Def, rid), 20u);
  EXPECT_EQ(offsetof(Lda_Def, ose), 36u);
  EXPECT_EQ(offsetof(Lda_Def, chk), 40u);
  EXPECT_EQ(offsetof(Lda_Def, rcsp), wide ? 48u : 44u);
}

TEST(OracleCallTable, EmptyBeforeAnyLoad) {
  const TOracleCallTable table;
  EXPECT_EQ(table.OCIErrorGet, nullptr);
  EXPECT_EQ(table.oerhms, nullptr);
  EXPECT_EQ(table.OCIEnvCreate, nullptr);
}

}  // namespace
}  // namespace vek
