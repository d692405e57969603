// Prepared-statement handling for the engine's own SQLite queries.
#include "devdb/sql/SqliteStatement.h"

#include <utility>

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {

SqliteStatement::SqliteStatement(sqlite3* db, const std::string& sql) {
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement_, nullptr) !=
      SQLITE_OK) {
    const std::string message = sqlite3_errmsg(db);
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    throw OracleErrors::FromMessage(message);
  }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(statement_);
    statement_ = std::exchange(other.statement_, nullptr);
  }
  return *this;
}

void SqliteStatement::Bind(int index, const std::string& text) {
  sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                    SQLITE_TRANSIENT);
}

void SqliteStatement::Bind(int index, std::int64_t number) {
  sqlite3_bind_int64(statement_, index, number);
}

void SqliteStatement::BindNull(int index) { sqlite3_bind_null(statement_, index); }

bool SqliteStatement::Step() {
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  const std::string message = sqlite3_errmsg(sqlite3_db_handle(statement_));
  sqlite3_reset(statement_);
  throw OracleErrors::FromMessage(message);
}

void SqliteStatement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

std::string SqliteStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return text ? std::string(text, sqlite3_column_bytes(statement_, column)) : std::string();
}

std::int64_t SqliteStatement::Integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

bool SqliteStatement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

}  // namespace devdb::sql
