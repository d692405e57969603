// A service context: the server and session handles a program joins with OCIAttrSet, and
// the logon data area made from it, if any. OCILogon makes one that owns its server and
// session handles.
#pragma once

#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

class Environment;
class ServerHandle;
class SessionHandle;

class ServiceContext {
 public:
  explicit ServiceContext(Environment* environment) : environment_(environment) {}
  Environment* Env() const { return environment_; }

  OCIServer* server = nullptr;  // the program's handle, checked on every use
  OCISession* session = nullptr;
  bool madeByLogon = false;  // OCILogoff frees server and session too
  Lda_Def* convertedArea = nullptr;

 private:
  Environment* environment_;
};

}  // namespace devdb::oci
