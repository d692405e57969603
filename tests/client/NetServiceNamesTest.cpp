// Reading net service names from real tnsnames.ora files in a temporary folder, and finding
// that file through TNS_ADMIN and the Oracle home's registry values.
#include <gtest/gtest.h>

#include "client/NetServiceNames.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "tests/client/ClientTestEnvironment.h"

namespace vek {
namespace {

using testing::ClientTestEnvironment;
using Names = std::vector<std::string>;

class NetServiceNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetNetServiceNamesForTesting();
    // Includes with bare names are read from the working folder.
    ASSERT_TRUE(ChangeCurrentDirectory(environment.Folder().Path()));
  }
  void TearDown() override { ResetNetServiceNamesForTesting(); }

  Names Parse(const std::string& fileName) {
    TNetServiceNameList names;
    ParseTnsNames(fileName, names);
    return names.Names();
  }
  Names ParseText(const std::string& content) {
    return Parse(environment.Folder().WriteFile("tnsnames.ora", content));
  }

  ClientTestEnvironment environment;
};

struct ParseCase {
  const char* description;
  std::string content;
  Names expected;
};

TEST_F(NetServiceNamesTest, NamesAreTakenOnlyFromTextOutsideParentheses) {
  const std::vector<ParseCase> cases = {
      {"one line with .WORLD",
       "ORCL.WORLD = (DESCRIPTION = (ADDRESS = (PROTOCOL = TCP)(HOST = h)(PORT = 1521)))\n",
       {"ORCL"}},
      {"descriptor on the following lines",
       "ORCL.WORLD =\n  (DESCRIPTION =\n    (ADDRESS = (PROTOCOL = TCP)(HOST = h)(PORT = 1521))\n"
       "    (CONNECT_DATA =\n      (SID = orcl)\n    )\n  )\n",
       {"ORCL"}},
      {"inner pairs laid out one per line",
       "TEST = (DESCRIPTION =\n(ADDRESS =\n(HOST =\nh)\n(PORT = 1521))\n(CONNECT_DATA = "
       "(SERVICE_NAME = s)))\n",
       {"TEST"}},
      {".world in lower case is cut at any place",
       "a.world.b = (x=1)\nsales.WoRlD = (x=1)\n",
       {"a", "sales"}},
      {"equal names keep the first form", "orcl = (x=1)\nORCL = (x=2)\n", {"orcl"}},
      {"a comment line adds nothing", "# c = (x=1)\n", {}},
      {"names are sorted without regard to case",
       "beta = (x)\nAlpha = (x)\ngamma = (x)\n",
       {"Alpha", "beta", "gamma"}},
      {"tabs and CR LF endings are dropped", "\tprod\t=\t(x)\r\ndev = (x)\r\n", {"dev", "prod"}},
      {"an equals sign with no name adds nothing", "= (x)\n", {}},
      {"a bare word without include adds nothing", "orphan\n", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseText(c.content), c.expected) << c.description;
  }
}

TEST_F(NetServiceNamesTest, FaultsOfRealFilesDoNotHideNames) {
  const std::vector<ParseCase> cases = {
      {"several aliases before one equals sign are each a name",
       "DEV, DEVDB =\n  (DESCRIPTION = (ADDRESS = (HOST = h)))\nsales.world ,Stock.WORLD,=(x)\n",
       {"DEV", "DEVDB", "sales", "Stock"}},
      {"an indented comment adds nothing", "  # old = (x=1)\nNEW = (x)\n", {"NEW"}},
      {"a comment behind an entry is cut, parentheses and all",
       "A = (x) # was (y\nB = (x)\n", {"A", "B"}},
      {"a comment inside a descriptor is cut",
       "C =\n  (DESCRIPTION = # (old\n    (HOST = h))\nD = (x)\n", {"C", "D"}},
      {"a stray closing parenthesis does not hide later names",
       "E = (x))\nF = (x)\n)\nG = (x)\n", {"E", "F", "G"}},
      {"a byte-order mark does not stick to the first name",
       "\xEF\xBB\xBF" "FIRST = (x)\nSECOND = (x)\n", {"FIRST", "SECOND"}},
      {"a byte-order mark before a comment", "\xEF\xBB\xBF# c = (x)\nH = (x)\n", {"H"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseText(c.content), c.expected) << c.description;
  }
}

TEST_F(NetServiceNamesTest, EachFileIsReadOncePerFill) {
  // Three self-includes per file used to open 3^16 files before the depth limit stopped them.
  const std::string self = environment.Folder().WriteFile(
      "tnsnames.ora", "SELF = (x)\nIFILE = tnsnames.ora\nIFILE = ./tnsnames.ora\nIFILE = " +
                          environment.Folder().PathOf("tnsnames.ora") + "\n");
  TNetServiceNameList names;
  EXPECT_EQ(ParseTnsNames(self, names), std::vector<std::string>{FullPath(self)});
  EXPECT_EQ(names.Names(), Names{"SELF"});

  // A three-file cycle with three includes in every file.
  for (const char* file : {"a", "b", "c"}) {
    std::string content = std::string(file) + "_NAME = (x)\n";
    for (const char* other : {"a", "b", "c"}) content += "IFILE = " + std::string(other) + ".ora\n";
    environment.Folder().WriteFile(std::string(file) + ".ora", content);
  }
  TNetServiceNameList cycle;
  const std::vector<std::string> read = ParseTnsNames("a.ora", cycle);
  EXPECT_EQ(read, (std::vector<std::string>{FullPath("a.ora"), FullPath("b.ora"),
                                            FullPath("c.ora")}));
  EXPECT_EQ(cycle.Names(), (Names{"a_NAME", "b_NAME", "c_NAME"}));
}

TEST_F(NetServiceNamesTest, MissingFileAddsNothing) {
  EXPECT_EQ(Parse(environment.Folder().PathOf("absent.ora")), Names{});
}

TEST_F(NetServiceNamesTest, IncludeReadsAFileFromTheWorkingFolder) {
  environment.Folder().WriteFile("other.ora", "OTHER = (x)\norcl = (x)\n");
  environment.Folder().MakeFolder("sub");
  environment.Folder().WriteFile("sub/other.ora", "WRONG = (x)\n");
  const std::string main =
      environment.Folder().WriteFile("sub/tnsnames.ora", "ORCL = (x)\nIFILE = other.ora\n");
  EXPECT_EQ(Parse(main), (Names{"ORCL", "OTHER"}))
      << "a relative include is read from the working folder, not the including file's folder";
}

TEST_F(NetServiceNamesTest, IncludeNameMayFollowOnALineOfItsOwn) {
  environment.Folder().WriteFile("next.ora", "NEXT = (x)\n");
  EXPECT_EQ(ParseText("ifile =\n  next.ora\nLAST = (x)\n"), (Names{"LAST", "NEXT"}));
}

TEST_F(NetServiceNamesTest, IncludeOfAMissingFileIsIgnored) {
  EXPECT_EQ(ParseText("IFILE = nowhere.ora\nA = (x)\n"), Names{"A"});
}

TEST_F(NetServiceNamesTest, SelfIncludeEnds) {
  EXPECT_EQ(ParseText("SELF = (x)\nIFILE = tnsnames.ora\n"), Names{"SELF"});
}

TEST_F(NetServiceNamesTest, CycleOfIncludesEnds) {
  environment.Folder().WriteFile("b.ora", "B = (x)\nIFILE = a.ora\n");
  const std::string a = environment.Folder().WriteFile("a.ora", "A = (x)\nIFILE = b.ora\n");
  EXPECT_EQ(Parse(a), (Names{"A", "B"}));
}

TEST_F(NetServiceNamesTest, IncludesDeeperThanTheLimitAreNotFollowed) {
  // file0 includes file1, which includes file2, and so on.
  const int files = kMaxIncludeDepth + 4;
  for (int i = 0; i < files; ++i) {
    environment.Folder().WriteFile(
        "file" + std::to_string(i) + ".ora",
        "N" + std::to_string(100 + i) + " = (x)\nIFILE = file" + std::to_string(i + 1) + ".ora\n");
  }
  const Names names = Parse("file0.ora");
  ASSERT_EQ(names.size(), static_cast<std::size_t>(kMaxIncludeDepth + 1));
  EXPECT_EQ(names.back(), "N" + std::to_string(100 + kMaxIncludeDepth));
}

// Where tnsnames.ora is looked for.
struct PathCase {
  const char* description;
  std::string library;
  std::vector<std::pair<std::string, std::string>> homeValues;  // under SOFTWARE\ORACLE
  std::string expectedRelative;  // below the home folder, "" for the TNS_ADMIN value
};

TEST_F(NetServiceNamesTest, TnsAdminVariableWinsOverTheRegistry) {
  const std::string admin = environment.Folder().MakeFolder("admin");
  ScopedEnvironmentVariable tnsAdmin("TNS_ADMIN", admin);
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE", "TNS_ADMIN", "/registry/admin");
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE", "NET80", "/registry/net80");
  SetProgramArguments({"client-test", std::string("OCIDLL=") + VEK_FAKE_V8});
  EXPECT_EQ(TnsNamesPath(), AppendPathPart(admin, "tnsnames.ora"));
}

TEST_F(NetServiceNamesTest, PathFollowsTheRegistryAndTheClientGeneration) {
  const std::string s(1, kPathSeparator);
  const std::vector<PathCase> cases = {
      {"TNS_ADMIN value of the home",
       VEK_FAKE_V8,
       {{"TNS_ADMIN", "/reg/admin"}},
       "/reg/admin" + s + "tnsnames.ora"},
      {"NET80 value for a version-8 client",
       VEK_FAKE_V8,
       {{"NET80", "/reg/net80"}, {"NET20", "/reg/net20"}},
       "/reg/net80" + s + "admin" + s + "tnsnames.ora"},
      {"NET20 value for a version-7 client",
       VEK_FAKE_V7_PARTIAL_V8,
       {{"NET80", "/reg/net80"}, {"NET20", "/reg/net20"}},
       "/reg/net20" + s + "admin" + s + "tnsnames.ora"},
      {"8.0 client under the home",
       VEK_FAKE_V8,
       {},
       "HOME" + s + "net80" + s + "admin" + s + "tnsnames.ora"},
      {"8.1 client under the home",
       VEK_FAKE_V81,
       {},
       "HOME" + s + "network" + s + "admin" + s + "tnsnames.ora"},
      {"version-7 client under the home",
       VEK_FAKE_V7_PARTIAL_V8,
       {},
       "HOME" + s + "network" + s + "admin" + s + "tnsnames.ora"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    ClientTestEnvironment local;
    ResetNetServiceNamesForTesting();
    SetClientLibraryLayout(TClientLibraryLayout::clUnix);
    const std::string home = local.Folder().MakeFolder("home");
    local.LocalMachine().WriteValue("SOFTWARE\\ORACLE", "ORACLE_HOME", home);
    for (const auto& [name, value] : c.homeValues)
      local.LocalMachine().WriteValue("SOFTWARE\\ORACLE", name, value);
    SetProgramArguments({"client-test", "OCIDLL=" + c.library});
    std::string expected = c.expectedRelative;
    if (expected.rfind("HOME", 0) == 0) expected = home + expected.substr(4);
    EXPECT_EQ(TnsNamesPath(), expected);
  }
}

TEST_F(NetServiceNamesTest, NumberedHomeFallsBackToTheOracleKeysTnsAdmin) {
  const std::string home = environment.Folder().MakeFolder("home");
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", "1");
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME_NAME", "OraHome");
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME", home);
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE", "TNS_ADMIN", "/shared/admin");
  SetProgramArguments({"client-test", std::string("OCIDLL=") + VEK_FAKE_V8});
  EXPECT_EQ(TnsNamesPath(), AppendPathPart("/shared/admin", "tnsnames.ora"));
}

TEST_F(NetServiceNamesTest, PathIsKeptForTheProcess) {
  const std::string admin = environment.Folder().MakeFolder("admin");
  ScopedEnvironmentVariable tnsAdmin("TNS_ADMIN", admin);
  SetProgramArguments({"client-test", std::string("OCIDLL=") + VEK_FAKE_V8});
  const std::string first = TnsNamesPath();
  ScopedEnvironmentVariable changed("TNS_ADMIN", "/elsewhere");
  EXPECT_EQ(TnsNamesPath(), first);
}

TEST_F(NetServiceNamesTest, ListIsReadOnceFromTheFileTheClientUses) {
  const std::string admin = environment.Folder().MakeFolder("admin");
  environment.Folder().WriteFile("admin/tnsnames.ora", "PROD.WORLD = (x)\ndev = (x)\n");
  ScopedEnvironmentVariable tnsAdmin("TNS_ADMIN", admin);
  SetProgramArguments({"client-test", std::string("OCIDLL=") + VEK_FAKE_V8});
  EXPECT_EQ(NetServiceNames().Names(), (Names{"dev", "PROD"}));
  environment.Folder().WriteFile("admin/tnsnames.ora", "LATER = (x)\n");
  EXPECT_EQ(NetServiceNames().Names(), (Names{"dev", "PROD"}))
      << "later calls return the same list";
  ReadNetServiceNames();
  EXPECT_EQ(NetServiceNames().Names(), Names{"LATER"});
}

TEST_F(NetServiceNamesTest, ListStaysEmptyWhenTheClientCannotBeLoaded) {
  const std::string admin = environment.Folder().MakeFolder("admin");
  environment.Folder().WriteFile("admin/tnsnames.ora", "PROD = (x)\n");
  ScopedEnvironmentVariable tnsAdmin("TNS_ADMIN", admin);
  EXPECT_THROW(TnsNamesPath(), Exception) << "no home and no forced library";
  EXPECT_EQ(NetServiceNames().Names(), Names{});
  SetProgramArguments({"client-test", std::string("OCIDLL=") + VEK_FAKE_V8});
  EXPECT_EQ(NetServiceNames().Names(), Names{}) << "the list is not read again";
}

}  // namespace
}  // namespace vek
