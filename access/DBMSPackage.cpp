// The inner package of a standard-package wrapper: named after the package, on the given
// session, with named parameters and the "sys." prefix.
#include "access/DBMSPackage.h"

#include "access/OraclePackage.h"

namespace vek {

TDBMSPackage::TDBMSPackage(TOracleSession* session, const std::string& packageName)
    : packageName_(packageName), session_(session), package_(std::make_unique<TOraclePackage>()) {
  package_->SetName(packageName);
  package_->SetSession(session);
  package_->ParameterMode = pmNamed;
  package_->PackageName = "sys." + packageName;
}

TDBMSPackage::~TDBMSPackage() = default;

}  // namespace vek
