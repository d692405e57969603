// EOracleError: the exception for every error that the database or the client library
// reports, with the Oracle error number and the client library's own message text, and
// RaiseOracleError, the one way the access layer raises it.
#pragma once

#include <cstdint>
#include <string>

#include "access/ErrorReportingSession.h"
#include "platform/Exception.h"

namespace vek {

// The message is cut to this many characters, as the client's message buffer allows.
inline constexpr std::size_t kMaxErrorMessageLength = 1023;

class EOracleError : public Exception {
 public:
  // Fetches the number and the text from the client library, then gives back the session's
  // lock.
  EOracleError(TErrorReportingSession& session, TOracleErrorSource source);
  EOracleError(std::int32_t errorCode, const std::string& message);

  std::int32_t ErrorCode() const { return errorCode_; }

 private:
  struct Details {
    std::int32_t errorCode;
    std::string message;
  };
  EOracleError(Details details);
  static Details FetchDetails(TErrorReportingSession& session, const TOracleErrorSource& source);

  std::int32_t errorCode_;
};

// The error of a call that reports on the environment handle itself (its creation and the
// allocations from it, before any error handle exists): the record is read there. Build it
// before the environment is given back.
EOracleError EnvironmentError(OCIEnv* environment, sword status);
// Such a call passes with success or with success with information.
inline bool EnvironmentCallPassed(sword status) {
  return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

// Raises EOracleWarning when the error's number is in WarningCodes, else EOracleError.
[[noreturn]] void RaiseOracleError(TErrorReportingSession& session, TOracleErrorSource source);

}  // namespace vek
