// Attaches the PL/SQL engine to the SQL engine through the SQL engine's own hook interfaces:
// every logon opens the session's PL/SQL state, blocks and stored code statements come here,
// and commits, rollbacks, breaks and kills reach the session's PL/SQL state.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "devdb/plsql/ProceduralEngine.h"
#include "devdb/sql/ProceduralLanguage.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::plsql {

class ProceduralLanguageBridge : public sql::ProceduralLanguage {
 public:
  // Opens a session of the user for the server's own work (autonomous transactions), as
  // sql::Database::OpenInternalSession does.
  using InternalSessionOpener = std::function<std::unique_ptr<sql::Session>(
      const std::string& user, int sid, int serial, std::int64_t audsid)>;

  ProceduralLanguageBridge(ProceduralEngine& engine, InternalSessionOpener openInternalSession);

  std::unique_ptr<sql::ProceduralSessionLink> OpenSession(
      sql::Session& session, const SessionFacts& facts,
      ApplicationInfoSink applicationInfo) override;

 private:
  ProceduralEngine& engine_;
  InternalSessionOpener openInternalSession_;
};

}  // namespace devdb::plsql
