// TPackageParameter: one parameter of a package call: its name (also the name of its bind
// variable), the name of its block-local boolean when it is one, its parameter type and the
// value to bind.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Variant.h"

namespace vek {

struct TPackageParameter {
  std::string name;
  std::string BooleanName;
  // 0: no value (the call passes the literal Null), otherwise a variable type code or
  // otBoolean.
  std::int32_t parameterType = 0;
  Variant value;
};

}  // namespace vek
