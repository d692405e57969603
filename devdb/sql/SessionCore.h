// One logged-on session's engine side: its own SQLite connection (and so its own
// transaction), its state, the commands that are not plain queries or DML, and the
// interrupt machinery that lets break and kill end a call running on another thread.
// Shared by the session object and its statements, so that whichever goes last closes it.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "devdb/sql/Catalogue.h"
#include "devdb/sql/EngineShared.h"
#include "devdb/sql/LogonService.h"
#include "devdb/sql/OpenCursor.h"
#include "devdb/sql/ProceduralSessionLink.h"
#include "devdb/sql/SessionState.h"
#include "devdb/sql/SqlTranslator.h"
#include "devdb/sql/SqliteConnection.h"

namespace devdb::sql {

class SessionCore : public std::enable_shared_from_this<SessionCore> {
 public:
  explicit SessionCore(std::shared_ptr<EngineShared> shared);
  ~SessionCore();
  SessionCore(const SessionCore&) = delete;
  SessionCore& operator=(const SessionCore&) = delete;

  // Holds the session for one call: one call at a time, a killed session refuses every
  // call with ORA-00028, and a break that came in during the call is forgotten after it.
  class CallScope {
   public:
    explicit CallScope(SessionCore& core);
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

   private:
    SessionCore& core_;
    std::unique_lock<std::mutex> lock_;
    // A stored function called by the running statement runs its own SQL on this session
    // from the calling thread: such a call is part of the call in progress and neither takes
    // the lock again (it would wait for itself) nor ends the call's interrupt state.
    bool nested_ = false;
  };

  void Start(const LogonDecision& decision, const LogonRequest& request, int sid, int serial,
             std::int64_t audsid);
  Catalogue& Dictionary() { return catalogue_; }
  SessionState& State() { return state_; }
  sqlite3* Handle() const { return connection_->Handle(); }
  const EngineOptions& Options() const { return shared_->Options(); }
  // Held by every use of the connection, also by a statement's destruction, because a kill
  // may roll back an idle session from another thread.
  std::mutex& CallMutex() { return callMutex_; }
  // The call lock for cleaning up outside a call scope; not taken again by the thread whose
  // call is running (a statement of a stored function ending inside the calling statement).
  std::unique_lock<std::mutex> LockUnlessCalling();
  // Inside a stored function called from a query, DML is refused with ORA-14551; inside one
  // called from any statement, commit, rollback and DDL are refused with ORA-14552.
  void RefuseWriteInQuery() const;
  void RefuseTransactionControlInSql() const;

  TranslatedStatement Translate(const std::string& sql);
  // Steps a statement; throws the Oracle error for a failure (interrupts, constraint
  // violations with Oracle's names, errors raised by the ora_ functions).
  bool Step(sqlite3_stmt* statement, StatementKind kind, const std::string& columnPrefix);
  // Takes the database's write lock unless the transaction has it; with noWait a lock held
  // by another session fails at once with ORA-00054 instead of waiting.
  void BeginWrite(bool noWait = false);
  void CommitWork();
  // Selects with rows left, so that a write transaction can take them out of its way.
  void RegisterCursor(OpenCursor* cursor);
  void UnregisterCursor(OpenCursor* cursor);
  void RollbackWork();
  void RefreshSessions();
  // Everything but SELECT and DML.
  ExecuteResult ExecuteCommand(const TranslatedStatement& statement);
  void ChangePassword(const std::string& user, const std::string& oldPassword,
                      const std::string& newPassword);
  void Interrupt(int errorCode);
  SessionRow Describe() const;
  // The session object is going away: its uncommitted work goes with it.
  void Abandon();
  // The session's PL/SQL state, told of every commit and rollback; nullptr for none.
  void SetProceduralLink(ProceduralSessionLink* procedural);
  // For an internal session: the logged-on session it works for, on whose thread it runs
  // (an autonomous transaction). Set before the first call.
  void SetOwner(std::weak_ptr<SessionCore> owner) { owner_ = std::move(owner); }
  // Stored code of this owner prepares its SQL from now on (empty: the session's own user).
  void SetDefiner(const std::string& owner);

 private:
  static int BusyWait(void* core, int attempts);
  static int Progress(void* core);
  static void CallStoredFunction(sqlite3_context* context, int count, sqlite3_value** values);
  SqlError MapError(int rc, StatementKind kind, const std::string& columnPrefix);
  void RunSql(const std::string& sql);
  void RunDdl(const std::function<void()>& work);
  void DiscardAfterKill();
  bool IsDba();
  void RequireDba();
  void ApplySetting(const std::string& name, const std::string& value);
  void CreateTable(const TableSpec& table);
  void CreateUniqueIndex(const std::string& owner, const std::string& name,
                         const std::string& table, const std::vector<std::string>& columns,
                         bool unique);
  void DropTable(const std::string& owner, const std::string& name);
  void CreateUser(const UserSpec& user);
  void AlterUser(const UserSpec& user);
  void DropUser(const DropSpec& drop);
  void GrantOrRevoke(const GrantSpec& grant, bool isGrant);

  std::shared_ptr<EngineShared> shared_;
  SessionState state_;
  std::unique_ptr<SqliteConnection> connection_;
  Catalogue catalogue_;
  std::mutex callMutex_;
  std::atomic<std::thread::id> callOwner_{};
  std::atomic<int> pendingInterrupt_{0};
  std::atomic<bool> killed_{false};
  bool discarded_ = false;   // guarded by callMutex_
  bool discarding_ = false;  // guarded by callMutex_: the rollback after a kill must run
  bool noWait_ = false;      // guarded by callMutex_: SELECT ... FOR UPDATE NOWAIT
  std::vector<OpenCursor*> openCursors_;  // guarded by callMutex_
  ProceduralSessionLink* procedural_ = nullptr;  // guarded by callMutex_
  std::weak_ptr<SessionCore> owner_;
  std::string callerSchema_;  // the session's current schema while a definer's is in force
  bool waitedForOwner_ = false;  // the last busy wait would have waited for owner_
  // On the calling thread only: the kinds of the statements being stepped, innermost last,
  // and how many stored functions called from SQL (from a query) are running.
  std::vector<StatementKind> stepping_;
  int functionDepth_ = 0;
  int queryFunctionDepth_ = 0;
};

}  // namespace devdb::sql
