// Turns PL/SQL tokens into the syntax tree: anonymous blocks and the CREATE statements of
// packages, package bodies, procedures and functions. Syntax errors become ORA-06550 with
// the line and column of the offending symbol and a PLS-00103 message.
#pragma once

#include <string>
#include <vector>

#include "devdb/plsql/Lexer.h"
#include "devdb/plsql/SyntaxTree.h"

namespace devdb::plsql {

class Parser {
 public:
  // "[DECLARE ...] BEGIN ... END;" as sent by a client.
  static Unit ParseAnonymous(const std::string& source);
  // "CALL name(arguments)": run as a block of one call.
  static Unit ParseCall(const std::string& source);
  // "CREATE [OR REPLACE] {PACKAGE [BODY] | PROCEDURE | FUNCTION} ...".
  static Unit ParseCreate(const std::string& source);

 private:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  const Token& Peek(size_t ahead = 0) const;
  const Token& Next();
  bool Accept(const char* word);
  const Token& Expect(const char* word, const char* expected = nullptr);
  std::string ExpectIdentifier(const char* expected = "an identifier");
  [[noreturn]] void Fail(const Token& token, const std::string& expected) const;

  std::shared_ptr<Block> ParseBlockAfterDeclare(bool declareSeen);
  void ParseDeclarations(Block& block, bool inPackage);
  std::shared_ptr<Subprogram> ParseSubprogramHead(bool isFunction);
  void ParseBodyAndHandlers(Block& block);
  TypeSpec ParseType();
  StmtList ParseStatements();
  StmtPtr ParseStatement();
  StmtPtr ParseIf(const Token& start);
  StmtPtr ParseEmbeddedSql(const Token& start);
  void ExpectEnd(const char* what);

  ExprPtr ParseExpression();
  ExprPtr ParseOr();
  ExprPtr ParseAnd();
  ExprPtr ParseNot();
  ExprPtr ParseComparison();
  ExprPtr ParseAdditive();
  ExprPtr ParseMultiplicative();
  ExprPtr ParseUnary();
  ExprPtr ParsePrimary();
  ExprPtr ParseNameOrCall();
  void ParseArguments(Expr& call);

  // Guards the recursion of nested expressions and statements, so that hostile text cannot
  // exhaust the server thread's stack.
  void Enter();
  void Leave() { --nesting_; }

  std::vector<Token> tokens_;
  size_t position_ = 0;
  int nesting_ = 0;
  int firstLine_ = 1;
};

}  // namespace devdb::plsql
