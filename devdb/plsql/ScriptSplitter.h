// Splits a script of SQL and PL/SQL into statements the way SQL*Plus reads one: SQL ends at a
// ";" at the end of a line, PL/SQL units and blocks end at a line holding only "/", and a "/"
// line also ends a SQL statement written without ";". Used to install the program's package
// text and by the server's script runner.
#pragma once

#include <string>
#include <vector>

namespace devdb::plsql {

struct ScriptStatement {
  std::string text;  // without the terminating ";" (SQL) or "/" line; PL/SQL keeps its "END;"
  int line = 1;      // the script line the statement starts on
};

class ScriptSplitter {
 public:
  static std::vector<ScriptStatement> Split(const std::string& script);
  // Windows-1252 bytes as UTF-8, for scripts written in that character set.
  static std::string FromWindows1252(const std::string& bytes);
};

}  // namespace devdb::plsql
