// A server handle: the connection made by OCIServerAttach, shared with the sessions begun
// on it and with a logon data area converted from its service context.
#pragma once

#include <memory>

#include "devdb/oci/ServerLink.h"

namespace devdb::oci {

class Environment;

class ServerHandle {
 public:
  explicit ServerHandle(Environment* environment) : environment_(environment) {}
  Environment* Env() const { return environment_; }
  bool Attached() const { return link != nullptr && link->IsOpen(); }
  std::shared_ptr<ServerLink> link;

 private:
  Environment* environment_;
};

}  // namespace devdb::oci
