// The engine's own dictionary, kept in the SQLite file next to the data: users, granted
// privileges, and every table, view and index with the columns exactly as declared, so that
// describe reports Oracle's types. Each call works on the connection it is given, so it
// sees that session's uncommitted DDL and nothing else's.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

struct TableDefinition {
  std::int64_t objectId = 0;
  std::string owner;
  std::string name;
  std::string kind;     // TABLE, VIEW, INDEX
  std::string storage;  // the quoted SQLite name to use in SQL
  std::string tableName;  // for an index: the indexed table's name (same owner)
  bool refreshedPerStatement = false;  // V$SESSION: filled before each execution
  std::vector<ColumnDescription> columns;
};

struct UserRecord {
  std::int64_t userId = 0;
  std::string name;
  std::string passwordHash;  // empty for an externally identified user
  bool external = false;
  std::string status;  // OPEN, EXPIRED, EXPIRED(GRACE), LOCKED, EXPIRED & LOCKED ...
  bool locked = false;
  bool expired = false;
  int graceDays = 0;  // > 0: in the grace period, logon warns with ORA-28002
  std::string created;
};

class Catalogue {
 public:
  explicit Catalogue(sqlite3* db) : db_(db) {}

  // Creates the dictionary, SYS, SYSTEM, DUAL and the system views if the file is new.
  static void Bootstrap(sqlite3* db, const std::string& sysPassword);
  // Creates the per-connection temporary tables behind V$SESSION and V$VERSION.
  static void PrepareConnection(sqlite3* db, const std::string& banner);

  std::optional<TableDefinition> FindObject(const std::string& owner, const std::string& name);
  // System views and DUAL are reachable by every user without a schema, like Oracle's
  // public synonyms.
  std::optional<TableDefinition> FindPublic(const std::string& name);
  std::int64_t AddObject(const TableDefinition& definition);
  void RemoveObject(std::int64_t objectId);
  std::vector<TableDefinition> IndexesOf(const std::string& owner, const std::string& table);
  std::vector<TableDefinition> ObjectsOf(const std::string& owner);
  std::string NextConstraintName();

  std::optional<UserRecord> FindUser(const std::string& name);
  std::int64_t CreateUser(const std::string& name, const std::string& passwordHash, bool external);
  void SetPassword(const std::string& name, const std::string& passwordHash, bool external);
  void SetExpired(const std::string& name, bool expired);
  void SetLocked(const std::string& name, bool locked);
  void SetGraceDays(const std::string& name, int days);
  void DropUser(const std::string& name);

  bool HasPrivilege(const std::string& user, const std::string& privilege);
  void Grant(const std::string& user, const std::string& privilege);
  // False when the privilege was not granted.
  bool Revoke(const std::string& user, const std::string& privilege);
  // An object that goes takes every grant on it along ("SELECT ON OWNER.NAME" ...).
  void RevokeGrantsOn(const std::string& owner, const std::string& name);

 private:
  sqlite3* db_;
};

}  // namespace devdb::sql
