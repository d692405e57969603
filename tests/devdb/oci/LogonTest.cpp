// Logging on through the version-8 calls against a real devdb: the ways to name the
// database, each outcome of a logon with Oracle's numbers and texts, the connect modes,
// the password change before and after a logon, and the end of a session.
#include <pwd.h>
#include <unistd.h>

#include "OciTest.h"

namespace devdb::oci::testing {
namespace {

class LogonTest : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    OCISvcCtx* system = System();
    for (const char* name : {"alice", "locky", "expo", "gracy"}) {
      Run(system, std::string("create user ") + name + " identified by Secret1");
      Run(system, std::string("grant create session to ") + name);
    }
    Run(system, "alter user locky account lock");
    Run(system, "alter user expo password expire");
    Run(system, "alter user gracy password grace 7");
  }
};

struct LogonCase {
  const char* description;
  const char* user;
  const char* password;
  ub4 mode;
  sword expectedStatus;
  int expectedCode;
  const char* expectedText;  // the whole record as OCIErrorGet gives it
};

void PrintTo(const LogonCase& c, std::ostream* out) { *out << c.description; }

class LogonOutcome : public LogonTest, public ::testing::WithParamInterface<LogonCase> {};

TEST_P(LogonOutcome, ReportsAsOracleDoes) {
  const LogonCase& c = GetParam();
  OCISvcCtx* service = nullptr;
  const sword status = LogOn(c.user, c.password, &service, c.mode);
  EXPECT_EQ(status, c.expectedStatus) << ErrorText();
  EXPECT_EQ(ErrorCode(), c.expectedCode);
  if (c.expectedText != nullptr) {
    EXPECT_EQ(ErrorText(), c.expectedText);
  }
  if (status != OCI_ERROR) {
    EXPECT_EQ(Scalar(service, "select 1 from dual"), "1") << "the session is not usable";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, LogonOutcome,
    ::testing::Values(
        LogonCase{"valid password", "alice", "Secret1", OCI_DEFAULT, OCI_SUCCESS, 0, nullptr},
        LogonCase{"wrong password", "alice", "wrong", OCI_DEFAULT, OCI_ERROR, 1017,
                  "ORA-01017: invalid username/password; logon denied\n"},
        LogonCase{"unknown user", "nobody", "x", OCI_DEFAULT, OCI_ERROR, 1017, nullptr},
        LogonCase{"locked account", "locky", "Secret1", OCI_DEFAULT, OCI_ERROR, 28000, nullptr},
        LogonCase{"expired password", "expo", "Secret1", OCI_DEFAULT, OCI_ERROR, 28001, nullptr},
        LogonCase{"grace period: a warning and a usable session", "gracy", "Secret1", OCI_DEFAULT,
                  OCI_SUCCESS_WITH_INFO, 28002, nullptr},
        LogonCase{"SYSDBA", "SYS", kSystemPassword, OCI_SYSDBA, OCI_SUCCESS, 0, nullptr},
        LogonCase{"SYSDBA without the privilege", "alice", "Secret1", OCI_SYSDBA, OCI_ERROR, 1031,
                  nullptr}));

TEST_F(LogonTest, DatabaseMayBeNamedByAliasDomainDescriptorOrEasyConnect) {
  const std::string port = std::to_string(server_->Port());
  for (const std::string& database :
       {std::string("DEV"), std::string("dev"), std::string("DEV.WORLD"), server_->EasyConnect(),
        "//127.0.0.1:" + port + "/DEV",
        "(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=127.0.0.1)(PORT=" + port + ")))"}) {
    OCISvcCtx* service = nullptr;
    EXPECT_EQ(LogOn("alice", "Secret1", &service, OCI_DEFAULT, database), OCI_SUCCESS)
        << database << ": " << ErrorText();
  }
}

TEST_F(LogonTest, UnknownAliasAndMissingListenerAreOracleErrors) {
  OCISvcCtx* service = nullptr;
  EXPECT_EQ(LogOn("alice", "Secret1", &service, OCI_DEFAULT, "NOSUCHDB"), OCI_ERROR);
  EXPECT_EQ(ErrorText(), "ORA-12154: TNS:could not resolve the connect identifier specified\n");
  EXPECT_EQ(LogOn("alice", "Secret1", &service, OCI_DEFAULT, "127.0.0.1:1"), OCI_ERROR);
  EXPECT_EQ(ErrorCode(), 12541) << ErrorText();
}

TEST_F(LogonTest, ExternalCredentialsUseTheOperatingSystemUser) {
  const std::string osUser = getpwuid(geteuid())->pw_name;
  Run(System(), "create user ops$" + osUser + " identified externally");
  Run(System(), "grant create session to ops$" + osUser);
  OCISvcCtx* service = nullptr;
  ASSERT_EQ(LogOn("", "", &service), OCI_SUCCESS) << ErrorText();
  std::string expected = "OPS$" + osUser;
  for (char& c : expected) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(Scalar(service, "select user from dual"), expected);
}

TEST_F(LogonTest, ServerVersionIsTheBanner) {
  OCISvcCtx* service = System();
  OCIServer* server = nullptr;
  ASSERT_EQ(OCIAttrGet(service, OCI_HTYPE_SVCCTX, &server, nullptr, OCI_ATTR_SERVER, err_),
            OCI_SUCCESS);
  OraText banner[501];
  ASSERT_EQ(OCIServerVersion(server, err_, banner, sizeof banner, OCI_HTYPE_SERVER), OCI_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(banner),
               "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
  OraText small[7];
  ASSERT_EQ(OCIServerVersion(service, err_, small, sizeof small, OCI_HTYPE_SVCCTX), OCI_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(small), "Oracle")
      << "a short buffer gets the start, terminated";
}

TEST_F(LogonTest, PasswordChangeWithAuthLogsOnAnExpiredAccount) {
  OCISvcCtx* service = nullptr;
  ASSERT_EQ(LogOn("expo", "Secret1", &service), OCI_ERROR);
  ASSERT_EQ(OCIPasswordChange(service, err_, reinterpret_cast<const OraText*>("expo"), 4,
                              reinterpret_cast<const OraText*>("Secret1"), 7,
                              reinterpret_cast<const OraText*>("Newer22"), 7, OCI_AUTH),
            OCI_SUCCESS)
      << ErrorText();
  EXPECT_EQ(Scalar(service, "select user from dual"), "EXPO") << "OCI_AUTH keeps the session";
  OCISession* session = nullptr;
  ASSERT_EQ(OCIAttrGet(service, OCI_HTYPE_SVCCTX, &session, nullptr, OCI_ATTR_SESSION, err_),
            OCI_SUCCESS);
  EXPECT_EQ(OCISessionEnd(service, err_, session, OCI_DEFAULT), OCI_SUCCESS) << ErrorText();
  OCISvcCtx* again = nullptr;
  EXPECT_EQ(LogOn("expo", "Newer22", &again), OCI_SUCCESS) << ErrorText();
}

TEST_F(LogonTest, PasswordChangeWithoutAuthLeavesNoSession) {
  OCISvcCtx* service = nullptr;
  ASSERT_EQ(LogOn("expo", "Secret1", &service), OCI_ERROR);
  ASSERT_EQ(OCIPasswordChange(service, err_, reinterpret_cast<const OraText*>("expo"), 4,
                              reinterpret_cast<const OraText*>("Secret1"), 7,
                              reinterpret_cast<const OraText*>("Newer22"), 7, OCI_DEFAULT),
            OCI_SUCCESS)
      << ErrorText();
  Statement statement(env_, err_, "select 1 from dual");
  EXPECT_EQ(statement.Execute(service, 1), OCI_ERROR);
  EXPECT_EQ(ErrorCode(), 1012) << ErrorText();
}

TEST_F(LogonTest, PasswordChangeInASessionChangesOnlyThePassword) {
  OCISvcCtx* service = nullptr;
  ASSERT_EQ(LogOn("alice", "Secret1", &service), OCI_SUCCESS);
  EXPECT_EQ(OCIPasswordChange(service, err_, reinterpret_cast<const OraText*>("alice"), 5,
                              reinterpret_cast<const OraText*>("wrong"), 5,
                              reinterpret_cast<const OraText*>("Newer22"), 7, OCI_DEFAULT),
            OCI_ERROR)
      << "the old password is checked";
  ASSERT_EQ(OCIPasswordChange(service, err_, reinterpret_cast<const OraText*>("alice"), 5,
                              reinterpret_cast<const OraText*>("Secret1"), 7,
                              reinterpret_cast<const OraText*>("Newer22"), 7, OCI_DEFAULT),
            OCI_SUCCESS)
      << ErrorText();
  EXPECT_EQ(Scalar(service, "select user from dual"), "ALICE");
  OCISvcCtx* again = nullptr;
  EXPECT_EQ(LogOn("alice", "Newer22", &again), OCI_SUCCESS) << ErrorText();
}

TEST_F(LogonTest, PasswordChangeNeedsAnAttachedServer) {
  OCISvcCtx* service = nullptr;
  OCIHandleAlloc(env_, reinterpret_cast<void**>(&service), OCI_HTYPE_SVCCTX, 0, nullptr);
  EXPECT_EQ(OCIPasswordChange(service, err_, reinterpret_cast<const OraText*>("alice"), 5,
                              reinterpret_cast<const OraText*>("Secret1"), 7,
                              reinterpret_cast<const OraText*>("Newer22"), 7, OCI_DEFAULT),
            OCI_INVALID_HANDLE);
}

TEST_F(LogonTest, SessionEndAndDetachEndTheConnection) {
  OCISvcCtx* service = nullptr;
  ASSERT_EQ(LogOn("alice", "Secret1", &service), OCI_SUCCESS);
  OCISession* session = nullptr;
  OCIServer* server = nullptr;
  OCIAttrGet(service, OCI_HTYPE_SVCCTX, &session, nullptr, OCI_ATTR_SESSION, err_);
  OCIAttrGet(service, OCI_HTYPE_SVCCTX, &server, nullptr, OCI_ATTR_SERVER, err_);
  EXPECT_EQ(OCISessionBegin(service, err_, session, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(ErrorCode(), 24313) << "a second begin on a begun session";
  ASSERT_EQ(OCISessionEnd(service, err_, session, OCI_DEFAULT), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(OCISessionEnd(service, err_, session, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(ErrorCode(), 1012);
  ASSERT_EQ(OCIServerDetach(server, err_, OCI_DEFAULT), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(OCISessionBegin(service, err_, session, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(ErrorCode(), 24327) << ErrorText();
}

TEST_F(LogonTest, OCILogonAndLogoffManageTheirOwnHandles) {
  OCISvcCtx* service = nullptr;
  ASSERT_EQ(OCILogon(env_, err_, &service, reinterpret_cast<const OraText*>("alice"), 5,
                     reinterpret_cast<const OraText*>("Secret1"), 7,
                     reinterpret_cast<const OraText*>("DEV"), 3),
            OCI_SUCCESS)
      << ErrorText();
  EXPECT_EQ(Scalar(service, "select user from dual"), "ALICE");
  EXPECT_EQ(OCILogoff(service, err_), OCI_SUCCESS);
  EXPECT_EQ(OCIHandleFree(service, OCI_HTYPE_SVCCTX), OCI_INVALID_HANDLE) << "OCILogoff freed it";
  OCISvcCtx* failed = reinterpret_cast<OCISvcCtx*>(0x1);
  EXPECT_EQ(OCILogon(env_, err_, &failed, reinterpret_cast<const OraText*>("alice"), 5,
                     reinterpret_cast<const OraText*>("bad"), 3,
                     reinterpret_cast<const OraText*>("DEV"), 3),
            OCI_ERROR);
  EXPECT_EQ(failed, nullptr);
}

}  // namespace
}  // namespace devdb::oci::testing
