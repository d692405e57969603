// Connecting, logging on with the process's identity, and following ALTER SESSION SET
// NLS_DATE_FORMAT so that dates fetched as text look as the server would show them.
#include "devdb/oci/ServerLink.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <regex>

#include "devdb/oci/DateText.h"
#include "devdb/oci/ErrorRecords.h"

namespace devdb::oci {
namespace {

std::string OsUser() {
  struct passwd entry {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
    return found->pw_name;
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "";
}

std::string Machine() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

std::string Program() { return program_invocation_short_name; }

// True when the statement's first word is ALTER: the only statements worth matching in full,
// and a cheap test for the many others (every block a listener runs passes through here).
bool BeginsWithAlter(const std::string& sql) {
  std::size_t at = 0;
  while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at]))) ++at;
  static constexpr char kAlter[] = "alter";
  for (std::size_t i = 0; i + 1 < sizeof kAlter; ++i, ++at) {
    if (at >= sql.size() || std::tolower(static_cast<unsigned char>(sql[at])) != kAlter[i])
      return false;
  }
  return true;
}

}  // namespace

ServerLink::ServerLink(const std::string& database) : dateFormat(DateText::kDefaultFormat) {
  const ConnectResolver::Address address = ConnectResolver::Resolve(database);
  connection_ = std::make_unique<client::Connection>(address.host, address.port);
}

protocol::LogonReply ServerLink::LogOn(const std::string& user, const std::string& password,
                                       protocol::WireConnectMode mode) {
  if (!connection_->IsOpen()) ErrorRecords::Raise(texts::kNotConnected);
  if (connection_->IsLoggedOn()) ErrorRecords::Raise(texts::kAlreadyAuthenticated);
  protocol::LogonRequest request;
  request.user = user;
  request.password = password;
  request.mode = mode;
  request.osUser = OsUser();
  request.machine = Machine();
  request.program = Program();
  protocol::LogonReply reply = connection_->LogOn(request);
  dateFormat = DateText::kDefaultFormat;
  autoCommit = false;
  return reply;
}

protocol::LogonReply ServerLink::ChangePassword(const std::string& user,
                                                const std::string& oldPassword,
                                                const std::string& newPassword, bool logOnAfter) {
  if (!connection_->IsOpen()) ErrorRecords::Raise(texts::kNotConnected);
  protocol::PasswordChangeRequest request;
  request.user = user;
  request.oldPassword = oldPassword;
  request.newPassword = newPassword;
  request.logOnAfter = logOnAfter;
  request.osUser = OsUser();
  request.machine = Machine();
  request.program = Program();
  return connection_->ChangePassword(request);
}

void ServerLink::LogOff() {
  RequireSession();
  connection_->LogOff();
}

void ServerLink::RequireSession() {
  if (!connection_->IsOpen()) ErrorRecords::Raise(texts::kNotConnected);
  if (!connection_->IsLoggedOn()) ErrorRecords::Raise(texts::kNotLoggedOn);
}

void ServerLink::NoteStatement(const std::string& sql) {
  if (!BeginsWithAlter(sql)) return;
  static const std::regex kSetDateFormat(
      R"(^\s*alter\s+session\s+set\s+nls_date_format\s*=\s*'([^']*)'\s*;?\s*$)", std::regex::icase);
  std::smatch match;
  if (std::regex_match(sql, match, kSetDateFormat)) dateFormat = match[1].str();
}

}  // namespace devdb::oci
