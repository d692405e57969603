// `devdb --run`: runs a script of SQL and PL/SQL against a devdb that is already running, for
// set-ups and demos. Statements are cut as SQL*Plus cuts them; the first failing statement
// stops the run and is reported with its script line.
#pragma once

#include <ostream>
#include <string>

#include "devdb/server/ServerOptions.h"

namespace devdb::server {

class ScriptRunner {
 public:
  // Logs on as options.runUser, runs every statement of options.runFile in order and commits.
  // Query rows go to out, tab-separated under their column names; errors and compilation
  // warnings go to errors. Returns the exit status: 0 when everything ran, 1 otherwise
  // (unreadable file, devdb unreachable, refused logon, a failing statement).
  static int Run(const ServerOptions& options, std::ostream& out, std::ostream& errors);
  // A script's bytes as UTF-8: valid UTF-8 stays (without a byte order mark); anything else
  // is read as Windows-1252, the character set the program's own resource texts are in.
  static std::string Decode(const std::string& bytes);
};

}  // namespace devdb::server
