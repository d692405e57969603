// The few statement helpers that end-to-end tests and benchmarks of several layers use: run a
// statement, read the first column of its first row, a session logged on with given values, and
// the monitor's package installed by its owner.
#pragma once

#include <memory>
#include <string>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "tests/support/PackageScript.h"

namespace vek::testing {

inline void RunStatement(TOracleSession& session, const std::string& sql) {
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {sql};
  query.Execute();
}

// The first column of the first row as text; "<no row>" when there is none.
inline std::string FirstValue(TOracleSession& session, const std::string& sql) {
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {sql};
  query.Execute();
  return query.Eof() ? std::string("<no row>") : query.FieldAsString(0);
}

// A session logged on to the database; Cursor 0 leaves the busy cursor alone.
inline std::unique_ptr<TOracleSession> LoggedOnSession(const std::string& user,
                                                       const std::string& password,
                                                       const std::string& database) {
  auto session = std::make_unique<TOracleSession>();
  session->Cursor = crDefault;
  session->SetLogonUsername(user);
  session->SetLogonPassword(password);
  session->SetLogonDatabase(database);
  session->LogOn();
  return session;
}

// Creates the user APP with what installing the monitor's package and its code take (its public
// synonym, and V$SESSION granted directly, since the code runs with its owner's rights), and
// installs the package as APP from the script.
inline void InstallPackageAsApp(const std::string& database, const std::string& packageScript) {
  auto system = LoggedOnSession("system", "manager", database);
  RunStatement(*system, "create user app identified by app");
  RunStatement(*system, "grant create session to app");
  RunStatement(*system, "grant create public synonym to app");
  RunStatement(*system, "grant select on v_$session to app");
  auto owner = LoggedOnSession("app", "app", database);
  for (const auto& statement : PackageScriptStatements(packageScript)) {
    RunStatement(*owner, statement);
  }
}

}  // namespace vek::testing
