// One prepared statement of the PL/SQL engine, as the SQL engine's dispatch hands it to the
// client side: an anonymous block or CALL with its binds, or a statement about stored code
// (CREATE/DROP of packages, procedures and functions, GRANT EXECUTE, public synonyms).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "devdb/plsql/BlockBind.h"
#include "devdb/plsql/NameChecker.h"
#include "devdb/plsql/SyntaxTree.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::plsql {

class ProceduralEngine;
class ProceduralSession;

class ProceduralStatement : public sql::Statement {
 public:
  enum class Action { Block, Create, Drop, Grant, CreateSynonym, DropSynonym };

  struct Definition {
    Action action = Action::Block;
    std::shared_ptr<const Unit> unit;                           // Block: the parsed block or CALL
    std::shared_ptr<const std::vector<std::string>> bindNames;  // Block: its binds, in order
    std::shared_ptr<CheckedNames> checkedNames;                 // Block: who it was checked for
    std::string text;  // the statement as the client sent it
    // Create: the parsed unit or the compile error; Drop/Grant/synonyms: the names.
    Unit::Kind kind = Unit::Kind::Anonymous;
    bool orReplace = false;
    std::string owner;
    std::string name;
    std::string source;                 // Create: the text from PACKAGE/PROCEDURE/FUNCTION on
    std::string compileError;           // Create: empty when the unit compiled
    std::vector<std::string> grantees;  // Grant
    std::string targetOwner;            // CreateSynonym
    std::string targetName;
  };

  ProceduralStatement(ProceduralEngine& engine, ProceduralSession& session, Definition definition);
  // The distinct bind names of a block's text in the order they first appear, upper case.
  static std::vector<std::string> BindNamesOf(const std::string& text);

  const sql::StatementInfo& Info() const override { return info_; }
  // Runs the statement. Scalar binds only: in values from Bind::values (one per iteration),
  // out values in ExecuteResult::outValues. Errors are SqlError with Oracle's full text.
  sql::ExecuteResult Execute(const std::vector<sql::Bind>& binds, int iterations, int rowOffset,
                             bool commitOnSuccess) override;
  std::vector<std::vector<sql::Value>> Fetch(int) override { return {}; }
  std::uint64_t RowsFetched() const override { return 0; }

  // Runs a block with the full bind forms: index-by tables (maximum and current element
  // counts) and REF CURSOR out binds. binds are updated in place. Returns the warning text
  // (compilation errors of CREATE), empty when none.
  std::string ExecuteWithBinds(std::vector<BlockBind>& binds, bool commitOnSuccess);

 private:
  std::string RunDefinition();

  ProceduralEngine& engine_;
  ProceduralSession& session_;
  Definition definition_;
  sql::StatementInfo info_;
};

}  // namespace devdb::plsql
