// Turns one Oracle SQL statement into what the session carries out: for queries and DML a
// SQLite statement text with Oracle's semantics spelled out (names resolved against the
// catalogue, implicit conversions, '' as NULL, the "ora_" functions), with the describe
// of the select list and the bind names; for DDL, user and session commands a parsed
// description. Errors found here carry the parse error offset of the offending token.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devdb/sql/Catalogue.h"
#include "devdb/sql/SessionState.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

enum class StatementKind {
  Select, Insert, Update, Delete,
  CreateTable, CreateIndex, DropTable, DropIndex, TruncateTable,
  CreateUser, AlterUser, DropUser, Grant, Revoke,
  AlterSession, KillSession, Commit, Rollback, Savepoint, RollbackToSavepoint,
  // Anonymous blocks and stored units, for the PL/SQL engine to take over.
  PlsqlBlock, PlsqlUnit
};

struct TableSpec {
  std::string owner;
  std::string name;
  std::vector<ColumnDescription> columns;
  std::vector<std::string> defaults;  // SQLite default expression per column, or empty
  // Primary key and unique constraints: name (empty: named when created) and columns.
  std::vector<std::pair<std::string, std::vector<std::string>>> uniqueKeys;
  std::string asSelect;  // CREATE TABLE ... AS: the query, with positional column aliases
};

struct IndexSpec {
  std::string owner;
  std::string name;
  std::string table;  // same owner as the table
  std::vector<std::string> columns;
  bool unique = false;
};

struct DropSpec {
  std::string owner;
  std::string name;
  bool cascade = false;
};

struct UserSpec {
  std::string name;
  std::optional<std::string> password;
  std::optional<std::string> replacePassword;
  bool externally = false;
  bool expire = false;
  std::optional<bool> lock;
  std::optional<int> graceDays;
};

struct GrantSpec {
  std::vector<std::string> privileges;
  std::vector<std::string> grantees;
};

struct TranslatedStatement {
  StatementKind kind = StatementKind::Select;
  StatementInfo info;
  std::string sqlite;            // Select / Insert / Update / Delete / TruncateTable
  bool refreshSessions = false;  // reads V$SESSION
  // SELECT ... FOR UPDATE: takes the write lock when executed (all rows of the database,
  // the way every write here locks), at once or with ORA-00054 for NOWAIT.
  bool forUpdate = false;
  bool noWait = false;
  // DML ... RETURNING expr, ... INTO :a, ...: the types of the returned values and the
  // bind variables (upper case, without colon) that receive them.
  std::vector<ColumnDescription> returningTypes;
  std::vector<std::string> returningBinds;
  std::string targetColumnPrefix;  // DML: "\"OWNER\".\"TABLE\"." for NULL errors
  TableSpec table;
  IndexSpec index;
  DropSpec drop;
  UserSpec user;
  GrantSpec grant;
  std::vector<std::pair<std::string, std::string>> settings;  // ALTER SESSION SET
  std::string savepoint;  // SAVEPOINT name / ROLLBACK TO [SAVEPOINT] name
  int killSid = 0;
  int killSerial = 0;
};

class SqlTranslator {
 public:
  // Answers for a function name the translator does not know itself: the result type of a
  // stored function the session may call, or nothing.
  using FunctionLookup =
      std::function<std::optional<ColumnDescription>(const std::vector<std::string>& nameParts)>;

  SqlTranslator(Catalogue& catalogue, const SessionState& state, FunctionLookup functions = {})
      : catalogue_(catalogue), state_(state), functions_(std::move(functions)) {}
  // Throws SqlError; its offset is a character offset into sql.
  TranslatedStatement Translate(const std::string& sql);

 private:
  Catalogue& catalogue_;
  const SessionState& state_;
  FunctionLookup functions_;
};

}  // namespace devdb::sql
