// TDBMSPackage: a wrapper for one of the server's standard packages owned by SYS, called on
// a given session with named parameters through an inner TOraclePackage.
#pragma once

#include <memory>
#include <string>

namespace vek {

class TOraclePackage;
class TOracleSession;

class TDBMSPackage {
 public:
  TDBMSPackage(TOracleSession* session, const std::string& packageName);
  virtual ~TDBMSPackage();
  TDBMSPackage(const TDBMSPackage&) = delete;
  TDBMSPackage& operator=(const TDBMSPackage&) = delete;

  const std::string& PackageName() const { return packageName_; }
  TOracleSession* Session() const { return session_; }
  TOraclePackage& Package() { return *package_; }

 private:
  std::string packageName_;
  TOracleSession* session_;
  std::unique_ptr<TOraclePackage> package_;
};

}  // namespace vek
