// The PL/SQL interpreter. Names are looked up as the statements run, innermost scope first,
// then the package the code belongs to, then stored code and the built-in packages; a name
// that resolves to nothing is reported as Oracle's compiler reports it (ORA-06550, PLS-00201).
#include "devdb/plsql/Interpreter.h"

#include <array>
#include <cctype>
#include <chrono>
#include <cmath>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/BuiltinPackages.h"
#include "devdb/plsql/ProceduralEngine.h"
#include "devdb/plsql/StandardFunctions.h"
#include "devdb/sql/DateFormat.h"
#include "devdb/sql/ExtendedTypes.h"

namespace devdb::plsql {
namespace {

constexpr int kMaxCallDepth = 200;

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ".") + part;
  return text;
}

bool IsInterrupt(int code) {
  return code == texts::kSessionKilled.code || code == texts::kUserCancel.code ||
         code == texts::kShutdown.code;
}

struct PredefinedException {
  const char* name;
  const texts::OracleText& error;  // what RAISE of the name throws
};
constexpr PredefinedException kPredefined[] = {{"NO_DATA_FOUND", texts::kNoDataFound},
                                               {"TOO_MANY_ROWS", texts::kTooManyRows},
                                               {"ZERO_DIVIDE", texts::kZeroDivide},
                                               {"VALUE_ERROR", texts::kValueError},
                                               {"INVALID_NUMBER", texts::kInvalidNumber},
                                               {"DUP_VAL_ON_INDEX", texts::kDupValOnIndex},
                                               {"INVALID_CURSOR", texts::kInvalidCursor},
                                               {"CURSOR_ALREADY_OPEN", texts::kCursorAlreadyOpen},
                                               {"PROGRAM_ERROR", texts::kProgramError},
                                               {"STORAGE_ERROR", texts::kStorageError},
                                               {"TIMEOUT_ON_RESOURCE", texts::kTimeoutOnResource},
                                               {"LOGIN_DENIED", texts::kInvalidLogon},
                                               {"NOT_LOGGED_ON", texts::kNotLoggedOn},
                                               {"CASE_NOT_FOUND", texts::kCaseNotFound},
                                               {"ROWTYPE_MISMATCH", texts::kRowtypeMismatch}};

const PredefinedException* Predefined(const std::string& name) {
  std::string bare = name.rfind("STANDARD.", 0) == 0 ? name.substr(9) : name;
  for (const auto& exception : kPredefined) {
    if (bare == exception.name) return &exception;
  }
  return nullptr;
}

// Text of SQL rebuilt from tokens: no blank around dots, inside parentheses or before commas.
void AppendSqlToken(std::string& text, const std::string& token, const std::string& previous) {
  bool glue = text.empty() || token == "." || token == ")" || token == "," || previous == "." ||
              previous == "(" || token == "(";
  if (token == "(" && !previous.empty() &&
      (previous == "IN" || previous == "in" || previous == "," || previous == "=" ||
       previous == "AND" || previous == "OR")) {
    glue = false;
  }
  if (!glue) text += ' ';
  text += token;
}

bool IsClauseEnd(const Token& token) {
  static const char* words[] = {"WHERE",     "GROUP",  "ORDER", "HAVING",    "CONNECT",
                                "START",     "UNION",  "MINUS", "INTERSECT", "SET",
                                "VALUES",    "SELECT", "ON",    "USING",     "FOR",
                                "RETURNING", "RETURN", "JOIN",  "INNER",     "LEFT",
                                "RIGHT",     "FULL",   "CROSS", "NATURAL",   "OUTER"};
  for (const char* word : words) {
    if (token.Is(word)) return true;
  }
  return token.kind != Token::Kind::Identifier && token.kind != Token::Kind::QuotedIdentifier &&
         !token.Is(".") && !token.Is(",") && !token.Is("@");
}

// Marks the tokens of a SQL statement that can only name database objects or columns: table
// names and their aliases after FROM, JOIN, INTO and UPDATE, the column list of an INSERT,
// the columns an UPDATE sets, aliases after AS and names after a dot. Oracle resolves such
// names in the database, never as PL/SQL variables.
std::vector<bool> ObjectNamePositions(const std::vector<Token>& tokens) {
  std::vector<bool> marked(tokens.size(), false);
  auto isName = [&](size_t i) {
    return i < tokens.size() && (tokens[i].kind == Token::Kind::Identifier ||
                                 tokens[i].kind == Token::Kind::QuotedIdentifier);
  };
  // Marks "[schema.]object [alias]" from position i on; returns the position after it.
  auto markObject = [&](size_t i) {
    if (!isName(i)) return i;
    marked[i] = true;
    while (i + 2 < tokens.size() && tokens[i + 1].Is(".") && isName(i + 2)) {
      i += 2;
      marked[i] = true;
    }
    ++i;
    if (i < tokens.size() && tokens[i].Is("@") && isName(i + 1)) i += 2;  // database link
    if (isName(i) && !IsClauseEnd(tokens[i])) marked[i++] = true;         // alias
    return i;
  };
  int depth = 0;
  bool inFromList = false;
  bool inSetList = false;
  int fromDepth = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (token.Is("(")) ++depth;
    if (token.Is(")")) {
      if (inFromList && depth == fromDepth) inFromList = false;
      --depth;
    }
    if (i > 0 && (tokens[i - 1].Is(".") || tokens[i - 1].Is("AS")) && isName(i)) marked[i] = true;
    if (token.Is("FROM") || token.Is("JOIN") || token.Is("UPDATE") ||
        (token.Is("INTO") && !(i > 0 && tokens[i - 1].Is("MERGE")))) {
      bool isInsert = token.Is("INTO");
      inFromList = token.Is("FROM");
      fromDepth = depth;
      size_t next = markObject(i + 1);
      if (isInsert && next < tokens.size() && tokens[next].Is("(")) {
        // INSERT INTO t (column, ...)
        for (size_t k = next + 1; k < tokens.size() && !tokens[k].Is(")"); ++k) {
          if (isName(k)) marked[k] = true;
        }
      }
      i = next - 1;
      continue;
    }
    if (token.Is("DELETE") && !(i + 1 < tokens.size() && tokens[i + 1].Is("FROM"))) {
      i = markObject(i + 1) - 1;
      continue;
    }
    if (inFromList && depth == fromDepth && token.Is(",")) {
      i = markObject(i + 1) - 1;
      continue;
    }
    if (inFromList && depth == fromDepth && IsClauseEnd(token) && !token.Is(")"))
      inFromList = false;
    if (token.Is("SET") && depth == 0) inSetList = true;
    if (inSetList && depth == 0 && token.Is("WHERE")) inSetList = false;
    if (inSetList && depth == 0 && (token.Is("SET") || token.Is(",")) && isName(i + 1)) {
      // "SET column = ..." and ", column = ...": the column being set.
      size_t k = i + 1;
      while (k + 2 < tokens.size() && tokens[k + 1].Is(".") && isName(k + 2)) k += 2;
      if (k + 1 < tokens.size() && tokens[k + 1].Is("=")) {
        for (size_t m = i + 1; m <= k; ++m) marked[m] = true;
      }
    }
  }
  return marked;
}

// SYSTIMESTAMP and its kin: the clock to the microsecond, as Oracle reads it on this platform.
// The session's time zone is the server's, so CURRENT_TIMESTAMP reads the same.
TimestampParts CurrentTimestamp(bool withTimeZone) {
  const sql::ExtendedTypes::ClockReading clock = sql::ExtendedTypes::ReadClock();
  TimestampParts value;
  value.date = clock.date;
  value.fractionalDigits = sql::ExtendedTypes::kDefaultFractionalDigits;
  value.nanoseconds = clock.nanoseconds;
  value.withTimeZone = withTimeZone;
  if (withTimeZone) value.offsetMinutes = clock.offsetMinutes;
  return value;
}

}  // namespace

struct Interpreter::Frame {
  std::string unitName;  // "OWNER.NAME" for stored code, empty for an anonymous block
  std::string schema;    // where unqualified names of stored code are looked up
  int firstLine = 1;
  int line = 1;
  int column = 1;
  PackageInstance* package = nullptr;
  std::vector<std::unique_ptr<VariableScope>> scopes;
  TransactionContext* transaction = nullptr;
  std::vector<PlsqlError> handling;  // errors whose handlers are running, for SQLCODE and RAISE
  std::optional<PlValue> returnValue;
};

struct Interpreter::Callable {
  enum class Kind { Subprograms, Builtin } kind = Kind::Subprograms;
  std::vector<std::shared_ptr<Subprogram>> overloads;
  PackageInstance* package = nullptr;
  std::string unitName;
  std::string schema;
  int firstLine = 1;
  std::shared_ptr<const Unit> keepAlive;
  const BuiltinSignature* builtin = nullptr;  // Kind::Builtin
};

class Interpreter::FrameGuard {
 public:
  FrameGuard(Interpreter& interpreter, std::unique_ptr<Frame> frame) : interpreter_(interpreter) {
    interpreter_.frames_.push_back(std::move(frame));
  }
  ~FrameGuard() { interpreter_.frames_.pop_back(); }
  FrameGuard(const FrameGuard&) = delete;
  FrameGuard& operator=(const FrameGuard&) = delete;

 private:
  Interpreter& interpreter_;
};

namespace {
// Pops the scope a block pushed, however the block ends.
class ScopeGuard {
 public:
  explicit ScopeGuard(std::vector<std::unique_ptr<VariableScope>>& scopes) : scopes_(scopes) {
    scopes_.push_back(std::make_unique<VariableScope>());
  }
  ~ScopeGuard() { scopes_.pop_back(); }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;
  VariableScope& Scope() { return *scopes_.back(); }

 private:
  std::vector<std::unique_ptr<VariableScope>>& scopes_;
};
}  // namespace

Interpreter::Interpreter(ProceduralSession& session, std::vector<BlockBind>* binds)
    : session_(session), binds_(binds) {}

Interpreter::~Interpreter() = default;

Interpreter::Frame& Interpreter::Top() { return *frames_.back(); }

std::string Interpreter::CurrentSchema() {
  return frames_.empty() || Top().schema.empty() ? session_.Identity().user : Top().schema;
}

TransactionContext& Interpreter::CurrentTransaction() {
  return frames_.empty() ? session_.MainTransaction() : *Top().transaction;
}

void Interpreter::CommitCurrent() { session_.Commit(CurrentTransaction()); }

std::string Interpreter::FrameText(const Frame& frame) const {
  int line = frame.line - frame.firstLine + 1;
  if (frame.unitName.empty()) return texts::Text(texts::kAtLine, {std::to_string(line)});
  return texts::Text(texts::kAtUnit, {frame.unitName, std::to_string(line)});
}

void Interpreter::CompileError(int line, int column, const std::string& message,
                               const char* ignored) {
  // Oracle names the offending symbol first, then the statement it ignored.
  auto place = [this](int at, int col, const std::string& what) {
    int relative = frames_.empty() ? at : at - Top().firstLine + 1;
    return texts::Text(texts::kCompileError, {std::to_string(relative), std::to_string(col), what});
  };
  int statementLine = frames_.empty() ? line : Top().line;
  int statementColumn = frames_.empty() ? column : Top().column;
  throw PlsqlError(
      texts::kCompileError.code,
      place(line, column, message) + "\n" +
          place(statementLine, statementColumn, ignored ? ignored : texts::kStatementIgnored));
}

void Interpreter::NotDeclared(const Expr& expr) {
  CompileError(expr.line, expr.column, texts::Text(texts::kMustBeDeclared, {Joined(expr.name)}));
}

void Interpreter::RunAnonymous(const Unit& unit) {
  session_.BeginCall();
  auto frame = std::make_unique<Frame>();
  frame->transaction = &session_.MainTransaction();
  frame->firstLine = unit.firstLine;
  frame->line = unit.block->line;
  FrameGuard guard(*this, std::move(frame));
  try {
    if (unit.block->autonomous) {
      auto autonomous = session_.AcquireAutonomousSession();
      TransactionContext transaction;
      transaction.session = autonomous.get();
      Top().transaction = &transaction;
      try {
        ExecuteBlock(*unit.block);
      } catch (...) {
        session_.Rollback(transaction);
        session_.ReleaseAutonomousSession(std::move(autonomous));
        throw;
      }
      bool pending = transaction.hasChanges;
      if (pending) session_.Rollback(transaction);
      session_.ReleaseAutonomousSession(std::move(autonomous));
      if (pending) throw PlsqlError(texts::kAutonomousRolledBack);
    } else {
      ExecuteBlock(*unit.block);
    }
  } catch (PlsqlError& error) {
    if (error.Code() != texts::kCompileError.code && !IsInterrupt(error.Code()))
      error.AddFrame(FrameText(Top()));
    throw;
  }
}

Interpreter::Flow Interpreter::ExecuteList(const StmtList& statements) {
  for (const auto& statement : statements) {
    Flow flow = Execute(*statement);
    if (flow != Flow::Normal) return flow;
  }
  return Flow::Normal;
}

void Interpreter::DeclareInto(VariableScope& scope, const Block& block) {
  for (const auto& declaration : block.variables) {
    Top().line = declaration.line;
    Variable& variable = scope.Declare(declaration.name);
    variable.type = declaration.type;
    if (variable.type.isChar && variable.type.maxLength == 0) variable.type.maxLength = 1;
    variable.constant = declaration.constant;
    variable.notNull = declaration.notNull;
    if (declaration.isException) {
      variable.isException = true;
      variable.exceptionCode =
          declaration.exceptionCode < 0 ? -declaration.exceptionCode : declaration.exceptionCode;
      variable.exceptionId =
          declaration.name + "@" + std::to_string(reinterpret_cast<std::uintptr_t>(&declaration));
      continue;
    }
    variable.value = PlValue::Null(declaration.type.type);
    if (declaration.initial)
      variable.value = PlValue::Assign(variable.type, Evaluate(*declaration.initial));
    if (variable.notNull && variable.value.IsNull()) throw PlsqlError(texts::kValueError);
  }
  for (const auto& subprogram : block.subprograms) scope.DeclareSubprogram(subprogram);
}

Interpreter::Flow Interpreter::ExecuteBlock(const Block& block) {
  Frame& frame = Top();
  ScopeGuard scope(frame.scopes);
  DeclareInto(scope.Scope(), block);
  try {
    return ExecuteList(block.body);
  } catch (PlsqlError& error) {
    const ExceptionHandler* handler = FindHandler(block, error);
    if (!handler) throw;
    frame.handling.push_back(error);
    struct HandlingGuard {
      Frame& frame;
      ~HandlingGuard() { frame.handling.pop_back(); }
    } handling{frame};
    return ExecuteList(handler->body);
  }
}

const ExceptionHandler* Interpreter::FindHandler(const Block& block, const PlsqlError& error) {
  if (error.Code() == texts::kCompileError.code || IsInterrupt(error.Code())) return nullptr;
  for (const auto& handler : block.handlers) {
    for (const auto& name : handler.names) {
      if (name == "OTHERS") return &handler;
      if (const auto* predefined = Predefined(name)) {
        if (predefined->error.code == error.Code() && error.ExceptionName().empty())
          return &handler;
        continue;
      }
      std::vector<std::string> parts;
      std::string rest = name;
      for (auto dot = rest.find('.'); dot != std::string::npos; dot = rest.find('.')) {
        parts.push_back(rest.substr(0, dot));
        rest = rest.substr(dot + 1);
      }
      parts.push_back(rest);
      Variable* variable = FindVariable(parts);
      if (!variable || !variable->isException) {
        Expr where;
        where.line = Top().line;
        where.column = 1;
        where.name = parts;
        NotDeclared(where);
      }
      if (variable->exceptionCode != 0 ? variable->exceptionCode == error.Code()
                                       : variable->exceptionId == error.ExceptionName()) {
        return &handler;
      }
    }
  }
  return nullptr;
}

Interpreter::Flow Interpreter::Execute(const Stmt& statement) {
  Frame& frame = Top();
  frame.line = statement.line;
  frame.column = statement.column;
  session_.ThrowIfInterrupted();
  switch (statement.kind) {
    case Stmt::Kind::Null: return Flow::Normal;
    case Stmt::Kind::Assign: {
      PlValue value = Evaluate(*statement.value);
      frame.line = statement.line;
      AssignTo(*statement.target, value);
      return Flow::Normal;
    }
    case Stmt::Kind::If: {
      for (const auto& [condition, body] : statement.branches) {
        if (IsTrue(Evaluate(*condition))) return ExecuteList(body);
      }
      return ExecuteList(statement.elseBody);
    }
    case Stmt::Kind::Loop:
    case Stmt::Kind::While:
      for (;;) {
        if (statement.kind == Stmt::Kind::While) {
          frame.line = statement.line;
          if (!IsTrue(Evaluate(*statement.value))) return Flow::Normal;
        }
        session_.ThrowIfInterrupted();
        Flow flow = ExecuteList(statement.body);
        if (flow == Flow::Exit) return Flow::Normal;
        if (flow == Flow::Return) return flow;
      }
    case Stmt::Kind::For: {
      PlValue lowValue = Evaluate(*statement.low);
      PlValue highValue = Evaluate(*statement.high);
      if (lowValue.IsNull() || highValue.IsNull()) throw PlsqlError(texts::kValueError);
      auto low = static_cast<long long>(std::llround(lowValue.ToNumber()));
      auto high = static_cast<long long>(std::llround(highValue.ToNumber()));
      ScopeGuard scope(frame.scopes);
      Variable& counter = scope.Scope().Declare(statement.loopVariable);
      counter.type.type = PlType::Number;
      counter.type.isInteger = true;
      counter.constant = true;
      for (long long i = statement.reverse ? high : low; statement.reverse ? i >= low : i <= high;
           statement.reverse ? --i : ++i) {
        session_.ThrowIfInterrupted();
        counter.value = PlValue::Number(static_cast<double>(i));
        Flow flow = ExecuteList(statement.body);
        if (flow == Flow::Exit) break;
        if (flow == Flow::Return) return flow;
      }
      return Flow::Normal;
    }
    case Stmt::Kind::Exit:
      if (!statement.value || IsTrue(Evaluate(*statement.value))) return Flow::Exit;
      return Flow::Normal;
    case Stmt::Kind::Return:
      if (statement.value) frame.returnValue = Evaluate(*statement.value);
      return Flow::Return;
    case Stmt::Kind::Raise: Raise(statement);
    case Stmt::Kind::Call: {
      const Expr& call = *statement.value;
      auto callable = FindCallable(call.name, &call);
      if (!callable) {
        if (call.name.size() == 1 && call.name[0] == "RAISE_APPLICATION_ERROR") {
          std::vector<PlValue> arguments;
          for (const auto& operand : call.operands) arguments.push_back(Evaluate(*operand));
          StandardFunctions::RaiseApplicationError(arguments);
        }
        if (FindVariable(call.name) || StandardFunctions::Exists(call.name.back())) {
          CompileError(call.line, call.column,
                       texts::Text(texts::kNotProcedure, {Joined(call.name)}));
        }
        NotDeclared(call);
      }
      Invoke(*callable, call, false);
      return Flow::Normal;
    }
    case Stmt::Kind::Block: return ExecuteBlock(*statement.block);
    case Stmt::Kind::Sql: ExecuteSql(statement); return Flow::Normal;
    case Stmt::Kind::Commit: CommitCurrent(); return Flow::Normal;
    case Stmt::Kind::Rollback: session_.Rollback(CurrentTransaction()); return Flow::Normal;
    case Stmt::Kind::OpenFor: OpenCursor(statement); return Flow::Normal;
    case Stmt::Kind::Close:
      AssignTo(*statement.target, PlValue::Cursor(nullptr));
      return Flow::Normal;
  }
  return Flow::Normal;
}

void Interpreter::Raise(const Stmt& statement) {
  Frame& frame = Top();
  if (statement.raiseName.empty()) {
    if (frame.handling.empty()) {
      CompileError(statement.line, statement.column, texts::Text(texts::kRaiseOutsideHandler));
    }
    PlsqlError again = frame.handling.back();
    throw again;
  }
  std::string name = Joined(statement.raiseName);
  if (const auto* predefined = Predefined(name)) {
    throw PlsqlError(predefined->error);
  }
  Variable* variable = FindVariable(statement.raiseName);
  if (!variable || !variable->isException) {
    Expr where;
    where.line = statement.line;
    where.column = statement.column + 6;
    where.name = statement.raiseName;
    NotDeclared(where);
  }
  if (variable->exceptionCode != 0) {
    throw PlsqlError(variable->exceptionCode, texts::Prefix(variable->exceptionCode),
                     variable->exceptionId);
  }
  throw PlsqlError(1, texts::Text(texts::kUnhandledUserException), variable->exceptionId);
}

std::string Interpreter::BuildSql(const EmbeddedSql& sql, std::vector<sql::Bind>& binds) {
  std::string text;
  std::string previous;
  const auto& tokens = sql.tokens;
  const std::vector<bool> objectNames = ObjectNamePositions(tokens);
  auto addBind = [&](const PlValue& value) {
    sql::Bind bind;
    bind.name = "B" + std::to_string(binds.size() + 1);
    bind.values.push_back(value.ToSql());
    binds.push_back(std::move(bind));
    return ":" + binds.back().name;
  };
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    std::string piece;
    if (token.kind == Token::Kind::Bind) {
      BlockBind* bind = FindBind(token.upper);
      if (!bind) throw PlsqlError(texts::kNotAllBound);
      piece =
          addBind(bind->values.empty() ? PlValue::Null() : PlValue::FromSql(bind->values.front()));
    } else if (token.kind == Token::Kind::Identifier && !objectNames[i]) {
      std::vector<std::string> parts{token.upper};
      size_t end = i;
      while (end + 2 < tokens.size() && tokens[end + 1].Is(".") &&
             tokens[end + 2].kind == Token::Kind::Identifier) {
        parts.push_back(tokens[end + 2].upper);
        end += 2;
      }
      bool isCall = end + 1 < tokens.size() && tokens[end + 1].Is("(");
      Variable* variable = isCall ? nullptr : FindVariable(parts);
      if (variable && !variable->isException) {
        piece = addBind(variable->value);
        i = end;
      } else {
        piece = token.SqlText();
      }
    } else {
      piece = token.SqlText();
    }
    AppendSqlToken(text, piece, previous);
    previous = piece;
  }
  return text;
}

namespace {

// Stored code prepares its SQL with its owner's rights (the owner's schema and grants);
// anonymous blocks and the client's own statements with the session's.
class DefinerRights {
 public:
  DefinerRights(sql::Session& session, const std::string& owner) : session_(session) {
    session_.SetDefinerRights(owner);
  }
  ~DefinerRights() { session_.SetDefinerRights(std::string()); }
  DefinerRights(const DefinerRights&) = delete;
  DefinerRights& operator=(const DefinerRights&) = delete;

 private:
  sql::Session& session_;
};

}  // namespace

void Interpreter::ExecuteSql(const Stmt& statement) {
  const EmbeddedSql& sql = *statement.sql;
  if (sql.verb == "SELECT" && sql.into.empty()) {
    CompileError(statement.line, statement.column, texts::Text(texts::kIntoExpected));
  }
  std::vector<sql::Bind> binds;
  std::string text = BuildSql(sql, binds);
  TransactionContext& transaction = CurrentTransaction();
  bool writes = sql.verb != "SELECT" && sql.verb != "WITH";
  if (writes) {
    // The engine locks the whole database for a writing transaction, so an autonomous
    // transaction that writes while a transaction below it holds uncommitted writes would wait
    // for its own caller for ever. Oracle reports such a self-deadlock as ORA-00060.
    for (const auto& frame : frames_) {
      if (frame->transaction != &transaction && frame->transaction->hasWrites) {
        throw PlsqlError(texts::kDeadlock);
      }
    }
  }
  try {
    std::unique_ptr<sql::Statement> prepared;
    {
      DefinerRights rights(*transaction.session, frames_.empty() ? std::string() : Top().schema);
      prepared = transaction.session->Prepare(text);
    }
    auto result = prepared->Execute(binds, 1, 0, false);
    if (!sql.into.empty()) {
      auto rows = prepared->Fetch(2);
      if (rows.empty()) {
        rowCount_ = 0;
        sqlFound_ = false;
        throw PlsqlError(texts::kNoDataFound);
      }
      if (rows.size() > 1) {
        rowCount_ = 2;
        throw PlsqlError(texts::kTooManyRows);
      }
      if (rows[0].size() < sql.into.size()) {
        CompileError(statement.line, statement.column,
                     "PL/SQL: " + texts::Text(texts::kNotEnoughValues),
                     texts::kSqlStatementIgnored);
      }
      for (size_t k = 0; k < sql.into.size(); ++k)
        AssignTo(*sql.into[k], PlValue::FromSql(rows[0][k]));
      rowCount_ = 1;
      sqlFound_ = true;
      return;
    }
    rowCount_ = result.rowsProcessed;
    sqlFound_ = result.rowsProcessed > 0;
    if (writes) transaction.hasChanges = transaction.hasWrites = true;
  } catch (const sql::SqlError& error) {
    // Errors the SQL engine finds while parsing are compile errors of the block.
    if (error.Offset() > 0 || error.Code() == texts::kTableOrViewDoesNotExist.code ||
        error.Code() == texts::kInvalidIdentifier.code ||
        error.Code() == texts::kInvalidSqlStatement.code) {
      CompileError(statement.line, statement.column, std::string("PL/SQL: ") + error.what(),
                   texts::kSqlStatementIgnored);
    }
    throw PlsqlError(error.Code(), error.what());
  }
}

void Interpreter::OpenCursor(const Stmt& statement) {
  std::vector<sql::Bind> binds;
  std::string text = BuildSql(*statement.sql, binds);
  std::shared_ptr<sql::Statement> cursor;
  try {
    {
      DefinerRights rights(*CurrentTransaction().session,
                           frames_.empty() ? std::string() : Top().schema);
      cursor = CurrentTransaction().session->Prepare(text);
    }
    cursor->Execute(binds, 1, 0, false);
  } catch (const sql::SqlError& error) {
    throw PlsqlError(error.Code(), error.what());
  }
  const Expr& target = *statement.target;
  if (target.kind == Expr::Kind::Bind) {
    BlockBind* bind = FindBind(target.name[0]);
    if (!bind) throw PlsqlError(texts::kNotAllBound);
    bind->isCursor = true;
    bind->cursor = std::move(cursor);
    return;
  }
  AssignTo(target, PlValue::Cursor(std::move(cursor)));
}

bool Interpreter::IsTrue(const PlValue& value) {
  if (value.IsNull()) return false;
  if (value.Type() != PlType::Boolean) throw PlsqlError(texts::kValueError);
  return value.AsBoolean();
}

PlValue Interpreter::Evaluate(const Expr& expr) {
  switch (expr.kind) {
    case Expr::Kind::Literal: return expr.literal;
    case Expr::Kind::Name: return EvaluateName(expr);
    case Expr::Kind::Bind: {
      BlockBind* bind = FindBind(expr.name[0]);
      if (!bind) throw PlsqlError(texts::kNotAllBound);
      if (expr.operands.empty()) {
        if (bind->isTable)
          throw PlsqlError(texts::kCompileErrorUnplaced, {texts::Text(texts::kWrongType)});
        if (bind->values.empty()) return PlValue::Null();
        return PlValue::FromSql(bind->values.front());
      }
      PlValue index = Evaluate(*expr.operands[0]);
      if (index.IsNull()) throw PlsqlError(texts::kNullIndex);
      auto position = std::llround(index.ToNumber());
      if (position < 1 || position > static_cast<long long>(bind->values.size())) {
        throw PlsqlError(texts::kNoDataFound);
      }
      return PlValue::FromSql(bind->values[static_cast<size_t>(position - 1)]);
    }
    case Expr::Kind::Call: return EvaluateCall(expr);
    case Expr::Kind::Unary: {
      PlValue operand = Evaluate(*expr.operands[0]);
      if (expr.op == "NOT") {
        if (operand.IsNull()) return PlValue::Null(PlType::Boolean);
        return PlValue::Boolean(!IsTrue(operand));
      }
      if (operand.IsNull()) return PlValue::Null(PlType::Number);
      double number = operand.ToNumber();
      return PlValue::Number(expr.op == "-" ? -number : number);
    }
    case Expr::Kind::Binary: return EvaluateBinary(expr);
    case Expr::Kind::IsNull: {
      bool isNull = Evaluate(*expr.operands[0]).IsNull();
      return PlValue::Boolean(expr.negated ? !isNull : isNull);
    }
    case Expr::Kind::Like: {
      PlValue text = Evaluate(*expr.operands[0]);
      PlValue pattern = Evaluate(*expr.operands[1]);
      if (text.IsNull() || pattern.IsNull()) return PlValue::Null(PlType::Boolean);
      bool matches = StandardFunctions::Like(text.ToText(), pattern.ToText());
      return PlValue::Boolean(expr.negated ? !matches : matches);
    }
    case Expr::Kind::In: {
      PlValue value = Evaluate(*expr.operands[0]);
      if (value.IsNull()) return PlValue::Null(PlType::Boolean);
      bool sawNull = false;
      for (size_t i = 1; i < expr.operands.size(); ++i) {
        PlValue candidate = Evaluate(*expr.operands[i]);
        if (candidate.IsNull()) {
          sawNull = true;
          continue;
        }
        if (StandardFunctions::Compare(value, candidate) == 0)
          return PlValue::Boolean(!expr.negated);
      }
      if (sawNull) return PlValue::Null(PlType::Boolean);
      return PlValue::Boolean(expr.negated);
    }
    case Expr::Kind::Between: {
      PlValue value = Evaluate(*expr.operands[0]);
      PlValue low = Evaluate(*expr.operands[1]);
      PlValue high = Evaluate(*expr.operands[2]);
      if (value.IsNull() || low.IsNull() || high.IsNull()) return PlValue::Null(PlType::Boolean);
      bool inside = StandardFunctions::Compare(value, low) >= 0 &&
                    StandardFunctions::Compare(value, high) <= 0;
      return PlValue::Boolean(expr.negated ? !inside : inside);
    }
    case Expr::Kind::Attribute: return EvaluateAttribute(expr);
    case Expr::Kind::Cast: return PlValue::Assign(expr.castType, Evaluate(*expr.operands[0]));
  }
  return PlValue::Null();
}

PlValue Interpreter::EvaluateAttribute(const Expr& expr) {
  if (expr.name.size() == 2 && expr.name[0] == "SQL") {
    const std::string& attribute = expr.name[1];
    if (attribute == "ROWCOUNT") return PlValue::Number(static_cast<double>(rowCount_));
    if (attribute == "FOUND") return PlValue::Boolean(sqlFound_);
    if (attribute == "NOTFOUND") return PlValue::Boolean(!sqlFound_);
    if (attribute == "ISOPEN") return PlValue::Boolean(false);
  }
  NotDeclared(expr);
}

namespace {

enum class BinaryOperator {
  And,
  Or,
  Concatenate,
  Equal,
  NotEqual,
  Less,
  Greater,
  LessOrEqual,
  GreaterOrEqual,
  Plus,
  Minus,
  Times,
  Power,
  Divide,
  Modulo,
  Unknown
};

// The parser keeps an operator as its text; every evaluation tells it apart by its first
// characters instead of comparing it with each operator's text in turn.
BinaryOperator Classify(const std::string& op) {
  const char first = op.empty() ? '\0' : op[0];
  const char second = op.size() > 1 ? op[1] : '\0';
  if (op.size() > 3) return BinaryOperator::Unknown;
  switch (first) {
    case 'A': return op == "AND" ? BinaryOperator::And : BinaryOperator::Unknown;
    case 'O': return op == "OR" ? BinaryOperator::Or : BinaryOperator::Unknown;
    case 'M': return op == "MOD" ? BinaryOperator::Modulo : BinaryOperator::Unknown;
    case '|': return op == "||" ? BinaryOperator::Concatenate : BinaryOperator::Unknown;
    case '=': return op.size() == 1 ? BinaryOperator::Equal : BinaryOperator::Unknown;
    case '<':
      if (op.size() == 1) return BinaryOperator::Less;
      if (op.size() == 2 && second == '>') return BinaryOperator::NotEqual;
      if (op.size() == 2 && second == '=') return BinaryOperator::LessOrEqual;
      return BinaryOperator::Unknown;
    case '>':
      if (op.size() == 1) return BinaryOperator::Greater;
      if (op.size() == 2 && second == '=') return BinaryOperator::GreaterOrEqual;
      return BinaryOperator::Unknown;
    case '+': return op.size() == 1 ? BinaryOperator::Plus : BinaryOperator::Unknown;
    case '-': return op.size() == 1 ? BinaryOperator::Minus : BinaryOperator::Unknown;
    case '/': return op.size() == 1 ? BinaryOperator::Divide : BinaryOperator::Unknown;
    case '*':
      if (op.size() == 1) return BinaryOperator::Times;
      if (op.size() == 2 && second == '*') return BinaryOperator::Power;
      return BinaryOperator::Unknown;
    default: return BinaryOperator::Unknown;
  }
}

}  // namespace

PlValue Interpreter::EvaluateBinary(const Expr& expr) {
  using Op = BinaryOperator;
  const Op op = Classify(expr.op);
  if (op == Op::And || op == Op::Or) {
    PlValue left = Evaluate(*expr.operands[0]);
    bool isAnd = op == Op::And;
    // Short-circuit where the result is already decided, as Oracle does.
    if (!left.IsNull() && IsTrue(left) != isAnd) return PlValue::Boolean(!isAnd);
    PlValue right = Evaluate(*expr.operands[1]);
    if (!right.IsNull() && IsTrue(right) != isAnd) return PlValue::Boolean(!isAnd);
    if (left.IsNull() || right.IsNull()) return PlValue::Null(PlType::Boolean);
    return PlValue::Boolean(isAnd);
  }
  PlValue left = Evaluate(*expr.operands[0]);
  PlValue right = Evaluate(*expr.operands[1]);
  if (op == Op::Concatenate) {
    if (left.Type() == PlType::Boolean || right.Type() == PlType::Boolean) {
      CompileError(expr.line, expr.column, texts::Text(texts::kWrongArguments, {"||"}));
    }
    std::string joined = left.ToText() + right.ToText();
    // PL/SQL text ends at 32767 bytes; a longer result is VALUE_ERROR, not unbounded growth.
    if (joined.size() > 32767) throw PlsqlError(texts::kBufferTooSmall);
    return PlValue::Text(std::move(joined));
  }
  switch (op) {
    case Op::Equal:
    case Op::NotEqual:
    case Op::Less:
    case Op::Greater:
    case Op::LessOrEqual:
    case Op::GreaterOrEqual: {
      if (left.IsNull() || right.IsNull()) return PlValue::Null(PlType::Boolean);
      int order = StandardFunctions::Compare(left, right);
      bool result = op == Op::Equal         ? order == 0
                    : op == Op::NotEqual    ? order != 0
                    : op == Op::Less        ? order < 0
                    : op == Op::Greater     ? order > 0
                    : op == Op::LessOrEqual ? order <= 0
                                            : order >= 0;
      return PlValue::Boolean(result);
    }
    default: break;
  }
  if (left.IsNull() || right.IsNull()) {
    return PlValue::Null(left.Type() == PlType::Date || right.Type() == PlType::Date
                             ? PlType::Date
                             : PlType::Number);
  }
  // Days added to a timestamp or taken from it give a DATE, as in Oracle.
  auto isMoment = [](const PlValue& v) {
    return v.Type() == PlType::Date || v.Type() == PlType::Timestamp;
  };
  if (left.Type() == PlType::Timestamp && !isMoment(right)) left = PlValue::Date(left.ToDate());
  if (right.Type() == PlType::Timestamp && !isMoment(left) && op == Op::Plus)
    right = PlValue::Date(right.ToDate());
  if (left.Type() == PlType::Date && (op == Op::Plus || op == Op::Minus)) {
    if (op == Op::Minus && right.Type() == PlType::Date) {
      return PlValue::Number(StandardFunctions::DaysBetween(left.ToDate(), right.ToDate()));
    }
    double days = right.ToNumber();
    return PlValue::Date(StandardFunctions::AddDays(left.ToDate(), op == Op::Plus ? days : -days));
  }
  if (right.Type() == PlType::Date && op == Op::Plus) {
    return PlValue::Date(StandardFunctions::AddDays(right.ToDate(), left.ToNumber()));
  }
  double a = left.ToNumber();
  double b = right.ToNumber();
  switch (op) {
    case Op::Plus: return PlValue::Number(a + b);
    case Op::Minus: return PlValue::Number(a - b);
    case Op::Times: return PlValue::Number(a * b);
    case Op::Power: return PlValue::Number(std::pow(a, b));
    case Op::Divide:
      if (b == 0) throw PlsqlError(texts::kZeroDivide);
      return PlValue::Number(a / b);
    case Op::Modulo: return PlValue::Number(b == 0 ? a : a - b * std::trunc(a / b));
    default: break;
  }
  CompileError(expr.line, expr.column, texts::Text(texts::kEncountered, {expr.op}));
}

std::optional<PlValue> Interpreter::SpecialName(const std::string& name) {
  if (name == "SYSDATE") return PlValue::Date(sql::DateFormat::Now());
  if (name == "SYSTIMESTAMP" || name == "CURRENT_TIMESTAMP")
    return PlValue::Timestamp(CurrentTimestamp(true));
  if (name == "LOCALTIMESTAMP") return PlValue::Timestamp(CurrentTimestamp(false));
  if (name == "USER") return PlValue::Text(session_.Identity().user);
  if (name == "SQLCODE") {
    if (frames_.empty() || Top().handling.empty()) return PlValue::Number(0);
    const PlsqlError& error = Top().handling.back();
    if (error.Code() == texts::kNoDataFound.code) return PlValue::Number(100);
    if (!error.ExceptionName().empty() && error.Code() == 1) return PlValue::Number(1);
    return PlValue::Number(-error.Code());
  }
  if (name == "SQLERRM") {
    if (frames_.empty() || Top().handling.empty()) return PlValue::Text(texts::kNormalCompletion);
    const PlsqlError& error = Top().handling.back();
    if (!error.ExceptionName().empty() && error.Code() == 1)
      return PlValue::Text(texts::kUserDefinedException);
    return PlValue::Text(error.what());
  }
  if (name == "UID") return PlValue::Number(0);
  return std::nullopt;
}

PlValue Interpreter::EvaluateName(const Expr& expr) {
  if (Variable* variable = FindVariable(expr.name)) {
    if (variable->isException) NotDeclared(expr);
    return variable->value;
  }
  if (expr.name.size() == 1) {
    if (auto special = SpecialName(expr.name[0])) return *special;
  }
  if (auto callable = FindCallable(expr.name, &expr)) return Invoke(*callable, expr, true);
  if (expr.name.size() == 2 || expr.name.size() == 3) {
    const std::string& package = expr.name[expr.name.size() - 2];
    std::string canonical =
        BuiltinPackages::CanonicalPackage(package, expr.name.size() == 3 ? expr.name[0] : "");
    if (!canonical.empty()) {
      if (auto constant = BuiltinPackages::Constant(canonical, expr.name.back())) return *constant;
    }
  }
  if (expr.name.size() == 1 && StandardFunctions::Exists(expr.name[0])) {
    return StandardFunctions::Call(expr.name[0], {});
  }
  NotDeclared(expr);
}

PlValue Interpreter::EvaluateCall(const Expr& expr) {
  if (auto callable = FindCallable(expr.name, &expr)) return Invoke(*callable, expr, true);
  if (expr.name.size() == 1) {
    const std::string& name = expr.name[0];
    if (name == "SQLERRM" && expr.operands.size() == 1) {
      PlValue code = Evaluate(*expr.operands[0]);
      return PlValue::Text(
          StandardFunctions::ErrorText(static_cast<int>(std::llround(code.ToNumber()))));
    }
    if (StandardFunctions::Exists(name)) {
      std::vector<PlValue> arguments;
      for (const auto& operand : expr.operands) arguments.push_back(Evaluate(*operand));
      return StandardFunctions::Call(name, arguments);
    }
  }
  NotDeclared(expr);
}

namespace {
// Whether a client's bind name (any case, with or without the colon) is the upper-case name a
// block uses. Compared in place: blocks look their binds up at every reference.
bool IsBindNamed(const std::string& bindName, const std::string& name) {
  size_t start = !bindName.empty() && bindName[0] == ':' ? 1 : 0;
  if (bindName.size() - start != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    auto c = static_cast<unsigned char>(bindName[start + i]);
    if (static_cast<char>(std::toupper(c)) != name[i]) return false;
  }
  return true;
}
}  // namespace

BlockBind* Interpreter::FindBind(const std::string& name) {
  if (!binds_) return nullptr;
  for (auto& bind : *binds_) {
    if (IsBindNamed(bind.name, name)) return &bind;
  }
  return nullptr;
}

Variable* Interpreter::FindVariable(const std::vector<std::string>& parts) {
  if (frames_.empty()) return nullptr;
  Frame& frame = Top();
  if (parts.size() == 1) {
    for (auto it = frame.scopes.rbegin(); it != frame.scopes.rend(); ++it) {
      if (Variable* variable = (*it)->Find(parts[0])) return variable;
    }
    if (frame.package) return frame.package->scope.Find(parts[0]);
    return nullptr;
  }
  if (parts.size() == 2) {
    if (frame.package && frame.package->name == parts[0])
      return frame.package->scope.Find(parts[1]);
    if (!BuiltinPackages::CanonicalPackage(parts[0], "").empty()) return nullptr;
    if (PackageInstance* package = FindPackage("", parts[0], false))
      return package->scope.Find(parts[1]);
    return nullptr;
  }
  if (parts.size() == 3) {
    if (PackageInstance* package = FindPackage(parts[0], parts[1], true))
      return package->scope.Find(parts[2]);
  }
  return nullptr;
}

PackageInstance* Interpreter::FindPackage(const std::string& owner, const std::string& name,
                                          bool qualified) {
  StoredCodeCatalogue& catalogue = session_.Engine().Catalogue();
  const std::string& user = session_.Identity().user;
  std::shared_ptr<const StoredObject> packageSpec;
  std::string packageOwner = owner;
  if (qualified) {
    packageSpec = catalogue.Find(owner, name, Unit::Kind::Package);
  } else {
    packageOwner = CurrentSchema();
    packageSpec = catalogue.Find(packageOwner, name, Unit::Kind::Package);
    if (!packageSpec) {
      auto synonym = catalogue.Synonym(name);
      if (!synonym) return nullptr;
      packageOwner = synonym->first;
      packageSpec = catalogue.Find(synonym->first, synonym->second, Unit::Kind::Package);
    }
  }
  if (!packageSpec) return nullptr;
  if (!catalogue.CanExecute(packageSpec->owner, packageSpec->name, user) &&
      packageSpec->owner != CurrentSchema()) {
    return nullptr;
  }
  return Instantiate(packageSpec->owner, packageSpec->name, packageSpec);
}

PackageInstance* Interpreter::Instantiate(const std::string& owner, const std::string& name,
                                          const std::shared_ptr<const StoredObject>& packageSpec) {
  StoredCodeCatalogue& catalogue = session_.Engine().Catalogue();
  auto body = catalogue.Find(owner, name, Unit::Kind::PackageBody);
  std::string unitName = owner + "." + name;
  std::uint64_t version = packageSpec->version * 1000003ULL + (body ? body->version : 0);
  auto& packages = session_.Packages();
  auto existing = packages.find(unitName);
  if (existing != packages.end() && existing->second->version == version)
    return existing->second.get();
  // A package that is being initialised is already in the map (with its version), so the
  // initialisation can call the package's own subprograms.
  if (!packageSpec->unit) {
    throw PlsqlError(texts::kObjectHasErrors, {"package \"" + unitName + "\""});
  }
  if (body && !body->unit) {
    throw PlsqlError(texts::kObjectHasErrors, {"package body \"" + unitName + "\""});
  }
  if (existing != packages.end()) retired_.push_back(std::move(existing->second));
  auto instance = std::make_unique<PackageInstance>();
  instance->owner = owner;
  instance->name = name;
  instance->version = version;
  instance->packageSpec = packageSpec->unit;
  instance->body = body ? body->unit : nullptr;
  PackageInstance* raw = instance.get();
  packages[unitName] = std::move(instance);
  try {
    auto frame = std::make_unique<Frame>();
    frame->unitName = unitName;
    frame->schema = owner;
    frame->package = raw;
    frame->transaction = &CurrentTransaction();
    frame->firstLine = packageSpec->unit->firstLine;
    frame->line = packageSpec->unit->firstLine;
    FrameGuard guard(*this, std::move(frame));
    try {
      DeclareInto(raw->scope, *packageSpec->unit->block);
      if (body) {
        Top().firstLine = body->unit->firstLine;
        DeclareInto(raw->scope, *body->unit->block);
        if (body->unit->block->hasBody) {
          ScopeGuard scope(Top().scopes);
          try {
            ExecuteList(body->unit->block->body);
          } catch (PlsqlError& error) {
            const ExceptionHandler* handler = FindHandler(*body->unit->block, error);
            if (!handler) throw;
            Top().handling.push_back(error);
            ExecuteList(handler->body);
            Top().handling.pop_back();
          }
        }
      }
    } catch (PlsqlError& error) {
      if (error.Code() != texts::kCompileError.code && !IsInterrupt(error.Code()))
        error.AddFrame(FrameText(Top()));
      throw;
    }
  } catch (...) {
    packages.erase(unitName);
    throw;
  }
  return raw;
}

namespace {
// What Expr::builtin holds for a name that is no built-in subprogram.
const BuiltinSignature* NotBuiltin() {
  static const BuiltinSignature none{"", "", false, {}};
  return &none;
}
}  // namespace

std::optional<Interpreter::Callable> Interpreter::FindCallable(
    const std::vector<std::string>& parts, const Expr* site) {
  StoredCodeCatalogue& catalogue = session_.Engine().Catalogue();
  auto fromPackage = [&](PackageInstance* package,
                         const std::string& member) -> std::optional<Callable> {
    if (!package) return std::nullopt;
    const auto* overloads = package->scope.Subprograms(member);
    if (!overloads) return std::nullopt;
    Callable callable;
    callable.overloads = *overloads;
    callable.package = package;
    callable.unitName = package->owner + "." + package->name;
    callable.schema = package->owner;
    callable.firstLine = package->body ? package->body->firstLine : package->packageSpec->firstLine;
    return callable;
  };
  auto standalone =
      [&](const std::shared_ptr<const StoredObject>& object) -> std::optional<Callable> {
    if (!object || object->kind == Unit::Kind::Package) return std::nullopt;
    if (!object->unit) {
      throw PlsqlError(
          texts::kObjectHasErrors,
          {std::string(object->kind == Unit::Kind::Function ? "function" : "procedure") + " \"" +
           object->owner + "." + object->name + "\""});
    }
    if (!catalogue.CanExecute(object->owner, object->name, session_.Identity().user) &&
        object->owner != CurrentSchema()) {
      return std::nullopt;
    }
    Callable callable;
    callable.overloads.push_back(object->unit->subprogram);
    callable.unitName = object->owner + "." + object->name;
    callable.schema = object->owner;
    callable.firstLine = object->unit->firstLine;
    callable.keepAlive = object->unit;
    return callable;
  };
  auto builtin = [&](const std::string& package, const std::string& member,
                     const std::string& schema) -> const BuiltinSignature* {
    const BuiltinSignature* signature =
        site ? site->builtin.load(std::memory_order_acquire) : nullptr;
    if (!signature) {
      signature = BuiltinPackages::Resolve(package, member, schema);
      if (!signature) signature = NotBuiltin();
      if (site) site->builtin.store(signature, std::memory_order_release);
    }
    return signature == NotBuiltin() ? nullptr : signature;
  };
  // Built in where it is returned: most calls a block makes are to built-ins.
  auto builtinCallable = [](const BuiltinSignature* signature) {
    std::optional<Callable> callable(std::in_place);
    callable->kind = Callable::Kind::Builtin;
    callable->builtin = signature;
    return callable;
  };

  if (parts.size() == 1) {
    if (!frames_.empty()) {
      Frame& frame = Top();
      for (auto it = frame.scopes.rbegin(); it != frame.scopes.rend(); ++it) {
        if (const auto* overloads = (*it)->Subprograms(parts[0])) {
          Callable callable;
          callable.overloads = *overloads;
          callable.package = frame.package;
          callable.unitName = frame.unitName;
          callable.schema = frame.schema;
          callable.firstLine = frame.firstLine;
          return callable;
        }
      }
      if (auto found = fromPackage(frame.package, parts[0])) return found;
    }
    if (StandardFunctions::Exists(parts[0]) || parts[0] == "RAISE_APPLICATION_ERROR")
      return std::nullopt;
    if (auto found = standalone(catalogue.FindCallable(CurrentSchema(), parts[0]))) return found;
    if (auto synonym = catalogue.Synonym(parts[0])) {
      return standalone(catalogue.FindCallable(synonym->first, synonym->second));
    }
    return std::nullopt;
  }
  if (parts.size() == 2) {
    if (!frames_.empty() && Top().package && Top().package->name == parts[0]) {
      if (auto found = fromPackage(Top().package, parts[1])) return found;
    }
    if (const auto* signature = builtin(parts[0], parts[1], "")) return builtinCallable(signature);
    if (auto found = fromPackage(FindPackage("", parts[0], false), parts[1])) return found;
    return standalone(catalogue.FindCallable(parts[0], parts[1]));
  }
  if (parts.size() == 3) {
    if (const auto* signature = builtin(parts[1], parts[2], parts[0]))
      return builtinCallable(signature);
    return fromPackage(FindPackage(parts[0], parts[1], true), parts[2]);
  }
  return std::nullopt;
}

std::optional<PlType> Interpreter::TargetType(const Expr& target) {
  if (target.kind == Expr::Kind::Bind) {
    BlockBind* bind = FindBind(target.name[0]);
    return bind ? bind->type : std::nullopt;
  }
  if (target.kind == Expr::Kind::Name) {
    if (Variable* variable = FindVariable(target.name)) return variable->type.type;
  }
  return std::nullopt;
}

void Interpreter::AssignTo(const Expr& target, const PlValue& value) {
  if (target.kind == Expr::Kind::Bind) {
    BlockBind* bind = FindBind(target.name[0]);
    if (!bind) throw PlsqlError(texts::kNotAllBound);
    if (value.Type() == PlType::Cursor) {
      bind->isCursor = true;
      bind->cursor = value.CursorStatement();
      return;
    }
    // A typed bind takes the value converted to its type. The value's own form is still
    // asked for where that can fail (a BOOLEAN, which no bind takes), so the error is the same.
    const bool convertsPlainly = value.IsNull() || value.Type() == PlType::Number ||
                                 value.Type() == PlType::Text || value.Type() == PlType::Rowid ||
                                 value.Type() == PlType::Date || value.Type() == PlType::Raw;
    sql::Value converted;
    if (!bind->type || !convertsPlainly) converted = value.ToSql();
    if (bind->type)
      converted = PlValue::Assign(TypeSpec{*bind->type, 0, false, false, ""}, value).ToSql();
    if ((converted.kind == sql::Value::Kind::Text || converted.kind == sql::Value::Kind::Rowid) &&
        bind->maxLength > 0 && static_cast<int>(converted.text.size()) > bind->maxLength) {
      throw PlsqlError(texts::kBufferTooSmall);
    }
    if (target.operands.empty()) {
      bind->values.clear();
      bind->values.push_back(std::move(converted));
      return;
    }
    PlValue index = Evaluate(*target.operands[0]);
    if (index.IsNull()) throw PlsqlError(texts::kNullIndex);
    auto position = std::llround(index.ToNumber());
    if (position < 1 || position > bind->maxElements) throw PlsqlError(texts::kHostArrayOutOfRange);
    if (static_cast<long long>(bind->values.size()) < position)
      bind->values.resize(static_cast<size_t>(position));
    bind->values[static_cast<size_t>(position - 1)] = std::move(converted);
    return;
  }
  if (target.kind != Expr::Kind::Name) {
    CompileError(target.line, target.column,
                 texts::Text(texts::kCannotBeAssigned, {Joined(target.name)}));
  }
  Variable* variable = FindVariable(target.name);
  if (!variable) NotDeclared(target);
  if (variable->constant || variable->isException) {
    CompileError(target.line, target.column,
                 texts::Text(texts::kCannotBeAssigned, {Joined(target.name)}));
  }
  PlValue converted = PlValue::Assign(variable->type, value);
  if (variable->notNull && converted.IsNull()) throw PlsqlError(texts::kValueError);
  variable->value = std::move(converted);
}

PlValue Interpreter::Invoke(const Callable& callable, const Expr& call, bool asFunction) {
  if (callable.kind == Callable::Kind::Builtin) {
    return InvokeBuiltin(*callable.builtin, call, asFunction);
  }
  // Pick the overload whose parameters take the arguments given.
  size_t count = call.operands.size();
  const Subprogram* chosen = nullptr;
  for (const auto& candidate : callable.overloads) {
    if (candidate->isFunction != asFunction) continue;
    if (count > candidate->parameters.size()) continue;
    bool fits = true;
    std::vector<bool> given(candidate->parameters.size(), false);
    for (size_t i = 0; i < count && fits; ++i) {
      if (call.argumentNames.empty() || call.argumentNames[i].empty()) {
        given[i] = true;
        continue;
      }
      bool found = false;
      for (size_t p = 0; p < candidate->parameters.size(); ++p) {
        if (candidate->parameters[p].name == call.argumentNames[i]) {
          given[p] = true;
          found = true;
        }
      }
      fits = found;
    }
    for (size_t p = 0; p < candidate->parameters.size() && fits; ++p) {
      if (!given[p] && !candidate->parameters[p].defaultValue) fits = false;
    }
    if (fits) {
      chosen = candidate.get();
      break;
    }
  }
  if (!chosen) {
    bool anyOfOtherKind = false;
    for (const auto& candidate : callable.overloads)
      anyOfOtherKind = anyOfOtherKind || candidate->isFunction != asFunction;
    if (anyOfOtherKind && callable.overloads.size() == 1) {
      CompileError(call.line, call.column,
                   texts::Text(asFunction ? texts::kNoSuchFunction : texts::kNotProcedure,
                               {call.name.back()}));
    }
    CompileError(call.line, call.column, texts::Text(texts::kWrongArguments, {call.name.back()}));
  }
  std::vector<std::optional<PlValue>> values(chosen->parameters.size());
  std::vector<const Expr*> outTargets(chosen->parameters.size(), nullptr);
  for (size_t i = 0; i < count; ++i) {
    size_t position = i;
    if (!call.argumentNames.empty() && !call.argumentNames[i].empty()) {
      for (size_t p = 0; p < chosen->parameters.size(); ++p) {
        if (chosen->parameters[p].name == call.argumentNames[i]) position = p;
      }
    }
    const Parameter& parameter = chosen->parameters[position];
    const Expr& argument = *call.operands[i];
    if (parameter.mode != Parameter::Mode::In) {
      if (argument.kind != Expr::Kind::Name && argument.kind != Expr::Kind::Bind) {
        CompileError(
            argument.line, argument.column,
            texts::Text(texts::kCannotBeAssigned,
                        {argument.name.empty() ? std::string("?") : Joined(argument.name)}));
      }
      outTargets[position] = &argument;
    }
    if (parameter.mode != Parameter::Mode::Out) values[position] = Evaluate(argument);
  }
  return InvokeSubprogram(callable, *chosen, std::move(values), outTargets);
}

PlValue Interpreter::InvokeSubprogram(const Callable& callable, const Subprogram& subprogram,
                                      std::vector<std::optional<PlValue>> values,
                                      const std::vector<const Expr*>& outTargets) {
  if (!subprogram.body) {
    throw PlsqlError(texts::kProgramUnitNotFound, {callable.unitName});
  }
  if (++depth_ > kMaxCallDepth) {
    --depth_;
    throw PlsqlError(texts::kStorageError);
  }
  struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
  } depthGuard{depth_};

  // Defaults are worked out in the caller's context, before the new frame exists.
  for (size_t i = 0; i < subprogram.parameters.size(); ++i) {
    if (!values[i] && subprogram.parameters[i].mode == Parameter::Mode::In) {
      values[i] = subprogram.parameters[i].defaultValue
                      ? Evaluate(*subprogram.parameters[i].defaultValue)
                      : PlValue::Null(subprogram.parameters[i].type.type);
    }
  }
  auto frame = std::make_unique<Frame>();
  frame->unitName = callable.unitName;
  frame->schema = callable.schema;
  frame->firstLine = callable.firstLine;
  frame->line = subprogram.body->line;
  frame->package = callable.package;
  frame->transaction = &CurrentTransaction();
  std::vector<PlValue> results(subprogram.parameters.size());
  PlValue returnValue;
  {
    FrameGuard guard(*this, std::move(frame));
    ScopeGuard parameters(Top().scopes);
    for (size_t i = 0; i < subprogram.parameters.size(); ++i) {
      const Parameter& parameter = subprogram.parameters[i];
      Variable& variable = parameters.Scope().Declare(parameter.name);
      variable.type = parameter.type;
      variable.constant = parameter.mode == Parameter::Mode::In;
      variable.value = values[i] ? PlValue::Assign(parameter.type, *values[i])
                                 : PlValue::Null(parameter.type.type);
    }
    std::unique_ptr<sql::Session> autonomous;
    TransactionContext autonomousTransaction;
    if (subprogram.body->autonomous) {
      autonomous = session_.AcquireAutonomousSession();
      autonomousTransaction.session = autonomous.get();
      Top().transaction = &autonomousTransaction;
    }
    try {
      Flow flow = ExecuteBlock(*subprogram.body);
      if (subprogram.isFunction) {
        if (flow != Flow::Return || !Top().returnValue) throw PlsqlError(texts::kFunctionNoReturn);
        returnValue = PlValue::Assign(subprogram.returnType, *Top().returnValue);
      }
      if (autonomous) {
        bool pending = autonomousTransaction.hasChanges;
        if (pending) session_.Rollback(autonomousTransaction);
        session_.ReleaseAutonomousSession(std::move(autonomous));
        if (pending) throw PlsqlError(texts::kAutonomousRolledBack);
      }
    } catch (PlsqlError& error) {
      if (autonomous) {
        try {
          session_.Rollback(autonomousTransaction);
        } catch (const sql::SqlError&) {
          // The error that ended the subprogram is the one to report.
        }
        session_.ReleaseAutonomousSession(std::move(autonomous));
      }
      if (error.Code() != texts::kCompileError.code && !IsInterrupt(error.Code()))
        error.AddFrame(FrameText(Top()));
      throw;
    }
    for (size_t i = 0; i < subprogram.parameters.size(); ++i) {
      if (outTargets[i]) results[i] = parameters.Scope().Find(subprogram.parameters[i].name)->value;
    }
  }
  for (size_t i = 0; i < subprogram.parameters.size(); ++i) {
    if (outTargets[i]) AssignTo(*outTargets[i], results[i]);
  }
  return returnValue;
}

PlValue Interpreter::InvokeBuiltin(const BuiltinSignature& signature, const Expr& call,
                                   bool asFunction) {
  if (signature.isFunction != asFunction) {
    CompileError(call.line, call.column,
                 texts::Text(asFunction ? texts::kNoSuchFunction : texts::kNotProcedure,
                             {std::string(signature.package) + "." + signature.member}));
  }
  const auto& parameters = signature.parameters;
  std::vector<BuiltinArgument> arguments(parameters.size());
  // No built-in takes more than a few parameters; .at() below refuses a signature with more.
  std::array<bool, 8> given{};
  auto wrong = [&] {
    CompileError(call.line, call.column,
                 texts::Text(texts::kWrongArguments, {std::string(signature.member)}));
  };
  if (call.operands.size() > parameters.size()) wrong();
  for (size_t i = 0; i < call.operands.size(); ++i) {
    size_t position = i;
    if (!call.argumentNames.empty() && !call.argumentNames[i].empty()) {
      position = parameters.size();
      for (size_t p = 0; p < parameters.size(); ++p) {
        if (call.argumentNames[i] == parameters[p].name) position = p;
      }
      if (position == parameters.size()) wrong();
    }
    given.at(position) = true;
    const Expr& argument = *call.operands[i];
    BuiltinArgument& slot = arguments[position];
    if (parameters[position].out) {
      if (argument.kind != Expr::Kind::Name && argument.kind != Expr::Kind::Bind) wrong();
      slot.targetType = TargetType(argument);
      slot.assign = [this, &argument](const PlValue& value) { AssignTo(argument, value); };
      if (argument.kind == Expr::Kind::Bind && argument.operands.empty()) {
        slot.assignTable = [this, &argument](const std::vector<PlValue>& values) {
          BlockBind* bind = FindBind(argument.name[0]);
          if (!bind || !bind->isTable)
            throw PlsqlError(texts::kCompileErrorUnplaced,
                             {texts::Text(texts::kWrongArgumentsAnywhere)});
          bind->values.clear();
          for (const auto& value : values) {
            if (static_cast<int>(bind->values.size()) >= bind->maxElements) break;
            bind->values.push_back(value.ToSql());
          }
        };
      }
    }
    if (parameters[position].in) slot.value = Evaluate(argument);
  }
  for (size_t p = 0; p < parameters.size(); ++p) {
    if (!given.at(p) && !parameters[p].optional) wrong();
  }
  return BuiltinPackages::Call(*this, signature, arguments);
}

std::optional<PlValue> Interpreter::CallFunction(const std::vector<std::string>& nameParts,
                                                 const std::vector<PlValue>& arguments) {
  session_.BeginCall();
  auto frame = std::make_unique<Frame>();
  frame->transaction = &session_.MainTransaction();
  FrameGuard guard(*this, std::move(frame));
  auto callable = FindCallable(nameParts);
  if (!callable) return std::nullopt;
  // Arguments travel as literals of a synthetic call expression.
  Expr call;
  call.kind = Expr::Kind::Call;
  call.name = nameParts;
  for (const auto& argument : arguments) {
    auto literal = std::make_unique<Expr>();
    literal->kind = Expr::Kind::Literal;
    literal->literal = argument;
    call.operands.push_back(std::move(literal));
  }
  return Invoke(*callable, call, true);
}

bool Interpreter::FunctionExists(const std::vector<std::string>& nameParts) {
  return FunctionResultType(nameParts).has_value();
}

std::optional<TypeSpec> Interpreter::FunctionResultType(const std::vector<std::string>& nameParts) {
  auto frame = std::make_unique<Frame>();
  frame->transaction = &session_.MainTransaction();
  FrameGuard guard(*this, std::move(frame));
  auto callable = FindCallable(nameParts);
  if (!callable) return std::nullopt;
  if (callable->kind == Callable::Kind::Builtin) {
    const BuiltinSignature* signature = callable->builtin;
    if (!signature->isFunction) return std::nullopt;
    // The built-in functions give numbers, but for the session names and BOOLEAN.
    const std::string member = signature->member;
    TypeSpec type;
    if (member == "UNIQUE_SESSION_NAME" || member == "UNIQUE_SESSION_ID") {
      type.type = PlType::Text;
    } else if (member == "INT_TO_BOOL") {
      type.type = PlType::Boolean;
      type.name = "BOOLEAN";
    } else {
      type.type = PlType::Number;
      type.name = "NUMBER";
    }
    return type;
  }
  for (const auto& overload : callable->overloads) {
    if (overload->isFunction) return overload->returnType;
  }
  return std::nullopt;
}

}  // namespace devdb::plsql
