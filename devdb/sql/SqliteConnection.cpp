// Opening and configuring a session's SQLite connection.
#include "devdb/sql/SqliteConnection.h"

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {

SqliteConnection::SqliteConnection(const std::string& path) {
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw OracleErrors::Make(texts::kInternalError, {"cannot open " + path + ": " + message});
  }
  sqlite3_extended_result_codes(db_, 1);
  // The first connection switches the file to WAL; later ones find it set. A busy file at
  // that moment is retried briefly by SQLite itself.
  sqlite3_busy_timeout(db_, 5000);
  Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;");
  sqlite3_busy_timeout(db_, 0);
}

SqliteConnection::~SqliteConnection() { sqlite3_close_v2(db_); }

void SqliteConnection::Execute(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    throw OracleErrors::FromMessage(message);
  }
}

}  // namespace devdb::sql
