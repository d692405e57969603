// The few statement helpers that end-to-end tests and benchmarks of several layers use: run a
// statement, read the first column of its first row, and a session logged on with given values.
#pragma once

#include <memory>
#include <string>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"

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

}  // namespace vek::testing
