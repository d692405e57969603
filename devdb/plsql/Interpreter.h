// Runs parsed PL/SQL for one session: scopes and call frames, name resolution (locals,
// package members, stored code through synonyms, the built-in packages), exceptions with
// their handlers and ORA-06512 frames, embedded SQL with variables turned into binds, and
// autonomous transactions on a second engine session.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devdb/plsql/BlockBind.h"
#include "devdb/plsql/BuiltinArgument.h"
#include "devdb/plsql/PlsqlError.h"
#include "devdb/plsql/ProceduralSession.h"
#include "devdb/plsql/StoredCodeCatalogue.h"
#include "devdb/plsql/SyntaxTree.h"

namespace devdb::plsql {

struct BuiltinSignature;

class Interpreter {
 public:
  // binds may be null when the code has no client binds (stored code called from SQL).
  Interpreter(ProceduralSession& session, std::vector<BlockBind>* binds);
  ~Interpreter();

  // Runs an anonymous block (or a CALL). Errors leave as PlsqlError with their frames.
  void RunAnonymous(const Unit& unit);
  // Calls a function visible under the name parts with positional values; nothing when no
  // such function exists.
  std::optional<PlValue> CallFunction(const std::vector<std::string>& nameParts,
                                      const std::vector<PlValue>& arguments);
  bool FunctionExists(const std::vector<std::string>& nameParts);
  // The declared result type of the function of that name (its first overload that is a
  // function), or nothing when the name is no function the session can call.
  std::optional<TypeSpec> FunctionResultType(const std::vector<std::string>& nameParts);

  // Used by the built-in packages.
  ProceduralSession& Session() { return session_; }
  TransactionContext& CurrentTransaction();
  void CommitCurrent();

 private:
  enum class Flow { Normal, Exit, Return };
  struct Frame;
  struct Callable;
  class FrameGuard;

  Frame& Top();
  std::string CurrentSchema();

  // Statements.
  Flow ExecuteList(const StmtList& statements);
  Flow Execute(const Stmt& statement);
  Flow ExecuteBlock(const Block& block);
  void DeclareInto(VariableScope& scope, const Block& block);
  const ExceptionHandler* FindHandler(const Block& block, const PlsqlError& error);
  void ExecuteSql(const Stmt& statement);
  void OpenCursor(const Stmt& statement);
  std::string BuildSql(const EmbeddedSql& sql, std::vector<sql::Bind>& binds);
  [[noreturn]] void Raise(const Stmt& statement);

  // Expressions.
  PlValue Evaluate(const Expr& expr);
  PlValue EvaluateName(const Expr& expr);
  PlValue EvaluateCall(const Expr& expr);
  PlValue EvaluateBinary(const Expr& expr);
  PlValue EvaluateAttribute(const Expr& expr);
  bool IsTrue(const PlValue& value);
  std::optional<PlValue> SpecialName(const std::string& name);

  // Names.
  Variable* FindVariable(const std::vector<std::string>& parts);
  // site: the expression that names the callable, where it keeps what it found.
  std::optional<Callable> FindCallable(const std::vector<std::string>& parts,
                                       const Expr* site = nullptr);
  PackageInstance* FindPackage(const std::string& owner, const std::string& name, bool qualified);
  PackageInstance* Instantiate(const std::string& owner, const std::string& name,
                               const std::shared_ptr<const StoredObject>& packageSpec);
  BlockBind* FindBind(const std::string& name);
  void AssignTo(const Expr& target, const PlValue& value);
  std::optional<PlType> TargetType(const Expr& target);

  // Calls.
  PlValue Invoke(const Callable& callable, const Expr& call, bool asFunction);
  PlValue InvokeSubprogram(const Callable& callable, const Subprogram& subprogram,
                           std::vector<std::optional<PlValue>> values,
                           const std::vector<const Expr*>& outTargets);
  PlValue InvokeBuiltin(const BuiltinSignature& signature, const Expr& call, bool asFunction);

  [[noreturn]] void CompileError(int line, int column, const std::string& message,
                                 const char* ignored = nullptr);
  [[noreturn]] void NotDeclared(const Expr& expr);
  std::string FrameText(const Frame& frame) const;

  ProceduralSession& session_;
  std::vector<BlockBind>* binds_;
  std::vector<std::unique_ptr<Frame>> frames_;
  // Package instances replaced during this call (their code was replaced meanwhile); frames
  // may still run in them, so they live until the call ends.
  std::vector<std::unique_ptr<PackageInstance>> retired_;
  std::uint64_t rowCount_ = 0;
  bool sqlFound_ = false;
  int depth_ = 0;
};

}  // namespace devdb::plsql
