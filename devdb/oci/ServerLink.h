// One connection to devdb and what the library remembers about its session: the banner,
// the version-7 autocommit switch and the session's date format (for DATE values fetched
// as text). Shared by the server handle and by a logon data area made from it, so both
// interfaces reach the same session.
#pragma once

#include <memory>
#include <string>

#include "devdb/client/Connection.h"
#include "devdb/oci/ConnectResolver.h"

namespace devdb::oci {

class ServerLink {
 public:
  // Resolves the database text and connects; raises ORA-12154 or ORA-12541.
  explicit ServerLink(const std::string& database);

  client::Connection& Connection() { return *connection_; }
  const std::string& Banner() const { return connection_->Banner(); }
  bool IsOpen() const { return connection_->IsOpen(); }
  bool LoggedOn() const { return connection_->IsOpen() && connection_->IsLoggedOn(); }

  // Logs on with the calling process's OS user, machine and program reported.
  protocol::LogonReply LogOn(const std::string& user, const std::string& password,
                             protocol::WireConnectMode mode);
  protocol::LogonReply ChangePassword(const std::string& user, const std::string& oldPassword,
                                      const std::string& newPassword, bool logOnAfter);
  void LogOff();
  // Raises ORA-01012 when there is no session, ORA-03114 when the connection is gone.
  void RequireSession();

  bool autoCommit = false;
  std::string dateFormat;
  // Watches statements the program runs for a change of the session's date format.
  void NoteStatement(const std::string& sql);

 private:
  std::unique_ptr<client::Connection> connection_;
};

}  // namespace devdb::oci
