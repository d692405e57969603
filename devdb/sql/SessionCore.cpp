// A session's transaction handling, its commands, and the way break and kill reach a
// call in progress: an atomic flag that the busy wait and the progress handler poll.
#include "devdb/sql/SessionCore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>

#include "devdb/sql/DateFormat.h"
#include "devdb/sql/NumberText.h"
#include "devdb/sql/OracleErrors.h"
#include "devdb/sql/OracleFunctions.h"
#include "devdb/sql/PasswordHash.h"
#include "devdb/sql/Privileges.h"
#include "devdb/sql/SqliteStatement.h"

namespace devdb::sql {
namespace {

std::string Quote(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Affinity(const ColumnDescription& column) {
  switch (column.oracleType) {
    case 2: return "NUMERIC";
    case 101: return "REAL";  // BINARY_DOUBLE
    case 23:
    case 24: return "BLOB";
    default: return "TEXT";
  }
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

SessionCore::SessionCore(std::shared_ptr<EngineShared> shared)
    : shared_(std::move(shared)),
      connection_(std::make_unique<SqliteConnection>(shared_->DatabasePath())),
      catalogue_(connection_->Handle()) {
  sqlite3* db = connection_->Handle();
  state_.bytesPerCharacter = shared_->Options().bytesPerCharacter;
  OracleFunctions::Register(db, state_);
  // Stored PL/SQL functions in SQL: ora_plsql('NAME.PARTS', 'argument kinds', arguments...).
  sqlite3_create_function_v2(db, "ora_plsql", -1, SQLITE_UTF8, this,
                             &SessionCore::CallStoredFunction, nullptr, nullptr, nullptr);
  connection_->Execute("PRAGMA case_sensitive_like = ON");
  Catalogue::PrepareConnection(db, shared_->Banner());
  sqlite3_busy_handler(db, &SessionCore::BusyWait, this);
  // A running statement looks at the interrupt flag every thousand steps of its program.
  // (sqlite3_interrupt would also stop statements of later calls while any cursor of the
  // session is open, which a break must not do.)
  sqlite3_progress_handler(db, 1000, &SessionCore::Progress, this);
}

SessionCore::~SessionCore() = default;

void SessionCore::Start(const LogonDecision& decision, const LogonRequest& request, int sid,
                        int serial, std::int64_t audsid) {
  state_.user = decision.sessionUser;
  state_.schema = decision.sessionUser;
  state_.userId = decision.sysdba ? 0 : decision.account.userId;
  if (decision.sessionUser == "SYS") {
    if (auto sys = catalogue_.FindUser("SYS")) state_.userId = sys->userId;
  }
  state_.sysdba = decision.sysdba;
  state_.sid = sid;
  state_.serial = serial;
  // The server numbers sessions for V$SESSION; USERENV('SESSIONID') must give the same.
  state_.audsid = audsid;
  state_.osUser = request.osUser;
  state_.machine = request.machine;
  state_.program = request.program;
  state_.logonTime = DateFormat::Now();
}

// --- calls and interrupts ------------------------------------------------------------------

SessionCore::CallScope::CallScope(SessionCore& core) : core_(core) {
  if (core_.callOwner_.load() == std::this_thread::get_id()) {
    nested_ = true;
    if (core_.killed_) throw OracleErrors::Make(texts::kSessionKilled);
    return;
  }
  lock_ = std::unique_lock(core_.callMutex_);
  if (core_.killed_) {
    core_.DiscardAfterKill();
    throw OracleErrors::Make(texts::kSessionKilled);
  }
  core_.pendingInterrupt_ = 0;  // a break aimed at an earlier call
  core_.callOwner_ = std::this_thread::get_id();
}

SessionCore::CallScope::~CallScope() {
  if (nested_) return;
  core_.callOwner_ = std::thread::id();
  if (core_.killed_) core_.DiscardAfterKill();
  else core_.pendingInterrupt_ = 0;
}

int SessionCore::BusyWait(void* core, int /*attempts*/) {
  // Another session holds the write lock: wait as Oracle waits on a row lock, until it
  // commits or rolls back, or until this call is broken or the session killed.
  auto* self = static_cast<SessionCore*>(core);
  if (self->pendingInterrupt_ != 0 || self->noWait_) return 0;
  // An autonomous transaction runs on the thread of the session it works for, which cannot
  // commit before it returns: waiting for that session's write lock would never end.
  if (auto owner = self->owner_.lock(); owner && owner->connection_->InTransaction()) {
    self->waitedForOwner_ = true;
    return 0;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return self->pendingInterrupt_ == 0 ? 1 : 0;
}

namespace {

// One argument of a stored function call, by the kind the translator saw for it: N number,
// D date, R raw, T anything else (text, or a bind of unknown kind).
Value ArgumentValue(sqlite3_value* value, char kind) {
  const int type = sqlite3_value_type(value);
  if (type == SQLITE_NULL) return Value::Null();
  auto text = [&] {
    const auto* data = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return std::string(data, static_cast<std::size_t>(sqlite3_value_bytes(value)));
  };
  switch (kind) {
    case 'N':
      if (type == SQLITE_INTEGER) return Value::Number(std::to_string(sqlite3_value_int64(value)));
      if (type == SQLITE_FLOAT) return Value::Number(NumberText::Canonical(sqlite3_value_double(value)));
      return Value::Text(text());  // the function's parameter converts it, or raises
    case 'D': {
      OracleDate date;
      if (type == SQLITE_TEXT && DateFormat::FromStorage(text(), date)) return Value::Date(date);
      return Value::Text(text());
    }
    case 'R': {
      const auto* data = static_cast<const std::uint8_t*>(sqlite3_value_blob(value));
      return Value::Raw(std::vector<std::uint8_t>(data, data + sqlite3_value_bytes(value)));
    }
    default:
      if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
        return Value::Text(NumberText::OracleDefault(sqlite3_value_double(value)));
      return Value::Text(text());
  }
}

void SetResult(sqlite3_context* context, const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null: sqlite3_result_null(context); return;
    case Value::Kind::Number: {
      const auto number = NumberText::Parse(value.text);
      if (!number) {
        sqlite3_result_error(context, OracleErrors::Make(texts::kInvalidNumber).what(), -1);
      } else if (*number == std::trunc(*number) && std::fabs(*number) < 9.0e15) {
        sqlite3_result_int64(context, static_cast<sqlite3_int64>(*number));
      } else {
        sqlite3_result_double(context, *number);
      }
      return;
    }
    case Value::Kind::Date: {
      const std::string text = DateFormat::ToStorage(value.date);
      sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      return;
    }
    case Value::Kind::Raw:
      if (value.bytes.empty()) sqlite3_result_null(context);
      else sqlite3_result_blob(context, value.bytes.data(), static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
      return;
    case Value::Kind::Text:
    case Value::Kind::Rowid:
      // Oracle has no empty strings.
      if (value.text.empty()) sqlite3_result_null(context);
      else sqlite3_result_text(context, value.text.data(), static_cast<int>(value.text.size()), SQLITE_TRANSIENT);
      return;
  }
}

}  // namespace

void SessionCore::CallStoredFunction(sqlite3_context* context, int count, sqlite3_value** values) {
  auto* self = static_cast<SessionCore*>(sqlite3_user_data(context));
  // Nothing may leave this function but a SQLite result: it runs inside sqlite3_step.
  try {
    if (count < 2) throw OracleErrors::Make(texts::kInvalidNumberOfArguments);
    const auto* nameText = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const auto* kindsText = reinterpret_cast<const char*>(sqlite3_value_text(values[1]));
    const std::string name = nameText ? nameText : "";
    const std::string kinds = kindsText ? kindsText : "";
    if (kinds.size() != static_cast<std::size_t>(count - 2))
      throw OracleErrors::Make(texts::kInvalidNumberOfArguments);
    std::vector<std::string> parts;
    for (std::size_t at = 0;;) {
      const std::size_t dot = name.find('.', at);
      parts.push_back(name.substr(at, dot == std::string::npos ? std::string::npos : dot - at));
      if (dot == std::string::npos) break;
      at = dot + 1;
    }
    std::vector<Value> arguments;
    for (int k = 2; k < count; ++k) arguments.push_back(ArgumentValue(values[k], kinds[static_cast<std::size_t>(k - 2)]));
    if (!self->procedural_) throw OracleErrors::Make(texts::kInvalidIdentifier, {Quote(name)});
    const bool fromQuery = !self->stepping_.empty() && self->stepping_.back() == StatementKind::Select;
    struct Depth {
      SessionCore& core;
      bool query;
      Depth(SessionCore& c, bool q) : core(c), query(q) {
        ++core.functionDepth_;
        if (query) ++core.queryFunctionDepth_;
      }
      ~Depth() {
        --core.functionDepth_;
        if (query) --core.queryFunctionDepth_;
      }
    } depth(*self, fromQuery);
    SetResult(context, self->procedural_->CallFunction(parts, arguments));
  } catch (const SqlError& error) {
    sqlite3_result_error(context, error.what(), -1);
  } catch (const std::exception& error) {
    sqlite3_result_error(context, OracleErrors::Make(texts::kInternalError, {error.what()}).what(),
                         -1);
  }
}

int SessionCore::Progress(void* core) {
  auto* self = static_cast<SessionCore*>(core);
  return self->pendingInterrupt_ != 0 && !self->discarding_ ? 1 : 0;
}

void SessionCore::Interrupt(int errorCode) {
  if (errorCode == texts::kSessionKilled.code) {
    killed_ = true;
    pendingInterrupt_ = texts::kSessionKilled.code;
    // An idle session gives up its transaction at once, so that it blocks nobody while
    // the server closes it. A call in progress does it itself when it ends.
    if (callOwner_.load() != std::this_thread::get_id()) {
      std::unique_lock lock(callMutex_, std::try_to_lock);
      if (lock.owns_lock()) DiscardAfterKill();
    }
    return;
  }
  if (callOwner_.load() == std::thread::id()) return;  // nothing running to break
  pendingInterrupt_ = errorCode;
}

void SessionCore::DiscardAfterKill() {
  if (discarded_) return;
  discarded_ = true;
  discarding_ = true;
  sqlite3* db = connection_->Handle();
  for (sqlite3_stmt* statement = sqlite3_next_stmt(db, nullptr); statement;
       statement = sqlite3_next_stmt(db, statement))
    sqlite3_reset(statement);
  if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  discarding_ = false;
}

void SessionCore::Abandon() {
  std::lock_guard lock(callMutex_);
  discarding_ = true;
  sqlite3* db = connection_->Handle();
  for (sqlite3_stmt* statement = sqlite3_next_stmt(db, nullptr); statement;
       statement = sqlite3_next_stmt(db, statement))
    sqlite3_reset(statement);
  if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  discarding_ = false;
}

SessionRow SessionCore::Describe() const {
  SessionRow row;
  row.sid = state_.sid;
  row.serial = state_.serial;
  row.audsid = state_.audsid;
  row.username = state_.user;
  row.status = killed_ ? "KILLED" : callOwner_.load() != std::thread::id() ? "ACTIVE" : "INACTIVE";
  row.osUser = state_.osUser;
  row.machine = state_.machine;
  row.program = state_.program;
  row.logonTime = state_.logonTime;
  std::lock_guard lock(state_.applicationMutex);
  row.schemaName = state_.schema;
  row.module = state_.module;
  row.action = state_.action;
  row.clientInfo = state_.clientInfo;
  return row;
}

// --- statements -------------------------------------------------------------------------------

std::unique_lock<std::mutex> SessionCore::LockUnlessCalling() {
  if (callOwner_.load() == std::this_thread::get_id()) return {};
  return std::unique_lock(callMutex_);
}

void SessionCore::RefuseWriteInQuery() const {
  if (queryFunctionDepth_ > 0) throw OracleErrors::Make(texts::kDmlInsideQuery);
}

void SessionCore::RefuseTransactionControlInSql() const {
  if (functionDepth_ > 0) throw OracleErrors::Make(texts::kDdlInsideQuery);
}

TranslatedStatement SessionCore::Translate(const std::string& sql) {
  SqlTranslator translator(catalogue_, state_,
                           [this](const std::vector<std::string>& nameParts)
                               -> std::optional<ColumnDescription> {
                             if (!procedural_) return std::nullopt;
                             return procedural_->DescribeFunction(nameParts);
                           });
  return translator.Translate(sql);
}

SqlError SessionCore::MapError(int rc, StatementKind kind, const std::string& columnPrefix) {
  sqlite3* db = connection_->Handle();
  const std::string message = sqlite3_errmsg(db);
  const int primary = rc & 0xff;
  if (primary == SQLITE_INTERRUPT || (primary == SQLITE_BUSY && pendingInterrupt_ != 0)) {
    return OracleErrors::Interrupted(pendingInterrupt_ != 0 ? pendingInterrupt_.load()
                                                            : texts::kUserCancel.code);
  }
  if (primary == SQLITE_BUSY && waitedForOwner_) {
    waitedForOwner_ = false;
    return OracleErrors::Make(texts::kDeadlock);
  }
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    return OracleErrors::Make(texts::kResourceBusy);
  // A prepared statement whose table another session dropped meanwhile.
  if (message.starts_with("no such table"))
    return OracleErrors::Make(texts::kTableOrViewDoesNotExist);
  if (message.starts_with("no such column: ")) {
    const std::string column = message.substr(message.rfind('.') == std::string::npos
                                                  ? 16 : message.rfind('.') + 1);
    return OracleErrors::Make(texts::kInvalidIdentifier, {Quote(column)});
  }
  if (rc == SQLITE_CONSTRAINT_NOTNULL) {
    // "NOT NULL constraint failed: OWNER.TABLE.COLUMN"
    const std::size_t last = message.rfind('.');
    const std::string column = last == std::string::npos ? message : message.substr(last + 1);
    return OracleErrors::Make(
        kind == StatementKind::Update ? texts::kCannotUpdateToNull : texts::kCannotInsertNull,
        {columnPrefix + Quote(column)});
  }
  if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
    // "UNIQUE constraint failed: OWNER.TABLE.A, OWNER.TABLE.B": find our index on them.
    std::string list = message.substr(message.find(':') + 2);
    std::set<std::string> columns;
    std::string owner, table;
    std::size_t at = 0;
    while (at < list.size()) {
      std::size_t comma = list.find(", ", at);
      if (comma == std::string::npos) comma = list.size();
      const std::string item = list.substr(at, comma - at);
      const std::size_t last = item.rfind('.');
      const std::string qualified = item.substr(0, last);
      const std::size_t dot = qualified.find('.');
      owner = qualified.substr(0, dot);
      table = dot == std::string::npos ? "" : qualified.substr(dot + 1);
      columns.insert(item.substr(last + 1));
      at = comma + 2;
    }
    std::string name = owner + ".SYS_C000000";
    for (const TableDefinition& index : catalogue_.IndexesOf(owner, table)) {
      std::set<std::string> indexed;
      for (const auto& column : index.columns) indexed.insert(column.name);
      if (indexed == columns) name = owner + "." + index.name;
    }
    return OracleErrors::Make(texts::kUniqueConstraintViolated, {name});
  }
  return OracleErrors::FromMessage(message);
}

bool SessionCore::Step(sqlite3_stmt* statement, StatementKind kind, const std::string& columnPrefix) {
  stepping_.push_back(kind);
  const int rc = sqlite3_step(statement);
  stepping_.pop_back();
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(statement);
  throw MapError(sqlite3_extended_errcode(connection_->Handle()), kind, columnPrefix);
}

void SessionCore::RunSql(const std::string& sql) {
  SqliteStatement statement(connection_->Handle(), sql);
  Step(statement.Handle(), StatementKind::Commit, "");
}

void SessionCore::RegisterCursor(OpenCursor* cursor) {
  if (std::find(openCursors_.begin(), openCursors_.end(), cursor) == openCursors_.end())
    openCursors_.push_back(cursor);
}

void SessionCore::UnregisterCursor(OpenCursor* cursor) { std::erase(openCursors_, cursor); }

void SessionCore::BeginWrite(bool noWait) {
  if (connection_->InTransaction()) return;
  noWait_ = noWait;
  sqlite3* db = connection_->Handle();
  int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  bool materialized = false;
  try {
    while (rc != SQLITE_OK) {
      if (rc == SQLITE_BUSY_SNAPSHOT && !openCursors_.empty() && !materialized) {
        // An open cursor reads an older state than the newest commit; SQLite cannot write
        // from there. The cursors read their remaining rows now, and the write starts afresh.
        const std::vector<OpenCursor*> cursors = openCursors_;
        for (OpenCursor* cursor : cursors) cursor->Materialize();
        materialized = true;
      } else if (rc == SQLITE_BUSY && sqlite3_txn_state(db, nullptr) == SQLITE_TXN_READ) {
        // An open cursor keeps a read transaction, and SQLite never calls the busy handler
        // for a reader that wants to write (it might wait for ever on another reader). Here
        // the other session only holds the write lock and will end its transaction: wait
        // for it as for any row lock (a break, a kill and NOWAIT end the wait).
        if (BusyWait(this, 0) == 0) break;
      } else {
        break;
      }
      rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
  } catch (...) {
    noWait_ = false;
    throw;
  }
  noWait_ = false;
  if (rc != SQLITE_OK) throw MapError(sqlite3_extended_errcode(db), StatementKind::Commit, "");
}

void SessionCore::CommitWork() {
  if (connection_->InTransaction()) RunSql("COMMIT");
  // Alert signals take effect at commit, even when the transaction wrote nothing.
  if (procedural_) procedural_->OnCommit();
}

void SessionCore::SetProceduralLink(ProceduralSessionLink* procedural) {
  std::lock_guard lock(callMutex_);
  procedural_ = procedural;
}

void SessionCore::RollbackWork() {
  if (procedural_) procedural_->OnRollback();
  if (!connection_->InTransaction()) return;
  // A rollback would cut off SQLite cursors that read inside the transaction; in Oracle they
  // go on with the rows as of their opening, which reading them out now preserves.
  const std::vector<OpenCursor*> cursors = openCursors_;
  for (OpenCursor* cursor : cursors) cursor->Materialize();
  sqlite3* db = connection_->Handle();
  for (sqlite3_stmt* statement = sqlite3_next_stmt(db, nullptr); statement;
       statement = sqlite3_next_stmt(db, statement))
    if (sqlite3_stmt_busy(statement) && !sqlite3_stmt_readonly(statement)) sqlite3_reset(statement);
  RunSql("ROLLBACK");
}

void SessionCore::RunDdl(const std::function<void()>& work) {
  // DDL commits the session's transaction before and after itself, as in Oracle.
  CommitWork();
  BeginWrite();
  try {
    work();
    RunSql("COMMIT");
  } catch (...) {
    sqlite3_exec(connection_->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void SessionCore::RefreshSessions() {
  const std::vector<SessionRow> rows = shared_->Directory().Sessions();
  sqlite3* db = connection_->Handle();
  SqliteStatement clear(db, "DELETE FROM temp.\"SYS.V$SESSION\"");
  clear.Step();
  SqliteStatement insert(db,
                         "INSERT INTO temp.\"SYS.V$SESSION\" VALUES(?, ?, ?, ?, ?, 0, ?, "
                         "'DEDICATED', ?, ?, ?, ?, ?, ?, 'USER', ?, ?, ?, ?)");
  for (const SessionRow& row : rows) {
    insert.Reset();
    int k = 0;
    auto text = [&](const std::string& value) {
      if (value.empty()) insert.BindNull(++k);
      else insert.Bind(++k, value);
    };
    insert.Bind(++k, std::int64_t{row.sid});
    insert.Bind(++k, std::int64_t{row.serial});
    insert.Bind(++k, row.audsid);
    std::int64_t userId = 0;
    if (auto user = catalogue_.FindUser(row.username)) userId = user->userId;
    insert.Bind(++k, userId);
    text(row.username);
    text(row.status);
    text(row.schemaName);
    text(row.osUser);
    text(std::string());  // PROCESS
    text(row.machine);
    text(row.machine);    // TERMINAL
    text(row.program);
    text(row.module);
    text(row.action);
    text(row.clientInfo);
    insert.Bind(++k, DateFormat::ToStorage(row.logonTime));
    insert.Step();
  }
}

// --- commands ----------------------------------------------------------------------------------

void SessionCore::SetDefiner(const std::string& owner) {
  std::lock_guard lock(state_.applicationMutex);
  if (owner == state_.definer) return;
  if (state_.definer.empty()) callerSchema_ = state_.schema;
  state_.schema = owner.empty() ? callerSchema_ : owner;
  state_.definer = owner;
}

bool SessionCore::IsDba() { return state_.sysdba || catalogue_.HasPrivilege(state_.user, "DBA"); }

void SessionCore::RequireDba() {
  if (!IsDba()) throw OracleErrors::Make(texts::kInsufficientPrivileges);
}

ExecuteResult SessionCore::ExecuteCommand(const TranslatedStatement& statement) {
  RefuseTransactionControlInSql();
  ExecuteResult result;
  switch (statement.kind) {
    case StatementKind::Commit: CommitWork(); break;
    case StatementKind::Rollback: RollbackWork(); break;
    case StatementKind::Savepoint:
      // A savepoint lives in the write transaction, which it therefore begins.
      BeginWrite();
      RunSql("SAVEPOINT " + Quote(statement.savepoint));
      break;
    case StatementKind::RollbackToSavepoint:
      if (!connection_->InTransaction())
        throw OracleErrors::Make(texts::kSavepointNeverEstablished, {statement.savepoint});
      try {
        RunSql("ROLLBACK TO " + Quote(statement.savepoint));
      } catch (const SqlError& error) {
        if (error.Code() == texts::kInternalError.code)
          throw OracleErrors::Make(texts::kSavepointNeverEstablished, {statement.savepoint});
        throw;
      }
      break;
    case StatementKind::CreateTable:
      Privileges(catalogue_, state_).CheckCreateIn(statement.table.owner, "CREATE ANY TABLE");
      RunDdl([&] { CreateTable(statement.table); });
      break;
    case StatementKind::CreateIndex:
      Privileges(catalogue_, state_).CheckCreateIn(statement.index.owner, "CREATE ANY INDEX");
      RunDdl([&] {
        CreateUniqueIndex(statement.index.owner, statement.index.name, statement.index.table,
                          statement.index.columns, statement.index.unique);
      });
      break;
    case StatementKind::DropTable:
      Privileges(catalogue_, state_).CheckDropOf(statement.drop.owner);
      RunDdl([&] { DropTable(statement.drop.owner, statement.drop.name); });
      break;
    case StatementKind::DropIndex:
      if (statement.drop.owner == "SYS" && !state_.maintainsDictionary)
        throw OracleErrors::Make(texts::kInsufficientPrivileges);
      if (statement.drop.owner != state_.user) RequireDba();
      RunDdl([&] {
        auto index = catalogue_.FindObject(statement.drop.owner, statement.drop.name);
        if (!index) throw OracleErrors::Make(texts::kIndexDoesNotExist);
        RunSql("DROP INDEX " + index->storage);
        catalogue_.RemoveObject(index->objectId);
      });
      break;
    case StatementKind::TruncateTable:
      Privileges(catalogue_, state_).CheckDropOf(statement.drop.owner);
      RunDdl([&] { RunSql(statement.sqlite); });
      break;
    case StatementKind::CreateUser: RunDdl([&] { CreateUser(statement.user); }); break;
    case StatementKind::AlterUser: RunDdl([&] { AlterUser(statement.user); }); break;
    case StatementKind::DropUser: RunDdl([&] { DropUser(statement.drop); }); break;
    case StatementKind::Grant: RunDdl([&] { GrantOrRevoke(statement.grant, true); }); break;
    case StatementKind::Revoke: RunDdl([&] { GrantOrRevoke(statement.grant, false); }); break;
    case StatementKind::AlterSession:
      for (const auto& [name, value] : statement.settings) ApplySetting(name, value);
      break;
    case StatementKind::KillSession:
      if (!IsDba() && !catalogue_.HasPrivilege(state_.user, "ALTER SYSTEM"))
        throw OracleErrors::Make(texts::kInsufficientPrivileges);
      if (statement.killSid == state_.sid && statement.killSerial == state_.serial)
        throw OracleErrors::Make(texts::kCannotKillCurrentSession);
      shared_->Directory().KillSession(statement.killSid, statement.killSerial);
      break;
    case StatementKind::PlsqlBlock:
    case StatementKind::PlsqlUnit:
      // The PL/SQL engine takes these over; until then they are refused plainly.
      throw OracleErrors::Make(texts::kUnimplemented);
    default: throw OracleErrors::Make(texts::kInvalidSqlStatement);
  }
  return result;
}

void SessionCore::ApplySetting(const std::string& name, const std::string& value) {
  const std::string upper = Upper(value);
  if (name == "NLS_DATE_FORMAT") {
    DateFormat::Validate(value);
    state_.nlsDateFormat = value;
  } else if (name == "SQL_TRACE") {
    if (upper != "TRUE" && upper != "FALSE")
      throw OracleErrors::Make(texts::kInvalidParameterValue, {value, "sql_trace", "TRUE, FALSE"});
    state_.sqlTrace = upper == "TRUE";
  } else if (name == "OPTIMIZER_GOAL" || name == "OPTIMIZER_MODE") {
    static const std::set<std::string> goals = {"CHOOSE", "FIRST_ROWS", "ALL_ROWS", "RULE",
                                                "FIRST_ROWS_1", "FIRST_ROWS_10",
                                                "FIRST_ROWS_100", "FIRST_ROWS_1000"};
    if (!goals.count(upper))
      throw OracleErrors::Make(texts::kInvalidParameterValue,
                               {value, "optimizer_mode",
                                "FIRST_ROWS_[1|10|100|1000], FIRST_ROWS, ALL_ROWS, CHOOSE, RULE"});
    state_.optimizerGoal = upper;
  } else if (name == "ISOLATION_LEVEL") {
    if (upper != "READ COMMITTED" && upper != "SERIALIZABLE")
      throw OracleErrors::Make(texts::kInvalidAlterSessionOption);
    state_.isolationLevel = upper;
  } else if (name == "CURRENT_SCHEMA") {
    if (!catalogue_.FindUser(upper)) throw OracleErrors::Make(texts::kUserDoesNotExist);
    std::lock_guard lock(state_.applicationMutex);
    state_.schema = upper;
  } else if ((name == "NLS_LANGUAGE" && upper == "AMERICAN") ||
             (name == "NLS_TERRITORY" && upper == "AMERICA") ||
             (name == "NLS_NUMERIC_CHARACTERS" && value == ".,")) {
    // The only language, territory and numeric characters devdb knows; accepted as is.
  } else {
    throw OracleErrors::Make(texts::kInvalidAlterSessionOption);
  }
}

void SessionCore::CreateTable(const TableSpec& table) {
  TableDefinition definition;
  definition.owner = table.owner;
  definition.name = table.name;
  definition.kind = "TABLE";
  definition.storage = Quote(table.owner + "." + table.name);
  definition.columns = table.columns;
  std::string columns;
  for (std::size_t k = 0; k < table.columns.size(); ++k) {
    const ColumnDescription& column = table.columns[k];
    columns += (k ? ", " : "") + Quote(column.name) + " " + Affinity(column);
    if (!column.nullable) columns += " NOT NULL";
    if (k < table.defaults.size() && !table.defaults[k].empty())
      columns += " DEFAULT (" + table.defaults[k] + ")";
  }
  RunSql("CREATE TABLE " + definition.storage + " (" + columns + ")");
  catalogue_.AddObject(definition);
  for (const auto& [constraint, keyColumns] : table.uniqueKeys)
    CreateUniqueIndex(table.owner, constraint.empty() ? catalogue_.NextConstraintName() : constraint,
                      table.name, keyColumns, true);
  if (!table.asSelect.empty())
    RunSql("INSERT INTO " + definition.storage + " SELECT * FROM (" + table.asSelect + ")");
}

void SessionCore::CreateUniqueIndex(const std::string& owner, const std::string& name,
                                    const std::string& table, const std::vector<std::string>& columns,
                                    bool unique) {
  if (catalogue_.FindObject(owner, name)) throw OracleErrors::Make(texts::kNameInUse);
  TableDefinition definition;
  definition.owner = owner;
  definition.name = name;
  definition.kind = "INDEX";
  definition.storage = Quote(owner + "." + name);
  definition.tableName = table;
  std::string list;
  for (const std::string& column : columns) {
    definition.columns.push_back({column, 1, 0, 0, 0, true});
    list += (list.empty() ? "" : ", ") + Quote(column);
  }
  RunSql(std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + definition.storage +
         " ON " + Quote(owner + "." + table) + " (" + list + ")");
  catalogue_.AddObject(definition);
}

void SessionCore::DropTable(const std::string& owner, const std::string& name) {
  auto table = catalogue_.FindObject(owner, name);
  if (!table || table->kind != "TABLE") throw OracleErrors::Make(texts::kTableOrViewDoesNotExist);
  for (const TableDefinition& index : catalogue_.IndexesOf(owner, name))
    catalogue_.RemoveObject(index.objectId);
  RunSql("DROP TABLE " + table->storage);
  catalogue_.RemoveObject(table->objectId);
  catalogue_.RevokeGrantsOn(owner, name);
}

void SessionCore::CreateUser(const UserSpec& user) {
  RequireDba();
  if (catalogue_.FindUser(user.name) || user.name == "PUBLIC")
    throw OracleErrors::Make(texts::kUserNameConflicts, {user.name});
  if (!user.password && !user.externally) throw OracleErrors::Make(texts::kInvalidPassword);
  catalogue_.CreateUser(user.name, user.password ? PasswordHash::Make(*user.password) : "",
                        user.externally);
  if (user.expire) catalogue_.SetExpired(user.name, true);
  if (user.graceDays) catalogue_.SetGraceDays(user.name, *user.graceDays);
  if (user.lock) catalogue_.SetLocked(user.name, *user.lock);
}

void SessionCore::AlterUser(const UserSpec& user) {
  const auto account = catalogue_.FindUser(user.name);
  if (!account) throw OracleErrors::Make(texts::kNamedUserDoesNotExist, {user.name});
  const bool self = user.name == state_.user;
  const bool onlyPassword = !user.externally && !user.expire && !user.lock && !user.graceDays;
  if (!IsDba() && !catalogue_.HasPrivilege(state_.user, "ALTER USER") && !(self && onlyPassword))
    throw OracleErrors::Make(texts::kInsufficientPrivileges);
  if (user.password) {
    if (self && user.replacePassword &&
        !PasswordHash::Matches(account->passwordHash, *user.replacePassword))
      throw OracleErrors::Make(texts::kInvalidOldPassword);
    catalogue_.SetPassword(user.name, PasswordHash::Make(*user.password), false);
  }
  if (user.externally) catalogue_.SetPassword(user.name, "", true);
  if (user.expire) catalogue_.SetExpired(user.name, true);
  if (user.graceDays) catalogue_.SetGraceDays(user.name, *user.graceDays);
  if (user.lock) catalogue_.SetLocked(user.name, *user.lock);
}

void SessionCore::DropUser(const DropSpec& drop) {
  RequireDba();
  if (!catalogue_.FindUser(drop.name))
    throw OracleErrors::Make(texts::kNamedUserDoesNotExist, {drop.name});
  if (drop.name == "SYS" || drop.name == "SYSTEM" || drop.name == state_.user)
    throw OracleErrors::Make(texts::kInsufficientPrivileges);
  for (const SessionRow& row : shared_->Directory().Sessions())
    if (row.username == drop.name && row.status != "KILLED")
      throw OracleErrors::Make(texts::kCannotDropConnectedUser);
  const auto objects = catalogue_.ObjectsOf(drop.name);
  if (!objects.empty() && !drop.cascade)
    throw OracleErrors::Make(texts::kCascadeRequired, {drop.name});
  for (const TableDefinition& object : objects)
    if (object.kind == "TABLE") DropTable(object.owner, object.name);
  catalogue_.DropUser(drop.name);
}

void SessionCore::GrantOrRevoke(const GrantSpec& grant, bool isGrant) {
  // Object privileges ("SELECT ON APP.T") are the owner's to give; system privileges and
  // roles the DBA's.
  const bool onObject = !grant.privileges.empty() &&
                        grant.privileges.front().find(" ON ") != std::string::npos;
  if (onObject) {
    const std::string& privilege = grant.privileges.front();
    Privileges(catalogue_, state_).CheckGrantOn(privilege.substr(privilege.find(" ON ") + 4));
  } else {
    RequireDba();
  }
  for (const std::string& privilege : grant.privileges)
    if ((privilege == "SYSDBA" || privilege == "SYSOPER") && !state_.sysdba)
      throw OracleErrors::Make(texts::kInsufficientPrivileges);
  for (const std::string& grantee : grant.grantees) {
    if (grantee != "PUBLIC" && !catalogue_.FindUser(grantee))
      throw OracleErrors::Make(texts::kUserOrRoleDoesNotExist, {grantee});
    for (const std::string& privilege : grant.privileges) {
      if (isGrant) {
        catalogue_.Grant(grantee, privilege);
      } else if (!catalogue_.Revoke(grantee, privilege)) {
        if (onObject) throw OracleErrors::Make(texts::kCannotRevokeUngranted);
        throw OracleErrors::Make(texts::kSystemPrivilegesNotGranted, {grantee});
      }
    }
  }
}

void SessionCore::ChangePassword(const std::string& user, const std::string& oldPassword,
                                 const std::string& newPassword) {
  RunDdl([&] { LogonService::ChangePassword(catalogue_, user, oldPassword, newPassword); });
}

}  // namespace devdb::sql
