// A session handle: the user name and password a program sets on it, and whether a
// session has been begun with it (and on which connection).
#pragma once

#include <memory>
#include <string>

#include "devdb/oci/ServerLink.h"

namespace devdb::oci {

class Environment;

class SessionHandle {
 public:
  explicit SessionHandle(Environment* environment) : environment_(environment) {}
  Environment* Env() const { return environment_; }
  bool Active() const { return link != nullptr && link->LoggedOn(); }

  std::string userName;
  std::string password;
  std::shared_ptr<ServerLink> link;  // set while a session is begun

 private:
  Environment* environment_;
};

}  // namespace devdb::oci
