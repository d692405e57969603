// The list of warning numbers, read from the current user's registry only under a debugger.
#include <gtest/gtest.h>

#include "access/WarningCodes.h"
#include "platform/Debugger.h"
#include "platform/ProgramArguments.h"
#include "platform/Registry.h"
#include "tests/platform/TemporaryFolder.h"

namespace vek {
namespace {

class WarningCodesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WarningCodes.clear();
    Write("1", "1403");
    Write("2", "*942");
    Write("3", "abc");
    Write("5", "28002");  // after the gap: never read
  }
  void TearDown() override { WarningCodes.clear(); }
  void Write(const std::string& name, const std::string& value) {
    ASSERT_TRUE(WriteRegistryString(RegistryRoot::rrCurrentUser, kWarningCodesKey, name, value));
  }

  testing::TemporaryFolder folder;
  ScopedEnvironmentVariable registry{kRegistryDirVariable, folder.Path()};
};

TEST_F(WarningCodesTest, UnderADebuggerTheListedNumbersAreRead) {
  ScopedDebuggerPresence debugger(true);
  LoadWarningCodes();
  EXPECT_EQ(WarningCodes, std::vector<std::int32_t>{1403});
}

TEST_F(WarningCodesTest, WithoutADebuggerTheListStaysEmpty) {
  ScopedDebuggerPresence debugger(false);
  LoadWarningCodes();
  EXPECT_TRUE(WarningCodes.empty());
}

TEST_F(WarningCodesTest, ReadingStopsAtTheFirstEmptyValue) {
  Write("4", "");
  Write("5", "100");
  ScopedDebuggerPresence debugger(true);
  LoadWarningCodes();
  EXPECT_EQ(WarningCodes, std::vector<std::int32_t>{1403});
  Write("4", "-1");
  LoadWarningCodes();
  EXPECT_EQ(WarningCodes, (std::vector<std::int32_t>{1403, -1, 100}));
}

}  // namespace
}  // namespace vek
