// A database opened on a fresh temporary folder with a session directory of the test's
// own, and helpers to log on and run statements. Removes its folder afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "devdb/sql/SqlEngine.h"

namespace devdb::sql::testing {

// Stands in for the network server: keeps the logged-on sessions and kills on request.
class TestDirectory : public SessionDirectory {
 public:
  void Add(Session* session) {
    std::lock_guard lock(mutex_);
    sessions_.push_back(session);
  }
  void Remove(Session* session) {
    std::lock_guard lock(mutex_);
    std::erase(sessions_, session);
  }
  std::vector<SessionRow> Sessions() override {
    std::lock_guard lock(mutex_);
    std::vector<SessionRow> rows;
    for (Session* session : sessions_) rows.push_back(session->Describe());
    return rows;
  }
  void KillSession(int sid, int serial) override {
    std::lock_guard lock(mutex_);
    for (Session* session : sessions_) {
      const SessionRow row = session->Describe();
      if (row.sid == sid && row.serial == serial) {
        session->Interrupt(28);
        return;
      }
    }
    throw SqlError(30, "ORA-00030: User session ID does not exist.");
  }

 private:
  std::mutex mutex_;
  std::vector<Session*> sessions_;
};

// A logged-on session that leaves the directory when it goes.
struct Connected {
  Connected(TestDirectory& directory, Database::LogonOutcome outcome)
      : directory(directory), outcome(std::move(outcome)) {
    directory.Add(this->outcome.session.get());
  }
  ~Connected() { directory.Remove(outcome.session.get()); }
  Session& operator*() { return *outcome.session; }
  Session* operator->() { return outcome.session.get(); }
  TestDirectory& directory;
  Database::LogonOutcome outcome;
};

class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("devdb-sql-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
    std::filesystem::remove_all(folder_);
    options_.dataFolder = folder_.string();
    options_.sysPassword = "manager";
    Reopen();
  }
  void TearDown() override {
    sessions_.clear();
    database_.reset();
    std::filesystem::remove_all(folder_);
  }
  void Reopen() {
    sessions_.clear();
    database_.reset();
    database_ = Database::Open(options_, directory_);
  }

  Session& LogOn(const std::string& user, const std::string& password,
                 ConnectMode mode = ConnectMode::Normal) {
    LogonRequest request;
    request.user = user;
    request.password = password;
    request.mode = mode;
    request.osUser = "tester";
    request.machine = "testhost";
    request.program = "engine_tests";
    const int sid = ++nextSid_;
    sessions_.push_back(std::make_unique<Connected>(
        directory_, database_->LogOn(request, sid, 1, 1000 + sid)));
    return **sessions_.back();
  }
  Session& System() { return LogOn("system", "manager"); }

  // Runs a statement without binds; for a select, fetches every row.
  static std::vector<std::vector<Value>> Run(Session& session, const std::string& sql,
                                             const std::vector<Bind>& binds = {}) {
    auto statement = session.Prepare(sql);
    statement->Execute(binds, 1, 0, false);
    if (statement->Info().statementType != 1) return {};
    std::vector<std::vector<Value>> rows;
    while (true) {
      auto batch = statement->Fetch(100);
      if (batch.empty()) break;
      for (auto& row : batch) rows.push_back(std::move(row));
    }
    return rows;
  }
  // The single value of a one-row, one-column select.
  static Value One(Session& session, const std::string& sql, const std::vector<Bind>& binds = {}) {
    const auto rows = Run(session, sql, binds);
    EXPECT_EQ(rows.size(), 1u) << sql;
    if (rows.empty() || rows[0].empty()) return Value::Null();
    return rows[0][0];
  }
  static std::string Text(const Value& value) {
    return value.IsNull() ? std::string("<null>") : value.text;
  }
  // The error a statement raises (prepare or execute), or 0 and an empty text.
  static SqlError ErrorOf(Session& session, const std::string& sql) {
    try {
      Run(session, sql);
    } catch (const SqlError& error) {
      return error;
    }
    return SqlError(0, "");
  }

  EngineOptions options_;
  TestDirectory directory_;
  std::unique_ptr<Database> database_;
  std::vector<std::unique_ptr<Connected>> sessions_;
  std::filesystem::path folder_;
  int nextSid_ = 0;
  static inline int counter_ = 0;
};

}  // namespace devdb::sql::testing
