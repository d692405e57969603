// set_client_info through the inner package: one named string parameter, client_info.
#include "access/DBMS_Application_Info.h"

#include "access/OraclePackage.h"
#include "platform/Variant.h"

namespace vek {

TDBMS_Application_Info::TDBMS_Application_Info(TOracleSession* session)
    : TDBMSPackage(session, "dbms_application_info") {}

void TDBMS_Application_Info::set_client_info(const std::string& clientInfo) {
  Package().CallProcedure("set_client_info", {Variant("client_info"), Variant(clientInfo)});
}

}  // namespace vek
