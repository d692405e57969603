// Opening the database and admitting sessions.
#include "devdb/sql/EngineDatabase.h"

#include "devdb/sql/Catalogue.h"
#include "devdb/sql/EngineSession.h"
#include "devdb/sql/LogonService.h"
#include "devdb/sql/OracleErrorBoundary.h"
#include "devdb/sql/SessionCore.h"
#include "devdb/sql/SqliteConnection.h"

namespace devdb::sql {

std::unique_ptr<Database> Database::Open(const EngineOptions& options, SessionDirectory& directory) {
  return OracleErrorBoundary([&]() -> std::unique_ptr<Database> {
    auto shared = std::make_shared<EngineShared>(options, directory);
    {
      SqliteConnection connection(shared->DatabasePath());
      sqlite3_busy_timeout(connection.Handle(), 10000);
      Catalogue::Bootstrap(connection.Handle(), options.sysPassword);
    }
    return std::make_unique<EngineDatabase>(shared);
  });
}

EngineDatabase::EngineDatabase(std::shared_ptr<EngineShared> shared) : shared_(std::move(shared)) {}

Database::LogonOutcome EngineDatabase::LogOn(const LogonRequest& request, int sid, int serial,
                                             std::int64_t audsid) {
  return OracleErrorBoundary([&] { return Admit(request, sid, serial, audsid); });
}

Database::LogonOutcome EngineDatabase::Admit(const LogonRequest& request, int sid, int serial,
                                             std::int64_t audsid) {
  auto core = std::make_shared<SessionCore>(shared_);
  const LogonDecision decision = LogonService::Authenticate(core->Dictionary(), request);
  core->Start(decision, request, sid, serial, audsid);
  LogonOutcome outcome;
  outcome.session = std::make_unique<EngineSession>(core);
  outcome.warningCode = decision.warningCode;
  outcome.warningMessage = decision.warningMessage;
  outcome.username = decision.sessionUser;
  return outcome;
}

void EngineDatabase::ChangePassword(const std::string& user, const std::string& oldPassword,
                                    const std::string& newPassword) {
  OracleErrorBoundary([&] { ChangePasswordNow(user, oldPassword, newPassword); });
}

void EngineDatabase::ChangePasswordNow(const std::string& user, const std::string& oldPassword,
                                       const std::string& newPassword) {
  SqliteConnection connection(shared_->DatabasePath());
  sqlite3_busy_timeout(connection.Handle(), 10000);
  Catalogue catalogue(connection.Handle());
  connection.Execute("BEGIN IMMEDIATE");
  try {
    LogonService::ChangePassword(catalogue, user, oldPassword, newPassword);
    connection.Execute("COMMIT");
  } catch (...) {
    sqlite3_exec(connection.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace devdb::sql
