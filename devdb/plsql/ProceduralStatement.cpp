// Carrying out the PL/SQL engine's statements. DDL on stored code commits the session's
// transaction first, as Oracle's DDL does.
#include "devdb/plsql/ProceduralStatement.h"

#include <set>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/Interpreter.h"
#include "devdb/plsql/Lexer.h"
#include "devdb/plsql/NameChecker.h"
#include "devdb/plsql/PlsqlError.h"
#include "devdb/plsql/ProceduralEngine.h"
#include "devdb/sql/OracleErrors.h"

namespace devdb::plsql {

std::vector<std::string> ProceduralStatement::BindNamesOf(const std::string& text) {
  std::vector<std::string> names;
  std::vector<Token> tokens;
  try {
    tokens = Lexer::Tokenize(text);
  } catch (const PlsqlError&) {
    return names;
  }
  std::set<std::string> seen;
  for (const auto& token : tokens) {
    if (token.kind == Token::Kind::Bind && seen.insert(token.upper).second)
      names.push_back(token.upper);
  }
  return names;
}

ProceduralStatement::ProceduralStatement(ProceduralEngine& engine, ProceduralSession& session,
                                         Definition definition)
    : engine_(engine), session_(session), definition_(std::move(definition)) {
  switch (definition_.action) {
    case Action::Block: {
      std::string first;
      for (char c : definition_.text) {
        if (std::isalpha(static_cast<unsigned char>(c))) {
          first += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else if (!first.empty()) {
          break;
        }
      }
      info_.statementType = first == "CALL" ? 10 : first == "DECLARE" ? 9 : 8;
      info_.sqlFunctionCode = 34;  // PL/SQL EXECUTE
      info_.bindNames =
          definition_.bindNames ? *definition_.bindNames : BindNamesOf(definition_.text);
      break;
    }
    case Action::Create:
      info_.statementType = 5;
      info_.sqlFunctionCode = definition_.kind == Unit::Kind::Package       ? 94
                              : definition_.kind == Unit::Kind::PackageBody ? 97
                              : definition_.kind == Unit::Kind::Function    ? 91
                                                                            : 24;
      break;
    case Action::Drop:
      info_.statementType = 6;
      info_.sqlFunctionCode = definition_.kind == Unit::Kind::Package       ? 95
                              : definition_.kind == Unit::Kind::PackageBody ? 98
                              : definition_.kind == Unit::Kind::Function    ? 92
                                                                            : 25;
      break;
    case Action::Grant:
      info_.statementType = 0;
      info_.sqlFunctionCode = 28;
      break;
    case Action::CreateSynonym:
      info_.statementType = 5;
      info_.sqlFunctionCode = 30;
      break;
    case Action::DropSynonym:
      info_.statementType = 6;
      info_.sqlFunctionCode = 31;
      break;
  }
}

std::string ProceduralStatement::RunDefinition() {
  const std::string& user = session_.Identity().user;
  StoredCodeCatalogue& catalogue = engine_.Catalogue();
  bool privileged = user == "SYS" || user == "SYSTEM";
  std::string owner = definition_.owner.empty() ? user : definition_.owner;
  if (owner != user && !privileged && definition_.action != Action::CreateSynonym &&
      definition_.action != Action::DropSynonym) {
    throw sql::OracleErrors::Make(texts::kInsufficientPrivileges);
  }
  // A public synonym names an object for every schema, so it takes a system privilege.
  sql::Session& engineSession = *session_.MainTransaction().session;
  if ((definition_.action == Action::CreateSynonym &&
       !engineSession.HasSystemPrivilege("CREATE PUBLIC SYNONYM")) ||
      (definition_.action == Action::DropSynonym &&
       !engineSession.HasSystemPrivilege("DROP PUBLIC SYNONYM"))) {
    throw sql::OracleErrors::Make(texts::kInsufficientPrivileges);
  }
  // DDL ends the session's transaction.
  session_.Commit(session_.MainTransaction());
  switch (definition_.action) {
    case Action::Create: {
      if (definition_.compileError.empty()) {
        try {
          NameChecker(catalogue, owner, owner).Check(*definition_.unit);
        } catch (const PlsqlError& error) {
          definition_.compileError = error.what();
        }
      }
      StoredObject object;
      object.owner = owner;
      object.name = definition_.name;
      object.kind = definition_.kind;
      object.source = definition_.source;
      object.errors = definition_.compileError;
      if (definition_.compileError.empty()) object.unit = definition_.unit;
      catalogue.Store(std::move(object), definition_.orReplace);
      return definition_.compileError.empty() ? std::string()
                                              : texts::Text(texts::kCompilationWarning);
    }
    case Action::Drop: {
      if (!catalogue.Drop(owner, definition_.name, definition_.kind)) {
        throw sql::OracleErrors::Make(texts::kObjectDoesNotExist, {definition_.name});
      }
      return {};
    }
    case Action::Grant: {
      if (!catalogue.FindCallable(owner, definition_.name)) {
        throw sql::OracleErrors::Make(texts::kCallableDoesNotExist);
      }
      for (const auto& grantee : definition_.grantees)
        catalogue.Grant(owner, definition_.name, grantee);
      return {};
    }
    case Action::CreateSynonym: {
      std::string targetOwner = definition_.targetOwner.empty() ? user : definition_.targetOwner;
      catalogue.CreateSynonym(definition_.name, targetOwner, definition_.targetName,
                              definition_.orReplace);
      return {};
    }
    case Action::DropSynonym:
      if (!catalogue.DropSynonym(definition_.name))
        throw sql::OracleErrors::Make(texts::kSynonymDoesNotExist);
      return {};
    case Action::Block: break;
  }
  return {};
}

std::string ProceduralStatement::ExecuteWithBinds(std::vector<BlockBind>& binds,
                                                  bool commitOnSuccess) {
  if (engine_.IsShutDown()) throw sql::OracleErrors::Make(texts::kShutdown);
  std::string warning;
  try {
    if (definition_.action != Action::Block) {
      warning = RunDefinition();
    } else {
      // Like Oracle's compiler, refuse the whole block before any of it runs.
      const std::string& user = session_.Identity().user;
      const std::uint64_t changes = engine_.Catalogue().Changes();
      CheckedNames* checked = definition_.checkedNames.get();
      if (checked == nullptr || !checked->Holds(user, changes)) {
        NameChecker(engine_.Catalogue(), user, user).Check(*definition_.unit);
        if (checked != nullptr) checked->Note(user, changes);
      }
      Interpreter interpreter(session_, &binds);
      interpreter.RunAnonymous(*definition_.unit);
    }
    if (commitOnSuccess) session_.Commit(session_.MainTransaction());
  } catch (const PlsqlError& error) {
    // Inside PL/SQL a user-defined exception has SQLCODE 1; the client sees ORA-06510.
    bool userDefined = !error.ExceptionName().empty() && error.Code() == 1;
    throw sql::SqlError(userDefined ? texts::kUnhandledUserException.code : error.Code(),
                        error.FullText());
  }
  return warning;
}

sql::ExecuteResult ProceduralStatement::Execute(const std::vector<sql::Bind>& binds, int iterations,
                                                int rowOffset, bool commitOnSuccess) {
  sql::ExecuteResult result;
  int runs = definition_.action == Action::Block ? std::max(1, iterations) : 1;
  result.outValues.assign(binds.size(), {});
  for (int run = 0; run < runs; ++run) {
    std::vector<BlockBind> blockBinds;
    for (const auto& bind : binds) {
      BlockBind blockBind;
      blockBind.name = bind.name;
      blockBind.maxLength = bind.maxLength;
      size_t index = static_cast<size_t>(rowOffset + run);
      if (index < bind.values.size())
        blockBind.values.push_back(bind.values[index]);
      else if (!bind.values.empty())
        blockBind.values.push_back(bind.values.front());
      blockBinds.push_back(std::move(blockBind));
    }
    result.warning = ExecuteWithBinds(blockBinds, commitOnSuccess && run + 1 == runs);
    for (size_t i = 0; i < binds.size(); ++i) {
      if (!binds[i].out) continue;
      result.outValues[i].push_back(blockBinds[i].values.empty() ? sql::Value::Null()
                                                                 : blockBinds[i].values.front());
    }
    result.rowsProcessed = static_cast<std::uint64_t>(run + 1);
  }
  if (definition_.action == Action::Block)
    result.rowsProcessed = 1;
  else
    result.rowsProcessed = 0;
  return result;
}

}  // namespace devdb::plsql
