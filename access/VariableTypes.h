// The type codes of bind variables: the client interface's external datatype codes, except
// otSubst, which marks a variable pasted into the SQL text instead of being bound. Package
// calls add otBoolean for a boolean parameter bound as an integer.
#pragma once

#include <cstdint>

namespace vek {

enum TVariableType : std::int32_t {
  otSubst = 1,
  otInteger = 3,
  otFloat = 4,
  otString = 5,
  otLong = 8,
  otPLSQLString = 10,
  otDate = 12,
  otLongRaw = 24,
  otChar = 97,
  otObject = 108,
  otReference = 110,
  otCLOB = 112,
  otBLOB = 113,
  otBFile = 114,
  otCursor = 116,
  otBoolean = 252,
};

}  // namespace vek
