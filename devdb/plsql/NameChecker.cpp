// The name check. It follows the interpreter's lookup order, so that a block the check lets
// through finds the same things when it runs.
#include "devdb/plsql/NameChecker.h"

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/BuiltinPackages.h"
#include "devdb/plsql/PlsqlError.h"
#include "devdb/plsql/StandardFunctions.h"

namespace devdb::plsql {
namespace {

const char* kPredefinedExceptions[] = {
    "NO_DATA_FOUND",  "TOO_MANY_ROWS",    "ZERO_DIVIDE",         "VALUE_ERROR",
    "INVALID_NUMBER", "DUP_VAL_ON_INDEX", "INVALID_CURSOR",      "CURSOR_ALREADY_OPEN",
    "PROGRAM_ERROR",  "STORAGE_ERROR",    "TIMEOUT_ON_RESOURCE", "LOGIN_DENIED",
    "NOT_LOGGED_ON",  "CASE_NOT_FOUND",   "ROWTYPE_MISMATCH",    "OTHERS"};

bool IsPredefinedException(const std::vector<std::string>& parts) {
  std::string name = parts.size() == 2 && parts[0] == "STANDARD" ? parts[1]
                     : parts.size() == 1                         ? parts[0]
                                                                 : "";
  for (const char* predefined : kPredefinedExceptions) {
    if (name == predefined) return true;
  }
  return false;
}

bool IsSpecialName(const std::string& name) {
  return name == "SYSDATE" || name == "SYSTIMESTAMP" || name == "CURRENT_TIMESTAMP" ||
         name == "LOCALTIMESTAMP" || name == "USER" || name == "SQLCODE" || name == "SQLERRM" ||
         name == "UID";
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ".") + part;
  return text;
}

}  // namespace

NameChecker::NameChecker(const StoredCodeCatalogue& catalogue, std::string schema, std::string user)
    : catalogue_(catalogue), schema_(std::move(schema)), user_(std::move(user)) {}

void NameChecker::Undeclared(int line, int column, const std::vector<std::string>& parts) {
  auto place = [this](int at, int col, const std::string& what) {
    return texts::Text(texts::kCompileError,
                       {std::to_string(at - firstLine_ + 1), std::to_string(col), what});
  };
  throw PlsqlError(texts::kCompileError.code,
                   place(line, column, texts::Text(texts::kMustBeDeclared, {Joined(parts)})) +
                       "\n" + place(statementLine_, statementColumn_, texts::kStatementIgnored));
}

void NameChecker::Check(const Unit& unit) {
  firstLine_ = unit.firstLine;
  switch (unit.kind) {
    case Unit::Kind::Anonymous: CheckBlock(*unit.block, nullptr); return;
    case Unit::Kind::Procedure:
    case Unit::Kind::Function: CheckBlock(*unit.subprogram->body, unit.subprogram.get()); return;
    case Unit::Kind::Package:
      // A package spec declares; its default values are checked as expressions.
      scopes_.emplace_back();
      Declare(*unit.block);
      for (const auto& variable : unit.block->variables) {
        if (variable.initial) CheckExpr(*variable.initial);
      }
      scopes_.pop_back();
      return;
    case Unit::Kind::PackageBody: {
      auto packageSpec = catalogue_.Find(unit.owner.empty() ? schema_ : unit.owner, unit.name,
                                         Unit::Kind::Package);
      if (!packageSpec || !packageSpec->unit) {
        throw PlsqlError(texts::kCompileError,
                         {"1", "14", texts::Text(texts::kBodyWithoutSpecification, {unit.name})});
      }
      packageName_ = unit.name;
      scopes_.emplace_back();
      Declare(*packageSpec->unit->block);
      CheckBlock(*unit.block, nullptr);
      scopes_.pop_back();
      return;
    }
  }
}

void NameChecker::Declare(const Block& block) {
  Scope& scope = scopes_.back();
  for (const auto& variable : block.variables) {
    (variable.isException ? scope.exceptions : scope.variables).insert(variable.name);
  }
  for (const auto& subprogram : block.subprograms) scope.subprograms.insert(subprogram->name);
}

void NameChecker::CheckBlock(const Block& block, const Subprogram* owner) {
  scopes_.emplace_back();
  if (owner) {
    for (const auto& parameter : owner->parameters) {
      scopes_.back().variables.insert(parameter.name);
      if (parameter.defaultValue) CheckExpr(*parameter.defaultValue);
    }
  }
  // Every subprogram of a declaration section is visible in all of it, as forward
  // declarations would make it.
  for (const auto& subprogram : block.subprograms)
    scopes_.back().subprograms.insert(subprogram->name);
  for (const auto& variable : block.variables) {
    statementLine_ = variable.line;
    statementColumn_ = variable.column;
    if (variable.initial) CheckExpr(*variable.initial);
    (variable.isException ? scopes_.back().exceptions : scopes_.back().variables)
        .insert(variable.name);
  }
  for (const auto& subprogram : block.subprograms) {
    if (subprogram->body) CheckBlock(*subprogram->body, subprogram.get());
  }
  CheckStatements(block.body);
  for (const auto& handler : block.handlers) {
    for (const auto& name : handler.names) {
      std::vector<std::string> parts;
      std::string rest = name;
      for (auto dot = rest.find('.'); dot != std::string::npos; dot = rest.find('.')) {
        parts.push_back(rest.substr(0, dot));
        rest = rest.substr(dot + 1);
      }
      parts.push_back(rest);
      if (!IsPredefinedException(parts) && !IsException(parts))
        Undeclared(statementLine_, 1, parts);
    }
    CheckStatements(handler.body);
  }
  scopes_.pop_back();
}

void NameChecker::CheckStatements(const StmtList& statements) {
  for (const auto& statement : statements) CheckStatement(*statement);
}

void NameChecker::CheckStatement(const Stmt& statement) {
  statementLine_ = statement.line;
  statementColumn_ = statement.column;
  switch (statement.kind) {
    case Stmt::Kind::Assign:
      CheckExpr(*statement.value);
      statementLine_ = statement.line;
      statementColumn_ = statement.column;
      CheckTarget(*statement.target);
      return;
    case Stmt::Kind::If:
      for (const auto& [condition, body] : statement.branches) {
        CheckExpr(*condition);
        CheckStatements(body);
      }
      CheckStatements(statement.elseBody);
      return;
    case Stmt::Kind::Loop: CheckStatements(statement.body); return;
    case Stmt::Kind::While:
      CheckExpr(*statement.value);
      CheckStatements(statement.body);
      return;
    case Stmt::Kind::For:
      CheckExpr(*statement.low);
      CheckExpr(*statement.high);
      scopes_.emplace_back();
      scopes_.back().variables.insert(statement.loopVariable);
      CheckStatements(statement.body);
      scopes_.pop_back();
      return;
    case Stmt::Kind::Exit:
    case Stmt::Kind::Return:
      if (statement.value) CheckExpr(*statement.value);
      return;
    case Stmt::Kind::Raise:
      if (!statement.raiseName.empty() && !IsPredefinedException(statement.raiseName) &&
          !IsException(statement.raiseName)) {
        Undeclared(statement.line, statement.column + 6, statement.raiseName);
      }
      return;
    case Stmt::Kind::Call: {
      const Expr& call = *statement.value;
      for (const auto& operand : call.operands) CheckExpr(*operand);
      if (call.name.size() == 1 && call.name[0] == "RAISE_APPLICATION_ERROR") return;
      if (!IsCallable(call.name)) Undeclared(call.line, call.column, call.name);
      return;
    }
    case Stmt::Kind::Block: CheckBlock(*statement.block, nullptr); return;
    case Stmt::Kind::Sql:
      for (const auto& target : statement.sql->into) CheckTarget(*target);
      return;
    case Stmt::Kind::OpenFor:
    case Stmt::Kind::Close: CheckTarget(*statement.target); return;
    case Stmt::Kind::Null:
    case Stmt::Kind::Commit:
    case Stmt::Kind::Rollback: return;
  }
}

void NameChecker::CheckTarget(const Expr& target) {
  if (target.kind == Expr::Kind::Bind) {
    for (const auto& operand : target.operands) CheckExpr(*operand);
    return;
  }
  if (target.kind == Expr::Kind::Name && !IsVariable(target.name))
    Undeclared(target.line, target.column, target.name);
}

void NameChecker::CheckExpr(const Expr& expr) {
  switch (expr.kind) {
    case Expr::Kind::Literal: return;
    case Expr::Kind::Bind:
      for (const auto& operand : expr.operands) CheckExpr(*operand);
      return;
    case Expr::Kind::Attribute:
      if (expr.name.size() != 2 || expr.name[0] != "SQL")
        Undeclared(expr.line, expr.column, expr.name);
      return;
    case Expr::Kind::Name:
      if (IsVariable(expr.name) || IsCallable(expr.name)) return;
      if (expr.name.size() == 1 &&
          (IsSpecialName(expr.name[0]) || StandardFunctions::Exists(expr.name[0])))
        return;
      if (expr.name.size() >= 2) {
        std::string package = BuiltinPackages::CanonicalPackage(
            expr.name[expr.name.size() - 2], expr.name.size() == 3 ? expr.name[0] : "");
        if (!package.empty() && BuiltinPackages::Constant(package, expr.name.back())) return;
      }
      Undeclared(expr.line, expr.column, expr.name);
    case Expr::Kind::Call:
      for (const auto& operand : expr.operands) CheckExpr(*operand);
      if (expr.name.size() == 1 &&
          (StandardFunctions::Exists(expr.name[0]) || expr.name[0] == "SQLERRM"))
        return;
      if (!IsCallable(expr.name)) Undeclared(expr.line, expr.column, expr.name);
      return;
    default:
      for (const auto& operand : expr.operands) CheckExpr(*operand);
      return;
  }
}

bool NameChecker::IsVariable(const std::vector<std::string>& parts) {
  if (parts.size() == 1) {
    for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
      if (it->variables.count(parts[0])) return true;
    }
    return false;
  }
  if (parts.size() == 2 && parts[0] == packageName_ && !packageName_.empty()) {
    return !scopes_.empty() && scopes_.front().variables.count(parts[1]);
  }
  std::shared_ptr<const StoredObject> package =
      parts.size() == 2   ? VisiblePackage("", parts[0], false)
      : parts.size() == 3 ? VisiblePackage(parts[0], parts[1], true)
                          : nullptr;
  return package && PackageHas(*package, parts.back(), true);
}

bool NameChecker::IsException(const std::vector<std::string>& parts) {
  if (parts.size() == 1) {
    for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
      if (it->exceptions.count(parts[0])) return true;
    }
    return false;
  }
  if (parts.size() == 2) {
    auto package = VisiblePackage("", parts[0], false);
    if (!package || !package->unit) return false;
    for (const auto& variable : package->unit->block->variables) {
      if (variable.isException && variable.name == parts[1]) return true;
    }
  }
  return false;
}

bool NameChecker::IsCallable(const std::vector<std::string>& parts) {
  if (parts.size() == 1) {
    for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
      if (it->subprograms.count(parts[0])) return true;
    }
    if (catalogue_.FindCallable(schema_, parts[0])) return true;
    auto synonym = catalogue_.Synonym(parts[0]);
    return synonym && catalogue_.FindCallable(synonym->first, synonym->second) &&
           catalogue_.CanExecute(synonym->first, synonym->second, user_);
  }
  if (parts.size() == 2) {
    if (parts[0] == packageName_ && !packageName_.empty())
      return !scopes_.empty() && scopes_.front().subprograms.count(parts[1]);
    std::string builtin = BuiltinPackages::CanonicalPackage(parts[0], "");
    if (!builtin.empty()) return BuiltinPackages::Find(builtin, parts[1]) != nullptr;
    if (auto package = VisiblePackage("", parts[0], false))
      return PackageHas(*package, parts[1], false);
    auto standalone = catalogue_.FindCallable(parts[0], parts[1]);
    return standalone && standalone->kind != Unit::Kind::Package &&
           (catalogue_.CanExecute(parts[0], parts[1], user_) || parts[0] == schema_);
  }
  if (parts.size() == 3) {
    std::string builtin = BuiltinPackages::CanonicalPackage(parts[1], parts[0]);
    if (!builtin.empty()) return BuiltinPackages::Find(builtin, parts[2]) != nullptr;
    auto package = VisiblePackage(parts[0], parts[1], true);
    return package && PackageHas(*package, parts[2], false);
  }
  return false;
}

std::shared_ptr<const StoredObject> NameChecker::VisiblePackage(const std::string& owner,
                                                                const std::string& name,
                                                                bool qualified) {
  std::shared_ptr<const StoredObject> package;
  if (qualified) {
    package = catalogue_.Find(owner, name, Unit::Kind::Package);
  } else {
    package = catalogue_.Find(schema_, name, Unit::Kind::Package);
    if (!package) {
      auto synonym = catalogue_.Synonym(name);
      if (synonym) package = catalogue_.Find(synonym->first, synonym->second, Unit::Kind::Package);
    }
  }
  if (!package) return nullptr;
  if (package->owner != schema_ && !catalogue_.CanExecute(package->owner, package->name, user_))
    return nullptr;
  return package;
}

bool NameChecker::PackageHas(const StoredObject& package, const std::string& member,
                             bool variable) {
  // A package that does not compile is reported when it is used (ORA-04063).
  if (!package.unit) return true;
  const Block& declarations = *package.unit->block;
  if (variable) {
    for (const auto& declared : declarations.variables) {
      if (!declared.isException && declared.name == member) return true;
    }
    return false;
  }
  for (const auto& subprogram : declarations.subprograms) {
    if (subprogram->name == member) return true;
  }
  return false;
}

}  // namespace devdb::plsql
