// TStatementSplitter: cuts the lines of a script or of standard input into units vsql runs
// one by one, as SQL*Plus scripts are written: a SQL statement ends with ";" at the end of a
// line or with a line holding only "/"; a PL/SQL block or stored code (begin, declare,
// create package/procedure/function/trigger/type) ends only with the "/" line; client commands
// (set, exit, whenever, exec, prompt, @file) are one line each and need no terminator.
#pragma once

#include <optional>
#include <string>

namespace vek::vsql {

struct TScriptUnit {
  enum Kind { Statement, Command };
  Kind kind = Statement;
  std::string text;   // lines joined by LF; a statement without its ";" or "/"
  int firstLine = 0;  // line number of its first line in the input, from 1
};

class TStatementSplitter {
 public:
  // Feeds one line (without its line break); returns a unit when the line completes one.
  std::optional<TScriptUnit> AddLine(const std::string& line);
  // At the end of the input: the unfinished statement, if there is text in it.
  std::optional<TScriptUnit> Finish();
  bool InsideStatement() const { return !buffer_.empty() || inComment_; }

 private:
  std::optional<TScriptUnit> Complete();

  std::string buffer_;
  int firstLine_ = 0;
  int lineNumber_ = 0;
  bool procedural_ = false;
  bool inComment_ = false;
};

}  // namespace vek::vsql
