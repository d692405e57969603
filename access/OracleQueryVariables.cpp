// The statement's variable operations: declared, set and read on the statement itself, as
// callers write them, and carried out by its variable list.
#include "access/OracleQuery.h"
#include "access/Variables.h"

namespace vek {

TVariables& TOracleQuery::VariableList() { return TVariables::Of(*this); }

void TOracleQuery::DeclareVariable(const std::string& name, std::int32_t type) {
  VariableList().DeclareVariable(name, type);
}

void TOracleQuery::SetVariable(const std::string& name, const Variant& value) {
  VariableList().SetVariable(name, value);
}

Variant TOracleQuery::GetVariable(const std::string& name) { return VariableList().GetVariable(name); }

}  // namespace vek
