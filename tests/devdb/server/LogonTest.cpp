// Every way a logon can end, through the protocol against a real devdb: success, each of
// Oracle's refusals, the grace-period warning, SYSDBA, external authentication, and the
// password change before a logon that OCIPasswordChange with OCI_AUTH makes.
#include <gtest/gtest.h>

#include "DevdbServerTest.h"

namespace devdb::testing {
namespace {

using protocol::WireConnectMode;

class LogonTest : public DevdbServerTest {
 protected:
  void SetUp() override {
    DevdbServerTest::SetUp();
    auto system = System();
    for (const char* name : {"alice", "locky", "expo", "gracy"}) {
      system->Run(std::string("create user ") + name + " identified by Secret1");
      system->Run(std::string("grant create session to ") + name);
    }
    system->Run("alter user locky account lock");
    system->Run("alter user expo password expire");
    system->Run("alter user gracy password grace 7");
    system->Run("create user ops$tester identified externally");
    system->Run("grant create session to ops$tester");
  }
};

struct LogonCase {
  const char* description;
  const char* user;
  const char* password;
  WireConnectMode mode;
  int expectedError;  // 0: the logon succeeds
  const char* expectedMessage;
};

void PrintTo(const LogonCase& c, std::ostream* out) { *out << c.description; }

class LogonOutcome : public LogonTest, public ::testing::WithParamInterface<LogonCase> {};

TEST_P(LogonOutcome, EndsAsOracleEndsIt) {
  const LogonCase& c = GetParam();
  auto client = Connect();
  auto error = ErrorOf([&] { client->LogOn(c.user, c.password, c.mode); });
  if (c.expectedError == 0) {
    ASSERT_FALSE(error) << "logon refused with " << error->what();
    EXPECT_TRUE(client->connection.IsLoggedOn());
    EXPECT_EQ(client->Scalar("select 1 from dual"), "1") << "the new session cannot run a query";
    return;
  }
  ASSERT_TRUE(error) << "logon succeeded, expected ORA-" << c.expectedError;
  EXPECT_EQ(error->Code(), c.expectedError) << error->what();
  EXPECT_STREQ(error->what(), c.expectedMessage);
  EXPECT_FALSE(client->connection.IsLoggedOn());
  EXPECT_EQ(ErrorOf([&] { client->connection.Commit(); })->Code(), 1012)
      << "a refused logon must leave the connection without a session";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogonOutcome,
    ::testing::Values(
        LogonCase{"right password", "alice", "Secret1", WireConnectMode::Normal, 0, ""},
        LogonCase{"user name in another case", "ALICE", "Secret1", WireConnectMode::Normal, 0, ""},
        LogonCase{"password in another case", "alice", "secret1", WireConnectMode::Normal, 1017,
                  "ORA-01017: invalid username/password; logon denied"},
        LogonCase{"unknown user", "nobody", "Secret1", WireConnectMode::Normal, 1017,
                  "ORA-01017: invalid username/password; logon denied"},
        LogonCase{"empty password", "alice", "", WireConnectMode::Normal, 1005,
                  "ORA-01005: null password given; logon denied"},
        LogonCase{"locked account", "locky", "Secret1", WireConnectMode::Normal, 28000,
                  "ORA-28000: the account is locked"},
        LogonCase{"expired password", "expo", "Secret1", WireConnectMode::Normal, 28001,
                  "ORA-28001: the password has expired"},
        LogonCase{"SYSDBA without the privilege", "alice", "Secret1", WireConnectMode::SysDba, 1031,
                  "ORA-01031: insufficient privileges"},
        LogonCase{"SYS as SYSDBA", "sys", kSysPassword, WireConnectMode::SysDba, 0, ""}));

TEST_F(LogonTest, GracePeriodLogsOnWithTheWarning) {
  auto client = Connect();
  protocol::LogonReply reply = client->LogOn("gracy", "Secret1");
  EXPECT_TRUE(reply.loggedOn);
  EXPECT_EQ(reply.warning.code, 28002);
  EXPECT_EQ(reply.warning.message.rfind("ORA-28002: the password will expire within ", 0), 0u)
      << reply.warning.message;
  EXPECT_EQ(client->Scalar("select user from dual"), "GRACY");
}

TEST_F(LogonTest, OrdinaryLogonHasNoWarningAndNamesTheUserInUpperCase) {
  auto client = Connect();
  protocol::LogonReply reply = client->LogOn("alice", "Secret1");
  EXPECT_EQ(reply.warning.code, 0);
  EXPECT_EQ(reply.username, "ALICE");
  EXPECT_GT(reply.sid, 0u);
  EXPECT_NE(reply.breakToken, 0u);
}

TEST_F(LogonTest, ExternalAuthenticationTakesTheReportedOsUserWithOpsPrefix) {
  auto client = Connect();
  protocol::LogonReply reply = client->LogOn("", "", WireConnectMode::Normal, "tester");
  EXPECT_EQ(reply.username, "OPS$TESTER");
  EXPECT_EQ(client->Scalar("select user from dual"), "OPS$TESTER");

  auto stranger = Connect();
  auto error = ErrorOf([&] { stranger->LogOn("", "", WireConnectMode::Normal, "stranger"); });
  ASSERT_TRUE(error) << "an OS user without an OPS$ account was let in";
  EXPECT_EQ(error->Code(), 1017);
}

TEST_F(LogonTest, ExpiredPasswordIsChangedBeforeALogonAndTheSessionKept) {
  auto client = Connect();
  protocol::PasswordChangeRequest change;
  change.user = "expo";
  change.oldPassword = "Secret1";
  change.newPassword = "Newer2";
  change.logOnAfter = true;
  change.osUser = kTestOsUser;
  protocol::LogonReply reply = client->connection.ChangePassword(change);
  EXPECT_TRUE(reply.loggedOn);
  EXPECT_TRUE(client->connection.IsLoggedOn());
  EXPECT_EQ(client->Scalar("select user from dual"), "EXPO");

  EXPECT_NO_THROW(LogOnAs("expo", "Newer2"));
  EXPECT_EQ(ErrorOf([&] { LogOnAs("expo", "Secret1"); })->Code(), 1017)
      << "the old password still works after the change";
}

TEST_F(LogonTest, PasswordChangeWithoutKeepingTheSessionLeavesNoSession) {
  auto client = Connect();
  protocol::PasswordChangeRequest change{
      "alice", "Secret1", "Other3", false, WireConnectMode::Normal, "", "", ""};
  protocol::LogonReply reply = client->connection.ChangePassword(change);
  EXPECT_FALSE(reply.loggedOn);
  EXPECT_FALSE(client->connection.IsLoggedOn());
  EXPECT_NO_THROW(LogOnAs("alice", "Other3"));
}

TEST_F(LogonTest, PasswordChangeWithAWrongOldPasswordIsRefused) {
  auto client = Connect();
  protocol::PasswordChangeRequest change{"alice", "wrong", "Other3", true, WireConnectMode::Normal,
                                         "",      "",      ""};
  auto error = ErrorOf([&] { client->connection.ChangePassword(change); });
  ASSERT_TRUE(error);
  EXPECT_TRUE(error->Code() == 1017 || error->Code() == 28008) << error->what();
  EXPECT_FALSE(client->connection.IsLoggedOn());
  EXPECT_NO_THROW(LogOnAs("alice", "Secret1")) << "a refused change altered the password";
}

TEST_F(LogonTest, PasswordChangeInsideASessionKeepsTheSession) {
  auto client = LogOnAs("alice", "Secret1");
  protocol::PasswordChangeRequest change{
      "alice", "Secret1", "Inside4", false, WireConnectMode::Normal, "", "", ""};
  protocol::LogonReply reply = client->connection.ChangePassword(change);
  EXPECT_TRUE(reply.loggedOn);
  EXPECT_EQ(client->Scalar("select user from dual"), "ALICE");
  EXPECT_NO_THROW(LogOnAs("alice", "Inside4"));
}

TEST_F(LogonTest, PasswordChangeInsideASessionEndsTheGracePeriodWarning) {
  auto client = Connect();
  EXPECT_EQ(client->LogOn("gracy", "Secret1").warning.code, 28002);
  protocol::PasswordChangeRequest change{
      "gracy", "Secret1", "Fresh5", false, WireConnectMode::Normal, "", "", ""};
  protocol::LogonReply reply = client->connection.ChangePassword(change);
  EXPECT_TRUE(reply.loggedOn);
  EXPECT_EQ(reply.warning.code, 0)
      << "the changed password no longer expires: " << reply.warning.message;
  EXPECT_EQ(Connect()->LogOn("gracy", "Fresh5").warning.code, 0);
}

TEST_F(LogonTest, ASecondLogonOnOneConnectionIsRefusedAndLogoffAllowsANewOne) {
  auto client = LogOnAs("alice", "Secret1");
  auto error = ErrorOf([&] { client->LogOn("alice", "Secret1"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 24313);
  client->connection.LogOff();
  EXPECT_EQ(ErrorOf([&] { client->Scalar("select 1 from dual"); })->Code(), 1012);
  client->LogOn("SYSTEM", kSysPassword);
  EXPECT_EQ(client->Scalar("select user from dual"), "SYSTEM");
}

}  // namespace
}  // namespace devdb::testing
