// One level of PL/SQL names: the variables, constants, exceptions and local subprograms a
// block, a subprogram call or a package instance declares.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devdb/plsql/PlValue.h"
#include "devdb/plsql/SyntaxTree.h"

namespace devdb::plsql {

struct Variable {
  TypeSpec type;
  PlValue value;
  bool constant = false;
  bool notNull = false;
  bool isException = false;
  int exceptionCode = 0;    // PRAGMA EXCEPTION_INIT, else 0
  std::string exceptionId;  // tells apart exceptions of the same name in different scopes
};

class VariableScope {
 public:
  Variable* Find(const std::string& name) {
    auto it = variables_.find(name);
    return it == variables_.end() ? nullptr : &it->second;
  }
  Variable& Declare(const std::string& name) { return variables_[name]; }
  const std::vector<std::shared_ptr<Subprogram>>* Subprograms(const std::string& name) const {
    auto it = subprograms_.find(name);
    return it == subprograms_.end() ? nullptr : &it->second;
  }
  // A body replaces the forward declaration with the same parameter names.
  void DeclareSubprogram(const std::shared_ptr<Subprogram>& subprogram) {
    auto& overloads = subprograms_[subprogram->name];
    for (auto& existing : overloads) {
      if (existing->parameters.size() != subprogram->parameters.size()) continue;
      bool same = true;
      for (size_t i = 0; i < existing->parameters.size(); ++i) {
        same = same && existing->parameters[i].name == subprogram->parameters[i].name;
      }
      if (same) {
        if (subprogram->body) existing = subprogram;
        return;
      }
    }
    overloads.push_back(subprogram);
  }

 private:
  std::map<std::string, Variable> variables_;
  std::map<std::string, std::vector<std::shared_ptr<Subprogram>>> subprograms_;
};

// A package as one session sees it: its variables and subprograms, initialised on first use.
struct PackageInstance {
  std::string owner;
  std::string name;
  std::uint64_t version = 0;  // the catalogue version it was built from
  VariableScope scope;
  std::shared_ptr<const Unit> packageSpec;  // kept alive while the instance is in use
  std::shared_ptr<const Unit> body;
  int bodyFirstLine = 1;
};

}  // namespace devdb::plsql
