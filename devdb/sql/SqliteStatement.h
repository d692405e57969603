// A prepared SQLite statement that finalizes itself, with typed binding helpers. Used by
// the catalogue's own queries and by every translated Oracle statement.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace devdb::sql {

class SqliteStatement {
 public:
  SqliteStatement() = default;
  // Prepares; throws SqlError (ORA-00900 with SQLite's message appended) on failure.
  SqliteStatement(sqlite3* db, const std::string& sql);
  ~SqliteStatement();
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  sqlite3_stmt* Handle() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }

  void Bind(int index, const std::string& text);
  void Bind(int index, std::int64_t number);
  void BindNull(int index);
  // Steps once: true for a row, false when done; throws SqlError for an error.
  bool Step();
  void Reset();

  std::string Text(int column) const;
  std::int64_t Integer(int column) const;
  bool IsNull(int column) const;

 private:
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace devdb::sql
