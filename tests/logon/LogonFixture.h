// The logon tests' fixture: a devdb process of its own, the substitute client library loaded
// as the program loads it (OCIDLL), users made for each case, an empty process-wide history,
// the English texts, and the recording UI hooks; everything put back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "logon/HistoryItems.h"
#include "logon/ZqaNLS.h"
#include "platform/ProgramArguments.h"
#include "tests/access/DevdbServer.h"
#include "tests/client/ClientTestEnvironment.h"
#include "tests/logon/ScriptedLogonWindows.h"

namespace vek::testing {

inline void ResetLogonHistory() {
  THistoryItems& history = LogonHistory();
  history.Clear();
  history.Size = 0;
  history.WithPassword = false;
}

class LogonFixture : public ::testing::Test {
 protected:
  LogonFixture() {
    SetArguments({});
    ResetLogonHistory();
    RestoreEnglishTexts();
  }
  ~LogonFixture() override {
    sessions_.clear();
    ResetLogonHistory();
    RestoreEnglishTexts();
  }

  // Program arguments after the library's: {"UserId=..."} and the like.
  static void SetArguments(const std::vector<std::string>& more) {
    std::vector<std::string> arguments = {"logon-test", "OCIDLL=" VEK_DEVDB_CLNTSH};
    arguments.insert(arguments.end(), more.begin(), more.end());
    SetProgramArguments(arguments);
  }

  std::string Database() const { return server_.Database(); }
  std::string LogonString(const std::string& user, const std::string& password) const {
    return user + "/" + password + "@" + Database();
  }

  // A session with these logon values, not logged on.
  TOracleSession& NewSession(const std::string& user = {}, const std::string& password = {},
                             const std::string& database = {}) {
    sessions_.push_back(std::make_unique<TOracleSession>());
    TOracleSession& session = *sessions_.back();
    session.Cursor = crDefault;
    session.SetLogonUsername(user);
    session.SetLogonPassword(password);
    session.SetLogonDatabase(database);
    return session;
  }

  // Runs statements as SYSTEM, for instance "alter user x password expire".
  void AsAdmin(const std::vector<std::string>& statements) {
    TOracleSession admin;
    admin.Cursor = crDefault;
    admin.SetLogonUsername("system");
    admin.SetLogonPassword("manager");
    admin.SetLogonDatabase(Database());
    admin.LogOn();
    for (const std::string& sql : statements) {
      TOracleQuery query;
      query.SetSession(&admin);
      query.SQL = {sql};
      query.Execute();
    }
    admin.LogOff();
  }
  void CreateUser(const std::string& user, const std::string& password) {
    AsAdmin(
        {"create user " + user + " identified by " + password, "grant create session to " + user});
  }

  // True when a fresh session logs on with these values.
  bool CanLogOn(const std::string& user, const std::string& password) {
    TOracleSession probe;
    probe.Cursor = crDefault;
    probe.SetLogonUsername(user);
    probe.SetLogonPassword(password);
    probe.SetLogonDatabase(Database());
    try {
      probe.LogOn();
    } catch (const std::exception&) {
      return false;
    }
    return probe.Connected();
  }

  static std::string UserOf(TOracleSession& session) {
    TOracleQuery query;
    query.SetSession(&session);
    query.SQL = {"select user from dual"};
    query.Execute();
    return query.Eof() ? std::string("<no row>") : query.FieldAsString(0);
  }

  ClientTestEnvironment& Environment() { return environment_; }

 private:
  ClientTestEnvironment environment_;
  DevdbServer server_;
  std::vector<std::unique_ptr<TOracleSession>> sessions_;
};

}  // namespace vek::testing
