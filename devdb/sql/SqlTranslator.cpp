// The translator's entry point and the parser's dispatch on a statement's first word, with
// what every statement family shares (object names and their resolution against the
// catalogue) and the short transaction and session commands (COMMIT, ROLLBACK, SAVEPOINT,
// ALTER SESSION, ALTER SYSTEM KILL SESSION).
#include "devdb/sql/SqlTranslator.h"

#include <set>
#include <string>

#include "devdb/sql/SqlTranslatorParser.h"

namespace devdb::sql {
namespace translation {

// PL/SQL text is only classified here, so it is split leniently; in SQL a semicolon is an
// invalid character, as Oracle reports for a statement sent with one.
std::vector<Token> Split(const std::string& sql) {
  std::vector<Token> tokens = Tokenizer::Split(sql, true);
  const Token& first = tokens.front();
  const bool procedural =
      first.Is("BEGIN") || first.Is("DECLARE") || first.Is("CALL") ||
      (first.Is("CREATE") && tokens.size() > 2 &&
       (tokens[1].Is("PROCEDURE") || tokens[1].Is("FUNCTION") || tokens[1].Is("PACKAGE") ||
        tokens[1].Is("TRIGGER") || tokens[1].Is("TYPE") || tokens[1].Is("OR")));
  if (procedural) return tokens;
  tokens = Tokenizer::Split(sql);
  for (const Token& token : tokens)
    if (token.IsSymbol(";")) throw OracleErrors::At(texts::kInvalidCharacter, token.offset);
  return tokens;
}

TranslatedStatement Parser::Run() {
  TranslatedStatement out;
  // Bind variables are numbered in the order of their first appearance in the text, whatever
  // order the parser meets them in (it reads a FROM clause before its select list).
  for (const Token& token : tokens_)
    if (token.kind == Token::Kind::Bind) Bind(token.text);
  const Token& first = Peek();
  auto setCodes = [&](int type, int function) {
    out.info.statementType = type;
    out.info.sqlFunctionCode = function;
  };
  if (first.Is("SELECT") || first.Is("WITH") || first.IsSymbol("(")) {
    setCodes(1, 4);
    ParseSelectStatement(out);
  } else if (first.Is("INSERT")) {
    setCodes(4, 3);
    ParseInsert(out);
  } else if (first.Is("UPDATE")) {
    setCodes(2, 5);
    ParseUpdate(out);
  } else if (first.Is("DELETE")) {
    setCodes(3, 9);
    ParseDelete(out);
  } else if (first.Is("CREATE")) {
    setCodes(5, 1);
    ParseCreate(out);
  } else if (first.Is("DROP")) {
    setCodes(6, 8);
    ParseDrop(out);
  } else if (first.Is("TRUNCATE")) {
    setCodes(0, 85);
    Next();
    Expect("TABLE", texts::kMissingKeyword);
    const Token& at = Peek();
    auto [owner, name] = ParseObjectName();
    TableDefinition definition;
    const Source source = ResolveTable(owner, name, at, &definition, TableAccess::Ddl);
    ExpectEnd();
    out.kind = StatementKind::TruncateTable;
    out.drop = {definition.owner, definition.name, false};
    out.sqlite = "DELETE FROM " + source.reference;
  } else if (first.Is("ALTER")) {
    setCodes(7, 0);
    ParseAlter(out);
  } else if (first.Is("GRANT") || first.Is("REVOKE")) {
    const bool grant = first.Is("GRANT");
    setCodes(0, grant ? 28 : 29);
    Next();
    ParseGrant(out, grant);
  } else if (first.Is("COMMIT") || first.Is("ROLLBACK")) {
    const bool commit = first.Is("COMMIT");
    setCodes(0, commit ? 54 : 55);
    Next();
    Accept("WORK");
    if (!commit && Accept("TO")) {
      Accept("SAVEPOINT");
      out.savepoint = Name(texts::kNotProperlyEnded);
      ExpectEnd();
      out.kind = StatementKind::RollbackToSavepoint;
      out.info.bindNames = bindNames_;
      return out;
    }
    if (commit && Accept("COMMENT")) {
      if (Peek().kind != Token::Kind::String) Fail(texts::kMissingKeyword);
      Next();
    }
    ExpectEnd();
    out.kind = commit ? StatementKind::Commit : StatementKind::Rollback;
  } else if (first.Is("BEGIN") || first.Is("DECLARE")) {
    setCodes(first.Is("BEGIN") ? 8 : 9, 34);
    out.kind = StatementKind::PlsqlBlock;
  } else if (first.Is("CALL")) {
    setCodes(10, 34);
    out.kind = StatementKind::PlsqlBlock;
  } else if (first.Is("SAVEPOINT")) {
    setCodes(0, 56);
    Next();
    out.kind = StatementKind::Savepoint;
    out.savepoint = Name(texts::kNotProperlyEnded);
    ExpectEnd();
  } else if (first.Is("MERGE") || first.Is("LOCK") || first.Is("EXPLAIN") || first.Is("RENAME") ||
             first.Is("COMMENT") || first.Is("ANALYZE") || first.Is("AUDIT") ||
             first.Is("NOAUDIT") ||
             (first.Is("SET") && (Peek(1).Is("TRANSACTION") || Peek(1).Is("ROLE")))) {
    // Oracle statements that devdb does not carry out.
    Fail(texts::kUnimplemented, first);
  } else {
    Fail(texts::kInvalidSqlStatement, first);
  }
  out.info.bindNames = bindNames_;
  out.refreshSessions = refreshSessions_;
  return out;
}

std::pair<std::string, std::string> Parser::ParseObjectName() {
  std::string first = Name(texts::kInvalidTableName);
  if (AcceptSymbol(".")) return {first, Name(texts::kInvalidTableName)};
  if (Peek().IsSymbol("@")) Fail(texts::kUnimplemented);
  return {"", first};
}

Source Parser::ResolveTable(const std::string& owner, const std::string& name, const Token& at,
                            TableDefinition* found, TableAccess access) {
  if (owner.empty()) {
    for (auto named = namedQueries_.rbegin(); named != namedQueries_.rend(); ++named) {
      if (named->first != name) continue;
      Source source;
      source.alias = name;
      source.reference = Quote("WITH." + name);
      source.columns = named->second;
      return source;
    }
  }
  std::optional<TableDefinition> definition;
  if (!owner.empty()) {
    definition = catalogue_.FindObject(owner, name);
  } else {
    definition = catalogue_.FindObject(state_.schema, name);
    if (!definition) definition = catalogue_.FindPublic(name);
  }
  if (!definition || definition->kind == "INDEX") Fail(texts::kTableOrViewDoesNotExist, at);
  Privileges(catalogue_, state_).CheckTable(*definition, access, at.offset);
  if (definition->refreshedPerStatement) refreshSessions_ = true;
  if (found) *found = *definition;
  Source source;
  source.alias = name;
  source.reference = definition->storage;
  source.owner = definition->owner;
  source.table = definition->name;
  source.objectId = definition->kind == "TABLE" ? definition->objectId : 0;
  source.columns = definition->columns;
  return source;
}

void Parser::ParseAlterSession(TranslatedStatement& out) {
  out.info.sqlFunctionCode = 52;
  out.kind = StatementKind::AlterSession;
  Expect("SET", texts::kInvalidAlterSessionOption);
  static const std::set<std::string> known = {
      "NLS_DATE_FORMAT", "SQL_TRACE",       "OPTIMIZER_GOAL",
      "OPTIMIZER_MODE",  "ISOLATION_LEVEL", "CURRENT_SCHEMA",
      "NLS_LANGUAGE",    "NLS_TERRITORY",   "NLS_NUMERIC_CHARACTERS"};
  do {
    const Token& nameAt = Peek();
    const std::string name = Name(texts::kInvalidAlterSessionOption);
    if (!known.count(name)) Fail(texts::kInvalidAlterSessionOption, nameAt);
    ExpectSymbol("=", texts::kInvalidAlterSessionOption);
    const Token& value = Peek();
    std::string text;
    if (value.kind == Token::Kind::String || value.kind == Token::Kind::Number ||
        value.kind == Token::Kind::QuotedName) {
      text = Next().text;
    } else if (value.kind == Token::Kind::Word) {
      text = Next().text;
      // READ COMMITTED: the value may be two words.
      if (name == "ISOLATION_LEVEL" && Peek().kind == Token::Kind::Word) text += " " + Next().text;
    } else {
      Fail(texts::kInvalidAlterSessionOption);
    }
    out.settings.emplace_back(name, text);
  } while (Peek().kind == Token::Kind::Word);
  ExpectEnd();
}

void Parser::ParseAlterSystem(TranslatedStatement& out) {
  out.info.sqlFunctionCode = 49;
  out.kind = StatementKind::KillSession;
  if (!Accept("KILL") && !Accept("DISCONNECT")) Fail(texts::kIllegalAlterSystemOption);
  Expect("SESSION", texts::kIllegalAlterSystemOption);
  const Token& value = Peek();
  if (value.kind != Token::Kind::String) Fail(texts::kIllegalAlterSystemOption);
  Next();
  const std::string text = value.text;
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) Fail(texts::kInvalidSessionId, value);
  auto field = [&](std::string part) {
    while (!part.empty() && part.front() == ' ') part.erase(0, 1);
    while (!part.empty() && part.back() == ' ') part.pop_back();
    const int number = SmallInteger(part);
    if (number < 0) Fail(texts::kInvalidSessionId, value);
    return number;
  };
  out.killSid = field(text.substr(0, comma));
  std::string serial = text.substr(comma + 1);
  if (const std::size_t instance = serial.find(','); instance != std::string::npos)
    serial.resize(instance);  // 'sid,serial#,@instance'
  out.killSerial = field(serial);
  Accept("POST_TRANSACTION");
  Accept("IMMEDIATE");
  ExpectEnd();
}

}  // namespace translation

TranslatedStatement SqlTranslator::Translate(const std::string& sql) {
  try {
    translation::Parser parser(sql, catalogue_, state_, functions_);
    return parser.Run();
  } catch (const SqlError& error) {
    throw SqlError(error.Code(), error.what(), Tokenizer::CharacterOffset(sql, error.Offset()));
  }
}

}  // namespace devdb::sql
