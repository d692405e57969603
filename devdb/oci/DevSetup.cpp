// devdb_devsetup: prepares a development database for the monitor on first use. Logs on as
// SYSTEM through the client library (database DEV unless named), creates the demo user
// APP/app when it is missing, and installs the monitor's server package Vek_Debug for APP from
// the program's resource text when it is missing. A server that cannot run PL/SQL yet is
// reported and tolerated: the program still starts, without the package.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devdb/oci/OciApi.h"
#include "devdb/oci/SetupScript.h"

namespace {

struct Client {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* service = nullptr;

  std::string LastError() const {
    sb4 code = 0;
    OraText text[1024] = {};
    OCIErrorGet(err, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
    std::string message = reinterpret_cast<char*>(text);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    return message;
  }

  // Runs a statement; returns "" or the error text.
  std::string Run(const std::string& sql) {
    OCIStmt* stmt = nullptr;
    OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
    sword status = OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText*>(sql.data()),
                                  static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
    if (status == OCI_SUCCESS)
      status = OCIStmtExecute(service, stmt, err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS);
    std::string error = status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO ? "" : LastError();
    OCIHandleFree(stmt, OCI_HTYPE_STMT);
    return error;
  }

  // The count a "select count(*) ..." gives, or -1 when it fails.
  long Count(const std::string& sql) {
    OCIStmt* stmt = nullptr;
    OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
    OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText*>(sql.data()),
                   static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
    int count = -1;
    OCIDefine* define = nullptr;
    OCIDefineByPos(stmt, &define, err, 1, &count, sizeof count, SQLT_INT, nullptr, nullptr, nullptr,
                   OCI_DEFAULT);
    const sword status = OCIStmtExecute(service, stmt, err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
    OCIHandleFree(stmt, OCI_HTYPE_STMT);
    return status == OCI_SUCCESS ? count : -1;
  }
};

}  // namespace

// Logs the client on; prints why not and answers false when it cannot.
bool LogOn(Client& client, const std::string& user, const std::string& password,
           const std::string& database) {
  if (OCILogon(client.env, client.err, &client.service,
               reinterpret_cast<const OraText*>(user.data()), static_cast<ub4>(user.size()),
               reinterpret_cast<const OraText*>(password.data()), static_cast<ub4>(password.size()),
               reinterpret_cast<const OraText*>(database.data()),
               static_cast<ub4>(database.size())) == OCI_SUCCESS)
    return true;
  std::fprintf(stderr, "devdb_devsetup: cannot log on as %s to %s: %s\n", user.c_str(),
               database.c_str(), client.LastError().c_str());
  return false;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: devdb_devsetup PACKAGE_SCRIPT [DATABASE]\n");
    return 2;
  }
  const std::string database = argc > 2 ? argv[2] : "DEV";
  Client client;
  OCIEnvCreate(&client.env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  OCIHandleAlloc(client.env, reinterpret_cast<void**>(&client.err), OCI_HTYPE_ERROR, 0, nullptr);
  if (!LogOn(client, "SYSTEM", "manager", database)) {
    OCIHandleFree(client.env, OCI_HTYPE_ENV);
    return 1;
  }
  // The demo user owns the package, as the project's demo set-up describes it.
  if (client.Count("select count(*) from all_users where username = 'APP'") == 0) {
    const char* sql = "create user app identified by app";
    const std::string error = client.Run(sql);
    if (!error.empty()) std::fprintf(stderr, "devdb_devsetup: %s: %s\n", sql, error.c_str());
    std::fprintf(stderr, "devdb_devsetup: created the demo user APP (password app)\n");
  }
  // What installing the package takes: its public synonym, and V$SESSION read by the
  // package's own code, which sees only grants made to its owner directly. Granted at every
  // start, so that a data folder from before these rules gets them too.
  for (const char* sql : {"grant create session, create table, create procedure, "
                          "create public synonym to app",
                          "grant select on v_$session to app"}) {
    const std::string error = client.Run(sql);
    if (!error.empty()) std::fprintf(stderr, "devdb_devsetup: %s: %s\n", sql, error.c_str());
  }
  const bool installed =
      client.Count("select count(*) from all_objects where object_name = 'VEK_DEBUG'") > 0;
  OCILogoff(client.service, client.err);

  if (!installed && LogOn(client, "APP", "app", database)) {
    std::ifstream file(argv[1], std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const auto statements =
        devdb::oci::SetupScript::Statements(devdb::oci::SetupScript::Utf8FromLatin1(content.str()));
    std::string failure = file ? "" : std::string("cannot read ") + argv[1];
    for (const std::string& statement : statements) {
      if (!failure.empty()) break;
      failure = client.Run(statement);
    }
    if (failure.empty() && !statements.empty())
      std::fprintf(stderr, "devdb_devsetup: installed Vek_Debug for APP\n");
    else
      std::fprintf(stderr, "devdb_devsetup: Vek_Debug is not installed: %s\n", failure.c_str());
    OCILogoff(client.service, client.err);
  }
  OCIHandleFree(client.env, OCI_HTYPE_ENV);
  return 0;
}
