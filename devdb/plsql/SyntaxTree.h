// The parsed form of PL/SQL units: expressions, statements, declarations, blocks and the
// stored units built from them. The node types are plain data that only the parser builds
// and only the interpreter reads, so they live together in this one header.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "devdb/plsql/Lexer.h"
#include "devdb/plsql/PlValue.h"

namespace devdb::plsql {

struct BuiltinSignature;
struct Expr;
struct Stmt;
struct Block;
using ExprPtr = std::unique_ptr<Expr>;
using StmtPtr = std::unique_ptr<Stmt>;
using StmtList = std::vector<StmtPtr>;

struct Expr {
  enum class Kind {
    Literal,
    Name,
    Bind,
    Call,
    Unary,
    Binary,
    IsNull,
    Like,
    In,
    Between,
    Attribute,
    Cast
  };
  Kind kind = Kind::Literal;
  int line = 0;
  int column = 0;
  PlValue literal;
  std::vector<std::string>
      name;              // Name, Call: dotted parts, upper-cased; Attribute: cursor, attribute
  std::string op;        // Unary, Binary: upper-cased operator
  bool negated = false;  // IS NOT NULL, NOT LIKE, NOT IN, NOT BETWEEN
  std::vector<ExprPtr> operands;           // Call arguments; bind index; operator operands
  std::vector<std::string> argumentNames;  // Call: the name before "=>", or empty
  TypeSpec castType;                       // Cast: the type after AS
  // Name, Call: whether the dotted name is a built-in package's subprogram, which follows from
  // the name alone, so it is looked up once and kept with the parse. Null until then; the
  // interpreter's marker for a name that is none. Sessions sharing the parse all read it.
  mutable std::atomic<const BuiltinSignature*> builtin{nullptr};
};

// SQL written inside PL/SQL, kept as tokens so that variable names can become binds.
struct EmbeddedSql {
  std::vector<Token> tokens;  // the statement without INTO and its targets
  std::vector<ExprPtr> into;  // SELECT ... INTO targets
  std::string verb;           // SELECT, INSERT, UPDATE, DELETE
};

struct ExceptionHandler {
  std::vector<std::string> names;  // upper case; OTHERS catches everything
  StmtList body;
};

struct Stmt {
  enum class Kind {
    Null,
    Assign,
    If,
    Loop,
    While,
    For,
    Exit,
    Return,
    Raise,
    Call,
    Block,
    Sql,
    Commit,
    Rollback,
    OpenFor,
    Close
  };
  Kind kind = Kind::Null;
  int line = 0;
  int column = 0;
  ExprPtr target;  // Assign, OpenFor: the variable or bind
  ExprPtr value;   // Assign, Return, Call (the call expression), Exit/While condition
  std::vector<std::pair<ExprPtr, StmtList>> branches;  // If / ELSIF
  StmtList elseBody;
  StmtList body;  // loops
  std::string loopVariable;
  ExprPtr low, high;
  bool reverse = false;
  std::shared_ptr<Block> block;        // nested block
  std::shared_ptr<EmbeddedSql> sql;    // Sql, OpenFor
  std::vector<std::string> raiseName;  // Raise; empty for a re-raise
};

struct Parameter {
  enum class Mode { In, Out, InOut };
  std::string name;
  Mode mode = Mode::In;
  TypeSpec type;
  ExprPtr defaultValue;
};

struct Subprogram;

struct VariableDeclaration {
  std::string name;
  TypeSpec type;
  bool constant = false;
  bool notNull = false;
  bool isException = false;
  int exceptionCode = 0;  // PRAGMA EXCEPTION_INIT
  ExprPtr initial;
  int line = 0;
  int column = 0;
};

struct Block {
  std::vector<VariableDeclaration> variables;
  std::vector<std::shared_ptr<Subprogram>> subprograms;
  bool autonomous = false;
  bool hasBody = false;  // package specs and bodies without BEGIN have none
  StmtList body;
  std::vector<ExceptionHandler> handlers;
  int line = 0;
};

struct Subprogram {
  std::string name;
  bool isFunction = false;
  std::vector<Parameter> parameters;
  TypeSpec returnType;
  std::shared_ptr<Block> body;  // null for a declaration in a package spec
  int line = 0;
};

// A compiled unit: an anonymous block, or the stored code a CREATE statement defines.
struct Unit {
  enum class Kind { Anonymous, Package, PackageBody, Procedure, Function };
  Kind kind = Kind::Anonymous;
  std::string owner;             // from the CREATE statement's schema prefix, else empty
  std::string name;              // upper case
  std::shared_ptr<Block> block;  // anonymous block; package declarations and initialisation
  std::shared_ptr<Subprogram> subprogram;  // stand-alone procedure or function
  int firstLine = 1;                       // the source line that Oracle numbers line 1 of the unit
};

}  // namespace devdb::plsql
