// The PL/SQL engine of the development server, one per server process: the shared pipes and
// alerts, the stored code catalogue, and the entry points the SQL engine's statement
// dispatch calls for blocks, CREATE/DROP of stored code, GRANT EXECUTE, public synonyms and
// CALL, and for stored functions used in SQL.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "devdb/plsql/AlertRegistry.h"
#include "devdb/plsql/PipeRegistry.h"
#include "devdb/plsql/ProceduralSession.h"
#include "devdb/plsql/ProceduralStatement.h"
#include "devdb/plsql/StoredCodeCatalogue.h"
#include "devdb/plsql/WaitRoom.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::plsql {

class ProceduralEngine {
 public:
  // openSystemSession gives an engine session as SYS, used to keep the stored code in the
  // database; without one the stored code lives in memory only.
  explicit ProceduralEngine(StoredCodeCatalogue::SessionOpener openSystemSession = {});
  ~ProceduralEngine();
  ProceduralEngine(const ProceduralEngine&) = delete;
  ProceduralEngine& operator=(const ProceduralEngine&) = delete;

  // True for the statements this engine carries out: BEGIN, DECLARE, CALL, CREATE [OR
  // REPLACE] PACKAGE/PROCEDURE/FUNCTION, CREATE [OR REPLACE] PUBLIC SYNONYM, DROP
  // PACKAGE/PROCEDURE/FUNCTION, DROP PUBLIC SYNONYM, GRANT EXECUTE.
  static bool Handles(const std::string& sql);

  std::unique_ptr<ProceduralSession> OpenSession(sql::Session& session, SessionIdentity identity,
                                                 ProceduralSession::SessionOpener openAutonomous);
  // Parses (syntax errors: SqlError 6550) and returns the statement to execute.
  std::unique_ptr<ProceduralStatement> Prepare(ProceduralSession& session, const std::string& sql);

  // Calls a stored function (or a built-in package function) from SQL: name parts as written,
  // upper case. Returns nothing when no such function is visible to the session's user.
  std::optional<sql::Value> CallFunction(ProceduralSession& session,
                                         const std::vector<std::string>& nameParts,
                                         const std::vector<sql::Value>& arguments);
  bool HasFunction(ProceduralSession& session, const std::vector<std::string>& nameParts);
  // How a query describes the function's result: its declared type as a column (VARCHAR2
  // and CHAR as VARCHAR2(4000), NUMBER, DATE, RAW(2000), ROWID); nothing for no function.
  std::optional<sql::ColumnDescription> FunctionResultType(
      ProceduralSession& session, const std::vector<std::string>& nameParts);

  // Ends every wait and every later call with ORA-01089.
  void Shutdown();
  bool IsShutDown() const { return shutDown_; }

  WaitRoom& Room() { return room_; }
  PipeRegistry& Pipes() { return pipes_; }
  AlertRegistry& Alerts() { return alerts_; }
  StoredCodeCatalogue& Catalogue() { return catalogue_; }

  // Used by ProceduralSession.
  std::uint64_t NextSessionKey() { return ++lastKey_; }
  void Attach(ProceduralSession* session);
  void Detach(ProceduralSession* session);

 private:
  // The parse of an anonymous block or CALL, shared by every session that sends the same
  // text, as a server's library cache shares it: programs send the same few blocks again
  // and again. A parse depends on the text alone (names are resolved when the block runs).
  struct Parsed {
    std::shared_ptr<const Unit> unit;
    std::shared_ptr<const std::vector<std::string>> bindNames;
    std::shared_ptr<CheckedNames> checkedNames;
  };
  Parsed ParsedBlock(const std::string& sql, bool call);

  WaitRoom room_;
  PipeRegistry pipes_{room_};
  AlertRegistry alerts_{room_};
  StoredCodeCatalogue catalogue_;
  std::atomic<std::uint64_t> lastKey_{0};
  std::atomic<bool> shutDown_{false};
  std::mutex sessionsMutex_;
  std::set<ProceduralSession*> sessions_;
  std::mutex parsedMutex_;
  std::unordered_map<std::string, Parsed> parsedBlocks_;
};

}  // namespace devdb::plsql
