// Logon outcomes and password changes: Oracle's refusals with their numbers and texts, the
// grace-period warning, connect modes and external authentication.
#include "EngineFixture.h"

namespace devdb::sql::testing {
namespace {

class LogonTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    Session& admin = System();
    for (const char* sql : {
             "create user scott identified by Tiger",
             "grant create session to scott",
             "create user locked_user identified by pw",
             "grant create session to locked_user",
             "alter user locked_user account lock",
             "create user expired_user identified by pw password expire",
             "grant create session to expired_user",
             "create user grace_user identified by pw",
             "grant create session to grace_user",
             "alter user grace_user password grace 5",
             "create user no_session identified by pw",
             "create user ops$tester identified externally",
             "grant create session to ops$tester",
         })
      Run(admin, sql);
  }

  SqlError Refusal(const std::string& user, const std::string& password,
                   ConnectMode mode = ConnectMode::Normal) {
    try {
      LogOn(user, password, mode);
    } catch (const SqlError& error) {
      return error;
    }
    return SqlError(0, "logon succeeded");
  }
};

struct RefusalCase {
  const char* user;
  const char* password;
  ConnectMode mode;
  int code;
  const char* message;
};

class LogonRefusalTest : public LogonTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(LogonRefusalTest, RefusesWithOraclesError) {
  const RefusalCase& c = GetParam();
  const SqlError error = Refusal(c.user, c.password, c.mode);
  EXPECT_EQ(error.Code(), c.code) << c.user << "/" << c.password;
  EXPECT_STREQ(error.what(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, LogonRefusalTest,
    ::testing::Values(
        RefusalCase{"scott", "wrong", ConnectMode::Normal, 1017, "ORA-01017: invalid username/password; logon denied"},
        RefusalCase{"scott", "tiger", ConnectMode::Normal, 1017, "ORA-01017: invalid username/password; logon denied"},
        RefusalCase{"nobody", "pw", ConnectMode::Normal, 1017, "ORA-01017: invalid username/password; logon denied"},
        RefusalCase{"scott", "", ConnectMode::Normal, 1005, "ORA-01005: null password given; logon denied"},
        RefusalCase{"locked_user", "pw", ConnectMode::Normal, 28000, "ORA-28000: the account is locked"},
        RefusalCase{"locked_user", "bad", ConnectMode::Normal, 1017, "ORA-01017: invalid username/password; logon denied"},
        RefusalCase{"expired_user", "pw", ConnectMode::Normal, 28001, "ORA-28001: the password has expired"},
        RefusalCase{"scott", "Tiger", ConnectMode::SysDba, 1031, "ORA-01031: insufficient privileges"},
        RefusalCase{"scott", "Tiger", ConnectMode::SysOper, 1031, "ORA-01031: insufficient privileges"},
        RefusalCase{"no_session", "pw", ConnectMode::Normal, 1045, "ORA-01045: user NO_SESSION lacks CREATE SESSION privilege; logon denied"}));

TEST_F(LogonTest, CaseSensitivePasswordLogsOn) {
  Session& session = LogOn("Scott", "Tiger");
  EXPECT_EQ(Text(One(session, "select user from dual")), "SCOTT");
  EXPECT_EQ(sessions_.back()->outcome.warningCode, 0);
  EXPECT_EQ(sessions_.back()->outcome.username, "SCOTT");
}

TEST_F(LogonTest, GracePeriodLogsOnWithWarning) {
  LogOn("grace_user", "pw");
  EXPECT_EQ(sessions_.back()->outcome.warningCode, 28002);
  EXPECT_EQ(sessions_.back()->outcome.warningMessage, "ORA-28002: the password will expire within 5 days");
}

TEST_F(LogonTest, SysdbaBecomesSys) {
  Session& session = LogOn("system", "manager", ConnectMode::Normal);
  EXPECT_EQ(Text(One(session, "select user from dual")), "SYSTEM");
  Session& sysdba = LogOn("sys", "manager", ConnectMode::SysDba);
  EXPECT_EQ(Text(One(sysdba, "select user from dual")), "SYS");
  EXPECT_EQ(Text(One(sysdba, "select sys_context('USERENV', 'ISDBA') from dual")), "TRUE");
  EXPECT_EQ(Text(One(session, "select sys_context('USERENV', 'ISDBA') from dual")), "FALSE");
}

TEST_F(LogonTest, ExternalAuthenticationUsesOpsPrefixedOsUser) {
  EXPECT_EQ(Refusal("", "", ConnectMode::SysDba).Code(), 1031);
  {
    Session& session = LogOn("", "");
    EXPECT_EQ(Text(One(session, "select user from dual")), "OPS$TESTER");
  }
  sessions_.pop_back();  // log it off
  Run(System(), "drop user ops$tester");
  EXPECT_EQ(Refusal("", "").Code(), 1017);
  EXPECT_EQ(Refusal("", "", ConnectMode::SysDba).Code(), 1031);
}

TEST_F(LogonTest, ChangingAnExpiredPasswordOpensTheAccount) {
  EXPECT_THROW(database_->ChangePassword("expired_user", "wrong", "fresh"), SqlError);
  database_->ChangePassword("expired_user", "pw", "Fresh1");
  EXPECT_EQ(Refusal("expired_user", "pw").Code(), 1017);
  Session& session = LogOn("expired_user", "Fresh1");
  EXPECT_EQ(Text(One(session, "select account_status from user_users")), "OPEN");
}

TEST_F(LogonTest, UsersChangeTheirOwnPasswordWithReplace) {
  Session& session = LogOn("scott", "Tiger");
  EXPECT_EQ(ErrorOf(session, "alter user scott identified by Lion replace wrong").Code(), 28008);
  Run(session, "alter user scott identified by Lion replace Tiger");
  EXPECT_EQ(Refusal("scott", "Tiger").Code(), 1017);
  LogOn("scott", "Lion");
  EXPECT_EQ(ErrorOf(session, "alter user system identified by x").Code(), 1031);
  EXPECT_EQ(ErrorOf(session, "alter user scott account lock").Code(), 1031);
}

TEST_F(LogonTest, AccountAdministration) {
  Session& admin = System();
  Run(admin, "alter user locked_user account unlock");
  LogOn("locked_user", "pw");
  EXPECT_EQ(ErrorOf(admin, "create user scott identified by x").Code(), 1920);
  EXPECT_EQ(ErrorOf(admin, "create user bad identified by 9abc").Code(), 988);
  EXPECT_EQ(ErrorOf(admin, "drop user nobody").Code(), 1918);
  EXPECT_EQ(ErrorOf(admin, "drop user locked_user").Code(), 1940);
  Run(admin, "revoke create session from scott");
  EXPECT_EQ(Refusal("scott", "Tiger").Code(), 1045);
  EXPECT_EQ(ErrorOf(admin, "revoke create session from scott").Code(), 1952);
  Run(admin, "drop user no_session");
  EXPECT_EQ(Refusal("no_session", "pw").Code(), 1017);
}

TEST_F(LogonTest, SessionPasswordChangeChecksTheOldPassword) {
  Session& session = LogOn("scott", "Tiger");
  EXPECT_THROW(session.ChangePassword("scott", "nope", "Lion"), SqlError);
  session.ChangePassword("scott", "Tiger", "Lion");
  LogOn("scott", "Lion");
}

TEST_F(LogonTest, AllUsersListsAccounts) {
  Session& session = LogOn("scott", "Tiger");
  const auto rows = Run(session, "select username from all_users order by username");
  std::vector<std::string> names;
  for (const auto& row : rows) names.push_back(row[0].text);
  EXPECT_NE(std::find(names.begin(), names.end(), "SCOTT"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "SYS"), names.end());
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

}  // namespace
}  // namespace devdb::sql::testing
