// What the library keeps beside a program's version-7 logon data area: the connection and,
// for an area made from a service context, that context (OCILdaToSvcCtx gives it back).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "devdb/oci/OciTypes.h"
#include "devdb/oci/ServerLink.h"

namespace devdb::oci {

class LogonArea {
 public:
  explicit LogonArea(std::shared_ptr<ServerLink> link) : link(std::move(link)) {}
  std::shared_ptr<ServerLink> link;
  OCISvcCtx* fromService = nullptr;
  // The texts of the errors this logon and its cursors met, for oerhms: a server text (a
  // user-defined error, a PL/SQL compile error) belongs to the session that received it.
  std::map<int, std::string> messages;
};

}  // namespace devdb::oci
