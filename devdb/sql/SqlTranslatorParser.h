// The parser behind SqlTranslator, shared by the files that hold its parts (one per
// statement family): the Expr that every expression parse returns, the describe helpers and
// the Parser class itself. Only the SqlTranslator*.cpp files include it.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "devdb/common/OracleTexts.h"
#include "devdb/sql/Catalogue.h"
#include "devdb/sql/ExtendedTypes.h"
#include "devdb/sql/OracleErrors.h"
#include "devdb/sql/Privileges.h"
#include "devdb/sql/SqlTranslator.h"
#include "devdb/sql/Tokenizer.h"

namespace devdb::sql::translation {

// What ROWNUM in a select list becomes; found anywhere else it is a ROWNUM that devdb cannot
// express, and the statement is refused.
inline constexpr const char* kRownumSql = "row_number() OVER ()";

// Type codes as describe reports them; 0 marks a bind variable whose type comes at run time.
inline constexpr int kVarchar = 1, kNumber = 2, kLong = 8, kRowid = 11, kDate = 12, kRaw = 23,
                     kLongRaw = 24, kChar = 96, kUnknown = 0;

inline ColumnDescription TypeOf(int code, int size = 0, int precision = 0, int scale = 0) {
  return {"", code, size, precision, scale, true};
}
inline ColumnDescription NumberType() { return TypeOf(kNumber, 22, 0, -127); }
inline ColumnDescription VarcharType(int size) {
  return TypeOf(kVarchar, std::min(std::max(size, 0), 4000));
}
inline ColumnDescription DateType() { return TypeOf(kDate, 7); }

inline bool IsText(const ColumnDescription& t) {
  return t.oracleType == kVarchar || t.oracleType == kChar || t.oracleType == kLong ||
         t.oracleType == kRowid;
}
inline bool IsNumber(const ColumnDescription& t) { return t.oracleType == kNumber; }
inline bool IsDate(const ColumnDescription& t) { return t.oracleType == kDate; }
inline bool IsRaw(const ColumnDescription& t) {
  return t.oracleType == kRaw || t.oracleType == kLongRaw;
}

inline int TextSize(const ColumnDescription& t) {
  if (IsNumber(t)) return 40;
  if (IsDate(t)) return 75;
  if (t.oracleType == kRowid) return 18;
  if (ExtendedTypes::Handles(t.oracleType)) return ExtendedTypes::TextLength(t.oracleType);
  if (IsRaw(t)) return t.dataSize * 2;
  if (t.oracleType == kUnknown || t.oracleType == kLong) return 4000;
  return t.dataSize;
}

// A small non-negative integer written in the statement (a length, a precision, a count),
// or -1 for anything else: a fraction, an exponent, or more digits than any limit allows.
inline int SmallInteger(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoi(text);
}

inline std::string Quote(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

inline std::string Literal(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  return quoted + "'";
}

inline const std::set<std::string>& Reserved() {
  static const std::set<std::string> words = {
      "SELECT",    "FROM",   "WHERE",    "GROUP", "HAVING",   "ORDER", "UNION",  "MINUS",
      "INTERSECT", "ON",     "JOIN",     "INNER", "LEFT",     "RIGHT", "FULL",   "CROSS",
      "OUTER",     "AND",    "OR",       "NOT",   "CONNECT",  "START", "AS",     "BY",
      "INTO",      "VALUES", "SET",      "WITH",  "NATURAL",  "USING", "FOR",    "IS",
      "IN",        "LIKE",   "BETWEEN",  "NULL",  "DISTINCT", "ALL",   "UNIQUE", "ASC",
      "DESC",      "CASE",   "WHEN",     "THEN",  "ELSE",     "END",   "EXISTS", "PRIOR",
      "ANY",       "SOME",   "RETURNING"};
  return words;
}

struct Expr {
  std::string sql;
  ColumnDescription type = VarcharType(0);
  bool condition = false;
  bool aggregate = false;
  bool nullLiteral = false;
  bool rownum = false;
  std::optional<std::string> stringLiteral;
  std::optional<std::string> numberLiteral;
  std::vector<std::pair<std::string, int>> bareColumns;  // column SQL and token offset
  std::string name;  // a plain column reference's name, for describe
};

struct Source {
  std::string alias;      // as Oracle code refers to it
  std::string reference;  // what the SQLite text uses in front of a column
  std::string owner;
  std::string table;
  std::int64_t objectId = 0;  // 0 for a subquery (no ROWID)
  std::vector<ColumnDescription> columns;
  bool levels = false;  // DUAL turned into a row generator by CONNECT BY LEVEL
};

struct Scope {
  std::vector<Source> sources;
};

struct QueryResult {
  std::string sql;
  std::vector<ColumnDescription> columns;
};

struct BlockResult {
  std::string sql;
  std::vector<ColumnDescription> columns;
  std::optional<std::string> limit;  // from WHERE ROWNUM <= n
  bool grouped = false;              // aggregates, GROUP BY or DISTINCT
};

// The tokens of one statement (see SqlTranslator.cpp for what a semicolon means).
std::vector<Token> Split(const std::string& sql);

// Carries what an operand brings along (aggregates, bare columns) into the expression around it.
inline void Merge(Expr& into, const Expr& from) {
  into.aggregate = into.aggregate || from.aggregate;
  into.bareColumns.insert(into.bareColumns.end(), from.bareColumns.begin(), from.bareColumns.end());
}

class Parser {
 public:
  Parser(const std::string& sql, Catalogue& catalogue, const SessionState& state,
         const SqlTranslator::FunctionLookup& functions)
      : sql_(sql),
        tokens_(Split(sql)),
        catalogue_(catalogue),
        state_(state),
        functions_(functions) {}

  TranslatedStatement Run();

 private:
  // --- tokens ------------------------------------------------------------------------
  const Token& Peek(std::size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  const Token& Next() {
    const Token& token = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return token;
  }
  bool Accept(std::string_view word) {
    if (!Peek().Is(word)) return false;
    Next();
    return true;
  }
  bool AcceptSymbol(std::string_view symbol) {
    if (!Peek().IsSymbol(symbol)) return false;
    Next();
    return true;
  }
  [[noreturn]] void Fail(const texts::OracleText& error, const Token& token,
                         std::initializer_list<std::string> args = {}) {
    throw OracleErrors::Make(error, args, token.offset);
  }
  [[noreturn]] void Fail(const texts::OracleText& error) { Fail(error, Peek()); }
  void Expect(std::string_view word, const texts::OracleText& error) {
    if (!Accept(word)) Fail(error);
  }
  void ExpectSymbol(std::string_view symbol, const texts::OracleText& error) {
    if (!AcceptSymbol(symbol)) Fail(error);
  }
  void ExpectEnd() {
    if (Peek().kind != Token::Kind::End) Fail(texts::kNotProperlyEnded);
  }
  bool AtName() const {
    return Peek().kind == Token::Kind::QuotedName ||
           (Peek().kind == Token::Kind::Word && !Reserved().count(Peek().text));
  }
  std::string Name(const texts::OracleText& error = texts::kInvalidIdentifier) {
    if (Peek().kind == Token::Kind::QuotedName || Peek().kind == Token::Kind::Word) {
      if (Peek().text.size() > 128) Fail(texts::kIdentifierTooLong);
      return Next().text;
    }
    Fail(error);
  }
  std::string SourceText(std::size_t first, std::size_t last) const {
    return sql_.substr(static_cast<std::size_t>(tokens_[first].offset),
                       static_cast<std::size_t>(tokens_[last].endOffset - tokens_[first].offset));
  }
  // How Oracle names an unaliased expression: its text upper-cased without blanks,
  // quoted parts kept as written.
  std::string DerivedName(std::size_t first, std::size_t last) const {
    std::string name;
    for (std::size_t k = first; k <= last; ++k) {
      const Token& token = tokens_[k];
      if (token.kind == Token::Kind::String) {
        std::string literal = sql_.substr(static_cast<std::size_t>(token.offset),
                                          static_cast<std::size_t>(token.endOffset - token.offset));
        for (char& c : literal) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        name += literal;
      } else if (token.kind == Token::Kind::QuotedName) {
        name += sql_.substr(static_cast<std::size_t>(token.offset),
                            static_cast<std::size_t>(token.endOffset - token.offset));
      } else if (token.kind == Token::Kind::Bind) {
        name += ":" + token.text;
      } else {
        name += token.text;
      }
    }
    return name.size() > 128 ? name.substr(0, 128) : name;
  }

  // --- statements: the dispatch, names and session commands (SqlTranslator.cpp) -------
  std::pair<std::string, std::string> ParseObjectName();  // owner, name
  Source ResolveTable(const std::string& owner, const std::string& name, const Token& at,
                      TableDefinition* found = nullptr, TableAccess access = TableAccess::Select);
  void ParseAlterSession(TranslatedStatement& out);
  void ParseAlterSystem(TranslatedStatement& out);

  // --- DML (SqlTranslatorDml.cpp) ------------------------------------------------------
  void ParseInsert(TranslatedStatement& out);
  void ParseUpdate(TranslatedStatement& out);
  void ParseDelete(TranslatedStatement& out);
  std::string ParseDmlWhere();
  std::string ParseReturning(TranslatedStatement& out, const Source& target);
  std::string StoreValue(const Expr& value, const ColumnDescription& column,
                         const std::string& fullName, const Token& at);

  // --- DDL (SqlTranslatorDdl.cpp) ------------------------------------------------------
  void ParseCreate(TranslatedStatement& out);
  void ParseCreateTable(TranslatedStatement& out);
  void ParseCreateIndex(TranslatedStatement& out, bool unique);
  void ParseDrop(TranslatedStatement& out);
  void ParseAlter(TranslatedStatement& out);
  ColumnDescription ParseDataType();

  // --- users and privileges (SqlTranslatorGrants.cpp) ----------------------------------
  void ParseCreateUser(TranslatedStatement& out);
  void ParseAlterUser(TranslatedStatement& out);
  void ParseUserOptions(UserSpec& user, bool create);
  std::string ParsePassword();
  void ParseGrant(TranslatedStatement& out, bool grant);

  // --- queries (SqlTranslatorQueries.cpp) ----------------------------------------------
  // The first token from `start` on this block's own level (outside parentheses) that is one
  // of `wanted`; nothing when one of `ending` or the block's end comes first.
  std::optional<std::size_t> FindAtThisLevel(std::size_t start,
                                             std::initializer_list<const char*> wanted,
                                             std::initializer_list<const char*> ending) const;
  void ParseSelectStatement(TranslatedStatement& out);
  QueryResult ParseQuery(bool positional);
  QueryResult ParseQueryBody(bool positional);
  BlockResult ParseQueryTerm(bool positional);
  BlockResult ParseQueryBlock(bool positional, Scope& scope, std::vector<std::string>& names);
  // names: the select list's Oracle names; aliases: what the SQLite text calls them.
  std::string ParseOrderBy(Scope* scope, const std::vector<std::string>& names,
                           const std::vector<std::string>& aliases);
  std::string ParseFromClause(Scope& scope);
  std::string ParseTableReference(Scope& scope);

  // --- expressions (SqlTranslatorExpressions.cpp) --------------------------------------
  Expr ParseCondition();
  Expr ParseAnd();
  Expr ParseNot();
  Expr ParsePredicate();
  Expr ParseExpression();
  Expr ParseTerm();
  Expr ParseFactor();
  Expr ParsePrimary();
  Expr ParseName();
  Expr ParseCase();
  Expr ParseSubqueryValue();
  Expr Column(const Source& source, const ColumnDescription& column, const Token& at);
  Expr Rowid(const Source& source, const Token& at);
  Expr RequireValue(Expr e, const Token& at) {
    if (e.condition) Fail(texts::kMissingRightParenthesis, at);
    return e;
  }
  std::string AsNumber(const Expr& e, const Token& at);
  std::string AsText(const Expr& e);
  std::string AsDate(const Expr& e, const Token& at);
  Expr Compare(Expr left, const std::string& op, Expr right, const Token& at);

  // --- function calls (SqlTranslatorFunctions.cpp) -------------------------------------
  // A call of a built-in or stored function; the name is followed by its parenthesis.
  Expr ParseFunction(const std::string& name, const Token& at);
  // The functions whose parentheses hold more than a list of values (COUNT(*), DISTINCT,
  // TRIM(... FROM ...), CAST(... AS type)) read their own arguments.
  using SpecialForm = Expr (Parser::*)(const std::string& name, const Token& at);
  static const std::map<std::string, SpecialForm>& SpecialForms();
  Expr ParseAggregate(const std::string& name, const Token& at);
  Expr ParseTrim(const std::string& name, const Token& at);
  Expr ParseCast(const std::string& name, const Token& at);
  // The others get their arguments parsed and write the call's SQLite text and type.
  struct FunctionCall;
  using BuiltinFunction = void (*)(FunctionCall& call);
  static const std::map<std::string, BuiltinFunction>& BuiltinFunctions();
  std::optional<ColumnDescription> StoredFunction(const std::vector<std::string>& parts) const {
    if (!functions_) return std::nullopt;
    return functions_(parts);
  }
  Expr StoredFunctionCall(const std::vector<std::string>& parts, const ColumnDescription& type,
                          const std::vector<Expr>& args);

  // The SQLite parameter (?n) that stands for a bind variable.
  std::string Bind(const std::string& name) {
    auto found = std::find(bindNames_.begin(), bindNames_.end(), name);
    if (found == bindNames_.end()) {
      bindNames_.push_back(name);
      return "?" + std::to_string(bindNames_.size());
    }
    return "?" + std::to_string(found - bindNames_.begin() + 1);
  }

  // --- state -------------------------------------------------------------------------
  const std::string& sql_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  Catalogue& catalogue_;
  const SessionState& state_;
  const SqlTranslator::FunctionLookup& functions_;
  std::vector<std::string> bindNames_;
  std::vector<Scope*> scopes_;
  bool refreshSessions_ = false;
  bool aggregatesAllowed_ = true;
  int subqueryCounter_ = 0;
  // Set just before the query of a scalar subquery is parsed, taken by its first block.
  bool scalarSubquery_ = false;
  // Queries named by WITH clauses being parsed, innermost last.
  std::vector<std::pair<std::string, std::vector<ColumnDescription>>> namedQueries_;
  // CONNECT BY LEVEL <= n on DUAL: the generator's limit while its FROM clause is parsed.
  std::optional<std::string> levelLimit_;
  // ROWNUM: a limit found in the WHERE clause being parsed, and whether an OR or NOT
  // surrounds the place where it was found (which a LIMIT cannot express).
  std::optional<std::string>* rownumLimit_ = nullptr;
  int rownumDepth_ = 0;

  // Every recursive path of the parser passes through one of these guards (a parenthesis,
  // NOT, a sign, CASE, a function call, a query), so that no text, however deep, can run
  // the thread out of stack. Oracle documents 255 levels of nested subqueries (ORA-01778);
  // expressions get the same bound, refused with Oracle's error for an expression too
  // deep to parse (ORA-03095).
  static constexpr int kMaxNesting = 255;
  int nesting_ = 0;
  class Nesting {
   public:
    Nesting(Parser& parser, bool query) : parser_(parser) {
      if (++parser_.nesting_ > kMaxNesting) {
        --parser_.nesting_;
        if (query) parser_.Fail(texts::kSubqueryNestingTooDeep);
        parser_.Fail(texts::kExpressionTooDeep, parser_.Peek(), {std::to_string(kMaxNesting)});
      }
    }
    ~Nesting() { --parser_.nesting_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

   private:
    Parser& parser_;
  };
};

}  // namespace devdb::sql::translation
