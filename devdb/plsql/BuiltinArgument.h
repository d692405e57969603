// One argument of a call to a built-in package subprogram, as the interpreter hands it over:
// the value of an IN parameter and, for OUT parameters, how to write the result back.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "devdb/plsql/PlValue.h"

namespace devdb::plsql {

struct BuiltinArgument {
  std::optional<PlValue> value;      // IN value; no value when omitted (the default applies)
  std::optional<PlType> targetType;  // the declared type of an OUT target, when known
  std::function<void(const PlValue&)> assign;                    // OUT and IN OUT
  std::function<void(const std::vector<PlValue>&)> assignTable;  // OUT into an index-by table
};

}  // namespace devdb::plsql
