// TQueryVariables: where a statement's bind variables plug into its execution. A statement
// without a variable list binds nothing; the variable list of the bind-variable support
// implements this interface and is handed to the statement with SetVariables.
#pragma once

#include <cstdint>
#include <string>

namespace vek {

class TOracleQuery;
class TVariables;

class TQueryVariables {
 public:
  virtual ~TQueryVariables() = default;

  virtual int Count() const = 0;
  // The statement text with substitution variables replaced.
  virtual std::string Substitute(const std::string& text) const { return text; }
  // True when Substitute may change a text.
  virtual bool Substitutes() const { return false; }
  // True when a variable is LONG or LONG RAW, a PL/SQL table or holds more than one element:
  // the statement is then prepared again on every execution.
  virtual bool ForcesPreparation() const = 0;
  // A new statement handle was allocated: every bind handle is stale.
  virtual void ForgetBindHandles() = 0;
  // Binds every variable to the statement; returns the binding's array size (0 or 1 for
  // scalars). Failures raise.
  virtual std::int32_t BindAll(TOracleQuery& query) = 0;
  // After an execution: reference and LOB variables read their indicators.
  virtual void UpdateAfterExecute(TOracleQuery& query) = 0;
  // The debug display's part for the variables: for each, a CR, its name, " = " and its
  // display value.
  virtual std::string DebugText() const = 0;
  virtual void DeleteAll() = 0;
  // The list as the bind-variable support's own, or none: the statement's variable
  // operations look it up on every call.
  virtual TVariables* VariableList() { return nullptr; }
};

}  // namespace vek
