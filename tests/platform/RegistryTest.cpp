// The registry seam over its text-file hives: the file format, keys and names without regard
// to case, atomic rewrites that keep comments, the buffer limit, and the ORACLE_HOME answer.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/ProgramArguments.h"
#include "platform/Registry.h"
#include "platform/RegistryFileStore.h"
#include "tests/platform/TemporaryFolder.h"

namespace vek {
namespace {

using testing::TemporaryFolder;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kIsWindows) GTEST_SKIP() << "the system registry is used on Windows";
  }
  RegistryFileStore LocalMachine() const {
    return RegistryFileStore(RegistryStorePath(RegistryRoot::rrLocalMachine));
  }

  TemporaryFolder folder;
  ScopedEnvironmentVariable registry{kRegistryDirVariable, folder.Path()};
  ScopedEnvironmentVariable oracleHome{"ORACLE_HOME", std::nullopt};
};

TEST_F(RegistryTest, HandWrittenFileIsRead) {
  folder.WriteFile("local-machine.reg",
                   "# Oracle homes of this machine\r\n"
                   "[SOFTWARE\\ORACLE\\HOME0]\r\n"
                   "ORACLE_HOME_NAME=OraHome8i\r\n"
                   "ORACLE_HOME= /opt/ora 8i \r\n"
                   "; another comment\n"
                   "EQUALS=a=b\n");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::rrLocalMachine, "software\\oracle\\home0",
                               "oracle_home_name"),
            "OraHome8i");
  EXPECT_EQ(
      ReadRegistryString(RegistryRoot::rrLocalMachine, "SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME"),
      " /opt/ora 8i ")
      << "data keeps its blanks";
  EXPECT_EQ(ReadRegistryString(RegistryRoot::rrLocalMachine, "SOFTWARE\\ORACLE\\HOME0", "EQUALS"),
            "a=b");
  EXPECT_EQ(
      ReadRegistryString(RegistryRoot::rrLocalMachine, "SOFTWARE\\ORACLE\\HOME1", "ORACLE_HOME"),
      "");
  EXPECT_EQ(
      ReadRegistryString(RegistryRoot::rrCurrentUser, "SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME"), "")
      << "the hives are separate files";
}

TEST_F(RegistryTest, WritesCreateUpdateAndDeleteValues) {
  const std::string key = "Software\\VEK\\LogonHistory";
  EXPECT_TRUE(WriteRegistryString(RegistryRoot::rrCurrentUser, key, "Logon0", "scott/tiger@orcl"));
  EXPECT_TRUE(
      WriteRegistryString(RegistryRoot::rrCurrentUser, key, "Logon1", "system/manager@prod"));
  EXPECT_TRUE(WriteRegistryString(RegistryRoot::rrCurrentUser, "SOFTWARE\\VEK\\LOGONHISTORY",
                                  "LOGON0", "a/b@c"));
  EXPECT_EQ(RegistryValueNames(RegistryRoot::rrCurrentUser, key),
            (std::vector<std::string>{"Logon0", "Logon1"}));
  EXPECT_EQ(ReadRegistryString(RegistryRoot::rrCurrentUser, key, "logon0"), "a/b@c");
  EXPECT_TRUE(DeleteRegistryValue(RegistryRoot::rrCurrentUser, key, "Logon0"));
  EXPECT_FALSE(DeleteRegistryValue(RegistryRoot::rrCurrentUser, key, "Logon0"));
  EXPECT_EQ(RegistryValueNames(RegistryRoot::rrCurrentUser, key),
            std::vector<std::string>{"Logon1"});
  EXPECT_EQ(folder.ReadFile("current-user.reg"),
            "[Software\\VEK\\LogonHistory]\nLogon1=system/manager@prod\n");
}

TEST_F(RegistryTest, RewriteKeepsCommentsAndLeavesNoTemporaryFile) {
  folder.WriteFile("current-user.reg", "# kept\n[A]\nx=1\n\n# also kept\n[B]\ny=2\n");
  EXPECT_TRUE(WriteRegistryString(RegistryRoot::rrCurrentUser, "a", "z", "3"));
  EXPECT_TRUE(WriteRegistryString(RegistryRoot::rrCurrentUser, "b", "Y", "4"));
  EXPECT_EQ(folder.ReadFile("current-user.reg"),
            "# kept\n[A]\nx=1\nz=3\n\n# also kept\n[B]\ny=4\n");
  EXPECT_EQ(ListFiles(folder.Path(), "*"), std::vector<std::string>{"current-user.reg"});
}

TEST_F(RegistryTest, UnstorableNamesAndDataAreRefused) {
  const std::string key = "Software\\VEK";
  EXPECT_FALSE(WriteRegistryString(RegistryRoot::rrCurrentUser, key, "a=b", "x"));
  EXPECT_FALSE(WriteRegistryString(RegistryRoot::rrCurrentUser, key, "#name", "x"));
  EXPECT_FALSE(WriteRegistryString(RegistryRoot::rrCurrentUser, key, "name", "two\nlines"));
  EXPECT_FALSE(WriteRegistryString(RegistryRoot::rrCurrentUser, "", "name", "x"));
  EXPECT_FALSE(WriteRegistryString(RegistryRoot::rrCurrentUser, "a]b", "name", "x"));
  EXPECT_TRUE(RegistryValueNames(RegistryRoot::rrCurrentUser, key).empty());
}

TEST_F(RegistryTest, ValueThatDoesNotFitTheBufferReadsAsEmpty) {
  const std::string key = "Software\\VEK";
  ASSERT_TRUE(
      WriteRegistryString(RegistryRoot::rrCurrentUser, key, "fits", std::string(1023, 'a')));
  ASSERT_TRUE(
      WriteRegistryString(RegistryRoot::rrCurrentUser, key, "long", std::string(1024, 'a')));
  EXPECT_EQ(ReadRegistryString(RegistryRoot::rrCurrentUser, key, "fits").size(), 1023u);
  EXPECT_EQ(ReadRegistryString(RegistryRoot::rrCurrentUser, key, "long"), "");
}

TEST_F(RegistryTest, OracleHomeVariableAnswersOnlyForTheMissingSingleHomeValue) {
  ScopedEnvironmentVariable home("ORACLE_HOME", "/opt/oracle/19c");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::rrLocalMachine, "SOFTWARE\\ORACLE", "ORACLE_HOME"),
            "/opt/oracle/19c");
  EXPECT_EQ(
      ReadRegistryString(RegistryRoot::rrLocalMachine, "SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME"),
      "");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::rrCurrentUser, "SOFTWARE\\ORACLE", "ORACLE_HOME"), "");
  ASSERT_TRUE(LocalMachine().WriteValue("SOFTWARE\\ORACLE", "ORACLE_HOME", "/opt/stored"));
  EXPECT_EQ(ReadRegistryString(RegistryRoot::rrLocalMachine, "software\\oracle", "oracle_home"),
            "/opt/stored");
}

TEST(RegistryStorePath, DefaultsToTheSystemAndTheUsersConfigurationFolders) {
  if (kIsWindows) GTEST_SKIP() << "the system registry is used on Windows";
  ScopedEnvironmentVariable unset(kRegistryDirVariable, std::nullopt);
  ScopedEnvironmentVariable xdg("XDG_CONFIG_HOME", "/home/u/.cfg");
  EXPECT_EQ(RegistryStorePath(RegistryRoot::rrLocalMachine), "/etc/vek/local-machine.reg");
  EXPECT_EQ(RegistryStorePath(RegistryRoot::rrCurrentUser), "/home/u/.cfg/vek/current-user.reg");
  ScopedEnvironmentVariable noXdg("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnvironmentVariable home("HOME", "/home/u");
  EXPECT_EQ(RegistryStorePath(RegistryRoot::rrCurrentUser), "/home/u/.config/vek/current-user.reg");
}

TEST(RegistryFileStore, CreatesItsFolderOnFirstWrite) {
  TemporaryFolder folder;
  RegistryFileStore store(folder.PathOf("deep/er/hive.reg"));
  EXPECT_FALSE(store.ReadValue("K", "v").has_value());
  EXPECT_TRUE(store.WriteValue("K", "v", ""));
  EXPECT_EQ(store.ReadValue("k", "V"), std::optional<std::string>(""));
}

}  // namespace
}  // namespace vek
