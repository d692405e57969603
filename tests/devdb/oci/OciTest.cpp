// The server fixture's helpers: every step checks its status and reports the server's own
// error text when it fails.
#include "OciTest.h"

#include <cstdlib>
#include <cstring>

namespace devdb::oci::testing {

void OciTest::SetUp() {
  server_ = std::make_unique<DevdbInstance>();
  ::setenv("TNS_ADMIN", server_->TnsAdmin().c_str(), 1);
  ASSERT_EQ(OCIEnvCreate(&env_, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            OCI_SUCCESS);
  ASSERT_EQ(OCIHandleAlloc(env_, reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 0, nullptr),
            OCI_SUCCESS);
}

void OciTest::TearDown() {
  if (env_ != nullptr) OCIHandleFree(env_, OCI_HTYPE_ENV);
  server_.reset();
  ::unsetenv("TNS_ADMIN");
}

sword OciTest::LogOn(const std::string& user, const std::string& password, OCISvcCtx** service,
                     ub4 mode, const std::string& database) {
  OCIServer* server = nullptr;
  OCISession* session = nullptr;
  OCIHandleAlloc(env_, reinterpret_cast<void**>(service), OCI_HTYPE_SVCCTX, 0, nullptr);
  OCIHandleAlloc(env_, reinterpret_cast<void**>(&server), OCI_HTYPE_SERVER, 0, nullptr);
  OCIHandleAlloc(env_, reinterpret_cast<void**>(&session), OCI_HTYPE_SESSION, 0, nullptr);
  sword status = OCIServerAttach(server, err_, reinterpret_cast<const OraText*>(database.c_str()),
                                 static_cast<sb4>(database.size()), OCI_DEFAULT);
  if (status != OCI_SUCCESS) return status;
  OCIAttrSet(*service, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, err_);
  OCIAttrSet(*service, OCI_HTYPE_SVCCTX, session, 0, OCI_ATTR_SESSION, err_);
  const ub4 credentials = user.empty() && password.empty() ? OCI_CRED_EXT : OCI_CRED_RDBMS;
  if (credentials == OCI_CRED_RDBMS) {
    OCIAttrSet(session, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()),
               static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, err_);
    OCIAttrSet(session, OCI_HTYPE_SESSION, const_cast<char*>(password.c_str()),
               static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, err_);
  }
  return OCISessionBegin(*service, err_, session, credentials, mode);
}

OCISvcCtx* OciTest::System() {
  OCISvcCtx* service = nullptr;
  const sword status = LogOn("SYSTEM", kSystemPassword, &service);
  EXPECT_EQ(status, OCI_SUCCESS) << "SYSTEM cannot log on: " << ErrorText();
  return service;
}

void OciTest::CreateUser(const std::string& name, const std::string& password) {
  OCISvcCtx* system = System();
  Run(system, "create user " + name + " identified by " + password);
  Run(system, "grant create session, create table to " + name);
}

void OciTest::Run(OCISvcCtx* service, const std::string& sql) {
  Statement statement(env_, err_, sql);
  const sword status = statement.Execute(service, 1);
  EXPECT_TRUE(status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO)
      << "\"" << sql << "\" failed with status " << status << ": " << ErrorText();
}

std::string OciTest::Scalar(OCISvcCtx* service, const std::string& sql) {
  Statement statement(env_, err_, sql);
  char buffer[4001] = {};
  sb2 indicator = 0;
  OCIDefine* define = nullptr;
  OCIDefineByPos(statement.get(), &define, err_, 1, buffer, sizeof buffer, SQLT_STR, &indicator,
                 nullptr, nullptr, OCI_DEFAULT);
  const sword status = statement.Execute(service, 1);
  EXPECT_EQ(status, OCI_SUCCESS) << "\"" << sql << "\": " << ErrorText();
  return indicator == -1 ? "" : buffer;
}

int OciTest::ErrorCode(unsigned record) const {
  sb4 code = 0;
  OraText text[1024];
  if (OCIErrorGet(err_, record, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR) != OCI_SUCCESS)
    return 0;
  return code;
}

std::string OciTest::ErrorText(unsigned record) const {
  sb4 code = 0;
  OraText text[1024] = {};
  if (OCIErrorGet(err_, record, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR) != OCI_SUCCESS)
    return "";
  return reinterpret_cast<char*>(text);
}

Statement::Statement(OCIEnv* env, OCIError* err, const std::string& sql) : err_(err) {
  OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt_), OCI_HTYPE_STMT, 0, nullptr);
  OCIStmtPrepare(stmt_, err, reinterpret_cast<const OraText*>(sql.c_str()),
                 static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
}

Statement::~Statement() { OCIHandleFree(stmt_, OCI_HTYPE_STMT); }

sword Statement::Execute(OCISvcCtx* service, ub4 iterations, ub4 mode, ub4 offset) {
  return OCIStmtExecute(service, stmt_, err_, iterations, offset, nullptr, nullptr, mode);
}

}  // namespace devdb::oci::testing
