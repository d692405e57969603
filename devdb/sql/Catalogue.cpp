// The dictionary tables, the bootstrap of a new data folder and the lookups the
// translator and the logon need.
#include "devdb/sql/Catalogue.h"

#include "devdb/sql/DateFormat.h"
#include "devdb/sql/OracleErrors.h"
#include "devdb/sql/PasswordHash.h"
#include "devdb/sql/SqliteStatement.h"

namespace devdb::sql {
namespace {

void Run(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    throw OracleErrors::FromMessage(message);
  }
}

ColumnDescription Column(const std::string& name, int type, int size, int precision, int scale,
                         bool nullable) {
  return {name, type, size, precision, scale, nullable};
}
ColumnDescription Text(const std::string& name, int size, bool nullable = true) {
  return Column(name, 1, size, 0, 0, nullable);
}
ColumnDescription Number(const std::string& name, bool nullable = true) {
  return Column(name, 2, 22, 0, -127, nullable);
}
ColumnDescription Date(const std::string& name, bool nullable = true) {
  return Column(name, 12, 7, 0, 0, nullable);
}

const char* kDictionary = R"(
CREATE TABLE devdb_users(
  user_id INTEGER PRIMARY KEY, username TEXT NOT NULL UNIQUE, password TEXT,
  external INTEGER NOT NULL DEFAULT 0, locked INTEGER NOT NULL DEFAULT 0,
  expired INTEGER NOT NULL DEFAULT 0, grace_days INTEGER NOT NULL DEFAULT 0,
  created TEXT NOT NULL, lock_date TEXT, expiry_date TEXT);
CREATE TABLE devdb_privileges(grantee TEXT NOT NULL, privilege TEXT NOT NULL,
  PRIMARY KEY(grantee, privilege));
CREATE TABLE devdb_objects(object_id INTEGER PRIMARY KEY AUTOINCREMENT, owner TEXT NOT NULL,
  name TEXT NOT NULL, kind TEXT NOT NULL, storage TEXT NOT NULL, table_name TEXT,
  public INTEGER NOT NULL DEFAULT 0, per_statement INTEGER NOT NULL DEFAULT 0,
  UNIQUE(owner, name));
CREATE TABLE devdb_columns(object_id INTEGER NOT NULL, position INTEGER NOT NULL,
  name TEXT NOT NULL, type_code INTEGER NOT NULL, data_size INTEGER NOT NULL,
  precision INTEGER NOT NULL, scale INTEGER NOT NULL, nullable INTEGER NOT NULL,
  PRIMARY KEY(object_id, position));
CREATE TABLE devdb_settings(name TEXT PRIMARY KEY, value TEXT);
INSERT INTO devdb_settings VALUES('constraint_counter', '10000');
CREATE TABLE "SYS.DUAL"("DUMMY" TEXT);
INSERT INTO "SYS.DUAL" VALUES('X');
CREATE VIEW "SYS.ALL_USERS" AS SELECT username AS "USERNAME", user_id AS "USER_ID",
  created AS "CREATED", 'NO' AS "COMMON",
  CASE WHEN username IN ('SYS', 'SYSTEM') THEN 'Y' ELSE 'N' END AS "ORACLE_MAINTAINED",
  'NO' AS "INHERITED", 'USING_NLS_COMP' AS "DEFAULT_COLLATION", 'NO' AS "IMPLICIT",
  'NO' AS "ALL_SHARD" FROM devdb_users;
CREATE VIEW "SYS.USER_USERS" AS SELECT username AS "USERNAME", user_id AS "USER_ID",
  CASE WHEN expired <> 0 AND locked <> 0 THEN 'EXPIRED & LOCKED'
       WHEN expired <> 0 THEN 'EXPIRED' WHEN locked <> 0 THEN 'LOCKED'
       WHEN grace_days > 0 THEN 'EXPIRED(GRACE)' ELSE 'OPEN' END AS "ACCOUNT_STATUS",
  lock_date AS "LOCK_DATE", expiry_date AS "EXPIRY_DATE", 'USERS' AS "DEFAULT_TABLESPACE",
  'TEMP' AS "TEMPORARY_TABLESPACE", created AS "CREATED"
  FROM devdb_users WHERE username = ora_user();
CREATE VIEW "SYS.DBA_USERS" AS SELECT username AS "USERNAME", user_id AS "USER_ID",
  CASE WHEN expired <> 0 AND locked <> 0 THEN 'EXPIRED & LOCKED'
       WHEN expired <> 0 THEN 'EXPIRED' WHEN locked <> 0 THEN 'LOCKED'
       WHEN grace_days > 0 THEN 'EXPIRED(GRACE)' ELSE 'OPEN' END AS "ACCOUNT_STATUS",
  lock_date AS "LOCK_DATE", expiry_date AS "EXPIRY_DATE", created AS "CREATED",
  CASE WHEN external <> 0 THEN 'EXTERNAL' ELSE 'PASSWORD' END AS "AUTHENTICATION_TYPE"
  FROM devdb_users;
CREATE VIEW "SYS.ALL_OBJECTS" AS SELECT owner AS "OWNER", name AS "OBJECT_NAME",
  object_id AS "OBJECT_ID", kind AS "OBJECT_TYPE", 'VALID' AS "STATUS" FROM devdb_objects;
CREATE VIEW "SYS.USER_OBJECTS" AS SELECT name AS "OBJECT_NAME", object_id AS "OBJECT_ID",
  kind AS "OBJECT_TYPE", 'VALID' AS "STATUS" FROM devdb_objects WHERE owner = ora_user();
CREATE VIEW "SYS.ALL_TABLES" AS SELECT owner AS "OWNER", name AS "TABLE_NAME"
  FROM devdb_objects WHERE kind = 'TABLE';
CREATE VIEW "SYS.USER_TABLES" AS SELECT name AS "TABLE_NAME" FROM devdb_objects
  WHERE kind = 'TABLE' AND owner = ora_user();
)";

}  // namespace

void Catalogue::Bootstrap(sqlite3* db, const std::string& sysPassword) {
  {
    SqliteStatement probe(db, "SELECT count(*) FROM sqlite_master WHERE name = 'devdb_users'");
    probe.Step();
    if (probe.Integer(0) > 0) return;
  }
  Run(db, "BEGIN IMMEDIATE");
  try {
    // Another process may have bootstrapped between the probe and the lock.
    SqliteStatement again(db, "SELECT count(*) FROM sqlite_master WHERE name = 'devdb_users'");
    again.Step();
    if (again.Integer(0) > 0) {
      Run(db, "COMMIT");
      return;
    }
    Run(db, kDictionary);
    Catalogue catalogue(db);
    for (const std::string user : {"SYS", "SYSTEM"}) {
      catalogue.CreateUser(user, PasswordHash::Make(sysPassword), false);
      catalogue.Grant(user, "CREATE SESSION");
      catalogue.Grant(user, "DBA");
    }
    catalogue.Grant("SYS", "SYSDBA");
    catalogue.Grant("SYS", "SYSOPER");
    auto addSystem = [&](const std::string& name, const std::string& kind,
                         const std::string& storage, std::vector<ColumnDescription> columns,
                         bool perStatement) {
      TableDefinition definition;
      definition.owner = "SYS";
      definition.name = name;
      definition.kind = kind;
      definition.storage = storage;
      definition.refreshedPerStatement = perStatement;
      definition.columns = std::move(columns);
      catalogue.AddObject(definition);
      Run(db, "UPDATE devdb_objects SET public = 1 WHERE owner = 'SYS' AND name = '" + name + "'");
    };
    addSystem("DUAL", "TABLE", "\"SYS.DUAL\"", {Text("DUMMY", 1)}, false);
    addSystem("ALL_USERS", "VIEW", "\"SYS.ALL_USERS\"",
              {Text("USERNAME", 128, false), Number("USER_ID", false), Date("CREATED", false),
               Text("COMMON", 3), Text("ORACLE_MAINTAINED", 1), Text("INHERITED", 3),
               Text("DEFAULT_COLLATION", 100), Text("IMPLICIT", 3), Text("ALL_SHARD", 3)},
              false);
    addSystem("USER_USERS", "VIEW", "\"SYS.USER_USERS\"",
              {Text("USERNAME", 128, false), Number("USER_ID", false),
               Text("ACCOUNT_STATUS", 32, false), Date("LOCK_DATE"), Date("EXPIRY_DATE"),
               Text("DEFAULT_TABLESPACE", 30, false), Text("TEMPORARY_TABLESPACE", 30, false),
               Date("CREATED", false)},
              false);
    addSystem("DBA_USERS", "VIEW", "\"SYS.DBA_USERS\"",
              {Text("USERNAME", 128, false), Number("USER_ID", false),
               Text("ACCOUNT_STATUS", 32, false), Date("LOCK_DATE"), Date("EXPIRY_DATE"),
               Date("CREATED", false), Text("AUTHENTICATION_TYPE", 8)},
              false);
    addSystem("ALL_OBJECTS", "VIEW", "\"SYS.ALL_OBJECTS\"",
              {Text("OWNER", 128, false), Text("OBJECT_NAME", 128, false),
               Number("OBJECT_ID", false), Text("OBJECT_TYPE", 23), Text("STATUS", 7)},
              false);
    addSystem("USER_OBJECTS", "VIEW", "\"SYS.USER_OBJECTS\"",
              {Text("OBJECT_NAME", 128), Number("OBJECT_ID"), Text("OBJECT_TYPE", 23),
               Text("STATUS", 7)},
              false);
    addSystem("ALL_TABLES", "VIEW", "\"SYS.ALL_TABLES\"",
              {Text("OWNER", 128, false), Text("TABLE_NAME", 128, false)}, false);
    addSystem("USER_TABLES", "VIEW", "\"SYS.USER_TABLES\"", {Text("TABLE_NAME", 128, false)},
              false);
    addSystem("V$SESSION", "VIEW", "temp.\"SYS.V$SESSION\"",
              {Number("SID"), Number("SERIAL#"), Number("AUDSID"), Number("USER#"),
               Text("USERNAME", 128), Number("COMMAND"), Text("STATUS", 8), Text("SERVER", 9),
               Text("SCHEMANAME", 128), Text("OSUSER", 128), Text("PROCESS", 24),
               Text("MACHINE", 64), Text("TERMINAL", 30), Text("PROGRAM", 48), Text("TYPE", 10),
               Text("MODULE", 64), Text("ACTION", 64), Text("CLIENT_INFO", 64),
               Date("LOGON_TIME")},
              true);
    addSystem("V$VERSION", "VIEW", "temp.\"SYS.V$VERSION\"", {Text("BANNER", 80), Number("CON_ID")},
              false);
    Run(db, "COMMIT");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void Catalogue::PrepareConnection(sqlite3* db, const std::string& banner) {
  Run(db,
      "CREATE TEMP TABLE \"SYS.V$SESSION\"(\"SID\" NUMERIC, \"SERIAL#\" NUMERIC, \"AUDSID\" "
      "NUMERIC, \"USER#\" NUMERIC, \"USERNAME\" TEXT, \"COMMAND\" NUMERIC, \"STATUS\" TEXT, "
      "\"SERVER\" TEXT, \"SCHEMANAME\" TEXT, \"OSUSER\" TEXT, \"PROCESS\" TEXT, \"MACHINE\" TEXT, "
      "\"TERMINAL\" TEXT, \"PROGRAM\" TEXT, \"TYPE\" TEXT, \"MODULE\" TEXT, \"ACTION\" TEXT, "
      "\"CLIENT_INFO\" TEXT, \"LOGON_TIME\" TEXT);"
      "CREATE TEMP TABLE \"SYS.V$VERSION\"(\"BANNER\" TEXT, \"CON_ID\" NUMERIC);");
  SqliteStatement insert(db, "INSERT INTO temp.\"SYS.V$VERSION\" VALUES(?, 0)");
  insert.Bind(1, banner);
  insert.Step();
}

std::optional<TableDefinition> Catalogue::FindObject(const std::string& owner,
                                                     const std::string& name) {
  SqliteStatement query(db_,
                        "SELECT object_id, owner, name, kind, storage, table_name, per_statement "
                        "FROM devdb_objects WHERE owner = ? AND name = ?");
  query.Bind(1, owner);
  query.Bind(2, name);
  if (!query.Step()) return std::nullopt;
  TableDefinition definition;
  definition.objectId = query.Integer(0);
  definition.owner = query.Text(1);
  definition.name = query.Text(2);
  definition.kind = query.Text(3);
  definition.storage = query.Text(4);
  definition.tableName = query.Text(5);
  definition.refreshedPerStatement = query.Integer(6) != 0;
  SqliteStatement columns(db_,
                          "SELECT name, type_code, data_size, precision, scale, nullable FROM "
                          "devdb_columns WHERE object_id = ? ORDER BY position");
  columns.Bind(1, definition.objectId);
  while (columns.Step()) {
    definition.columns.push_back({columns.Text(0), static_cast<int>(columns.Integer(1)),
                                  static_cast<int>(columns.Integer(2)),
                                  static_cast<int>(columns.Integer(3)),
                                  static_cast<int>(columns.Integer(4)), columns.Integer(5) != 0});
  }
  return definition;
}

std::optional<TableDefinition> Catalogue::FindPublic(const std::string& name) {
  SqliteStatement query(db_, "SELECT owner FROM devdb_objects WHERE public = 1 AND name = ?");
  query.Bind(1, name);
  if (!query.Step()) return std::nullopt;
  return FindObject(query.Text(0), name);
}

std::int64_t Catalogue::AddObject(const TableDefinition& definition) {
  SqliteStatement insert(db_,
                         "INSERT INTO devdb_objects(owner, name, kind, storage, table_name, "
                         "per_statement) VALUES(?, ?, ?, ?, ?, ?)");
  insert.Bind(1, definition.owner);
  insert.Bind(2, definition.name);
  insert.Bind(3, definition.kind);
  insert.Bind(4, definition.storage);
  insert.Bind(5, definition.tableName);
  insert.Bind(6, std::int64_t{definition.refreshedPerStatement ? 1 : 0});
  insert.Step();
  const std::int64_t objectId = sqlite3_last_insert_rowid(db_);
  SqliteStatement column(db_, "INSERT INTO devdb_columns VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
  int position = 0;
  for (const ColumnDescription& description : definition.columns) {
    column.Reset();
    column.Bind(1, objectId);
    column.Bind(2, std::int64_t{++position});
    column.Bind(3, description.name);
    column.Bind(4, std::int64_t{description.oracleType});
    column.Bind(5, std::int64_t{description.dataSize});
    column.Bind(6, std::int64_t{description.precision});
    column.Bind(7, std::int64_t{description.scale});
    column.Bind(8, std::int64_t{description.nullable ? 1 : 0});
    column.Step();
  }
  return objectId;
}

void Catalogue::RemoveObject(std::int64_t objectId) {
  SqliteStatement columns(db_, "DELETE FROM devdb_columns WHERE object_id = ?");
  columns.Bind(1, objectId);
  columns.Step();
  SqliteStatement object(db_, "DELETE FROM devdb_objects WHERE object_id = ?");
  object.Bind(1, objectId);
  object.Step();
}

std::vector<TableDefinition> Catalogue::IndexesOf(const std::string& owner,
                                                  const std::string& table) {
  std::vector<std::string> names;
  {
    SqliteStatement query(db_,
                          "SELECT name FROM devdb_objects WHERE owner = ? AND table_name = ? AND "
                          "kind = 'INDEX'");
    query.Bind(1, owner);
    query.Bind(2, table);
    while (query.Step()) names.push_back(query.Text(0));
  }
  std::vector<TableDefinition> indexes;
  for (const std::string& name : names)
    if (auto found = FindObject(owner, name)) indexes.push_back(*found);
  return indexes;
}

std::vector<TableDefinition> Catalogue::ObjectsOf(const std::string& owner) {
  std::vector<std::string> names;
  {
    SqliteStatement query(db_, "SELECT name FROM devdb_objects WHERE owner = ? ORDER BY object_id");
    query.Bind(1, owner);
    while (query.Step()) names.push_back(query.Text(0));
  }
  std::vector<TableDefinition> objects;
  for (const std::string& name : names)
    if (auto found = FindObject(owner, name)) objects.push_back(*found);
  return objects;
}

std::string Catalogue::NextConstraintName() {
  Run(db_,
      "UPDATE devdb_settings SET value = CAST(value AS INTEGER) + 1 WHERE name = "
      "'constraint_counter'");
  SqliteStatement query(db_, "SELECT value FROM devdb_settings WHERE name = 'constraint_counter'");
  query.Step();
  return "SYS_C00" + query.Text(0);
}

std::optional<UserRecord> Catalogue::FindUser(const std::string& name) {
  SqliteStatement query(db_,
                        "SELECT user_id, username, password, external, locked, expired, "
                        "grace_days, created FROM devdb_users WHERE username = ?");
  query.Bind(1, name);
  if (!query.Step()) return std::nullopt;
  UserRecord user;
  user.userId = query.Integer(0);
  user.name = query.Text(1);
  user.passwordHash = query.Text(2);
  user.external = query.Integer(3) != 0;
  user.locked = query.Integer(4) != 0;
  user.expired = query.Integer(5) != 0;
  user.graceDays = static_cast<int>(query.Integer(6));
  user.created = query.Text(7);
  return user;
}

std::int64_t Catalogue::CreateUser(const std::string& name, const std::string& passwordHash,
                                   bool external) {
  SqliteStatement insert(db_,
                         "INSERT INTO devdb_users(username, password, external, created) "
                         "VALUES(?, ?, ?, ?)");
  insert.Bind(1, name);
  insert.Bind(2, passwordHash);
  insert.Bind(3, std::int64_t{external ? 1 : 0});
  insert.Bind(4, DateFormat::ToStorage(DateFormat::Now()));
  insert.Step();
  return sqlite3_last_insert_rowid(db_);
}

void Catalogue::SetPassword(const std::string& name, const std::string& passwordHash,
                            bool external) {
  // A new password ends both the expiry and the grace period.
  SqliteStatement update(db_,
                         "UPDATE devdb_users SET password = ?, external = ?, expired = 0, "
                         "grace_days = 0, expiry_date = NULL WHERE username = ?");
  update.Bind(1, passwordHash);
  update.Bind(2, std::int64_t{external ? 1 : 0});
  update.Bind(3, name);
  update.Step();
}

void Catalogue::SetExpired(const std::string& name, bool expired) {
  SqliteStatement update(db_,
                         "UPDATE devdb_users SET expired = ?, grace_days = 0, expiry_date = ? "
                         "WHERE username = ?");
  update.Bind(1, std::int64_t{expired ? 1 : 0});
  if (expired) update.Bind(2, DateFormat::ToStorage(DateFormat::Now()));
  else update.BindNull(2);
  update.Bind(3, name);
  update.Step();
}

void Catalogue::SetLocked(const std::string& name, bool locked) {
  SqliteStatement update(db_, "UPDATE devdb_users SET locked = ?, lock_date = ? WHERE username = ?");
  update.Bind(1, std::int64_t{locked ? 1 : 0});
  if (locked) update.Bind(2, DateFormat::ToStorage(DateFormat::Now()));
  else update.BindNull(2);
  update.Bind(3, name);
  update.Step();
}

void Catalogue::SetGraceDays(const std::string& name, int days) {
  SqliteStatement update(db_,
                         "UPDATE devdb_users SET grace_days = ?, expired = 0, expiry_date = ? "
                         "WHERE username = ?");
  update.Bind(1, std::int64_t{days});
  update.Bind(2, DateFormat::ToStorage(DateFormat::FromDays(DateFormat::ToDays(DateFormat::Now()) + days)));
  update.Bind(3, name);
  update.Step();
}

void Catalogue::DropUser(const std::string& name) {
  SqliteStatement user(db_, "DELETE FROM devdb_users WHERE username = ?");
  user.Bind(1, name);
  user.Step();
  SqliteStatement privileges(db_, "DELETE FROM devdb_privileges WHERE grantee = ?");
  privileges.Bind(1, name);
  privileges.Step();
}

bool Catalogue::HasPrivilege(const std::string& user, const std::string& privilege) {
  SqliteStatement query(db_,
                        "SELECT 1 FROM devdb_privileges WHERE grantee = ? AND privilege = ?");
  query.Bind(1, user);
  query.Bind(2, privilege);
  return query.Step();
}

void Catalogue::Grant(const std::string& user, const std::string& privilege) {
  SqliteStatement insert(db_, "INSERT OR IGNORE INTO devdb_privileges VALUES(?, ?)");
  insert.Bind(1, user);
  insert.Bind(2, privilege);
  insert.Step();
}

bool Catalogue::Revoke(const std::string& user, const std::string& privilege) {
  SqliteStatement remove(db_, "DELETE FROM devdb_privileges WHERE grantee = ? AND privilege = ?");
  remove.Bind(1, user);
  remove.Bind(2, privilege);
  remove.Step();
  return sqlite3_changes(db_) > 0;
}

void Catalogue::RevokeGrantsOn(const std::string& owner, const std::string& name) {
  const std::string suffix = " ON " + owner + "." + name;
  SqliteStatement remove(db_,
                         "DELETE FROM devdb_privileges WHERE length(privilege) > length(?1) AND "
                         "substr(privilege, -length(?1)) = ?1");
  remove.Bind(1, suffix);
  remove.Step();
}

}  // namespace devdb::sql
