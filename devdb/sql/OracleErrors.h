// How the engine raises an Oracle error: a named text of the shared table (with its %s
// arguments and the parse error offset) becomes the SqlError that the session reports, so
// that a client cannot tell the development server from the real one by its messages.
#pragma once

#include <initializer_list>
#include <string>

#include "devdb/common/OracleTexts.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class OracleErrors {
 public:
  static SqlError Make(const texts::OracleText& error,
                       std::initializer_list<std::string> arguments = {}, int offset = 0);
  static SqlError At(const texts::OracleText& error, int offset) { return Make(error, {}, offset); }
  // The error a call ends with when Session::Interrupt stopped it: a kill or a break with
  // their texts; any other number has none here.
  static SqlError Interrupted(int code);
  // Reads an error raised inside SQLite (our own functions report "ORA-nnnnn: ..." texts);
  // anything else becomes ORA-00600 with SQLite's text so it is never silently lost.
  static SqlError FromMessage(const std::string& message);
};

}  // namespace devdb::sql
