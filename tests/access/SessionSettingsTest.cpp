// Session settings and queries against devdb in every client mode: the "alter session"
// setters (observed as the texts the layer sends), bytes per character, the longest date
// text, the session id and the password change; and the server's banner deciding whether a
// version-8 connection continues through the version-7 calls.
#include <gtest/gtest.h>

#include "access/OracleError.h"
#include "tests/access/AccessFixture.h"
#include "tests/access/CountedClientCalls.h"

namespace vek::testing {
namespace {

class SessionSettingsTest : public AccessTest {
 protected:
  static int Count(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
  }
};

TEST_P(SessionSettingsTest, SettingsMadeBeforeLogonRunAtLogon) {
  TOracleSession& session = NewSession();
  CountedClientCalls calls;
  session.SetSQLTrace(stTrue);
  session.SetOptimizerGoal(ogFirstRows);
  session.SetIsolationLevel(ilSerializable);
  EXPECT_TRUE(calls.Log().preparedTexts.empty()) << "nothing runs while disconnected";
  session.LogOn();
  const std::vector<std::string> expected = {
      "alter session set sql_trace = true\n",
      "alter session set optimizer_goal = first_rows\n",
      "alter session set isolation_level = serializable\n",
  };
  EXPECT_EQ(calls.Log().preparedTexts, expected);
  EXPECT_EQ(session.SQLTrace(), stTrue);
  EXPECT_EQ(session.OptimizerGoal(), ogFirstRows);
  EXPECT_EQ(session.IsolationLevel(), ilSerializable);
}

TEST_P(SessionSettingsTest, SettersWhileConnectedRunOncePerChange) {
  TOracleSession& session = LoggedOn();
  CountedClientCalls calls;
  session.SetIsolationLevel(ilReadCommitted);
  session.SetIsolationLevel(ilReadCommitted);
  session.SetOptimizerGoal(ogRule);
  session.SetOptimizerGoal(ogUnchanged);
  session.SetSQLTrace(stFalse);
  const std::vector<std::string> expected = {
      "alter session set isolation_level = read committed\n",
      "alter session set optimizer_goal = rule\n",
      "alter session set sql_trace = false\n",
  };
  EXPECT_EQ(calls.Log().preparedTexts, expected);
  EXPECT_EQ(session.OptimizerGoal(), ogUnchanged);
}

TEST_P(SessionSettingsTest, BytesPerCharacterIsDetectedOncePerConnection) {
  TOracleSession& session = NewSession();
  session.SetBytesPerCharacter(bcAutoDetect);
  EXPECT_EQ(session.EffectiveBytesPerCharacter(), 1) << "not connected: 1 without a query";
  session.LogOn();
  EXPECT_EQ(session.EffectiveBytesPerCharacter(), 1) << "kept until the next logoff";
  session.LogOff();
  session.LogOn();
  const std::int32_t detected = session.EffectiveBytesPerCharacter();
  EXPECT_EQ(detected, 4) << "devdb's default character set takes up to 4 bytes";
  EXPECT_EQ(session.MaxStringLength(), (session.UsesOCI8() ? 4000 : 2000) / detected);
  session.SetBytesPerCharacter(bc2Bytes);
  EXPECT_EQ(session.EffectiveBytesPerCharacter(), 2);
  session.SetBytesPerCharacter(bc3Bytes);
  EXPECT_EQ(session.MaxStringLength(), session.UsesOCI8() ? 1333 : 666);
}

TEST_P(SessionSettingsTest, DateFormatLengthIsTheLongestDateText) {
  TOracleSession& session = LoggedOn();
  EXPECT_EQ(session.DateFormatLength(), 9) << "DD-MON-RR";
  Run(session, "alter session set nls_date_format = 'DD MONTH YYYY'");
  EXPECT_EQ(session.DateFormatLength(), 9) << "kept for the connection";
  session.LogOff();
  session.LogOn();
  Run(session, "alter session set nls_date_format = 'DD MONTH YYYY'");
  std::size_t longest = 0;
  for (int month = 1; month <= 12; ++month) {
    longest = std::max(longest, One(session, "select to_char(to_date('10-" + std::to_string(month) +
                                                 "-1999', 'dd-mm-yyyy')) from dual")
                                    .size());
  }
  EXPECT_EQ(session.DateFormatLength(), static_cast<std::int32_t>(longest));
  EXPECT_GE(longest, std::string("10 SEPTEMBER 1999").size());
}

TEST_P(SessionSettingsTest, SessionIdIsTheServersAuditId) {
  TOracleSession& session = LoggedOn();
  const std::string id = session.SessionId();
  EXPECT_FALSE(id.empty());
  EXPECT_EQ(id, One(session, "select to_char(userenv('SESSIONID')) from dual"));
  TOracleSession& other = LoggedOn();
  EXPECT_NE(other.SessionId(), id);
  session.LogOff();
  EXPECT_EQ(session.SessionId(), "");
}

TEST_P(SessionSettingsTest, ChangePasswordChangesItOnTheServer) {
  TOracleSession& admin = LoggedOn();
  Run(admin, "create user changer identified by Old1");
  Run(admin, "grant create session to changer");
  TOracleSession& session = LoggedOn("changer", "Old1");
  session.ChangePassword("New2");
  EXPECT_EQ(session.LogonPassword(), "New2");
  session.LogOff();
  session.LogOn();
  EXPECT_EQ(One(session, "select user from dual"), "CHANGER");
  TOracleSession& oldPassword = NewSession("changer", "Old1");
  EXPECT_THROW(oldPassword.LogOn(), EOracleError);
}

TEST_P(SessionSettingsTest, AnExpiredPasswordIsChangedBeforeTheLogon) {
  TOracleSession& admin = LoggedOn();
  Run(admin, "create user expiring identified by Old1 password expire");
  Run(admin, "grant create session to expiring");
  TOracleSession& session = NewSession("expiring", "Old1");
  try {
    session.LogOn();
    FAIL() << "an expired password must fail";
  } catch (const EOracleError& error) {
    EXPECT_EQ(error.ErrorCode(), 28001);
  }
  if (!session.UsesOCI8()) {
    // The version-7 interface changes passwords with a statement, which needs a connection.
    EXPECT_THROW(session.ChangePassword("New2"), Exception);
    EXPECT_EQ(session.LogonPassword(), "Old1");
    return;
  }
  session.ChangePassword("New2");
  EXPECT_EQ(session.LogonPassword(), "New2");
  session.LogOn();
  EXPECT_EQ(One(session, "select user from dual"), "EXPIRING");
}

TEST_P(SessionSettingsTest, AFailedChangeKeepsTheOldPassword) {
  TOracleSession& admin = LoggedOn();
  Run(admin, "create user keeper identified by Old1");
  Run(admin, "grant create session to keeper");
  TOracleSession& session = LoggedOn("keeper", "Old1");
  session.SetLogonPassword("Wrong");  // the old password the change presents
  if (session.UsesOCI8()) {
    EXPECT_THROW(session.ChangePassword("New2"), EOracleError);
  } else {
    // Put into the statement verbatim: not a valid identifier, so the server refuses it.
    EXPECT_THROW(session.ChangePassword("1 bad"), EOracleError);
  }
  EXPECT_EQ(session.LogonPassword(), "Wrong");
}

INSTANTIATE_TEST_SUITE_P(Modes, SessionSettingsTest, VEK_ALL_CLIENT_MODES);

// Servers that introduce themselves with an Oracle7 banner and with a current one.
class Oracle7ServerTest : public AccessTest {
 protected:
  Oracle7ServerTest() : AccessTest({"--banner", "Oracle7 Server Release 7.3.4.0.0 - Production"}) {}
};

class CurrentServerTest : public AccessTest {
 protected:
  CurrentServerTest()
      : AccessTest({"--banner",
                    "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production"}) {}
};

TEST_P(Oracle7ServerTest, ContinuesThroughVersion7Calls) {
  TOracleSession& session = LoggedOn();
  EXPECT_FALSE(session.UsesOCI8());
  EXPECT_TRUE(session.LdaConverted());
  EXPECT_NE(session.ServerVersion().find("Oracle7"), std::string::npos);
  CountedClientCalls calls;
  EXPECT_EQ(One(session, "select user from dual"), "SYSTEM");
  EXPECT_GT(calls.Log().prepares, 0);
  EXPECT_EQ(calls.Log().preparedTexts.size(), 1u);
  Run(session, "create table converted (n number)");
  Run(session, "insert into converted values (1)");
  session.Commit();
  session.LogOff();
  EXPECT_TRUE(session.UsesOCI8()) << "converted back to end the version-8 session";
  EXPECT_FALSE(session.LdaConverted());
  session.LogOn();
  EXPECT_EQ(One(session, "select count(*) from converted"), "1");
}

TEST_P(CurrentServerTest, KeepsTheVersion8Interface) {
  TOracleSession& session = LoggedOn();
  EXPECT_TRUE(session.UsesOCI8());
  EXPECT_FALSE(session.LdaConverted());
  EXPECT_NE(session.ServerVersion().find("19c"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(FullLibrary, Oracle7ServerTest, ::testing::Values(ClientMode::Version8),
                         ModeName);
INSTANTIATE_TEST_SUITE_P(FullLibrary, CurrentServerTest, ::testing::Values(ClientMode::Version8),
                         ModeName);

}  // namespace
}  // namespace vek::testing
