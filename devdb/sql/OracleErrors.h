// Every error and warning text the engine reports, in one place, with Oracle's numbers and
// wording, so that a client cannot tell the development server from the real one by its
// messages. Make() fills the %s placeholders in order.
#pragma once

#include <initializer_list>
#include <string>

#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class OracleErrors {
 public:
  // The full message ("ORA-00942: table or view does not exist") of a code with arguments.
  static std::string Text(int code, std::initializer_list<std::string> arguments = {});
  static SqlError Make(int code, std::initializer_list<std::string> arguments = {},
                       int offset = 0);
  static SqlError At(int code, int offset) { return Make(code, {}, offset); }
  // Reads an error raised inside SQLite (our own functions report "ORA-nnnnn: ..." texts);
  // anything else becomes ORA-00600 with SQLite's text so it is never silently lost.
  static SqlError FromMessage(const std::string& message);
};

}  // namespace devdb::sql
