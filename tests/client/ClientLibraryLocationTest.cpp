// The search for the Oracle home and the client library file, driven through real registry
// hive files and real folders holding files named as each case needs.
#include <gtest/gtest.h>

#include "client/ClientLibraryLocation.h"
#include "tests/client/ClientTestEnvironment.h"

namespace vek {
namespace {

using testing::ClientTestEnvironment;

constexpr const char* kOracleKey = "SOFTWARE\\ORACLE";
constexpr const char* kAllHomes = "SOFTWARE\\ORACLE\\ALL_HOMES";

struct VersionCase {
  std::string fileName;
  std::optional<double> version;
};

TEST(ClientLibraryVersion, FollowsTheNumberedFileNameRule) {
  const std::vector<VersionCase> cases = {
      {"ora73.dll", 0.73},    {"ora805.dll", 0.805}, {"orant71.dll", 0.71}, {"ORANT73.DLL", 0.73},
      {"oraclient8.dll", {}}, {"ora7x.dll", {}},     {"ora-1.dll", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClientLibraryVersion(c.fileName), c.version) << "file name " << c.fileName;
  }
  // Names without digits never count as a version above 0.
  for (const std::string name : {"oci.dll", "ora.dll", "orant.dll"}) {
    const auto version = ClientLibraryVersion(name);
    EXPECT_FALSE(version && *version > 0) << "file name " << name;
  }
}

TEST(ClientLibraryVersion, SharedLibraryVersionComesFromTheSuffix) {
  const std::vector<VersionCase> cases = {
      {"libclntsh.so.19.1", 19.1}, {"libclntsh.so.11.1", 11.1}, {"libclntsh.so.21", 21.0},
      {"libclntsh.so", {}},        {"libclntsh.so.19.1.0", {}}, {"libclntsh.so.x", {}},
      {"libclntsh.so.-1", {}},     {"libclntsh.so.1e3", {}},    {"libocci.so.19.1", {}},
      {"libclntsh.so.19.", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SharedLibraryVersion(c.fileName), c.version) << "file name " << c.fileName;
  }
}

TEST(ClientLibraryLocation, AppendPathPartJoinsWithOneSeparator) {
  const std::string s(1, kPathSeparator);
  EXPECT_EQ(AppendPathPart("", "tnsnames.ora"), "tnsnames.ora");
  EXPECT_EQ(AppendPathPart("home", "bin"), "home" + s + "bin");
  EXPECT_EQ(AppendPathPart("home" + s, "bin"), "home" + s + "bin");
}

TEST(ClientLibraryLocation, AddLogLineJoinsWithCarriageReturnLineFeed) {
  ClientTestEnvironment environment;
  AddLogLine("one");
  AddLogLine("two");
  EXPECT_EQ(ClientSearchLog(), "one\r\ntwo");
}

class OracleHomeKeyTest : public ::testing::Test {
 protected:
  void AddHome(int index, const std::string& name, const std::string& folder) {
    const std::string key = "SOFTWARE\\ORACLE\\HOME" + std::to_string(index);
    ASSERT_TRUE(environment.LocalMachine().WriteValue(key, "ORACLE_HOME_NAME", name));
    if (!folder.empty()) {
      ASSERT_TRUE(environment.LocalMachine().WriteValue(key, "ORACLE_HOME", folder));
    }
  }
  void SetCounter(const std::string& counter) {
    ASSERT_TRUE(environment.LocalMachine().WriteValue(kAllHomes, "HOME_COUNTER", counter));
  }

  ClientTestEnvironment environment;
};

TEST_F(OracleHomeKeyTest, SingleHomeInstallationUsesTheOracleKey) {
  environment.LocalMachine().WriteValue(kOracleKey, "ORACLE_HOME", "/opt/oracle");
  EXPECT_EQ(GetOracleHomeKey(), kOracleKey);
  EXPECT_EQ(GetOracleHomeDir(), "/opt/oracle");
  EXPECT_TRUE(InstalledHomes().empty());
}

TEST_F(OracleHomeKeyTest, CounterOfZeroStillReadsHomeZero) {
  SetCounter("0");
  AddHome(0, "OraHome8i", "/opt/ora8i");
  EXPECT_EQ(GetOracleHomeKey(), "SOFTWARE\\ORACLE\\HOME0");
  EXPECT_EQ(OracleHomeName(), "OraHome8i");
}

TEST_F(OracleHomeKeyTest, NonNumericCounterMeansNoHomes) {
  SetCounter("two");
  AddHome(0, "OraHome8i", "/opt/ora8i");
  environment.LocalMachine().WriteValue(kOracleKey, "ORACLE_HOME", "/opt/single");
  EXPECT_EQ(GetOracleHomeKey(), kOracleKey);
  EXPECT_TRUE(InstalledHomes().empty());
  EXPECT_EQ(OracleHomeName(), "");
}

TEST_F(OracleHomeKeyTest, HomeWhoseBinStandsInPathWins) {
  SetCounter("2");
  AddHome(0, "OraHome8i", "/opt/ora8i");
  AddHome(1, "DEFAULT_HOME", "/opt/default");
  ScopedEnvironmentVariable path("PATH",
                                 "/usr/bin:" + AppendPathPart("/opt/default", "bin") + ":/bin");
  EXPECT_EQ(GetOracleHomeKey(), "SOFTWARE\\ORACLE\\HOME1");
  EXPECT_EQ(OracleHomeName(), "DEFAULT_HOME");
  ASSERT_EQ(InstalledHomes().size(), 2u);
  EXPECT_EQ(InstalledHomes()[0].first, "DEFAULT_HOME");
  EXPECT_EQ(InstalledHomes()[1].first, "OraHome8i");
}

TEST_F(OracleHomeKeyTest, EarliestBinInPathWinsAmongSeveral) {
  SetCounter("2");
  AddHome(0, "OraHome8i", "/opt/ora8i");
  AddHome(1, "DEFAULT_HOME", "/opt/default");
  ScopedEnvironmentVariable path("PATH", "/opt/ora8i/bin:/opt/default/bin");
  EXPECT_EQ(GetOracleHomeKey(), "SOFTWARE\\ORACLE\\HOME0");
  EXPECT_EQ(OracleHomeName(), "OraHome8i");
}

TEST_F(OracleHomeKeyTest, WithoutPathMatchTheLastHomeInNameOrderWins) {
  SetCounter("2");
  AddHome(0, "OraHome8i", "/opt/ora8i");
  AddHome(1, "DEFAULT_HOME", "/opt/default");
  EXPECT_EQ(GetOracleHomeKey(), "SOFTWARE\\ORACLE\\HOME0");
  EXPECT_EQ(OracleHomeName(), "OraHome8i");
}

TEST_F(OracleHomeKeyTest, OracleHomeArgumentChoosesByNameWhateverPathSays) {
  SetCounter("2");
  AddHome(0, "OraHome8i", "/opt/ora8i");
  AddHome(1, "DEFAULT_HOME", "/opt/default");
  ScopedEnvironmentVariable path("PATH", "/opt/default/bin");
  SetProgramArguments({"client-test", "ORACLEHOME=orahome8i"});
  EXPECT_EQ(GetOracleHomeKey(), "SOFTWARE\\ORACLE\\HOME0");
}

TEST_F(OracleHomeKeyTest, PresetHomeNameIsKeptAndSurvivesAnUnload) {
  SetCounter("2");
  AddHome(0, "OraHome8i", "/opt/ora8i");
  AddHome(1, "DEFAULT_HOME", "/opt/default");
  SetOracleHomeName("default_home");
  EXPECT_EQ(GetOracleHomeKey(), "SOFTWARE\\ORACLE\\HOME1");
  UnloadClientLibrary();
  EXPECT_EQ(OracleHomeName(), "default_home");
  EXPECT_EQ(OracleHomeKey(), "");
}

TEST_F(OracleHomeKeyTest, HomeNameChosenBySearchIsForgottenByAnUnload) {
  SetCounter("1");
  AddHome(0, "OraHome8i", "/opt/ora8i");
  EXPECT_EQ(GetOracleHomeKey(), "SOFTWARE\\ORACLE\\HOME0");
  EXPECT_EQ(OracleHomeName(), "OraHome8i");
  UnloadClientLibrary();
  EXPECT_EQ(OracleHomeName(), "");
}

TEST_F(OracleHomeKeyTest, ChosenHomeWithoutDirectoryFallsBackToTheOracleKey) {
  SetCounter("1");
  AddHome(0, "OraHome8i", "");
  EXPECT_EQ(GetOracleHomeKey(), kOracleKey);
}

TEST_F(OracleHomeKeyTest, EqualNamesKeepTheLowerIndex) {
  SetCounter("2");
  AddHome(0, "OraHome", "/opt/first");
  AddHome(1, "ORAHOME", "/opt/second");
  EXPECT_EQ(GetOracleHomeKey(), "SOFTWARE\\ORACLE\\HOME0");
  ASSERT_EQ(InstalledHomes().size(), 1u);
  EXPECT_EQ(InstalledHomes()[0].second, 0);
}

// The library search in a home laid out as each platform's client installs it.
class LibrarySearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home = environment.Folder().MakeFolder("home");
    environment.LocalMachine().WriteValue(kOracleKey, "ORACLE_HOME", home);
  }
  std::string Touch(const std::string& relative) {
    return environment.Folder().WriteFile("home/" + relative, "not a library");
  }

  ClientTestEnvironment environment;
  std::string home;
};

TEST_F(LibrarySearchTest, WindowsLayoutPrefersOciDll) {
  SetClientLibraryLayout(TClientLibraryLayout::clWindows);
  const std::string oci = Touch("bin/oci.dll");
  Touch("bin/ora73.dll");
  Touch("bin/ora805.dll");
  Touch("bin/oraclient8.dll");
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), oci);
  EXPECT_EQ(ClientSearchLog(),
            "OracleHomeKey: SOFTWARE\\ORACLE\r\nOracleHomeDir: " + home +
                "\r\nFound: oci.dll\r\nFound: ora73.dll\r\nFound: ora805.dll\r\nUsing: " + oci);
}

TEST_F(LibrarySearchTest, WindowsLayoutWithoutOciDllTakesTheHighestVersion) {
  SetClientLibraryLayout(TClientLibraryLayout::clWindows);
  Touch("bin/ora73.dll");
  const std::string ora805 = Touch("bin/ora805.dll");
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), ora805);
}

TEST_F(LibrarySearchTest, ExcludedLibraryIsSkippedUnlessEveryCandidateIsExcluded) {
  SetClientLibraryLayout(TClientLibraryLayout::clWindows);
  const std::string oci = Touch("bin/oci.dll");
  Touch("bin/ora73.dll");
  const std::string ora805 = Touch("bin/ora805.dll");

  SetExcludedClientLibraries("\"OCI.DLL\"");
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), ora805);

  UnloadClientLibrary();
  SetExcludedClientLibraries("\"oci.dll\"\"ORA73.DLL\"\"ora805.dll\"");
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), oci);
}

TEST_F(LibrarySearchTest, UnixLayoutPrefersTheUnversionedLibraryInLib) {
  SetClientLibraryLayout(TClientLibraryLayout::clUnix);
  const std::string library = Touch("lib/libclntsh.so");
  Touch("lib/libclntsh.so.19.1");
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), library);
  EXPECT_NE(ClientSearchLog().find(
                "\r\nFound: libclntsh.so\r\nFound: libclntsh.so.19.1\r\nUsing: " + library),
            std::string::npos)
      << ClientSearchLog();
}

TEST_F(LibrarySearchTest, UnixLayoutTakesTheHighestVersionedLibrary) {
  SetClientLibraryLayout(TClientLibraryLayout::clUnix);
  Touch("lib/libclntsh.so.11.1");
  const std::string newest = Touch("lib/libclntsh.so.21.1");
  Touch("lib/libclntsh.so.19.1");
  Touch("lib/libclntsh.so.19.1.0");
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), newest);
}

TEST_F(LibrarySearchTest, UnixLayoutFindsAnInstantClientInTheHomeFolderItself) {
  SetClientLibraryLayout(TClientLibraryLayout::clUnix);
  Touch("lib/libclntsh.so.19.1");
  const std::string instant = Touch("libclntsh.so");
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), instant);
}

TEST_F(LibrarySearchTest, HomeWithoutLibraryGivesNotFound) {
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryNotFound);
  EXPECT_EQ(OCIDLL(), "");
  EXPECT_EQ(ClientSearchLog(), "OracleHomeKey: SOFTWARE\\ORACLE\r\nOracleHomeDir: " + home);
}

TEST(ClientLibraryLocation, ForcedLibraryNeedsNoHome) {
  ClientTestEnvironment environment;
  SetProgramArguments({"client-test", "OCIDLL=/opt/client/libclntsh.so"});
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), "/opt/client/libclntsh.so");
  EXPECT_EQ(ClientSearchLog(), "OCIDLL forced to /opt/client/libclntsh.so");
  EXPECT_EQ(OracleHomeKey(), "") << "no registry key is read for a forced library";
}

TEST(ClientLibraryLocation, NoHomeDirectoryGivesResultThree) {
  ClientTestEnvironment environment;
  EXPECT_EQ(LocateClientLibrary(), kOracleHomeMissing);
  EXPECT_EQ(OCIDLL(), "");
  EXPECT_EQ(ClientSearchLog(), "OracleHomeKey: SOFTWARE\\ORACLE\r\nOracleHomeDir: ");
}

TEST(ClientLibraryLocation, OracleHomeVariableAnswersForAnEmptyStore) {
  if (kIsWindows) GTEST_SKIP() << "the system registry answers on Windows";
  ClientTestEnvironment environment;
  const std::string home = environment.Folder().MakeFolder("installed");
  const std::string library = environment.Folder().WriteFile("installed/lib/libclntsh.so", "x");
  ScopedEnvironmentVariable oracleHome("ORACLE_HOME", home);
  EXPECT_EQ(LocateClientLibrary(), kClientLibraryFound);
  EXPECT_EQ(OCIDLL(), library);
}

}  // namespace
}  // namespace vek
