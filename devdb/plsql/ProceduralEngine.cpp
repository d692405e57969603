// The PL/SQL engine's entry points: which statements it takes, how they are parsed into
// prepared statements, stored functions for SQL, and the shutdown that ends every wait.
#include "devdb/plsql/ProceduralEngine.h"

#include <cctype>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/Interpreter.h"
#include "devdb/plsql/Lexer.h"
#include "devdb/plsql/Parser.h"
#include "devdb/plsql/PlsqlError.h"
#include "devdb/sql/OracleErrors.h"

namespace devdb::plsql {
namespace {

struct Word {
  std::string upper;
  size_t offset = 0;
};

// The leading words of a statement, skipping blanks and comments, stopping at the first
// character that is not part of a name or a dot.
std::vector<Word> LeadingWords(const std::string& sql, size_t count) {
  std::vector<Word> words;
  words.reserve(count);
  size_t i = 0;
  while (i < sql.size() && words.size() < count) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (sql.compare(i, 2, "--") == 0) {
      while (i < sql.size() && sql[i] != '\n') ++i;
    } else if (sql.compare(i, 2, "/*") == 0) {
      auto end = sql.find("*/", i + 2);
      i = end == std::string::npos ? sql.size() : end + 2;
    } else if (std::isalpha(c) || c == '_' || c == '$' || c == '#' || c == '"' || c >= 0x80) {
      Word word;
      word.offset = i;
      if (c == '"') {
        auto end = sql.find('"', i + 1);
        if (end == std::string::npos) break;
        word.upper = sql.substr(i + 1, end - i - 1);
        i = end + 1;
      } else {
        while (i < sql.size() &&
               (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_' ||
                sql[i] == '$' || sql[i] == '#' || static_cast<unsigned char>(sql[i]) >= 0x80)) {
          word.upper += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i])));
          ++i;
        }
      }
      words.push_back(word);
    } else if (c == '.') {
      words.push_back({".", i});
      ++i;
    } else {
      break;
    }
  }
  return words;
}

bool IsUnitKind(const std::string& word) {
  return word == "PACKAGE" || word == "PROCEDURE" || word == "FUNCTION";
}

// [schema.]name from the words at position index on; returns the position after the name.
size_t ReadName(const std::vector<Word>& words, size_t index, std::string& owner,
                std::string& name) {
  if (index >= words.size()) return index;
  name = words[index].upper;
  if (index + 2 < words.size() && words[index + 1].upper == ".") {
    owner = name;
    name = words[index + 2].upper;
    return index + 3;
  }
  return index + 1;
}

[[noreturn]] void Invalid(const std::string& sql, size_t offset) {
  (void)sql;
  throw sql::OracleErrors::At(texts::kInvalidSqlStatement, static_cast<int>(offset));
}

// A block or CALL is told by its first word alone; the server sees them far more often than
// the statements about stored code, which need the words after it.
bool IsBlockWord(const std::string& word) {
  return word == "BEGIN" || word == "DECLARE" || word == "CALL";
}

}  // namespace

ProceduralEngine::ProceduralEngine(StoredCodeCatalogue::SessionOpener openSystemSession)
    : catalogue_(std::move(openSystemSession)) {
  catalogue_.Load();
}

ProceduralEngine::~ProceduralEngine() { Shutdown(); }

bool ProceduralEngine::Handles(const std::string& sql) {
  auto leading = LeadingWords(sql, 1);
  if (leading.empty()) return false;
  if (IsBlockWord(leading[0].upper)) return true;
  auto words = LeadingWords(sql, 5);
  const std::string& first = words[0].upper;
  if (words.size() < 2) return false;
  if (first == "CREATE") {
    size_t next = 1;
    if (words[next].upper == "OR" && words.size() > next + 2 && words[next + 1].upper == "REPLACE")
      next += 2;
    if (next >= words.size()) return false;
    if (IsUnitKind(words[next].upper)) return true;
    return words[next].upper == "PUBLIC" && next + 1 < words.size() &&
           words[next + 1].upper == "SYNONYM";
  }
  if (first == "DROP") {
    if (IsUnitKind(words[1].upper)) return true;
    return words[1].upper == "PUBLIC" && words.size() > 2 && words[2].upper == "SYNONYM";
  }
  return first == "GRANT" && words[1].upper == "EXECUTE";
}

std::unique_ptr<ProceduralSession> ProceduralEngine::OpenSession(
    sql::Session& session, SessionIdentity identity,
    ProceduralSession::SessionOpener openAutonomous) {
  return std::make_unique<ProceduralSession>(*this, session, std::move(identity),
                                             std::move(openAutonomous));
}

ProceduralEngine::Parsed ProceduralEngine::ParsedBlock(const std::string& sql, bool call) {
  // Bounded in entries and in the size of a text, so that programs that paste values into
  // their blocks cannot make the cache grow without end; when full it starts again.
  constexpr std::size_t kMostBlocks = 256;
  constexpr std::size_t kLongestCachedText = 16 * 1024;
  if (sql.size() <= kLongestCachedText) {
    std::lock_guard lock(parsedMutex_);
    if (auto found = parsedBlocks_.find(sql); found != parsedBlocks_.end()) return found->second;
  }
  Parsed parsed;
  parsed.unit =
      std::make_shared<const Unit>(call ? Parser::ParseCall(sql) : Parser::ParseAnonymous(sql));
  parsed.bindNames =
      std::make_shared<const std::vector<std::string>>(ProceduralStatement::BindNamesOf(sql));
  parsed.checkedNames = std::make_shared<CheckedNames>();
  if (sql.size() <= kLongestCachedText) {
    std::lock_guard lock(parsedMutex_);
    if (parsedBlocks_.size() >= kMostBlocks) parsedBlocks_.clear();
    parsedBlocks_.emplace(sql, parsed);
  }
  return parsed;
}

std::unique_ptr<ProceduralStatement> ProceduralEngine::Prepare(ProceduralSession& session,
                                                               const std::string& sql) {
  if (shutDown_) throw sql::OracleErrors::Make(texts::kShutdown);
  ProceduralStatement::Definition definition;
  definition.text = sql;
  auto words = LeadingWords(sql, 1);
  if (words.empty()) Invalid(sql, 0);
  if (!IsBlockWord(words[0].upper)) words = LeadingWords(sql, 12);
  const std::string& first = words[0].upper;
  try {
    if (first == "BEGIN" || first == "DECLARE") {
      definition.action = ProceduralStatement::Action::Block;
      {
        Parsed parsed = ParsedBlock(sql, false);
        definition.unit = std::move(parsed.unit);
        definition.bindNames = std::move(parsed.bindNames);
        definition.checkedNames = std::move(parsed.checkedNames);
      }
    } else if (first == "CALL") {
      definition.action = ProceduralStatement::Action::Block;
      {
        Parsed parsed = ParsedBlock(sql, true);
        definition.unit = std::move(parsed.unit);
        definition.bindNames = std::move(parsed.bindNames);
        definition.checkedNames = std::move(parsed.checkedNames);
      }
    } else if (first == "CREATE") {
      size_t next = 1;
      if (next + 1 < words.size() && words[next].upper == "OR" &&
          words[next + 1].upper == "REPLACE") {
        definition.orReplace = true;
        next += 2;
      }
      if (next < words.size() && words[next].upper == "PUBLIC") {
        // CREATE [OR REPLACE] PUBLIC SYNONYM name FOR [schema.]target
        definition.action = ProceduralStatement::Action::CreateSynonym;
        std::string ignoredOwner;
        size_t after = ReadName(words, next + 2, ignoredOwner, definition.name);
        if (after >= words.size() || words[after].upper != "FOR")
          Invalid(sql, after < words.size() ? words[after].offset : sql.size());
        ReadName(words, after + 1, definition.targetOwner, definition.targetName);
        if (definition.targetName.empty()) Invalid(sql, sql.size());
      } else {
        definition.action = ProceduralStatement::Action::Create;
        size_t kindWord = next;
        if (kindWord >= words.size()) Invalid(sql, sql.size());
        bool body = words[kindWord].upper == "PACKAGE" && kindWord + 1 < words.size() &&
                    words[kindWord + 1].upper == "BODY";
        definition.kind = words[kindWord].upper == "PACKAGE"
                              ? (body ? Unit::Kind::PackageBody : Unit::Kind::Package)
                          : words[kindWord].upper == "FUNCTION" ? Unit::Kind::Function
                                                                : Unit::Kind::Procedure;
        ReadName(words, kindWord + (body ? 2 : 1), definition.owner, definition.name);
        definition.source = sql.substr(words[kindWord].offset);
        // Trailing blanks and the line end before a "/" line are not part of the source.
        while (!definition.source.empty() &&
               std::isspace(static_cast<unsigned char>(definition.source.back()))) {
          definition.source.pop_back();
        }
        try {
          definition.unit = std::make_shared<const Unit>(Parser::ParseCreate(sql));
          definition.owner = definition.unit->owner;
          definition.name = definition.unit->name;
        } catch (const PlsqlError& error) {
          // Oracle stores code that does not compile, reports a warning and refuses to run it.
          definition.compileError = error.what();
          if (definition.name.empty()) throw;
        }
      }
    } else if (first == "DROP") {
      if (words.size() > 2 && words[1].upper == "PUBLIC") {
        definition.action = ProceduralStatement::Action::DropSynonym;
        std::string ignoredOwner;
        ReadName(words, 3, ignoredOwner, definition.name);
      } else {
        definition.action = ProceduralStatement::Action::Drop;
        bool body = words[1].upper == "PACKAGE" && words.size() > 2 && words[2].upper == "BODY";
        definition.kind = words[1].upper == "PACKAGE"
                              ? (body ? Unit::Kind::PackageBody : Unit::Kind::Package)
                          : words[1].upper == "FUNCTION" ? Unit::Kind::Function
                                                         : Unit::Kind::Procedure;
        ReadName(words, body ? 3 : 2, definition.owner, definition.name);
      }
      if (definition.name.empty()) Invalid(sql, sql.size());
    } else if (first == "GRANT") {
      // GRANT EXECUTE ON [schema.]name TO grantee [, grantee ...]
      definition.action = ProceduralStatement::Action::Grant;
      if (words.size() < 3 || words[2].upper != "ON")
        Invalid(sql, words.size() > 2 ? words[2].offset : sql.size());
      size_t after = ReadName(words, 3, definition.owner, definition.name);
      if (after >= words.size() || words[after].upper != "TO")
        Invalid(sql, after < words.size() ? words[after].offset : sql.size());
      auto tokens = Lexer::Tokenize(sql.substr(words[after].offset));
      for (size_t i = 1; i < tokens.size(); ++i) {
        if (tokens[i].kind == Token::Kind::Identifier ||
            tokens[i].kind == Token::Kind::QuotedIdentifier) {
          definition.grantees.push_back(tokens[i].upper);
        } else if (!tokens[i].Is(",") && tokens[i].kind != Token::Kind::End) {
          Invalid(sql, words[after].offset + static_cast<size_t>(tokens[i].offset));
        }
      }
      if (definition.grantees.empty()) Invalid(sql, sql.size());
    } else {
      Invalid(sql, 0);
    }
  } catch (const PlsqlError& error) {
    throw sql::SqlError(error.Code(), error.FullText());
  }
  return std::make_unique<ProceduralStatement>(*this, session, std::move(definition));
}

std::optional<sql::Value> ProceduralEngine::CallFunction(ProceduralSession& session,
                                                         const std::vector<std::string>& nameParts,
                                                         const std::vector<sql::Value>& arguments) {
  std::vector<PlValue> values;
  for (const auto& argument : arguments) values.push_back(PlValue::FromSql(argument));
  try {
    Interpreter interpreter(session, nullptr);
    auto result = interpreter.CallFunction(nameParts, values);
    if (!result) return std::nullopt;
    if (result->Type() == PlType::Boolean) {
      throw sql::SqlError(texts::kCompileError.code, texts::Text(texts::kCallStatementIgnored) +
                                                         "\n" + texts::Text(texts::kCallWrongType));
    }
    return result->ToSql();
  } catch (const PlsqlError& error) {
    throw sql::SqlError(error.Code(), error.FullText());
  }
}

bool ProceduralEngine::HasFunction(ProceduralSession& session,
                                   const std::vector<std::string>& nameParts) {
  try {
    Interpreter interpreter(session, nullptr);
    return interpreter.FunctionExists(nameParts);
  } catch (const PlsqlError&) {
    return false;
  }
}

std::optional<sql::ColumnDescription> ProceduralEngine::FunctionResultType(
    ProceduralSession& session, const std::vector<std::string>& nameParts) {
  std::optional<TypeSpec> type;
  try {
    Interpreter interpreter(session, nullptr);
    type = interpreter.FunctionResultType(nameParts);
  } catch (const PlsqlError&) {
    return std::nullopt;
  }
  if (!type) return std::nullopt;
  sql::ColumnDescription column;
  switch (type->type) {
    case PlType::Number:
      column.oracleType = 2;
      column.dataSize = 22;
      column.scale = -127;
      break;
    case PlType::Date:
      column.oracleType = 12;
      column.dataSize = 7;
      break;
    case PlType::Raw:
      column.oracleType = 23;
      column.dataSize = 2000;
      break;
    case PlType::Rowid:
      column.oracleType = 11;
      column.dataSize = 10;
      break;
    default:
      // A BOOLEAN result is described like text; calling it raises PLS-00382.
      column.oracleType = 1;
      column.dataSize = 4000;
      break;
  }
  return column;
}

void ProceduralEngine::Shutdown() {
  shutDown_ = true;
  std::lock_guard lock(sessionsMutex_);
  for (ProceduralSession* session : sessions_) session->Interrupt(texts::kShutdown.code);
  room_.WakeAll();
}

void ProceduralEngine::Attach(ProceduralSession* session) {
  std::lock_guard lock(sessionsMutex_);
  sessions_.insert(session);
  if (shutDown_) session->Interrupt(texts::kShutdown.code);
}

void ProceduralEngine::Detach(ProceduralSession* session) {
  std::lock_guard lock(sessionsMutex_);
  sessions_.erase(session);
}

}  // namespace devdb::plsql
