// What a session knows about itself and what the SQL functions of its connection read at
// run time: the user and schema, the session's NLS settings, its identifiers and the
// application texts shown in V$SESSION. Owned by the session's core; the SQLite functions
// registered on the session's connection hold a pointer to it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

struct SessionState {
  std::string user;    // as the database knows it, upper case
  std::string schema;  // current schema, changed by ALTER SESSION SET CURRENT_SCHEMA
  std::int64_t userId = 0;
  int sid = 0;
  int serial = 0;
  std::int64_t audsid = 0;
  bool sysdba = false;
  // devdb's own session for its dictionary tables, which no other session may change.
  bool maintainsDictionary = false;
  // Not empty while stored code of this owner prepares its SQL (definer's rights).
  std::string definer;
  std::string osUser;
  std::string machine;
  std::string program;
  OracleDate logonTime;
  int bytesPerCharacter = 4;

  // Changed by ALTER SESSION on the session's own thread.
  std::string nlsDateFormat = "DD-MON-RR";
  bool sqlTrace = false;
  std::string optimizerGoal = "ALL_ROWS";
  std::string isolationLevel = "READ COMMITTED";

  // Read by other threads through Session::Describe.
  mutable std::mutex applicationMutex;
  std::string clientInfo;
  std::string module;
  std::string action;
};

}  // namespace devdb::sql
