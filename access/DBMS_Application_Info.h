// TDBMS_Application_Info: the wrapper of the server package dbms_application_info, through
// which a session marks itself with a client-information text that other sessions can read.
#pragma once

#include <string>

#include "access/DBMSPackage.h"

namespace vek {

class TDBMS_Application_Info : public TDBMSPackage {
 public:
  explicit TDBMS_Application_Info(TOracleSession* session);

  void set_client_info(const std::string& clientInfo);
};

}  // namespace vek
