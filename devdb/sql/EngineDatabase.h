// The Database behind Database::Open: bootstraps the data folder and logs sessions on.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "devdb/sql/EngineShared.h"
#include "devdb/sql/ProceduralLanguage.h"
#include "devdb/sql/SessionCore.h"
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
  std::unique_ptr<Session> OpenDictionarySession() override;
  void AttachProceduralLanguage(std::shared_ptr<ProceduralLanguage> language) override;

 private:
  LogonOutcome Admit(const LogonRequest& request, int sid, int serial, std::int64_t audsid);
  void ChangePasswordNow(const std::string& user, const std::string& oldPassword,
                         const std::string& newPassword);

  std::shared_ptr<ProceduralLanguage> Language();

  std::shared_ptr<EngineShared> shared_;
  std::mutex languageMutex_;  // guards language_
  std::shared_ptr<ProceduralLanguage> language_;
  // Logged-on sessions by SID and SERIAL#, so that an internal session working for one of
  // them knows whose write lock it must never wait for.
  std::mutex coresMutex_;  // guards cores_
  std::map<std::pair<int, int>, std::weak_ptr<SessionCore>> cores_;
};

}  // namespace devdb::sql
