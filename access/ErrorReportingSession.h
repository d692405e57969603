// What error reporting needs of a session: which client interface it uses, its error handle
// or logon data area, and its lock. The session implements the abstract members; the rules
// that decide after each client call whether it failed are fixed here, so that every
// session applies them alike.
#pragma once

#include <cstdint>
#include <variant>

#include "client/OracleCallTable.h"

namespace vek {

// Where the text and number of an error come from: the error handle of a version-8 session,
// or the return code of a version-7 session's logon data area.
using TOracleErrorSource = std::variant<OCIError*, ub2>;

class TErrorReportingSession {
 public:
  virtual ~TErrorReportingSession() = default;

  virtual bool UsesOCI8() const = 0;
  virtual bool Connected() const = 0;
  // The version-8 error handle (nullptr before logon).
  virtual OCIError* ErrorHandle() const = 0;
  // The version-7 logon data area (nullptr when there is none).
  virtual Lda_Def* LogonDataArea() = 0;
  // Gives back the session's own lock if the calling thread holds it. EOracleError calls it
  // as it is built, while a SessionLockScope still holds the lock; the scope then finds its
  // entry gone and gives back no other.
  virtual void UnlockSession() = 0;

  // Stores a version-8 call's return status; true for success.
  bool SetStatus(sword status);
  sword LastStatus() const { return lastStatus_; }
  // The error number of the last call, 0 for success (see the source for the rule).
  std::int32_t LastErrorCode();
  TOracleErrorSource ErrorSource();
  // The session's one check after a client call (its wrappers make it): raises through
  // RaiseOracleError when the last call failed.
  void CheckLastCall();

 private:
  sword lastStatus_ = OCI_SUCCESS;
};

}  // namespace vek
