// Session calls, each run under the core's call scope.
#include "devdb/sql/EngineSession.h"

#include "devdb/sql/EngineStatement.h"
#include "devdb/sql/OracleErrorBoundary.h"
#include "devdb/sql/Privileges.h"

namespace devdb::sql {

EngineSession::~EngineSession() {
  // The PL/SQL state goes first (its alert registrations, pipe buffer and packages), while
  // the session it refers to still exists.
  if (procedural_) {
    core_->SetProceduralLink(nullptr);
    procedural_.reset();
  }
  core_->Abandon();
}

void EngineSession::AttachProcedural(std::unique_ptr<ProceduralSessionLink> procedural) {
  core_->SetProceduralLink(procedural.get());
  procedural_ = std::move(procedural);
}

std::unique_ptr<Statement> EngineSession::Prepare(const std::string& sql) {
  return OracleErrorBoundary([&]() -> std::unique_ptr<Statement> {
    // A block runs its embedded SQL through this same Prepare and the statements' calls, each
    // taking the call scope, so blocks are handed over before the scope is entered.
    if (procedural_) {
      if (auto statement = procedural_->PrepareProcedural(sql)) return statement;
    }
    SessionCore::CallScope call(*core_);
    return std::make_unique<EngineStatement>(core_, core_->Translate(sql));
  });
}

void EngineSession::Commit() {
  OracleErrorBoundary([&] {
    SessionCore::CallScope call(*core_);
    core_->RefuseTransactionControlInSql();
    core_->CommitWork();
  });
}

void EngineSession::Rollback() {
  OracleErrorBoundary([&] {
    SessionCore::CallScope call(*core_);
    core_->RefuseTransactionControlInSql();
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

void EngineSession::Interrupt(int errorCode) {
  core_->Interrupt(errorCode);
  // A block may be between its statements or waiting on a pipe or an alert.
  if (procedural_) procedural_->Interrupt(errorCode);
}

SessionRow EngineSession::Describe() const { return core_->Describe(); }

bool EngineSession::HasSystemPrivilege(const std::string& privilege) {
  return OracleErrorBoundary([&] {
    SessionCore::CallScope call(*core_);
    return Privileges(core_->Dictionary(), core_->State()).Has(privilege);
  });
}

void EngineSession::SetDefinerRights(const std::string& owner) {
  core_->SetDefiner(owner);
}

}  // namespace devdb::sql
