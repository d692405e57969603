// TSqlClient: what vsql does with each unit of its input on one logged-on session: runs
// statements and prints query results, rows processed, errors with their position and, when
// asked, the server output; and carries out the client commands (set serveroutput, whenever
// sqlerror, exec, prompt, @script, exit).
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/vsql/StatementSplitter.h"

namespace vek {
class TOracleQuery;
class TOracleSession;
}  // namespace vek

namespace vek::vsql {

class TSqlClient {
 public:
  TSqlClient(TOracleSession& session, std::ostream& out);

  // Runs the lines of a stream until its end or an exit. With a prompt, "SQL> " is shown
  // before each new unit and "  2  " before each further line.
  void RunStream(std::istream& in, bool prompt);
  // Runs a script file (UTF-8, or Windows-1252 converted).
  void RunScript(const std::string& path);
  void RunLines(const std::vector<std::string>& lines);
  void RunUnit(const TScriptUnit& unit);

  bool ExitRequested() const { return exitStatus_.has_value(); }
  // The status the process ends with: the one an exit asked for, otherwise 0 when no
  // statement failed and 1 when one did.
  int ExitStatus() const;
  // Commits what the session did, as a normal end of input or exit does.
  void Finish();

 private:
  void RunCommand(const std::string& text);
  void RunStatement(const std::string& text);
  void PrintQuery(TOracleQuery& query);
  void PrintServerOutput();
  void SetServerOutput(bool on);
  void ReportFailure(const std::string& message, int line, int column);
  void ExitWith(int status, bool commit);
  int StatusFromWord(const std::string& word, int otherwise) const;

  TOracleSession& session_;
  std::ostream& out_;
  bool serverOutput_ = false;
  bool errorSeen_ = false;
  bool exitOnError_ = false;
  int errorExitStatus_ = 1;
  bool errorExitCommits_ = false;
  std::optional<int> exitStatus_;
  int scriptDepth_ = 0;
};

}  // namespace vek::vsql
