// The script runner: one connection, one session, each statement prepared and executed in
// turn. A statement that compiles with errors counts as failed, since a set-up that leaves
// invalid code behind has not done its job.
#include "devdb/server/ScriptRunner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "devdb/client/Connection.h"
#include "devdb/client/ServerError.h"
#include "devdb/plsql/ScriptSplitter.h"

namespace devdb::server {
namespace {

using protocol::WireValue;

constexpr int kSelectStatementType = 1;
constexpr std::uint32_t kRowsPerFetch = 500;

bool IsUtf8(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                         : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    if (length == 2 && lead < 0xC2) return false;  // overlong
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

std::string Show(const WireValue& value) {
  char text[40];
  switch (value.kind) {
    case WireValue::Kind::Null: return "";
    case WireValue::Kind::Date:
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", value.date.year,
                    value.date.month, value.date.day, value.date.hour, value.date.minute,
                    value.date.second);
      return text;
    case WireValue::Kind::Raw: {
      std::string hex;
      for (std::uint8_t byte : value.bytes) {
        std::snprintf(text, sizeof text, "%02X", byte);
        hex += text;
      }
      return hex;
    }
    default: return value.text;
  }
}

void PrintRow(std::ostream& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "\t" : "") << fields[i];
  out << "\n";
}

void RunQuery(client::Connection& connection, const protocol::PrepareReply& prepared,
              std::ostream& out) {
  std::vector<std::string> names;
  for (const auto& column : prepared.columns) names.push_back(column.name);
  PrintRow(out, names);
  protocol::ExecuteRequest request;
  request.cursor = prepared.cursor;
  request.prefetchRows = kRowsPerFetch;
  protocol::ExecuteReply executed = connection.Execute(request);
  std::vector<protocol::WireRow> rows = std::move(executed.rows);
  bool end = executed.endOfFetch;
  for (;;) {
    for (const auto& row : rows) {
      std::vector<std::string> fields;
      for (const auto& value : row) fields.push_back(Show(value));
      PrintRow(out, fields);
    }
    if (end) break;
    protocol::FetchReply more = connection.Fetch(prepared.cursor, kRowsPerFetch);
    rows = std::move(more.rows);
    end = more.endOfFetch;
  }
}

// The script line of a parse error: the statement's first line plus the line breaks before
// the error's offset.
int ErrorLine(const plsql::ScriptStatement& statement, int offset) {
  int line = statement.line;
  const std::size_t stop = std::min<std::size_t>(offset < 0 ? 0 : offset, statement.text.size());
  for (std::size_t i = 0; i < stop; ++i)
    if (statement.text[i] == '\n') ++line;
  return line;
}

}  // namespace

std::string ScriptRunner::Decode(const std::string& bytes) {
  std::string text = bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
  if (IsUtf8(text)) return text;
  return plsql::ScriptSplitter::FromWindows1252(bytes);
}

int ScriptRunner::Run(const ServerOptions& options, std::ostream& out, std::ostream& errors) {
  std::ifstream file(options.runFile, std::ios::binary);
  if (!file) {
    errors << "devdb: cannot read " << options.runFile << "\n";
    return 1;
  }
  std::ostringstream bytes;
  bytes << file.rdbuf();
  const std::vector<plsql::ScriptStatement> statements =
      plsql::ScriptSplitter::Split(Decode(bytes.str()));

  try {
    client::Connection connection(options.connectHost, options.connectPort);
    const char* osUser = std::getenv("USER");
    protocol::LogonReply logon = connection.LogOn({options.runUser, options.runPassword,
                                                   protocol::WireConnectMode::Normal,
                                                   osUser ? osUser : "", "localhost", "devdb --run"});
    if (logon.warning.code != 0) errors << "devdb: " << logon.warning.message << "\n";
    for (const plsql::ScriptStatement& statement : statements) {
      try {
        protocol::PrepareReply prepared = connection.Prepare(statement.text);
        if (prepared.statementType == kSelectStatementType) {
          RunQuery(connection, prepared, out);
        } else {
          protocol::ExecuteRequest request;
          request.cursor = prepared.cursor;
          protocol::ExecuteReply reply = connection.Execute(request);
          if (!reply.warning.empty()) {
            errors << "devdb: " << options.runFile << " line " << statement.line << ": "
                   << reply.warning << "\n";
            return 1;
          }
        }
        connection.CloseCursor(prepared.cursor);
      } catch (const client::ServerError& error) {
        errors << "devdb: " << options.runFile << " line " << ErrorLine(statement, error.Offset())
               << ": " << error.what() << "\n";
        return 1;
      }
    }
    connection.Commit();
  } catch (const client::ServerError& error) {
    errors << "devdb: " << error.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace devdb::server
