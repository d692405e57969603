// The end-to-end fixture of the access layer: a devdb process of its own, the substitute
// client library loaded exactly as the program loads it (the OCIDLL program argument), and
// sessions logged on to that server. Parameterised over the client modes: the full library on
// the version-8 interface, the full library with UseOCI7, and the libraries that offer only
// one of the two families.
#pragma once

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "platform/ProgramArguments.h"
#include "tests/access/DevdbServer.h"
#include "tests/access/Statements.h"
#include "tests/client/ClientTestEnvironment.h"

namespace vek::testing {

enum class ClientMode { Version8, Version7Preferred, Version7Library, Version8Library };

inline std::string ModeName(const ::testing::TestParamInfo<ClientMode>& info) {
  switch (info.param) {
    case ClientMode::Version8: return "Version8";
    case ClientMode::Version7Preferred: return "UseOCI7";
    case ClientMode::Version7Library: return "Version7Library";
    case ClientMode::Version8Library: return "Version8Library";
  }
  return "Unknown";
}

inline std::string LibraryOf(ClientMode mode) {
  switch (mode) {
    case ClientMode::Version7Library: return VEK_DEVDB_CLNTSH_V7;
    case ClientMode::Version8Library: return VEK_DEVDB_CLNTSH_V8;
    default: return VEK_DEVDB_CLNTSH;
  }
}

inline bool ExpectsVersion8(ClientMode mode) {
  return mode == ClientMode::Version8 || mode == ClientMode::Version8Library;
}

inline std::string OperatingSystemUser() {
  if (const passwd* entry = getpwuid(geteuid())) return entry->pw_name;
  return "tester";
}

class AccessTest : public ::testing::TestWithParam<ClientMode> {
 protected:
  explicit AccessTest(std::vector<std::string> serverArguments = {}) : server_(serverArguments) {
    SetProgramArguments({"access-test", "OCIDLL=" + LibraryOf(GetParam())});
  }
  ~AccessTest() override { sessions_.clear(); }

  ClientMode Mode() const { return GetParam(); }

  // A session with the logon values set (not logged on); Cursor 0 leaves the cursor alone.
  TOracleSession& NewSession(const std::string& user = "system",
                             const std::string& password = "manager") {
    auto session = std::make_unique<TOracleSession>();
    session->SetLogonUsername(user);
    session->SetLogonPassword(password);
    session->SetLogonDatabase(server_.Database());
    session->Preferences().SetUseOCI7(Mode() == ClientMode::Version7Preferred);
    sessions_.push_back(std::move(session));
    return *sessions_.back();
  }
  TOracleSession& LoggedOn(const std::string& user = "system",
                           const std::string& password = "manager") {
    TOracleSession& session = NewSession(user, password);
    session.LogOn();
    return session;
  }
  static void Run(TOracleSession& session, const std::string& sql) {
    RunStatement(session, sql);
  }
  static std::string One(TOracleSession& session, const std::string& sql) {
    return FirstValue(session, sql);
  }

  const DevdbServer& Server() const { return server_; }

 private:
  ClientTestEnvironment environment_;
  DevdbServer server_;
  std::vector<std::unique_ptr<TOracleSession>> sessions_;
};

#define VEK_ALL_CLIENT_MODES                                                   \
  ::testing::Values(ClientMode::Version8, ClientMode::Version7Preferred,       \
                    ClientMode::Version7Library, ClientMode::Version8Library), \
      ModeName

}  // namespace vek::testing
