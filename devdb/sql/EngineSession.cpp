// Session calls, each run under the core's call scope.
#include "devdb/sql/EngineSession.h"

#include "devdb/sql/EngineStatement.h"
#include "devdb/sql/OracleErrorBoundary.h"

namespace devdb::sql {

EngineSession::~EngineSession() { core_->Abandon(); }

std::unique_ptr<Statement> EngineSession::Prepare(const std::string& sql) {
  return OracleErrorBoundary([&]() -> std::unique_ptr<Statement> {
    SessionCore::CallScope call(*core_);
    return std::make_unique<EngineStatement>(core_, core_->Translate(sql));
  });
}

void EngineSession::Commit() {
  OracleErrorBoundary([&] {
    SessionCore::CallScope call(*core_);
    core_->CommitWork();
  });
}

void EngineSession::Rollback() {
  OracleErrorBoundary([&] {
    SessionCore::CallScope call(*core_);
    core_->RollbackWork();
  });
}

void EngineSession::ChangePassword(const std::string& user, const std::string& oldPassword,
                                   const std::string& newPassword) {
  OracleErrorBoundary([&] {
    SessionCore::CallScope call(*core_);
    core_->ChangePassword(user, oldPassword, newPassword);
  });
}

void EngineSession::Interrupt(int errorCode) { core_->Interrupt(errorCode); }

SessionRow EngineSession::Describe() const { return core_->Describe(); }

}  // namespace devdb::sql
