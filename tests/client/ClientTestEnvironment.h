// A clean client binding for one test: its own registry hives and record file in a temporary
// folder, no ORACLE_HOME, TNS_ADMIN or program arguments from the machine, the library
// unloaded and every preset emptied before and after.
#pragma once

#include <string>

#include "client/ClientLibrary.h"
#include "client/ClientLibraryLocation.h"
#include "platform/FileSystem.h"
#include "platform/ProgramArguments.h"
#include "platform/Registry.h"
#include "platform/RegistryFileStore.h"
#include "tests/client/FakeClientLibrary.h"
#include "tests/platform/TemporaryFolder.h"

namespace vek::testing {

inline void ResetClientState() {
  UnloadClientLibrary();
  RestoreCurrentDirectory();
  ResetClientSearchForTesting();
  SetDisableOCI8(false);
  SetClientLibraryLayout(kIsWindows ? TClientLibraryLayout::clWindows
                                    : TClientLibraryLayout::clUnix);
  SetSessionShutdownStep(nullptr);
}

class ClientTestEnvironment {
 public:
  ClientTestEnvironment()
      : registryDir_(kRegistryDirVariable, folder_.MakeFolder("registry")),
        oracleHome_("ORACLE_HOME", std::nullopt),
        tnsAdmin_("TNS_ADMIN", std::nullopt),
        path_("PATH", "/usr/bin:/bin"),
        record_(VEK_FAKE_RECORD_VARIABLE, folder_.PathOf("record.txt")),
        workingFolder_(CurrentDirectory()) {
    SetProgramArguments({"client-test"});
    ResetClientState();
  }
  ~ClientTestEnvironment() {
    ResetClientState();
    ChangeCurrentDirectory(workingFolder_);
    SetProgramArguments({"client-test"});
  }
  ClientTestEnvironment(const ClientTestEnvironment&) = delete;
  ClientTestEnvironment& operator=(const ClientTestEnvironment&) = delete;

  const TemporaryFolder& Folder() const { return folder_; }
  RegistryFileStore LocalMachine() const {
    return RegistryFileStore(RegistryStorePath(RegistryRoot::rrLocalMachine));
  }
  // The initialisation calls the stand-in library recorded, one per line.
  std::string Recorded() const { return folder_.ReadFile("record.txt"); }

 private:
  TemporaryFolder folder_;
  ScopedEnvironmentVariable registryDir_;
  ScopedEnvironmentVariable oracleHome_;
  ScopedEnvironmentVariable tnsAdmin_;
  ScopedEnvironmentVariable path_;
  ScopedEnvironmentVariable record_;
  std::string workingFolder_;
};

}  // namespace vek::testing
