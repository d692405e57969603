// Oracle's SQL functions as SQLite user functions on one session's connection. The
// translator rewrites every Oracle function, operator and conversion whose SQLite meaning
// differs into a call of one of these "ora_" functions; they read the session's NLS
// settings and identity at run time and raise Oracle's errors with Oracle's texts.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "devdb/sql/SessionState.h"

namespace devdb::sql {

class OracleFunctions {
 public:
  static void Register(sqlite3* db, SessionState& state);
  // The extended 18-character ROWID of a row of a table, and back (-1 for a text that is
  // not a ROWID).
  static std::string EncodeRowid(std::int64_t objectId, std::int64_t rowid);
  static std::int64_t DecodeRowid(const std::string& text);
};

}  // namespace devdb::sql
