// Recursive-descent parser for the PL/SQL subset the development server runs. Operator
// precedence follows Oracle's: OR, AND, NOT, comparisons, then || + -, then * /, then signs.
#include "devdb/plsql/Parser.h"

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"

namespace devdb::plsql {
namespace {

bool IsStatementEnd(const Token& token) {
  return token.Is("END") || token.Is("ELSE") || token.Is("ELSIF") || token.Is("EXCEPTION") ||
         token.Is("WHEN") || token.kind == Token::Kind::End;
}

bool IsReserved(const Token& token) {
  static const char* words[] = {"BEGIN",  "END",       "DECLARE", "IF",    "THEN", "ELSE",
                                "ELSIF",  "LOOP",      "WHILE",   "FOR",   "EXIT", "WHEN",
                                "RETURN", "EXCEPTION", "IS",      "AS",    "AND",  "OR",
                                "NOT",    "IN",        "FROM",    "WHERE", "INTO", "SELECT"};
  if (token.kind != Token::Kind::Identifier) return false;
  for (const char* word : words) {
    if (token.upper == word) return true;
  }
  return false;
}

constexpr int kMaxNesting = 500;

ExprPtr MakeExpr(Expr::Kind kind, const Token& at) {
  auto expr = std::make_unique<Expr>();
  expr->kind = kind;
  expr->line = at.line;
  expr->column = at.column;
  return expr;
}

}  // namespace

void Parser::Enter() {
  if (++nesting_ > kMaxNesting) {
    const Token& token = Peek();
    throw PlsqlError(texts::kCompileError,
                     {std::to_string(token.line - firstLine_ + 1), std::to_string(token.column),
                      texts::Text(texts::kProgramTooLarge)});
  }
}

const Token& Parser::Peek(size_t ahead) const {
  size_t index = std::min(position_ + ahead, tokens_.size() - 1);
  return tokens_[index];
}

const Token& Parser::Next() {
  const Token& token = Peek();
  if (position_ < tokens_.size() - 1) ++position_;
  return token;
}

bool Parser::Accept(const char* word) {
  if (!Peek().Is(word)) return false;
  Next();
  return true;
}

void Parser::Fail(const Token& token, const std::string& expected) const {
  std::string symbol = token.kind == Token::Kind::End ? "end-of-file" : token.text;
  if (token.kind == Token::Kind::Bind) symbol = ":" + token.text;
  if (token.kind == Token::Kind::String) symbol = token.text;
  throw PlsqlError(
      texts::kCompileError,
      {std::to_string(token.line - firstLine_ + 1), std::to_string(token.column),
       texts::Text(texts::kEncounteredExpecting, {symbol}) + "\n\n   " + expected + "\n"});
}

const Token& Parser::Expect(const char* word, const char* expected) {
  if (!Peek().Is(word)) Fail(Peek(), expected ? expected : word);
  return Next();
}

std::string Parser::ExpectIdentifier(const char* expected) {
  const Token& token = Peek();
  if ((token.kind != Token::Kind::Identifier && token.kind != Token::Kind::QuotedIdentifier) ||
      IsReserved(token)) {
    Fail(token, expected);
  }
  Next();
  return token.upper;
}

Unit Parser::ParseAnonymous(const std::string& source) {
  Parser parser(Lexer::Tokenize(source));
  Unit unit;
  unit.kind = Unit::Kind::Anonymous;
  bool declare = parser.Accept("DECLARE");
  if (!declare && !parser.Peek().Is("BEGIN")) parser.Fail(parser.Peek(), "begin declare");
  unit.block = parser.ParseBlockAfterDeclare(declare);
  parser.Accept(";");
  if (parser.Peek().kind != Token::Kind::End) parser.Fail(parser.Peek(), "end-of-file");
  return unit;
}

Unit Parser::ParseCall(const std::string& source) {
  Parser parser(Lexer::Tokenize(source));
  const Token& start = parser.Expect("CALL");
  auto call = parser.ParseNameOrCall();
  parser.Accept(";");
  if (parser.Peek().kind != Token::Kind::End) parser.Fail(parser.Peek(), "end-of-file");
  auto stmt = std::make_unique<Stmt>();
  stmt->kind = Stmt::Kind::Call;
  stmt->line = start.line;
  stmt->column = start.column;
  stmt->value = std::move(call);
  Unit unit;
  unit.block = std::make_shared<Block>();
  unit.block->hasBody = true;
  unit.block->line = start.line;
  unit.block->body.push_back(std::move(stmt));
  return unit;
}

Unit Parser::ParseCreate(const std::string& source) {
  Parser parser(Lexer::Tokenize(source));
  parser.Expect("CREATE");
  if (parser.Accept("OR")) parser.Expect("REPLACE");
  const Token& kindToken = parser.Peek();
  parser.firstLine_ = kindToken.line;
  Unit unit;
  unit.firstLine = kindToken.line;
  auto readName = [&] {
    std::string name = parser.ExpectIdentifier();
    if (parser.Accept(".")) {
      unit.owner = name;
      name = parser.ExpectIdentifier();
    }
    unit.name = name;
  };
  if (parser.Accept("PACKAGE")) {
    bool body = parser.Accept("BODY");
    unit.kind = body ? Unit::Kind::PackageBody : Unit::Kind::Package;
    readName();
    if (!parser.Accept("IS")) parser.Expect("AS", "is as");
    unit.block = std::make_shared<Block>();
    unit.block->line = kindToken.line;
    parser.ParseDeclarations(*unit.block, true);
    if (body && parser.Accept("BEGIN")) {
      unit.block->hasBody = true;
      parser.ParseBodyAndHandlers(*unit.block);
    }
    parser.Expect("END", body ? "begin end function procedure" : "end function procedure");
    if (parser.Peek().kind == Token::Kind::Identifier && !parser.Peek().Is(";")) parser.Next();
  } else if (parser.Peek().Is("PROCEDURE") || parser.Peek().Is("FUNCTION")) {
    bool isFunction = parser.Next().Is("FUNCTION");
    unit.kind = isFunction ? Unit::Kind::Function : Unit::Kind::Procedure;
    auto subprogram = parser.ParseSubprogramHead(isFunction);
    if (subprogram->name.find('.') != std::string::npos) {
      unit.owner = subprogram->name.substr(0, subprogram->name.find('.'));
      subprogram->name = subprogram->name.substr(subprogram->name.find('.') + 1);
    }
    unit.name = subprogram->name;
    if (!parser.Accept("IS")) parser.Expect("AS", "is as");
    subprogram->body = parser.ParseBlockAfterDeclare(true);
    unit.subprogram = subprogram;
  } else {
    parser.Fail(kindToken, "package procedure function");
  }
  parser.Accept(";");
  if (parser.Peek().kind != Token::Kind::End) parser.Fail(parser.Peek(), "end-of-file");
  return unit;
}

std::shared_ptr<Block> Parser::ParseBlockAfterDeclare(bool declareSeen) {
  auto block = std::make_shared<Block>();
  block->line = Peek().line;
  if (declareSeen) ParseDeclarations(*block, false);
  Expect("BEGIN", "begin function pragma procedure");
  block->hasBody = true;
  ParseBodyAndHandlers(*block);
  Expect("END");
  if (Peek().kind == Token::Kind::Identifier && !IsReserved(Peek())) Next();
  return block;
}

void Parser::ParseBodyAndHandlers(Block& block) {
  block.body = ParseStatements();
  if (block.body.empty())
    Fail(Peek(),
         "begin case declare exit for goto if loop mod null raise return select update while with "
         "<an identifier>");
  if (!Accept("EXCEPTION")) return;
  while (Accept("WHEN")) {
    ExceptionHandler handler;
    do {
      std::string name = ExpectIdentifier("an exception name");
      while (Accept(".")) name += "." + ExpectIdentifier();
      handler.names.push_back(name);
    } while (Accept("OR"));
    Expect("THEN");
    handler.body = ParseStatements();
    block.handlers.push_back(std::move(handler));
  }
}

void Parser::ParseDeclarations(Block& block, bool inPackage) {
  for (;;) {
    const Token& token = Peek();
    if (token.Is("BEGIN") || token.Is("END") || token.kind == Token::Kind::End) return;
    if (Accept("PRAGMA")) {
      if (Accept("AUTONOMOUS_TRANSACTION")) {
        block.autonomous = true;
      } else if (Accept("EXCEPTION_INIT")) {
        Expect("(");
        std::string name = ExpectIdentifier();
        Expect(",");
        bool negative = Accept("-");
        const Token& code = Next();
        if (code.kind != Token::Kind::Number) Fail(code, "a number");
        Expect(")");
        for (auto& variable : block.variables) {
          if (variable.isException && variable.name == name) {
            variable.exceptionCode = std::stoi(code.text) * (negative ? -1 : 1);
          }
        }
      } else {
        Fail(Peek(), "autonomous_transaction exception_init");
      }
      Expect(";");
      continue;
    }
    if (token.Is("PROCEDURE") || token.Is("FUNCTION")) {
      bool isFunction = Next().Is("FUNCTION");
      auto subprogram = ParseSubprogramHead(isFunction);
      if (Accept(";")) {
        block.subprograms.push_back(subprogram);
        continue;
      }
      if (!Accept("IS")) Expect("AS", "; is as");
      subprogram->body = ParseBlockAfterDeclare(true);
      Expect(";");
      block.subprograms.push_back(subprogram);
      continue;
    }
    VariableDeclaration variable;
    variable.line = token.line;
    variable.column = token.column;
    variable.name =
        ExpectIdentifier(inPackage ? "begin end function pragma procedure <an identifier>"
                                   : "begin function pragma procedure <an identifier>");
    if (Accept("EXCEPTION")) {
      variable.isException = true;
      Expect(";");
      block.variables.push_back(std::move(variable));
      continue;
    }
    variable.constant = Accept("CONSTANT");
    variable.type = ParseType();
    if (Accept("NOT")) {
      Expect("NULL");
      variable.notNull = true;
    }
    if (Accept(":=") || Accept("DEFAULT")) variable.initial = ParseExpression();
    Expect(";", "; := default not null");
    block.variables.push_back(std::move(variable));
  }
}

std::shared_ptr<Subprogram> Parser::ParseSubprogramHead(bool isFunction) {
  auto subprogram = std::make_shared<Subprogram>();
  subprogram->line = Peek().line;
  subprogram->isFunction = isFunction;
  subprogram->name = ExpectIdentifier();
  if (Accept(".")) subprogram->name += "." + ExpectIdentifier();
  if (Accept("(")) {
    do {
      Parameter parameter;
      parameter.name = ExpectIdentifier();
      if (Accept("IN")) {
        parameter.mode = Accept("OUT") ? Parameter::Mode::InOut : Parameter::Mode::In;
      } else if (Accept("OUT")) {
        parameter.mode = Parameter::Mode::Out;
      }
      Accept("NOCOPY");
      parameter.type = ParseType();
      if (Accept(":=") || Accept("DEFAULT")) parameter.defaultValue = ParseExpression();
      subprogram->parameters.push_back(std::move(parameter));
    } while (Accept(","));
    Expect(")", ", )");
  }
  if (isFunction) {
    Expect("RETURN");
    subprogram->returnType = ParseType();
  }
  return subprogram;
}

TypeSpec Parser::ParseType() {
  const Token& token = Peek();
  std::string name = ExpectIdentifier("a type name");
  TypeSpec type;
  type.name = name;
  auto size = [&](bool allowed) {
    if (!Accept("(")) return 0;
    const Token& number = Next();
    if (number.kind != Token::Kind::Number || !allowed) Fail(number, "a number");
    int value = std::stoi(number.text);
    if (Accept(",")) Next();
    if (!Accept("BYTE")) Accept("CHAR");
    Expect(")");
    return value;
  };
  if (Peek().Is(".") || Peek().Is("%")) {
    // name%TYPE or table.column%TYPE: taken as text without a limit.
    while (Accept(".")) ExpectIdentifier();
    Expect("%");
    Next();
    type.type = PlType::Text;
    return type;
  }
  if (name == "BOOLEAN") {
    type.type = PlType::Boolean;
  } else if (name == "NUMBER" || name == "FLOAT" || name == "REAL" || name == "DECIMAL" ||
             name == "NUMERIC" || name == "BINARY_DOUBLE" || name == "BINARY_FLOAT") {
    type.type = PlType::Number;
    size(true);
  } else if (name == "INTEGER" || name == "INT" || name == "SMALLINT" || name == "PLS_INTEGER" ||
             name == "BINARY_INTEGER" || name == "NATURAL" || name == "POSITIVE" ||
             name == "SIMPLE_INTEGER") {
    type.type = PlType::Number;
    type.isInteger = true;
  } else if (name == "VARCHAR2" || name == "VARCHAR" || name == "NVARCHAR2" || name == "STRING" ||
             name == "LONG" || name == "CLOB") {
    type.type = PlType::Text;
    type.maxLength = size(true);
  } else if (name == "CHAR" || name == "NCHAR" || name == "CHARACTER") {
    type.type = PlType::Text;
    type.isChar = true;
    type.maxLength = size(true);
    // A CHAR in a parameter list has no size; a declared CHAR without one holds one character.
  } else if (name == "DATE") {
    type.type = PlType::Date;
  } else if (name == "TIMESTAMP") {
    type.type = PlType::Timestamp;
    if (Peek().Is("(")) {
      const Token& digits = Peek(1);
      type.fractionalDigits = size(true);
      if (type.fractionalDigits > 9) Fail(digits, "a precision from 0 to 9");
    }
    if (Accept("WITH")) {
      // WITH LOCAL TIME ZONE holds the session's time, as a TIMESTAMP does.
      type.withTimeZone = !Accept("LOCAL");
      Expect("TIME");
      Expect("ZONE");
    }
  } else if (name == "RAW" || name == "LONG_RAW" || name == "BLOB") {
    type.type = PlType::Raw;
    type.maxLength = size(true);
  } else if (name == "ROWID" || name == "UROWID") {
    type.type = PlType::Rowid;
  } else if (name == "SYS_REFCURSOR") {
    type.type = PlType::Cursor;
  } else {
    Fail(token, "a type name");
  }
  return type;
}

StmtList Parser::ParseStatements() {
  StmtList statements;
  while (!IsStatementEnd(Peek())) statements.push_back(ParseStatement());
  return statements;
}

void Parser::ExpectEnd(const char* what) {
  Expect("END");
  Expect(what);
  Expect(";");
}

StmtPtr Parser::ParseStatement() {
  Enter();
  struct NestingGuard {
    Parser& parser;
    ~NestingGuard() { parser.Leave(); }
  } guard{*this};
  const Token& start = Peek();
  auto stmt = std::make_unique<Stmt>();
  stmt->line = start.line;
  stmt->column = start.column;
  if (Accept("NULL")) {
    stmt->kind = Stmt::Kind::Null;
    Expect(";");
  } else if (Accept("IF")) {
    return ParseIf(start);
  } else if (Accept("LOOP")) {
    stmt->kind = Stmt::Kind::Loop;
    stmt->body = ParseStatements();
    ExpectEnd("LOOP");
  } else if (Accept("WHILE")) {
    stmt->kind = Stmt::Kind::While;
    stmt->value = ParseExpression();
    Expect("LOOP");
    stmt->body = ParseStatements();
    ExpectEnd("LOOP");
  } else if (Accept("FOR")) {
    stmt->kind = Stmt::Kind::For;
    stmt->loopVariable = ExpectIdentifier();
    Expect("IN");
    stmt->reverse = Accept("REVERSE");
    stmt->low = ParseExpression();
    Expect("..");
    stmt->high = ParseExpression();
    Expect("LOOP");
    stmt->body = ParseStatements();
    ExpectEnd("LOOP");
  } else if (Accept("EXIT")) {
    stmt->kind = Stmt::Kind::Exit;
    if (Accept("WHEN")) stmt->value = ParseExpression();
    Expect(";", "; when");
  } else if (Accept("RETURN")) {
    stmt->kind = Stmt::Kind::Return;
    if (!Peek().Is(";")) stmt->value = ParseExpression();
    Expect(";");
  } else if (Accept("RAISE")) {
    stmt->kind = Stmt::Kind::Raise;
    if (!Peek().Is(";")) {
      stmt->raiseName.push_back(ExpectIdentifier());
      while (Accept(".")) stmt->raiseName.push_back(ExpectIdentifier());
    }
    Expect(";");
  } else if (start.Is("DECLARE") || start.Is("BEGIN")) {
    stmt->kind = Stmt::Kind::Block;
    stmt->block = ParseBlockAfterDeclare(Accept("DECLARE"));
    Expect(";");
  } else if (start.Is("SELECT") || start.Is("INSERT") || start.Is("UPDATE") || start.Is("DELETE") ||
             start.Is("WITH") || start.Is("MERGE")) {
    return ParseEmbeddedSql(start);
  } else if (Accept("COMMIT") || Accept("ROLLBACK")) {
    stmt->kind = start.Is("COMMIT") ? Stmt::Kind::Commit : Stmt::Kind::Rollback;
    Accept("WORK");
    Expect(";");
  } else if (Accept("OPEN")) {
    stmt->kind = Stmt::Kind::OpenFor;
    stmt->target = ParseNameOrCall();
    Expect("FOR");
    if (!Peek().Is("SELECT") && !Peek().Is("WITH")) Fail(Peek(), "select with");
    auto query = ParseEmbeddedSql(Peek());
    stmt->sql = query->sql;
  } else if (Accept("CLOSE")) {
    stmt->kind = Stmt::Kind::Close;
    stmt->target = ParseNameOrCall();
    Expect(";");
  } else if (start.kind == Token::Kind::Identifier || start.kind == Token::Kind::QuotedIdentifier ||
             start.kind == Token::Kind::Bind) {
    if (IsReserved(start))
      Fail(start,
           "begin case declare exit for goto if loop mod null raise return select update while "
           "with <an identifier>");
    auto target = ParseNameOrCall();
    if (Accept(":=")) {
      stmt->kind = Stmt::Kind::Assign;
      stmt->target = std::move(target);
      stmt->value = ParseExpression();
    } else {
      if (target->kind == Expr::Kind::Bind) Fail(Peek(), ":=");
      stmt->kind = Stmt::Kind::Call;
      stmt->value = std::move(target);
    }
    Expect(";", Peek().Is("=") ? ":= . ( @ % ;" : ";");
  } else {
    Fail(start,
         "begin case declare exit for goto if loop mod null raise return select update while with "
         "<an identifier>");
  }
  return stmt;
}

StmtPtr Parser::ParseIf(const Token& start) {
  auto stmt = std::make_unique<Stmt>();
  stmt->kind = Stmt::Kind::If;
  stmt->line = start.line;
  stmt->column = start.column;
  do {
    auto condition = ParseExpression();
    Expect("THEN");
    stmt->branches.emplace_back(std::move(condition), ParseStatements());
  } while (Accept("ELSIF"));
  if (Accept("ELSE")) stmt->elseBody = ParseStatements();
  ExpectEnd("IF");
  return stmt;
}

StmtPtr Parser::ParseEmbeddedSql(const Token& start) {
  auto stmt = std::make_unique<Stmt>();
  stmt->kind = Stmt::Kind::Sql;
  stmt->line = start.line;
  stmt->column = start.column;
  auto sql = std::make_shared<EmbeddedSql>();
  sql->verb = start.upper;
  int depth = 0;
  bool selectInto = start.Is("SELECT");
  while (!(depth == 0 && Peek().Is(";"))) {
    const Token& token = Peek();
    if (token.kind == Token::Kind::End) Fail(token, ";");
    if (token.Is("(")) ++depth;
    if (token.Is(")")) --depth;
    if (selectInto && depth == 0 && token.Is("INTO")) {
      Next();
      do {
        sql->into.push_back(ParseNameOrCall());
      } while (Accept(","));
      if (!Peek().Is("FROM")) Fail(Peek(), "from");
      selectInto = false;
      continue;
    }
    sql->tokens.push_back(Next());
  }
  Next();
  stmt->sql = sql;
  return stmt;
}

ExprPtr Parser::ParseExpression() {
  Enter();
  auto expr = ParseOr();
  Leave();
  return expr;
}

ExprPtr Parser::ParseOr() {
  int chained = 0;
  auto left = ParseAnd();
  while (Peek().Is("OR")) {
    Enter();  // each operator deepens the tree
    ++chained;
    auto expr = MakeExpr(Expr::Kind::Binary, Next());
    expr->op = "OR";
    expr->operands.push_back(std::move(left));
    expr->operands.push_back(ParseAnd());
    left = std::move(expr);
  }
  nesting_ -= chained;
  return left;
}

ExprPtr Parser::ParseAnd() {
  int chained = 0;
  auto left = ParseNot();
  while (Peek().Is("AND")) {
    Enter();  // each operator deepens the tree
    ++chained;
    auto expr = MakeExpr(Expr::Kind::Binary, Next());
    expr->op = "AND";
    expr->operands.push_back(std::move(left));
    expr->operands.push_back(ParseNot());
    left = std::move(expr);
  }
  nesting_ -= chained;
  return left;
}

ExprPtr Parser::ParseNot() {
  if (Peek().Is("NOT")) {
    auto expr = MakeExpr(Expr::Kind::Unary, Next());
    expr->op = "NOT";
    Enter();
    expr->operands.push_back(ParseNot());
    Leave();
    return expr;
  }
  return ParseComparison();
}

ExprPtr Parser::ParseComparison() {
  auto left = ParseAdditive();
  const Token& token = Peek();
  static const char* comparisons[] = {"=", "<>", "!=", "^=", "~=", "<", ">", "<=", ">="};
  for (const char* op : comparisons) {
    if (token.kind == Token::Kind::Symbol && token.text == op) {
      auto expr = MakeExpr(Expr::Kind::Binary, Next());
      expr->op =
          (token.text == "!=" || token.text == "^=" || token.text == "~=") ? "<>" : token.text;
      expr->operands.push_back(std::move(left));
      expr->operands.push_back(ParseAdditive());
      return expr;
    }
  }
  if (token.Is("IS")) {
    auto expr = MakeExpr(Expr::Kind::IsNull, Next());
    expr->negated = Accept("NOT");
    Expect("NULL");
    expr->operands.push_back(std::move(left));
    return expr;
  }
  bool negated = false;
  if (token.Is("NOT") && (Peek(1).Is("LIKE") || Peek(1).Is("IN") || Peek(1).Is("BETWEEN"))) {
    Next();
    negated = true;
  }
  if (Peek().Is("LIKE")) {
    auto expr = MakeExpr(Expr::Kind::Like, Next());
    expr->negated = negated;
    expr->operands.push_back(std::move(left));
    expr->operands.push_back(ParseAdditive());
    return expr;
  }
  if (Peek().Is("BETWEEN")) {
    auto expr = MakeExpr(Expr::Kind::Between, Next());
    expr->negated = negated;
    expr->operands.push_back(std::move(left));
    expr->operands.push_back(ParseAdditive());
    Expect("AND");
    expr->operands.push_back(ParseAdditive());
    return expr;
  }
  if (Peek().Is("IN")) {
    auto expr = MakeExpr(Expr::Kind::In, Next());
    expr->negated = negated;
    expr->operands.push_back(std::move(left));
    Expect("(");
    do {
      expr->operands.push_back(ParseExpression());
    } while (Accept(","));
    Expect(")");
    return expr;
  }
  return left;
}

ExprPtr Parser::ParseAdditive() {
  int chained = 0;
  auto left = ParseMultiplicative();
  while (Peek().Is("+") || Peek().Is("-") || Peek().Is("||")) {
    Enter();  // each operator deepens the tree
    ++chained;
    auto expr = MakeExpr(Expr::Kind::Binary, Peek());
    expr->op = Next().text;
    expr->operands.push_back(std::move(left));
    expr->operands.push_back(ParseMultiplicative());
    left = std::move(expr);
  }
  nesting_ -= chained;
  return left;
}

ExprPtr Parser::ParseMultiplicative() {
  int chained = 0;
  auto left = ParseUnary();
  while (Peek().Is("*") || Peek().Is("/") || Peek().Is("MOD")) {
    Enter();  // each operator deepens the tree
    ++chained;
    auto expr = MakeExpr(Expr::Kind::Binary, Peek());
    expr->op = Next().upper;
    expr->operands.push_back(std::move(left));
    expr->operands.push_back(ParseUnary());
    left = std::move(expr);
  }
  nesting_ -= chained;
  return left;
}

ExprPtr Parser::ParseUnary() {
  if (Peek().Is("-") || Peek().Is("+")) {
    auto expr = MakeExpr(Expr::Kind::Unary, Peek());
    expr->op = Next().text;
    Enter();
    expr->operands.push_back(ParseUnary());
    Leave();
    return expr;
  }
  auto base = ParsePrimary();
  if (Peek().Is("**")) {
    auto expr = MakeExpr(Expr::Kind::Binary, Next());
    expr->op = "**";
    expr->operands.push_back(std::move(base));
    Enter();
    expr->operands.push_back(ParseUnary());
    Leave();
    return expr;
  }
  return base;
}

ExprPtr Parser::ParsePrimary() {
  const Token& token = Peek();
  switch (token.kind) {
    case Token::Kind::Number: {
      auto expr = MakeExpr(Expr::Kind::Literal, Next());
      expr->literal = PlValue::Number(PlValue::Text(token.text).ToNumber());
      return expr;
    }
    case Token::Kind::String: {
      auto expr = MakeExpr(Expr::Kind::Literal, Next());
      expr->literal = PlValue::Text(token.text);
      return expr;
    }
    case Token::Kind::Bind:
    case Token::Kind::Identifier:
    case Token::Kind::QuotedIdentifier:
      if (token.Is("NULL")) {
        auto expr = MakeExpr(Expr::Kind::Literal, Next());
        expr->literal = PlValue::Null();
        return expr;
      }
      if (token.Is("TRUE") || token.Is("FALSE")) {
        auto expr = MakeExpr(Expr::Kind::Literal, Next());
        expr->literal = PlValue::Boolean(token.Is("TRUE"));
        return expr;
      }
      if (IsReserved(token)) break;
      if (token.Is("CAST") && Peek(1).Is("(")) {
        auto expr = MakeExpr(Expr::Kind::Cast, Next());
        Next();
        expr->operands.push_back(ParseExpression());
        Expect("AS");
        expr->castType = ParseType();
        Expect(")", ")");
        return expr;
      }
      return ParseNameOrCall();
    case Token::Kind::Symbol:
      if (token.Is("(")) {
        Next();
        auto inner = ParseExpression();
        Expect(")", ")");
        return inner;
      }
      break;
    default: break;
  }
  Fail(token,
       "( - + case mod new not null <an identifier> <a double-quoted delimited-identifier> <a bind "
       "variable> <a number> <a single-quoted SQL string>");
}

ExprPtr Parser::ParseNameOrCall() {
  const Token& start = Peek();
  if (start.kind == Token::Kind::Bind) {
    auto expr = MakeExpr(Expr::Kind::Bind, Next());
    expr->name.push_back(start.upper);
    if (Accept("(")) {
      expr->operands.push_back(ParseExpression());
      Expect(")");
    }
    return expr;
  }
  auto expr = MakeExpr(Expr::Kind::Name, start);
  expr->name.push_back(ExpectIdentifier());
  while (Peek().Is(".")) {
    Next();
    expr->name.push_back(ExpectIdentifier());
  }
  if (Peek().Is("%")) {
    Next();
    expr->kind = Expr::Kind::Attribute;
    expr->name.push_back(ExpectIdentifier("rowcount found notfound isopen"));
    return expr;
  }
  if (Peek().Is("(")) {
    expr->kind = Expr::Kind::Call;
    ParseArguments(*expr);
  }
  return expr;
}

void Parser::ParseArguments(Expr& call) {
  Expect("(");
  if (Accept(")")) return;
  do {
    std::string name;
    if ((Peek().kind == Token::Kind::Identifier || Peek().kind == Token::Kind::QuotedIdentifier) &&
        Peek(1).Is("=>")) {
      name = Next().upper;
      Next();
    }
    call.argumentNames.push_back(name);
    call.operands.push_back(ParseExpression());
  } while (Accept(","));
  Expect(")", ", )");
}

}  // namespace devdb::plsql
