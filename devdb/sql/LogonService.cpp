// Logon checks in Oracle's order: the credentials first (so that a wrong password never
// tells whether an account exists or is locked), then the account's state, then the
// privilege the connect mode needs.
#include "devdb/sql/LogonService.h"

#include <cctype>

#include "devdb/sql/OracleErrors.h"
#include "devdb/sql/PasswordHash.h"

namespace devdb::sql {
namespace {

// No password Oracle accepts is longer; a longer one is refused before anything is hashed,
// so that a hostile client cannot make a logon cost more than any other.
constexpr std::size_t kMaxPasswordBytes = 1024;

// Checks a password against a hash that matches nothing: a logon of an unknown user then
// takes as long as one with a wrong password, and the time does not tell which users exist.
void HashForNothing(const std::string& password) {
  static const std::string dummy = PasswordHash::Make("devdb: no such user");
  PasswordHash::Matches(dummy, password);
}

}  // namespace

std::string LogonService::NormalizeName(const std::string& typed) {
  if (typed.size() >= 2 && typed.front() == '"' && typed.back() == '"')
    return typed.substr(1, typed.size() - 2);
  std::string name = typed;
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

LogonDecision LogonService::Authenticate(Catalogue& catalogue, const LogonRequest& request) {
  LogonDecision decision;
  const bool external = request.user.empty() && request.password.empty();
  std::string name;
  if (external) {
    // External authentication: the client's operating-system user with the OPS$ prefix,
    // which must exist as a user IDENTIFIED EXTERNALLY.
    if (request.osUser.empty()) throw OracleErrors::Make(texts::kInvalidLogon);
    name = "OPS$" + NormalizeName(request.osUser);
  } else {
    if (request.password.empty()) throw OracleErrors::Make(texts::kNullPassword);
    if (request.user.empty() || request.password.size() > kMaxPasswordBytes)
      throw OracleErrors::Make(texts::kInvalidLogon);
    name = NormalizeName(request.user);
  }
  const auto account = catalogue.FindUser(name);
  // "/ AS SYSDBA" from an operating-system user the database does not know: Oracle refuses
  // the privilege, not the credentials.
  if (external && request.mode != ConnectMode::Normal && (!account || !account->external))
    throw OracleErrors::Make(texts::kInsufficientPrivileges);
  if (!account || (!external && account->external)) {
    if (!external) HashForNothing(request.password);
    throw OracleErrors::Make(texts::kInvalidLogon);
  }
  if (external ? !account->external
               : account->external || !PasswordHash::Matches(account->passwordHash, request.password))
    throw OracleErrors::Make(texts::kInvalidLogon);
  if (account->locked) throw OracleErrors::Make(texts::kAccountLocked);
  if (account->expired) throw OracleErrors::Make(texts::kPasswordExpired);
  decision.account = *account;
  decision.sessionUser = account->name;
  switch (request.mode) {
    case ConnectMode::SysDba:
      if (!catalogue.HasPrivilege(account->name, "SYSDBA"))
        throw OracleErrors::Make(texts::kInsufficientPrivileges);
      decision.sessionUser = "SYS";
      decision.sysdba = true;
      break;
    case ConnectMode::SysOper:
      if (!catalogue.HasPrivilege(account->name, "SYSOPER"))
        throw OracleErrors::Make(texts::kInsufficientPrivileges);
      decision.sessionUser = "PUBLIC";
      break;
    case ConnectMode::Normal:
      if (!catalogue.HasPrivilege(account->name, "CREATE SESSION") &&
          !catalogue.HasPrivilege(account->name, "DBA"))
        throw OracleErrors::Make(texts::kNoCreateSession, {account->name});
      break;
  }
  if (account->graceDays > 0) {
    decision.warningCode = 28002;
    decision.warningMessage =
        texts::Text(texts::kPasswordWillExpire, {std::to_string(account->graceDays)});
  }
  return decision;
}

void LogonService::ChangePassword(Catalogue& catalogue, const std::string& user,
                                  const std::string& oldPassword, const std::string& newPassword) {
  if (user.empty()) throw OracleErrors::Make(texts::kInvalidLogon);
  if (oldPassword.empty() || newPassword.empty()) throw OracleErrors::Make(texts::kNullPassword);
  if (oldPassword.size() > kMaxPasswordBytes) throw OracleErrors::Make(texts::kInvalidLogon);
  if (newPassword.size() > kMaxPasswordBytes) throw OracleErrors::Make(texts::kInvalidPassword);
  const std::string name = NormalizeName(user);
  const auto account = catalogue.FindUser(name);
  if (!account || account->external) {
    HashForNothing(oldPassword);
    throw OracleErrors::Make(texts::kInvalidLogon);
  }
  if (!PasswordHash::Matches(account->passwordHash, oldPassword))
    throw OracleErrors::Make(texts::kInvalidLogon);
  if (account->locked) throw OracleErrors::Make(texts::kAccountLocked);
  catalogue.SetPassword(name, PasswordHash::Make(newPassword), false);
}

}  // namespace devdb::sql
