// Building EOracleError from a session and an error source, and the single raise operation.
#include "access/OracleError.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "access/AccessTexts.h"
#include "access/OracleWarning.h"
#include "access/WarningCodes.h"

namespace vek {
namespace {

constexpr std::size_t kErrorBufferSize = 4001;

std::int32_t ErrorNumberOf(const TOracleErrorSource& source) {
  if (const auto* returnCode = std::get_if<ub2>(&source)) return *returnCode;
  sb4 code = 0;
  if (OracleCalls.OCIErrorGet) {
    std::vector<OraText> scratch(kErrorBufferSize, 0);
    OracleCalls.OCIErrorGet(std::get<OCIError*>(source), 1, nullptr, &code, scratch.data(),
                            static_cast<ub4>(scratch.size()), OCI_HTYPE_ERROR);
  }
  return code;
}

}  // namespace

EOracleError::EOracleError(TErrorReportingSession& session, TOracleErrorSource source)
    : EOracleError(FetchDetails(session, source)) {}

EOracleError::EOracleError(std::int32_t errorCode, const std::string& message)
    : Exception(message), errorCode_(errorCode) {}

EOracleError::EOracleError(Details details)
    : Exception(details.message), errorCode_(details.errorCode) {}

EOracleError::Details EOracleError::FetchDetails(TErrorReportingSession& session,
                                                 const TOracleErrorSource& source) {
  std::vector<OraText> buffer(kErrorBufferSize, 0);
  Details details{0, {}};
  if (const auto* returnCode = std::get_if<ub2>(&source)) {
    details.errorCode = *returnCode;
    if (OracleCalls.oerhms) {
      OracleCalls.oerhms(session.LogonDataArea(), static_cast<sb2>(*returnCode), buffer.data(),
                         static_cast<sword>(buffer.size()));
    }
  } else if (OracleCalls.OCIErrorGet) {
    sb4 code = 0;
    OracleCalls.OCIErrorGet(std::get<OCIError*>(source), 1, nullptr, &code, buffer.data(),
                            static_cast<ub4>(buffer.size()), OCI_HTYPE_ERROR);
    details.errorCode = code;
  }
  session.UnlockSession();

  buffer[kMaxErrorMessageLength] = 0;
  details.message = reinterpret_cast<const char*>(buffer.data());
  // With nothing recorded the library writes neither number nor text; the status that made
  // the call fail is then the best report there is.
  if (details.errorCode == 0 && details.message.empty()) details.errorCode = session.LastStatus();
  if (details.message.empty()) {
    details.message = access_texts::kNoErrorRecord + std::to_string(details.errorCode);
  }
  return details;
}

EOracleError EnvironmentError(OCIEnv* environment, sword status) {
  sb4 code = 0;
  std::vector<OraText> text(kMaxErrorMessageLength + 1, 0);
  if (environment && OracleCalls.OCIErrorGet) {
    OracleCalls.OCIErrorGet(environment, 1, nullptr, &code, text.data(),
                            static_cast<ub4>(text.size()), OCI_HTYPE_ENV);
  }
  text.back() = 0;
  std::string message = reinterpret_cast<const char*>(text.data());
  if (code == 0) code = status;
  if (message.empty()) message = access_texts::kNoErrorRecord + std::to_string(status);
  return EOracleError(code, message);
}

void RaiseOracleError(TErrorReportingSession& session, TOracleErrorSource source) {
  if (!WarningCodes.empty()) {
    const std::int32_t number = ErrorNumberOf(source);
    if (std::find(WarningCodes.begin(), WarningCodes.end(), number) != WarningCodes.end()) {
      throw EOracleWarning(session, source);
    }
  }
  throw EOracleError(session, source);
}

}  // namespace vek
