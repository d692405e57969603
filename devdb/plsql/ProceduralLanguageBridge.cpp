// The bridge between the SQL engine's hooks and the PL/SQL engine. The link owns the session's
// PL/SQL state, so the state ends when the SQL engine drops the link at the session's end.
#include "devdb/plsql/ProceduralLanguageBridge.h"

#include "devdb/common/OracleTexts.h"
#include "devdb/sql/OracleErrors.h"

namespace devdb::plsql {
namespace {

class SessionLink : public sql::ProceduralSessionLink {
 public:
  SessionLink(ProceduralEngine& engine, std::unique_ptr<ProceduralSession> session)
      : engine_(engine), session_(std::move(session)) {}

  std::unique_ptr<sql::Statement> PrepareProcedural(const std::string& sql) override {
    if (!ProceduralEngine::Handles(sql)) return nullptr;
    return engine_.Prepare(*session_, sql);
  }
  void OnCommit() override { session_->OnCommit(); }
  void OnRollback() override { session_->OnRollback(); }
  void Interrupt(int errorCode) override { session_->Interrupt(errorCode); }
  std::optional<sql::ColumnDescription> DescribeFunction(
      const std::vector<std::string>& nameParts) override {
    return engine_.FunctionResultType(*session_, nameParts);
  }
  sql::Value CallFunction(const std::vector<std::string>& nameParts,
                          const std::vector<sql::Value>& arguments) override {
    auto result = engine_.CallFunction(*session_, nameParts, arguments);
    // The function was there when the statement was parsed; it has been dropped since.
    if (!result) {
      std::string name;
      for (const auto& part : nameParts) name += (name.empty() ? "" : ".") + part;
      throw sql::OracleErrors::Make(texts::kStoredProcedureGone, {name});
    }
    return *result;
  }

 private:
  ProceduralEngine& engine_;
  std::unique_ptr<ProceduralSession> session_;
};

}  // namespace

ProceduralLanguageBridge::ProceduralLanguageBridge(ProceduralEngine& engine,
                                                   InternalSessionOpener openInternalSession)
    : engine_(engine), openInternalSession_(std::move(openInternalSession)) {}

std::unique_ptr<sql::ProceduralSessionLink> ProceduralLanguageBridge::OpenSession(
    sql::Session& session, const SessionFacts& facts, ApplicationInfoSink applicationInfo) {
  SessionIdentity identity{facts.user, facts.sid, facts.serial};
  auto opener = openInternalSession_;
  auto openAutonomous = [opener, facts]() {
    return opener(facts.user, facts.sid, facts.serial, facts.audsid);
  };
  auto procedural = engine_.OpenSession(session, identity, openAutonomous);
  if (applicationInfo) {
    procedural->SetApplicationInfoListener([applicationInfo](const ApplicationInfo& info) {
      applicationInfo(info.clientInfo, info.module, info.action);
    });
  }
  return std::make_unique<SessionLink>(engine_, std::move(procedural));
}

}  // namespace devdb::plsql
