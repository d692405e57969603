// The Session the server holds for one logged-on client: a thin handle on the session
// core that the session's statements share.
#pragma once

#include <memory>

#include "devdb/sql/ProceduralSessionLink.h"
#include "devdb/sql/SessionCore.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class EngineSession : public Session {
 public:
  explicit EngineSession(std::shared_ptr<SessionCore> core) : core_(std::move(core)) {}
  ~EngineSession() override;

  std::unique_ptr<Statement> Prepare(const std::string& sql) override;
  void Commit() override;
  void Rollback() override;
  void ChangePassword(const std::string& user, const std::string& oldPassword,
                      const std::string& newPassword) override;
  void Interrupt(int errorCode) override;
  SessionRow Describe() const override;
  bool HasSystemPrivilege(const std::string& privilege) override;
  void SetDefinerRights(const std::string& owner) override;

  // Gives the session its PL/SQL state, which then lives as long as the session.
  void AttachProcedural(std::unique_ptr<ProceduralSessionLink> procedural);

 private:
  std::shared_ptr<SessionCore> core_;
  std::unique_ptr<ProceduralSessionLink> procedural_;
};

}  // namespace devdb::sql
