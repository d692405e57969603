// The logon history in the current user's registry hive (the real file store in a temporary
// folder) and in ini files: round trips, the password rule on loading, the size limit, the
// end of loading at a missing, damaged or over-long value, and the cleanup of old values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logon/HistoryItems.h"
#include "platform/FileSystem.h"
#include "platform/ProgramArguments.h"
#include "platform/Registry.h"
#include "platform/RegistryFileStore.h"
#include "tests/platform/TemporaryFolder.h"

namespace vek {
namespace {

using testing::TemporaryFolder;

constexpr const char* kKey = "Software\\VEK\\LogonHistory";

THistoryItems SampleList(bool withPassword) {
  THistoryItems list;
  list.WithPassword = withPassword;
  list.AddLogon("scott", "tiger", "orcl", "", false);
  list.AddLogon("sys", "change_on_install", "", "SYSDBA", false);
  list.AddLogon("adams", "", "DEV.world", "SYSOPER", false);
  list.AddLogon("Blåbær", "pw", "(DESCRIPTION=(ADDRESS=(HOST=h)))", "", false);
  return list;
}

void ExpectSameEntries(const THistoryItems& actual, const THistoryItems& expected) {
  ASSERT_EQ(actual.Count(), expected.Count());
  for (int i = 0; i < actual.Count(); ++i) {
    EXPECT_EQ(actual[i].LogonText(), expected[i].LogonText()) << "entry " << i;
  }
}

class HistoryStorageTest : public ::testing::Test {
 protected:
  std::string Stored(const std::string& name) const {
    return ReadRegistryString(RegistryRoot::rrCurrentUser, kKey, name);
  }
  void Store(const std::string& name, const std::string& value) const {
    ASSERT_TRUE(WriteRegistryString(RegistryRoot::rrCurrentUser, kKey, name, value));
  }

  TemporaryFolder folder;
  ScopedEnvironmentVariable registry{kRegistryDirVariable, folder.Path()};
  ScopedEnvironmentVariable configHome{"XDG_CONFIG_HOME", folder.PathOf("config")};
};

TEST_F(HistoryStorageTest, RegistryRoundTrip) {
  if (kIsWindows) GTEST_SKIP() << "the system registry is used on Windows";
  const THistoryItems saved = SampleList(true);
  THistoryItems(saved).SaveToRegistry("\\Software\\VEK\\LogonHistory");
  EXPECT_TRUE(FileExists(folder.PathOf("current-user.reg")));
  EXPECT_EQ(DecodeHistoryText(Stored("Logon1")), "sys/change_on_install@ as SYSDBA");

  THistoryItems loaded;
  loaded.WithPassword = true;
  loaded.LoadFromRegistry(kKey);
  ExpectSameEntries(loaded, saved);
}

TEST_F(HistoryStorageTest, PasswordsWrittenEarlierAreDroppedOnLoadAndSave) {
  SampleList(true).SaveToRegistry(kKey);
  THistoryItems loaded;
  loaded.LoadFromRegistry(kKey);
  ASSERT_EQ(loaded.Count(), 4);
  for (int i = 0; i < loaded.Count(); ++i) EXPECT_EQ(loaded[i].Password, "") << i;
  loaded.SaveToRegistry(kKey);
  EXPECT_EQ(DecodeHistoryText(Stored("Logon0")), "scott/@orcl");
  EXPECT_EQ(DecodeHistoryText(Stored("Logon1")), "sys/@ as SYSDBA");
}

TEST_F(HistoryStorageTest, LongerStoredListLoadsSizeEntriesAndTheNextSaveRemovesTheRest) {
  THistoryItems many;
  for (int i = 0; i < 9; ++i) many.AddLogon("user" + std::to_string(i), "", "db", "", false);
  many.SaveToRegistry(kKey);

  THistoryItems loaded;
  loaded.Size = 5;
  loaded.LoadFromRegistry(kKey);
  ASSERT_EQ(loaded.Count(), 5);
  EXPECT_EQ(loaded[0].Username, "user0");
  EXPECT_EQ(loaded[4].Username, "user4");
  loaded.SaveToRegistry(kKey);
  EXPECT_EQ(RegistryValueNames(RegistryRoot::rrCurrentUser, kKey),
            (std::vector<std::string>{"Logon0", "Logon1", "Logon2", "Logon3", "Logon4"}));
}

TEST_F(HistoryStorageTest, LoadingEndsAtAMissingUnreadableOrOverlongValue) {
  const std::string first = EncodeHistoryText("scott/@orcl");
  const std::string later = EncodeHistoryText("adams/@orcl");
  // 64 characters encode to 260 digits: more than the 256 that fit the reading buffer.
  const std::string overlong = EncodeHistoryText("u/@" + std::string(61, 'd'));
  const std::string fitting = EncodeHistoryText("u/@" + std::string(60, 'd'));
  ASSERT_EQ(overlong.size(), 260u);
  struct Case {
    const char* what;
    std::string second;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"a damaged second value loads up to its damage", first.substr(0, 12) + "zz",
       {"scott@orcl", "sc", "adams@orcl"}},
      {"a second value with an unreadable first group ends the loading", "x" + first,
       {"scott@orcl"}},
      {"a value too long for the buffer ends the loading", overlong, {"scott@orcl"}},
      {"a value of 256 digits still fits", fitting,
       {"scott@orcl", "u@" + std::string(60, 'd'), "adams@orcl"}},
  };
  for (const Case& c : cases) {
    Store("Logon0", first);
    Store("Logon1", c.second);
    Store("Logon2", later);
    THistoryItems loaded;
    loaded.LoadFromRegistry(kKey);
    std::vector<std::string> texts;
    for (int i = 0; i < loaded.Count(); ++i) texts.push_back(loaded[i].DisplayText());
    EXPECT_EQ(texts, c.expected) << c.what;
  }

  DeleteRegistryValue(RegistryRoot::rrCurrentUser, kKey, "Logon1");
  THistoryItems gap;
  gap.LoadFromRegistry(kKey);
  EXPECT_EQ(gap.Count(), 1) << "a gap in the numbering ends the loading";
}

TEST_F(HistoryStorageTest, AnEntryTooLongToReadBackIsNotWrittenAndHidesNothing) {
  THistoryItems list;
  list.AddLogon("scott", "", "orcl", "", false);
  list.AddLogon("u", "", std::string(200, 'd'), "", false);
  list.AddLogon("adams", "", "orcl", "", false);
  list.SaveToRegistry(kKey);
  THistoryItems loaded;
  loaded.LoadFromRegistry(kKey);
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded[1].Username, "adams");
}

TEST_F(HistoryStorageTest, MissingKeyAndEmptyNamesLoadNothing) {
  THistoryItems list;
  list.LoadFromRegistry(kKey);
  list.LoadFromRegistry("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.LoadFromIniFile(""));
  EXPECT_FALSE(list.SaveToIniFile(""));
  list.AddLogon("scott", "", "", "", true);
  list.SaveToRegistry("");
  EXPECT_FALSE(FileExists(folder.PathOf("current-user.reg")));
}

TEST_F(HistoryStorageTest, IniFileRoundTripInTheConfigurationFolder) {
  const THistoryItems saved = SampleList(true);
  ASSERT_TRUE(THistoryItems(saved).SaveToIniFile("history.ini"));
  const std::string path = folder.PathOf("config/vek/history.ini");
  ASSERT_TRUE(FileExists(path)) << "a bare name lives in the configuration folder";
  EXPECT_EQ(HistoryIniFilePath("history.ini"), path);

  THistoryItems loaded;
  loaded.WithPassword = true;
  ASSERT_TRUE(loaded.LoadFromIniFile("history.ini"));
  ExpectSameEntries(loaded, saved);

  // A shorter list replaces the whole section; other sections of the file stay.
  RegistryFileStore(path).WriteValue("Other", "kept", "yes");
  THistoryItems shorter;
  shorter.AddLogon("adams", "", "orcl", "", false);
  ASSERT_TRUE(shorter.SaveToIniFile(path));
  EXPECT_EQ(RegistryFileStore(path).ValueNames("Logon"), (std::vector<std::string>{"0"}));
  EXPECT_EQ(RegistryFileStore(path).ReadValue("Other", "kept"), "yes");
  THistoryItems reloaded;
  reloaded.Size = 3;
  ASSERT_TRUE(reloaded.LoadFromIniFile(path));
  ASSERT_EQ(reloaded.Count(), 1);
  EXPECT_EQ(reloaded[0].DisplayText(), "adams@orcl");
}

TEST_F(HistoryStorageTest, IniFileIsWrittenThroughATemporaryFile) {
  THistoryItems list;
  list.AddLogon("scott", "", "orcl", "", false);
  ASSERT_TRUE(list.SaveToIniFile(folder.PathOf("h.ini")));
  const std::vector<std::string> files = ListFiles(folder.Path(), "*");
  EXPECT_EQ(files, (std::vector<std::string>{"h.ini"})) << "no temporary file is left behind";
  EXPECT_NE(folder.ReadFile("h.ini").find("[Logon]"), std::string::npos);
}

TEST_F(HistoryStorageTest, IniFileThatCannotBeWrittenReportsFailure) {
  folder.WriteFile("blocker", "a file where a folder should be");
  THistoryItems list;
  list.AddLogon("scott", "", "orcl", "", false);
  EXPECT_FALSE(list.SaveToIniFile(folder.PathOf("blocker/h.ini")));
  EXPECT_TRUE(list.LoadFromIniFile(folder.PathOf("missing.ini"))) << "a missing file is no error";
  EXPECT_EQ(list.Count(), 1);
}

}  // namespace
}  // namespace vek
