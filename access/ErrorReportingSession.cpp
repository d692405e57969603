// The status rules of a session. With the version-8 interface an error (-1) or a success
// with information (1) is detailed by the first error record; any other status stands for
// itself. With the version-7 interface the logon data area's return code is the number.
#include "access/ErrorReportingSession.h"

#include "access/OracleError.h"

namespace vek {

bool TErrorReportingSession::SetStatus(sword status) {
  lastStatus_ = status;
  return status == OCI_SUCCESS;
}

std::int32_t TErrorReportingSession::LastErrorCode() {
  if (!UsesOCI8()) {
    const Lda_Def* lda = LogonDataArea();
    return lda ? lda->rc : 0;
  }
  if (lastStatus_ != OCI_ERROR && lastStatus_ != OCI_SUCCESS_WITH_INFO) return lastStatus_;
  sb4 code = 0;
  if (OracleCalls.OCIErrorGet) {
    OracleCalls.OCIErrorGet(ErrorHandle(), 1, nullptr, &code, nullptr, 0, OCI_HTYPE_ERROR);
  }
  // A failed call whose error handle holds no record must still count as failed.
  if (code == 0 && lastStatus_ == OCI_ERROR) return OCI_ERROR;
  return code;
}

TOracleErrorSource TErrorReportingSession::ErrorSource() {
  if (UsesOCI8()) return ErrorHandle();
  const Lda_Def* lda = LogonDataArea();
  return static_cast<ub2>(lda ? lda->rc : 0);
}

void TErrorReportingSession::CheckLastCall() {
  if (LastErrorCode() != 0) RaiseOracleError(*this, ErrorSource());
}

}  // namespace vek
