// Raising the engine's Oracle errors from the shared table of texts.
#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {

SqlError OracleErrors::Make(const texts::OracleText& error,
                            std::initializer_list<std::string> arguments, int offset) {
  return SqlError(error.code, texts::Text(error, arguments), offset);
}

SqlError OracleErrors::Interrupted(int code) {
  if (code == texts::kSessionKilled.code) return Make(texts::kSessionKilled);
  if (code == texts::kUserCancel.code) return Make(texts::kUserCancel);
  if (code == texts::kShutdown.code) return Make(texts::kShutdown);
  return SqlError(code, texts::Prefix(code));
}

SqlError OracleErrors::FromMessage(const std::string& message) {
  if (message.size() > 10 && message.compare(0, 4, "ORA-") == 0 && message[9] == ':') {
    try {
      return SqlError(std::stoi(message.substr(4, 5)), message);
    } catch (const std::exception&) {
    }
  }
  // SQLite's own parser takes less nesting than Oracle's (its stack holds 100 entries): a
  // statement devdb accepted but SQLite cannot parse is beyond what devdb carries out.
  if (message == "parser stack overflow" || message.starts_with("Expression tree is too large"))
    return Make(texts::kUnimplemented);
  return Make(texts::kInternalError, {message});
}

}  // namespace devdb::sql
