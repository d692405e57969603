// The Database behind Database::Open: bootstraps the data folder and logs sessions on.
#pragma once

#include <memory>

#include "devdb/sql/EngineShared.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class EngineDatabase : public Database {
 public:
  explicit EngineDatabase(std::shared_ptr<EngineShared> shared);

  LogonOutcome LogOn(const LogonRequest& request, int sid, int serial, std::int64_t audsid) override;
  void ChangePassword(const std::string& user, const std::string& oldPassword,
                      const std::string& newPassword) override;

 private:
  LogonOutcome Admit(const LogonRequest& request, int sid, int serial, std::int64_t audsid);
  void ChangePasswordNow(const std::string& user, const std::string& oldPassword,
                         const std::string& newPassword);

  std::shared_ptr<EngineShared> shared_;
};

}  // namespace devdb::sql
