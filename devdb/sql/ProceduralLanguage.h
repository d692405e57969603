// The PL/SQL engine as a database sees it: it opens the PL/SQL state of every session that
// logs on. Attached to the database by whoever owns both (the server), so that the SQL engine
// does not depend on the PL/SQL engine that is built on it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "devdb/sql/ProceduralSessionLink.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class ProceduralLanguage {
 public:
  struct SessionFacts {
    std::string user;  // upper case
    int sid = 0;
    int serial = 0;
    std::int64_t audsid = 0;
  };
  // Told the session's client info, module and action whenever PL/SQL changes them, so that
  // V$SESSION shows them at once.
  using ApplicationInfoSink = std::function<void(const std::string& clientInfo,
                                                 const std::string& module,
                                                 const std::string& action)>;

  virtual ~ProceduralLanguage() = default;
  // The PL/SQL state of a session that has just logged on; session is the engine session the
  // state's blocks run their SQL on and outlives the returned link.
  virtual std::unique_ptr<ProceduralSessionLink> OpenSession(Session& session,
                                                             const SessionFacts& facts,
                                                             ApplicationInfoSink applicationInfo) = 0;
};

}  // namespace devdb::sql
