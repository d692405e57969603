// Loading, binding and initialising the client library, with stand-in libraries that export
// chosen subsets of the entry points and record which initialisation entry they saw.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "client/ClientLibrary.h"
#include "client/OracleCallTable.h"
#include "platform/Exception.h"
#include "tests/client/ClientTestEnvironment.h"

namespace vek {
namespace {

using testing::ClientTestEnvironment;

std::string InitializationMessage() {
  try {
    InitializeClient();
  } catch (const Exception& error) {
    return error.what();
  }
  ADD_FAILURE() << "InitializeClient succeeded where it should have failed";
  return {};
}

void ForceLibrary(const std::string& path) {
  SetProgramArguments({"client-test", "OCIDLL=" + path});
}

struct FamilyCase {
  const char* description;
  std::string library;
  bool hasOCI7, hasOCI8, useOCI8, hasOCI81;
  std::string recorded;
};

TEST(ClientLibrary, FamiliesAndInitialisationFollowTheExportedNames) {
  const std::vector<FamilyCase> cases = {
      {"all v7 names, v8 lacking OCICacheFlush", VEK_FAKE_V7_PARTIAL_V8, true, false, false, false,
       "opinit 0\n"},
      {"complete v8 without OCIEnvCreate", VEK_FAKE_V8, false, true, true, false,
       "OCIInitialize 3\n"},
      {"v8 with OCIEnvCreate", VEK_FAKE_V81, false, true, true, true, ""},
      {"both families", VEK_FAKE_BOTH, true, true, true, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    ClientTestEnvironment environment;
    ForceLibrary(c.library);
    ASSERT_NO_THROW(InitializeClient());
    EXPECT_TRUE(ClientLibraryLoaded());
    EXPECT_EQ(HasOCI7(), c.hasOCI7);
    EXPECT_EQ(HasOLog(), c.hasOCI7);
    EXPECT_EQ(HasOPInit(), c.hasOCI7);
    EXPECT_EQ(HasOCI8(), c.hasOCI8);
    EXPECT_EQ(UseOCI8(), c.useOCI8);
    EXPECT_EQ(HasOCI81(), c.hasOCI81);
    EXPECT_EQ(HasErrorPosition(), c.hasOCI8);
    EXPECT_EQ(environment.Recorded(), c.recorded);
    EXPECT_EQ(OracleCalls.oerhms != nullptr, c.hasOCI7);
    EXPECT_EQ(OracleCalls.OCIEnvCreate != nullptr, c.hasOCI81);
  }
}

TEST(ClientLibrary, MissingNameLeavesTheFamilysLaterSlotsEmpty) {
  ClientTestEnvironment environment;
  ForceLibrary(VEK_FAKE_V7_PARTIAL_V8);
  InitializeClient();
  EXPECT_NE(OracleCalls.OCIInitialize, nullptr) << "bound before the missing name";
  EXPECT_NE(OracleCalls.OCITableDelete, nullptr);
  EXPECT_EQ(OracleCalls.OCICacheFlush, nullptr);
  EXPECT_EQ(OracleCalls.ociepgoe, nullptr)
      << "a later family is not looked up once v8 is incomplete";
}

TEST(ClientLibrary, DisableOCI8KeepsAFullLibraryOnTheVersion7Interface) {
  ClientTestEnvironment environment;
  SetDisableOCI8(true);
  ForceLibrary(VEK_FAKE_BOTH);
  InitializeClient();
  EXPECT_TRUE(HasOCI8());
  EXPECT_FALSE(UseOCI8());
  EXPECT_EQ(environment.Recorded(), "opinit 0\n");
  UnloadClientLibrary();
  EXPECT_TRUE(DisableOCI8()) << "an unload keeps the host's switch";
}

TEST(ClientLibrary, SecondInitializeChangesNothing) {
  ClientTestEnvironment environment;
  ForceLibrary(VEK_FAKE_V8);
  InitializeClient();
  InitializeClient();
  EXPECT_EQ(environment.Recorded(), "OCIInitialize 3\n");
  EXPECT_EQ(ClientSearchLog(), std::string("OCIDLL forced to ") + VEK_FAKE_V8);
}

TEST(ClientLibrary, LibraryFoundInTheHomeIsLoaded) {
  ClientTestEnvironment environment;
  const std::string home = environment.Folder().MakeFolder("home");
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE", "ORACLE_HOME", home);
  SetClientLibraryLayout(TClientLibraryLayout::clUnix);
  const std::string library =
      environment.Folder().CopyFile(VEK_FAKE_V8, "home/lib/libclntsh.so.19.1");
  InitializeClient();
  EXPECT_EQ(OCIDLL(), library);
  EXPECT_TRUE(UseOCI8());
  UnloadClientLibrary();
  EXPECT_EQ(OCIDLL(), "") << "a library found by the search is searched anew after an unload";
}

TEST(ClientLibrary, ForcedLibrarySurvivesAnUnload) {
  ClientTestEnvironment environment;
  ForceLibrary(VEK_FAKE_V8);
  InitializeClient();
  UnloadClientLibrary();
  EXPECT_EQ(OCIDLL(), VEK_FAKE_V8);
  EXPECT_FALSE(ClientLibraryLoaded());
  EXPECT_FALSE(HasOCI8());
  EXPECT_FALSE(UseOCI8());
  EXPECT_EQ(OracleHomeKey(), "");
}

TEST(ClientLibrary, LibraryWithNeitherFamilyIsReportedAndFreed) {
  ClientTestEnvironment environment;
  ForceLibrary(VEK_FAKE_NEITHER);
  const std::string path = VEK_FAKE_NEITHER;
  EXPECT_EQ(InitializationMessage(), "Initialization error\r\nCould not initialize \"" + path +
                                         "\"\r\n\r\nOCIDLL forced to " + path);
  EXPECT_FALSE(ClientLibraryLoaded());
  EXPECT_FALSE(HasOCI7());
  EXPECT_FALSE(HasOCI8());
}

TEST(ClientLibrary, MissingForcedFileReportsTheLoadersReason) {
  ClientTestEnvironment environment;
  const std::string path = environment.Folder().PathOf("absent/libclntsh.so");
  ForceLibrary(path);
  const std::string message = InitializationMessage();
  const std::string expectedStart = "Initialization error\r\nCould not load \"" + path +
                                    "\"\r\n\r\nOCIDLL forced to " + path + "\r\nLoadLibrary(" +
                                    path + ") returned 0\r\n";
  ASSERT_EQ(message.substr(0, expectedStart.size()), expectedStart) << message;
  const std::string reason = message.substr(expectedStart.size());
  EXPECT_FALSE(reason.empty()) << "the loader's own reason follows the LoadLibrary line";
  EXPECT_EQ(reason.find("\r\n"), std::string::npos) << "the reason is one line";
  if (!kIsWindows) {
    EXPECT_NE(reason.find("No such file"), std::string::npos) << reason;
  }
}

TEST(ClientLibrary, FileThatIsNoLibraryReportsTheLoadersReason) {
  ClientTestEnvironment environment;
  const std::string path =
      environment.Folder().WriteFile("client/libclntsh.so", "plain text, no code\n");
  ForceLibrary(path);
  const std::string folder = CurrentDirectory();
  const std::string message = InitializationMessage();
  EXPECT_NE(message.find("\r\nLoadLibrary(" + path + ") returned 0\r\n"), std::string::npos)
      << message;
  EXPECT_NE(message.find(path, message.find(") returned 0\r\n")), std::string::npos)
      << "the loader names the file it refused: " << message;
  EXPECT_EQ(CurrentDirectory(), folder) << "a failed load puts the working folder back";
  EXPECT_EQ(SavedCurrentDirectoryForTesting(), "");
}

TEST(ClientLibrary, NoHomeIsReportedAsNotInstalled) {
  ClientTestEnvironment environment;
  EXPECT_EQ(InitializationMessage(),
            "Initialization error\r\nSQL*Net not properly installed\r\n\r\n"
            "OracleHomeKey: SOFTWARE\\ORACLE\r\nOracleHomeDir: ");
  EXPECT_EQ(OCIDLL(), "");
}

TEST(ClientLibrary, HomeWithoutLibraryIsReportedAsNotLocated) {
  ClientTestEnvironment environment;
  const std::string home = environment.Folder().MakeFolder("home");
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE", "ORACLE_HOME", home);
  EXPECT_EQ(InitializationMessage(),
            "Initialization error\r\nCould not locate OCI dll\r\n\r\n"
            "OracleHomeKey: SOFTWARE\\ORACLE\r\nOracleHomeDir: " +
                home);
}

TEST(ClientLibrary, FailedLoadSearchesAgainOnTheNextCall) {
  ClientTestEnvironment environment;
  const std::string home = environment.Folder().MakeFolder("home");
  environment.LocalMachine().WriteValue("SOFTWARE\\ORACLE", "ORACLE_HOME", home);
  SetClientLibraryLayout(TClientLibraryLayout::clUnix);
  EXPECT_THROW(InitializeClient(), Exception);
  environment.Folder().CopyFile(VEK_FAKE_V81, "home/lib/libclntsh.so");
  EXPECT_NO_THROW(InitializeClient());
  EXPECT_TRUE(HasOCI81());
}

TEST(ClientLibrary, SecondAttemptFromTheLibrarysFolderIsUndoneByRestore) {
  // A relative OCIDLL that only resolves from its own folder: the first load fails, the
  // second, made from that folder, succeeds.
  ClientTestEnvironment environment;
  const std::string start = environment.Folder().MakeFolder("start");
  environment.Folder().MakeFolder("start/lib");
  environment.Folder().CopyFile(VEK_FAKE_V8, "start/lib/lib/libclntsh.so");
  ASSERT_TRUE(ChangeCurrentDirectory(start));
  ForceLibrary("lib/libclntsh.so");
  InitializeClient();
  EXPECT_TRUE(SameFolder(CurrentDirectory(), environment.Folder().PathOf("start/lib")));
  EXPECT_TRUE(SameFolder(SavedCurrentDirectoryForTesting(), start));
  RestoreCurrentDirectory();
  EXPECT_TRUE(SameFolder(CurrentDirectory(), start));
  EXPECT_EQ(SavedCurrentDirectoryForTesting(), "");
}

TEST(ClientLibrary, RestoreLeavesAFolderTheHostChoseSince) {
  ClientTestEnvironment environment;
  const std::string start = environment.Folder().MakeFolder("start");
  environment.Folder().MakeFolder("start/lib");
  const std::string elsewhere = environment.Folder().MakeFolder("elsewhere");
  environment.Folder().CopyFile(VEK_FAKE_V8, "start/lib/lib/libclntsh.so");
  ASSERT_TRUE(ChangeCurrentDirectory(start));
  ForceLibrary("lib/libclntsh.so");
  InitializeClient();
  ASSERT_TRUE(ChangeCurrentDirectory(elsewhere));
  RestoreCurrentDirectory();
  EXPECT_TRUE(SameFolder(CurrentDirectory(), elsewhere));
  EXPECT_EQ(SavedCurrentDirectoryForTesting(), "");
}

int shutdownSteps = 0;

TEST(ClientLibrary, ShutdownRunsTheSessionStepIgnoringErrorsThenUnloads) {
  ClientTestEnvironment environment;
  ForceLibrary(VEK_FAKE_V8);
  InitializeClient();
  shutdownSteps = 0;
  SetSessionShutdownStep([] {
    ++shutdownSteps;
    throw std::runtime_error("logoff failed");
  });
  EXPECT_NO_THROW(ShutDownClient());
  EXPECT_EQ(shutdownSteps, 1);
  EXPECT_FALSE(ClientLibraryLoaded());
  EXPECT_FALSE(UseOCI8());
}

TEST(ClientLibrary, ProgramEndLogsSessionsOffThenUnloads) {
  ClientTestEnvironment environment;
  ForceLibrary(VEK_FAKE_V8);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // A process of its own whose normal end runs the registered shutdown.
    InitializeClient();
    SetSessionShutdownStep([] {
      std::ofstream(GetEnvironmentVariable(VEK_FAKE_RECORD_VARIABLE), std::ios::app)
          << "sessions logged off\n";
    });
    std::exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(environment.Recorded(), "OCIInitialize 3\nsessions logged off\n");
}

}  // namespace
}  // namespace vek
