// The conversion error: raised when a text or value does not convert to the type asked for
// (a number, a date), and by a few assignments that refuse their source. Catching Exception
// catches it too.
#pragma once

#include "platform/Exception.h"

namespace vek {

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace vek
