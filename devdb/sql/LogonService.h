// The account rules of a logon and of a password change: who may connect, in which mode,
// with which warning, and Oracle's refusal for everyone else.
#pragma once

#include <string>

#include "devdb/sql/Catalogue.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

struct LogonDecision {
  UserRecord account;
  std::string sessionUser;  // SYS for SYSDBA, PUBLIC for SYSOPER, else the account
  bool sysdba = false;
  int warningCode = 0;
  std::string warningMessage;
};

class LogonService {
 public:
  // A name as typed: upper-cased unless enclosed in double quotes.
  static std::string NormalizeName(const std::string& typed);
  // Throws SqlError 1017, 1005, 28000, 28001, 1031 or 1045.
  static LogonDecision Authenticate(Catalogue& catalogue, const LogonRequest& request);
  // Checks the old password (1017 when wrong, 28000 when locked) and sets the new one,
  // which also ends an expiry or a grace period.
  static void ChangePassword(Catalogue& catalogue, const std::string& user,
                             const std::string& oldPassword, const std::string& newPassword);
};

}  // namespace devdb::sql
