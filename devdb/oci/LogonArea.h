// What the library keeps beside a program's version-7 logon data area: the connection and,
// for an area made from a service context, that context (OCILdaToSvcCtx gives it back).
#pragma once

#include <memory>

#include "devdb/oci/OciTypes.h"
#include "devdb/oci/ServerLink.h"

namespace devdb::oci {

class LogonArea {
 public:
  explicit LogonArea(std::shared_ptr<ServerLink> link) : link(std::move(link)) {}
  std::shared_ptr<ServerLink> link;
  OCISvcCtx* fromService = nullptr;
};

}  // namespace devdb::oci
