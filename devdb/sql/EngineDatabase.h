// The Database behind Database::Open: bootstraps the data folder and logs sessions on.
#pragma once

#include <memory>
#include <mutex>

#include "devdb/sql/EngineShared.h"
#include "devdb/sql/ProceduralLanguage.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class EngineDatabase : public Database {
 public:
  explicit EngineDatabase(std::shared_ptr<EngineShared> shared);

  LogonOutcome LogOn(const LogonRequest& request, int sid, int serial, std::int64_t audsid) override;
  void ChangePassword(const std::string& user, const std::string& oldPassword,
                      const std::string& newPassword) override;
  std::unique_ptr<Session> OpenInternalSession(const std::string& user, int sid, int serial,
                                               std::int64_t audsid) override;
  void AttachProceduralLanguage(std::shared_ptr<ProceduralLanguage> language) override;

 private:
  LogonOutcome Admit(const LogonRequest& request, int sid, int serial, std::int64_t audsid);
  void ChangePasswordNow(const std::string& user, const std::string& oldPassword,
                         const std::string& newPassword);

  std::shared_ptr<ProceduralLanguage> Language();

  std::shared_ptr<EngineShared> shared_;
  std::mutex languageMutex_;  // guards language_
  std::shared_ptr<ProceduralLanguage> language_;
};

}  // namespace devdb::sql
