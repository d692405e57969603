// The PL/SQL side of one engine session as the SQL engine sees it: where blocks and
// statements about stored code go, and the moments it must hear of (commit, rollback, break
// and kill), and the stored functions that SQL statements call. The PL/SQL engine is built
// on top of this engine, so it is known only this way.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class ProceduralSessionLink {
 public:
  virtual ~ProceduralSessionLink() = default;
  // The prepared statement for a block, CALL or stored code statement; nullptr for any other
  // text, which the SQL engine then prepares itself. Throws SqlError for a syntax error.
  virtual std::unique_ptr<Statement> PrepareProcedural(const std::string& sql) = 0;
  // The session's transaction has committed or rolled back (alert signals depend on it).
  // Called on the session's own thread.
  virtual void OnCommit() = 0;
  virtual void OnRollback() = 0;
  // From any thread: a wait or a running block ends with ORA-<errorCode>.
  virtual void Interrupt(int errorCode) = 0;
  // A function the session may call from SQL, by its name parts as written (upper case):
  // the declared type of its result, or nothing when there is no such function.
  virtual std::optional<ColumnDescription> DescribeFunction(
      const std::vector<std::string>& nameParts) = 0;
  // Calls it with positional arguments, on the session's own thread while the calling
  // statement runs; throws SqlError carrying the function's error and its ORA-06512 lines.
  virtual Value CallFunction(const std::vector<std::string>& nameParts,
                             const std::vector<Value>& arguments) = 0;
};

}  // namespace devdb::sql
