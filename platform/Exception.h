// The general exception of the program's own making: a wrong state, a property that cannot
// change now, a failed load of the client library. It carries a fixed English message and a
// help context, and every more specific exception of the program derives from it.
#pragma once

#include <stdexcept>
#include <string>

namespace vek {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message, int helpContext = 0)
      : std::runtime_error(message), helpContext_(helpContext) {}

  std::string Message() const { return what(); }
  int HelpContext() const { return helpContext_; }

 private:
  int helpContext_;
};

}  // namespace vek
