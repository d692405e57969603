// What the PL/SQL engine keeps for one database session: its package state, its DBMS_PIPE
// buffer, DBMS_OUTPUT lines, application info, alert registrations and the alert signals
// waiting for its transaction to commit. The SQL engine's session owns one and calls the
// hooks (OnCommit, OnRollback, OnSessionEnd, Interrupt) at the matching moments.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devdb/plsql/OutputBuffer.h"
#include "devdb/plsql/PipeBuffer.h"
#include "devdb/plsql/VariableScope.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::plsql {

class ProceduralEngine;

struct SessionIdentity {
  std::string user;  // upper case, as USER returns it
  int sid = 0;
  int serial = 0;
};

struct ApplicationInfo {
  std::string clientInfo;
  std::string module;
  std::string action;
};

// One transaction: the main one of the session, or one of an autonomous subprogram.
struct TransactionContext {
  sql::Session* session = nullptr;
  std::vector<std::pair<std::string, std::optional<std::string>>> pendingSignals;
  bool hasChanges = false;  // DML or signals not yet committed
  bool hasWrites = false;   // DML not yet committed
};

class ProceduralSession {
 public:
  // Opens another engine session of the same user, for an autonomous transaction.
  using SessionOpener = std::function<std::unique_ptr<sql::Session>()>;
  // Told whenever the application info changes, so that V$SESSION can show it at once.
  using ApplicationInfoListener = std::function<void(const ApplicationInfo&)>;

  ProceduralSession(ProceduralEngine& engine, sql::Session& session, SessionIdentity identity,
                    SessionOpener openAutonomousSession);
  ~ProceduralSession();
  ProceduralSession(const ProceduralSession&) = delete;
  ProceduralSession& operator=(const ProceduralSession&) = delete;

  // Hooks for the SQL engine.
  void OnCommit();      // the main transaction committed: its alert signals take effect
  void OnRollback();    // the main transaction rolled back: its alert signals vanish
  void OnSessionEnd();  // alert registrations, pipe buffer and package state go
  // Ends a wait or a running block of this session with ORA-<errorCode> (28 kill, 1013 break,
  // 1089 shutdown). A kill stays in force; other codes end only the call in progress.
  void Interrupt(int errorCode);

  ApplicationInfo Application() const;
  void SetApplicationInfoListener(ApplicationInfoListener listener);
  void SetClientInfo(const std::string& text);
  void SetModule(const std::string& module, const std::string& action);
  void SetAction(const std::string& action);

  const SessionIdentity& Identity() const { return identity_; }
  std::uint64_t Key() const { return key_; }
  // Twelve upper-case hex digits, the same on every call, unique among connected sessions.
  std::string UniqueSessionId() const;

  ProceduralEngine& Engine() { return engine_; }
  TransactionContext& MainTransaction() { return main_; }
  PipeBuffer& Pipe() { return pipeBuffer_; }
  OutputBuffer& Output() { return output_; }
  std::map<std::string, std::unique_ptr<PackageInstance>>& Packages() { return packages_; }

  // Commits or rolls back one transaction, delivering or dropping its alert signals.
  void Commit(TransactionContext& transaction);
  void Rollback(TransactionContext& transaction);
  // An engine session for an autonomous transaction, and its return after use.
  std::unique_ptr<sql::Session> AcquireAutonomousSession();
  void ReleaseAutonomousSession(std::unique_ptr<sql::Session> session);

  // Throws the pending interrupt, if any; called under the wait room's lock and between
  // statements.
  void ThrowIfInterrupted();
  // Called at the start of each client call: forgets a break that came between calls.
  void BeginCall();

 private:
  ProceduralEngine& engine_;
  sql::Session& session_;
  SessionIdentity identity_;
  SessionOpener openAutonomousSession_;
  std::uint64_t key_;
  TransactionContext main_;
  PipeBuffer pipeBuffer_;
  OutputBuffer output_;
  std::map<std::string, std::unique_ptr<PackageInstance>> packages_;
  std::vector<std::unique_ptr<sql::Session>> spareSessions_;

  std::atomic<int> interruptCode_{0};
  bool ended_ = false;

  mutable std::mutex applicationMutex_;
  ApplicationInfo application_;
  ApplicationInfoListener applicationListener_;
};

}  // namespace devdb::plsql
