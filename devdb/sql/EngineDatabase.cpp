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
  {
    std::lock_guard lock(coresMutex_);
    std::erase_if(cores_, [](const auto& entry) { return entry.second.expired(); });
    cores_[{sid, serial}] = core;
  }
  auto session = std::make_unique<EngineSession>(core);
  if (auto language = Language()) {
    SessionState* state = &core->State();
    auto applicationInfo = [state](const std::string& clientInfo, const std::string& module,
                                   const std::string& action) {
      std::lock_guard lock(state->applicationMutex);
      state->clientInfo = clientInfo;
      state->module = module;
      state->action = action;
    };
    session->AttachProcedural(
        language->OpenSession(*session, {decision.sessionUser, sid, serial, audsid}, applicationInfo));
  }
  LogonOutcome outcome;
  outcome.session = std::move(session);
  outcome.warningCode = decision.warningCode;
  outcome.warningMessage = decision.warningMessage;
  outcome.username = decision.sessionUser;
  return outcome;
}

std::unique_ptr<Session> EngineDatabase::OpenInternalSession(const std::string& user, int sid,
                                                             int serial, std::int64_t audsid) {
  return OracleErrorBoundary([&]() -> std::unique_ptr<Session> {
    auto core = std::make_shared<SessionCore>(shared_);
    auto account = core->Dictionary().FindUser(LogonService::NormalizeName(user));
    if (!account) throw OracleErrors::Make(texts::kInvalidLogon);
    LogonDecision decision;
    decision.account = *account;
    decision.sessionUser = account->name;
    decision.sysdba = account->name == "SYS";
    LogonRequest request;
    request.user = account->name;
    request.program = "devdb";
    core->Start(decision, request, sid, serial, audsid);
    {
      std::lock_guard lock(coresMutex_);
      auto owner = cores_.find({sid, serial});
      if (owner != cores_.end()) core->SetOwner(owner->second);
    }
    return std::make_unique<EngineSession>(core);
  });
}

std::unique_ptr<Session> EngineDatabase::OpenDictionarySession() {
  return OracleErrorBoundary([&]() -> std::unique_ptr<Session> {
    auto core = std::make_shared<SessionCore>(shared_);
    auto account = core->Dictionary().FindUser("SYS");
    if (!account) throw OracleErrors::Make(texts::kInvalidLogon);
    LogonDecision decision;
    decision.account = *account;
    decision.sessionUser = account->name;
    decision.sysdba = true;
    LogonRequest request;
    request.user = account->name;
    request.program = "devdb";
    core->Start(decision, request, 0, 0, 0);
    core->State().maintainsDictionary = true;
    return std::make_unique<EngineSession>(core);
  });
}

void EngineDatabase::AttachProceduralLanguage(std::shared_ptr<ProceduralLanguage> language) {
  std::lock_guard lock(languageMutex_);
  language_ = std::move(language);
}

std::shared_ptr<ProceduralLanguage> EngineDatabase::Language() {
  std::lock_guard lock(languageMutex_);
  return language_;
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
