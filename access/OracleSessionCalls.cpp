// The session's client calls: one wrapper per entry point that makes the call and checks it
// by the session's rule (TErrorReportingSession::CheckLastCall), and the creation of the
// environment with its handles, which report on the environment handle instead.
#include <array>
#include <string>
#include <vector>

#include "access/OracleError.h"
#include "access/OracleSession.h"
#include "client/ClientLibrary.h"

namespace vek {
namespace {

constexpr std::size_t kServerVersionBufferSize = 501;

std::vector<OraText> ZeroTerminated(const std::string& text) {
  std::vector<OraText> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

}  // namespace

void TOracleSession::Checked(sword status) {
  SetStatus(status);
  CheckLastCall();
}

// ---- The environment ---------------------------------------------------------------------

void TOracleSession::CheckedOnEnvironment(sword status) {
  SetStatus(status);
  if (EnvironmentCallPassed(status)) return;
  // Read before the environment is given back with the other handles.
  EOracleError error = EnvironmentError(environment_, status);
  FreeVersion8Handles();
  throw error;
}

void TOracleSession::EnvironmentCreate(ub4 mode) {
  CheckedOnEnvironment(OracleCalls.OCIEnvCreate(&environment_, mode, nullptr, nullptr, nullptr,
                                                nullptr, 0, nullptr));
}

void TOracleSession::EnvironmentInit(ub4 mode) {
  CheckedOnEnvironment(OracleCalls.OCIEnvInit(&environment_, mode, 0, nullptr));
}

template <class Handle>
void TOracleSession::HandleAlloc(Handle*& handle, ub4 type) {
  void* allocated = nullptr;
  const sword status = OracleCalls.OCIHandleAlloc(environment_, &allocated, type, 0, nullptr);
  // Kept even when the call fails, so that whatever it made goes back with the rest.
  handle = static_cast<Handle*>(allocated);
  CheckedOnEnvironment(status);
}

void TOracleSession::CreateEnvironment() {
  if (HasOCI81()) {
    EnvironmentCreate(OCI_OBJECT | (threadSafe_ ? OCI_THREADED : 0u));
  } else {
    EnvironmentInit(threadSafe_ ? OCI_DEFAULT : OCI_ENV_NO_MUTEX);
  }
  HandleAlloc(serviceContext_, OCI_HTYPE_SVCCTX);
  HandleAlloc(errorHandle_, OCI_HTYPE_ERROR);
  HandleAlloc(secondErrorHandle_, OCI_HTYPE_ERROR);
  HandleAlloc(serverHandle_, OCI_HTYPE_SERVER);
  HandleAlloc(sessionHandle_, OCI_HTYPE_SESSION);
}

// ---- Version 8 ---------------------------------------------------------------------------

void TOracleSession::ServerAttach() {
  Checked(OracleCalls.OCIServerAttach(serverHandle_, errorHandle_,
                                      reinterpret_cast<const OraText*>(logonDatabase_.data()),
                                      static_cast<sb4>(logonDatabase_.size()), OCI_DEFAULT));
}

void TOracleSession::ServerDetach() {
  Checked(OracleCalls.OCIServerDetach(serverHandle_, errorHandle_, OCI_DEFAULT));
}

void TOracleSession::SessionBegin(ub4 credentials, ub4 mode) {
  SetStatus(OracleCalls.OCISessionBegin(serviceContext_, errorHandle_, sessionHandle_, credentials,
                                        mode));
}

std::string TOracleSession::ReadServerVersion() {
  std::array<OraText, kServerVersionBufferSize> version{};
  SetStatus(OracleCalls.OCIServerVersion(serverHandle_, errorHandle_, version.data(),
                                         static_cast<ub4>(version.size()), OCI_HTYPE_SERVER));
  version.back() = 0;
  return reinterpret_cast<const char*>(version.data());
}

void TOracleSession::SvcCtxToLda() {
  Checked(OracleCalls.OCISvcCtxToLda(serviceContext_, errorHandle_, &logonDataArea_));
}

void TOracleSession::SessionEnd() {
  Checked(OracleCalls.OCISessionEnd(serviceContext_, errorHandle_, sessionHandle_, OCI_DEFAULT));
}

void TOracleSession::TransCommit() {
  Checked(OracleCalls.OCITransCommit(serviceContext_, errorHandle_, OCI_DEFAULT));
}

void TOracleSession::TransRollback() {
  Checked(OracleCalls.OCITransRollback(serviceContext_, errorHandle_, OCI_DEFAULT));
}

void TOracleSession::PasswordChange(const std::string& newPassword) {
  Checked(OracleCalls.OCIPasswordChange(
      serviceContext_, errorHandle_, reinterpret_cast<const OraText*>(logonUsername_.data()),
      static_cast<ub4>(logonUsername_.size()),
      reinterpret_cast<const OraText*>(logonPassword_.data()),
      static_cast<ub4>(logonPassword_.size()), reinterpret_cast<const OraText*>(newPassword.data()),
      static_cast<ub4>(newPassword.size()), OCI_DEFAULT));
}

// ---- Version 7 ---------------------------------------------------------------------------

void TOracleSession::LdaLogon(const std::string& joined) {
  // The whole joined text is the user identification, connect-as clause included.
  std::vector<OraText> user = ZeroTerminated(joined);
  logonDataArea_ = Lda_Def{};
  if (HasOLog()) {
    OracleCalls.olog(&logonDataArea_, hostDataArea_.data(), user.data(), -1, nullptr, -1, nullptr,
                     -1, 0);
  } else {
    OracleCalls.orlon(&logonDataArea_, hostDataArea_.data(), user.data(), -1, nullptr, -1, 0);
  }
}

void TOracleSession::LdaAutoCommit(bool on) {
  if (on) {
    OracleCalls.ocon(&logonDataArea_);
  } else {
    OracleCalls.ocof(&logonDataArea_);
  }
  CheckLastCall();
}

void TOracleSession::LdaCommit() {
  OracleCalls.ocom(&logonDataArea_);
  CheckLastCall();
}

void TOracleSession::LdaRollback() {
  OracleCalls.orol(&logonDataArea_);
  CheckLastCall();
}

void TOracleSession::LdaLogoff() {
  OracleCalls.ologof(&logonDataArea_);
  CheckLastCall();
}

}  // namespace vek
