// A real devdb engine on a fresh temporary folder with the PL/SQL engine beside it, wired as
// the server will wire them: a session directory that shows each session's application info
// in V$SESSION, a SYS session for the stored code catalogue, and autonomous transactions on a
// second logon of the same user. Removes its folder afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "devdb/plsql/BlockBind.h"
#include "devdb/plsql/ProceduralEngine.h"
#include "devdb/plsql/ProceduralSession.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::plsql::testing {

// Stands in for the network server's session registry.
class TestDirectory : public sql::SessionDirectory {
 public:
  void Add(sql::Session* session, ProceduralSession* procedural) {
    std::lock_guard lock(mutex_);
    sessions_[session] = procedural;
  }
  void Remove(sql::Session* session) {
    std::lock_guard lock(mutex_);
    sessions_.erase(session);
  }
  std::vector<sql::SessionRow> Sessions() override {
    std::lock_guard lock(mutex_);
    std::vector<sql::SessionRow> rows;
    for (auto [session, procedural] : sessions_) {
      sql::SessionRow row = session->Describe();
      if (procedural) {
        ApplicationInfo info = procedural->Application();
        row.clientInfo = info.clientInfo;
        row.module = info.module;
        row.action = info.action;
      }
      rows.push_back(row);
    }
    return rows;
  }
  void KillSession(int sid, int serial) override {
    std::lock_guard lock(mutex_);
    for (auto [session, procedural] : sessions_) {
      sql::SessionRow row = session->Describe();
      if (row.sid == sid && row.serial == serial) {
        session->Interrupt(28);
        if (procedural) procedural->Interrupt(28);
        return;
      }
    }
    throw sql::SqlError(30, "ORA-00030: User session ID does not exist.");
  }

 private:
  std::mutex mutex_;
  std::map<sql::Session*, ProceduralSession*> sessions_;
};

class PlsqlFixture;

// One logged-on database session with its PL/SQL state.
class Connection {
 public:
  Connection(PlsqlFixture& fixture, std::unique_ptr<sql::Session> session, std::string user,
             std::string password, int sid);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sql::Session& Sql() { return *session_; }
  ProceduralSession& Procedural() { return *procedural_; }

  // Runs a PL/SQL statement (or a SQL one through the engine) with the given binds, updated in
  // place. Returns the warning text of the execution.
  std::string Run(const std::string& text, std::vector<BlockBind>& binds);
  std::string Run(const std::string& text) {
    std::vector<BlockBind> none;
    return Run(text, none);
  }
  // The error a statement raises, or code 0.
  sql::SqlError ErrorOf(const std::string& text);
  // Rows of a SQL query.
  std::vector<std::vector<sql::Value>> Query(const std::string& text);
  void Commit();
  void Rollback();

 private:
  PlsqlFixture& fixture_;
  std::unique_ptr<sql::Session> session_;
  std::unique_ptr<ProceduralSession> procedural_;
};

class PlsqlFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Drops the PL/SQL engine and the database and opens them again on the same folder.
  void Restart();

 public:
  std::unique_ptr<Connection> Connect(const std::string& user, const std::string& password);
  std::unique_ptr<sql::Session> LogOnRaw(const std::string& user, const std::string& password,
                                         int sid);
  // Creates a user with the right to log on.
  void CreateUser(const std::string& user, const std::string& password);
  // What installing the monitor's package takes: its public synonym, and V$SESSION granted
  // directly, since the package's code runs with its owner's rights.
  void GrantPackageOwnerPrivileges(const std::string& user);
  // The text of the program's package resource, as the program carries it.
  static std::string PackageResource();

  ProceduralEngine& Engine() { return *engine_; }
  TestDirectory& Directory() { return directory_; }

 protected:
  TestDirectory directory_;
  std::unique_ptr<sql::Database> database_;
  std::unique_ptr<ProceduralEngine> engine_;
  std::filesystem::path folder_;
  int nextSid_ = 0;
  static inline int counter_ = 0;
};

// The PL/SQL engine attached to the SQL engine through the SQL engine's own hooks, as the server
// runs them: blocks and stored functions called from SQL go through sql::Session::Prepare on
// plain engine sessions, which V$SESSION shows as they describe themselves.
class AttachedPlsqlFixture : public PlsqlFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A plain engine session, kept (and listed in the directory) until the test ends.
  sql::Session& LogOn(const std::string& user, const std::string& password);
  static sql::ExecuteResult Run(sql::Session& session, const std::string& text,
                                const std::vector<sql::Bind>& binds = {});
  static sql::Bind Out(const std::string& name);
  static sql::Bind In(const std::string& name, sql::Value value);

  std::vector<std::unique_ptr<sql::Session>> sessions_;
};

// Binds for tests.
BlockBind InBind(const std::string& name, const sql::Value& value);
BlockBind OutBind(const std::string& name, std::optional<PlType> type = std::nullopt);
BlockBind TableBind(const std::string& name, int maxElements, std::vector<sql::Value> values = {});
std::string Text(const sql::Value& value);
sql::Value Number(double value);
// Runs a block that assigns :r and returns its text ("<null>" for NULL).
std::string Result(Connection& connection, const std::string& block);

}  // namespace devdb::plsql::testing
