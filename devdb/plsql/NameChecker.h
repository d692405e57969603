// The compiler's name check, run before a block executes and when stored code is created:
// every name a unit uses must be a variable, parameter, exception, subprogram, package member
// or built-in in scope, else the unit fails with ORA-06550 / PLS-00201 and nothing of it runs.
// Names inside embedded SQL are left to the SQL engine.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "devdb/plsql/StoredCodeCatalogue.h"
#include "devdb/plsql/SyntaxTree.h"

namespace devdb::plsql {

class NameChecker {
 public:
  // schema: where unqualified names of stored code are looked up (the session user for an
  // anonymous block, the owner for stored code); user: whose EXECUTE rights count.
  NameChecker(const StoredCodeCatalogue& catalogue, std::string schema, std::string user);

  // Throws PlsqlError 6550 for the first name that resolves to nothing.
  void Check(const Unit& unit);

 private:
  struct Scope {
    std::set<std::string> variables;
    std::set<std::string> exceptions;
    std::set<std::string> subprograms;
  };

  void CheckBlock(const Block& block, const Subprogram* owner);
  void Declare(const Block& block);
  void CheckStatements(const StmtList& statements);
  void CheckStatement(const Stmt& statement);
  void CheckExpr(const Expr& expr);
  void CheckTarget(const Expr& target);
  bool IsVariable(const std::vector<std::string>& parts);
  bool IsException(const std::vector<std::string>& parts);
  bool IsCallable(const std::vector<std::string>& parts);
  // The package spec visible under the name, or null.
  std::shared_ptr<const StoredObject> VisiblePackage(const std::string& owner,
                                                     const std::string& name, bool qualified);
  bool PackageHas(const StoredObject& package, const std::string& member, bool variable);
  [[noreturn]] void Undeclared(int line, int column, const std::vector<std::string>& parts);

  const StoredCodeCatalogue& catalogue_;
  std::string schema_;
  std::string user_;
  std::vector<Scope> scopes_;
  std::string packageName_;  // the package whose body is checked, empty otherwise
  int firstLine_ = 1;
  int statementLine_ = 0;
  int statementColumn_ = 0;
};

// For one parsed unit: the users whose check passed, each with the catalogue's change count
// at the time. While the count is unchanged the names resolve as they did, so a block that is
// executed again and again is checked once, as a server keeps a cursor valid until DDL.
class CheckedNames {
 public:
  bool Holds(const std::string& user, std::uint64_t changes) const {
    std::lock_guard lock(mutex_);
    const auto found = passed_.find(user);
    return found != passed_.end() && found->second == changes;
  }
  void Note(const std::string& user, std::uint64_t changes) {
    std::lock_guard lock(mutex_);
    passed_[user] = changes;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::uint64_t> passed_;
};

}  // namespace devdb::plsql
