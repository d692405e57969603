// Running vsql's units: statements through TOracleQuery, the server output through the
// package call builder on dbms_output, and the client commands.
#include "tools/vsql/SqlClient.h"

#include "access/OracleError.h"
#include "access/OraclePackage.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/Variables.h"
#include "client/OracleCallTable.h"
#include "platform/Exception.h"
#include "platform/TextCase.h"
#include "tools/vsql/ResultTable.h"
#include "tools/vsql/ScriptText.h"

namespace vek::vsql {
namespace {

constexpr int kServerOutputBufferSize = 1000000;
constexpr int kMostServerOutputLines = 1000000;
constexpr int kDeepestScriptNesting = 20;
constexpr sb4 kCompilationWarning = 24344;

// Stored code that does not compile is still created: the server says so only with a warning
// beside the success, which the statement does not raise. Read on the version-8 interface.
std::string CompilationWarning(TOracleQuery& query) {
  if (!query.UsesOCI8() || !query.StatementErrorHandle() || !OracleCalls.OCIErrorGet) return {};
  sb4 code = 0;
  OraText text[2048] = {};
  if (OracleCalls.OCIErrorGet(query.StatementErrorHandle(), 1, nullptr, &code, text, sizeof text,
                              OCI_HTYPE_ERROR) != OCI_SUCCESS ||
      code != kCompilationWarning) {
    return {};
  }
  return reinterpret_cast<const char*>(text);
}

std::string Trim(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  const std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == ';') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

// A field as the table shows it. LONG values come whole through the field's value, and LONG
// RAW as hexadecimal digits, as Oracle's tools show raw data.
std::string FieldText(TOracleQuery& query, int index) {
  if (query.FieldIsNull(index)) return {};
  switch (query.FieldType(index)) {
    case otLong: return query.Field(index).AsString();
    case otLongRaw: {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      const Variant value = query.Field(index);
      std::string text;
      for (std::uint8_t byte : value.AsBytes()) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
      }
      return text;
    }
    default: return query.FieldAsString(index);
  }
}

std::string Plural(std::int32_t count, const char* what) {
  return std::to_string(count) + (count == 1 ? " row " : " rows ") + what + ".";
}

}  // namespace

TSqlClient::TSqlClient(TOracleSession& session, std::ostream& out) : session_(session), out_(out) {}

int TSqlClient::ExitStatus() const {
  if (exitStatus_) return *exitStatus_;
  return errorSeen_ ? 1 : 0;
}

void TSqlClient::Finish() {
  try {
    if (session_.Connected()) session_.Commit();
  } catch (const std::exception& error) {
    ReportFailure(error.what(), 0, 0);
  }
}

void TSqlClient::ExitWith(int status, bool commit) {
  exitStatus_ = status;
  try {
    if (!session_.Connected()) return;
    if (commit) {
      session_.Commit();
    } else {
      session_.Rollback();
    }
  } catch (const std::exception& error) {
    out_ << Trim(error.what()) << '\n';
  }
}

// ---- Input -------------------------------------------------------------------------------

void TSqlClient::RunStream(std::istream& in, bool prompt) {
  TStatementSplitter splitter;
  int lineInUnit = 1;
  std::string line;
  for (;;) {
    if (prompt) {
      if (splitter.InsideStatement()) {
        out_ << std::string(lineInUnit < 10 ? 2 : 1, ' ') << lineInUnit << "  ";
      } else {
        out_ << "SQL> ";
      }
      out_.flush();
    }
    if (!std::getline(in, line)) break;
    if (auto unit = splitter.AddLine(line)) {
      RunUnit(*unit);
      lineInUnit = 1;
      if (ExitRequested()) return;
    } else {
      lineInUnit = splitter.InsideStatement() ? lineInUnit + 1 : 1;
    }
  }
  if (prompt) out_ << '\n';
  if (auto unit = splitter.Finish()) RunUnit(*unit);
}

void TSqlClient::RunScript(const std::string& path) {
  if (scriptDepth_ >= kDeepestScriptNesting) {
    ReportFailure("Scripts nested too deeply: " + path, 0, 0);
    return;
  }
  std::vector<std::string> lines;
  try {
    lines = TScriptText::ReadLines(path);
  } catch (const std::exception& error) {
    ReportFailure(error.what(), 0, 0);
    return;
  }
  ++scriptDepth_;
  RunLines(lines);
  --scriptDepth_;
}

void TSqlClient::RunLines(const std::vector<std::string>& lines) {
  TStatementSplitter splitter;
  for (const std::string& line : lines) {
    if (auto unit = splitter.AddLine(line)) {
      RunUnit(*unit);
      if (ExitRequested()) return;
    }
  }
  if (auto unit = splitter.Finish()) RunUnit(*unit);
}

void TSqlClient::RunUnit(const TScriptUnit& unit) {
  if (unit.kind == TScriptUnit::Command) {
    RunCommand(unit.text);
  } else {
    RunStatement(unit.text);
  }
}

// ---- Commands ------------------------------------------------------------------------------

int TSqlClient::StatusFromWord(const std::string& word, int otherwise) const {
  const std::string lower = LowerCase(word);
  if (lower == "success") return 0;
  if (lower == "failure") return 1;
  if (lower == "warning") return 2;
  if (!word.empty() && word.find_first_not_of("0123456789") == std::string::npos &&
      word.size() <= 3) {
    return std::stoi(word) & 0xFF;
  }
  return otherwise;
}

void TSqlClient::RunCommand(const std::string& text) {
  if (text.front() == '@') {
    RunScript(Trim(text.substr(text[1] == '@' ? 2 : 1)));
    return;
  }
  const std::vector<std::string> words = Words(text);
  const std::string command = LowerCase(words[0]);
  auto word = [&](std::size_t i) { return i < words.size() ? LowerCase(words[i]) : std::string(); };

  if (command == "exit" || command == "quit") {
    const int status = words.size() > 1 ? StatusFromWord(words[1], -1) : ExitStatus();
    if (status < 0) {
      ReportFailure("Unknown exit status: " + words[1], 0, 0);
      return;
    }
    ExitWith(status, word(2) != "rollback");
    return;
  }
  if (command == "start") {
    RunScript(words.size() > 1 ? words[1] : std::string());
    return;
  }
  if (command == "prompt") {
    const std::size_t rest = text.find_first_of(" \t");
    out_ << (rest == std::string::npos ? std::string() : Trim(text.substr(rest))) << '\n';
    return;
  }
  if (command == "exec" || command == "execute") {
    std::string call = Trim(text.substr(words[0].size()));
    while (!call.empty() && call.back() == ';') call.pop_back();
    RunStatement("begin " + call + "; end;");
    return;
  }
  if (command == "whenever") {
    if (word(1) != "sqlerror") {
      ReportFailure("Only WHENEVER SQLERROR is known", 0, 0);
      return;
    }
    if (word(2) == "continue") {
      exitOnError_ = false;
      return;
    }
    if (word(2) != "exit") {
      ReportFailure(
          "Use WHENEVER SQLERROR EXIT [SUCCESS|FAILURE|n] [COMMIT|ROLLBACK] or "
          "WHENEVER SQLERROR CONTINUE",
          0, 0);
      return;
    }
    std::size_t next = 3;
    errorExitStatus_ = 1;
    if (!word(next).empty() && word(next) != "commit" && word(next) != "rollback") {
      errorExitStatus_ = StatusFromWord(words[next], 1);
      ++next;
    }
    errorExitCommits_ = word(next) == "commit";
    exitOnError_ = true;
    return;
  }
  if (command == "set") {
    if (word(1) == "serveroutput") {
      SetServerOutput(word(2) == "on");
    }
    // Other SQL*Plus settings (echo, feedback, pagesize, ...) mean nothing here.
    return;
  }
}

// ---- Statements ------------------------------------------------------------------------------

void TSqlClient::RunStatement(const std::string& text) {
  TOracleQuery query;
  query.SetSession(&session_);
  query.SQL = SplitLines(text);
  try {
    query.Execute();
    if (const std::string warning = CompilationWarning(query); !warning.empty()) {
      out_ << "Warning: created with compilation errors.\n";
      ReportFailure(warning, 0, 0);
      if (serverOutput_ && !ExitRequested()) PrintServerOutput();
      return;
    }
    switch (query.FunctionType()) {
      case ftSelect: PrintQuery(query); break;
      case ftInsert:
      case ftUpdate:
      case ftDelete: out_ << Plural(query.RowsProcessed(), "processed") << '\n'; break;
      case ftPLSQL: out_ << "PL/SQL procedure successfully completed.\n"; break;
      default: out_ << "Statement processed.\n"; break;
    }
    out_ << '\n';
  } catch (const EOracleError& error) {
    ReportFailure(error.what(), query.ErrorLine(), query.ErrorPosition());
  } catch (const Exception& error) {
    ReportFailure(error.what(), 0, 0);
  }
  if (serverOutput_ && !ExitRequested()) PrintServerOutput();
}

void TSqlClient::PrintQuery(TOracleQuery& query) {
  std::vector<std::string> headings;
  for (int i = 0; i < query.FieldCount(); ++i) headings.push_back(query.FieldName(i));
  TResultTable table(headings);
  for (; !query.Eof(); query.Next()) {
    std::vector<std::string> row;
    for (int i = 0; i < query.FieldCount(); ++i) {
      row.push_back(FieldText(query, i));
    }
    table.AddRow(std::move(row));
  }
  if (table.RowCount() == 0) {
    out_ << "no rows selected\n";
    return;
  }
  table.Print(out_);
  out_ << '\n' << Plural(static_cast<std::int32_t>(table.RowCount()), "selected") << '\n';
  // The rows show cut values as they arrived; this line says that they are not whole.
  if (query.Truncated()) out_ << "Warning: some values were truncated to fit their column.\n";
}

void TSqlClient::ReportFailure(const std::string& message, int line, int column) {
  errorSeen_ = true;
  if (line > 0) out_ << "ERROR at line " << line << ", column " << column << ":\n";
  out_ << Trim(message) << "\n\n";
  if (exitOnError_ && !ExitRequested()) ExitWith(errorExitStatus_, errorExitCommits_);
}

// ---- Server output -----------------------------------------------------------------------------

void TSqlClient::SetServerOutput(bool on) {
  TOraclePackage package;
  package.SetSession(&session_);
  package.PackageName = "dbms_output";
  try {
    if (on) {
      package.CallProcedure("enable", {Variant(std::int32_t{kServerOutputBufferSize})});
    } else {
      package.CallProcedure("disable", {});
    }
    serverOutput_ = on;
  } catch (const std::exception& error) {
    ReportFailure(error.what(), 0, 0);
  }
}

void TSqlClient::PrintServerOutput() {
  TOraclePackage package;
  package.SetSession(&session_);
  package.PackageName = "dbms_output";
  const std::vector<Variant> outputs = {Variant::FromByte(otString), Variant::FromByte(otInteger)};
  try {
    for (int i = 0; i < kMostServerOutputLines; ++i) {
      package.CallProcedure("get_line", outputs);
      TVariables& variables = TVariables::Of(package.Query());
      const Variant status = variables.GetVariable("p2");
      if (status.IsEmpty() || status.AsInteger() != 0) break;
      const Variant line = variables.GetVariable("p1");
      out_ << (line.IsEmpty() ? std::string() : line.AsString()) << '\n';
    }
  } catch (const std::exception& error) {
    ReportFailure(error.what(), 0, 0);
  }
}

}  // namespace vek::vsql
