// One SQLite connection owned for its whole life, with the few calls the engine needs.
// Every session has its own, so that each session has its own transaction; failures are
// turned into SqlError so that nothing above this file sees SQLite's result codes.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class SqliteConnection {
 public:
  // Opens (creating if needed) the database file in WAL mode with foreign keys off.
  explicit SqliteConnection(const std::string& path);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  sqlite3* Handle() const { return db_; }
  // Runs one or more statements without results; throws SqlError on failure.
  void Execute(const std::string& sql);
  bool InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace devdb::sql
