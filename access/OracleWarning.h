// EOracleWarning: an EOracleError whose number the developer listed in WarningCodes, so that
// a debugging session can tell it apart from a real failure.
#pragma once

#include "access/OracleError.h"

namespace vek {

class EOracleWarning : public EOracleError {
 public:
  using EOracleError::EOracleError;
};

}  // namespace vek
