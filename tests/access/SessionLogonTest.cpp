// Logon and logoff against a running devdb through the substitute client library, in every
// client mode: the logon variants, the events, the 28002 warning, a failed logon and its
// clean retry, commit and rollback seen from a second session, and AutoCommit.
#include <gtest/gtest.h>

#include "access/OracleError.h"
#include "access/StoredFormReader.h"
#include "platform/TextCase.h"
#include "tests/access/AccessFixture.h"
#include "tests/access/RecordingUiHooks.h"

namespace vek::testing {
namespace {

class SessionLogonTest : public AccessTest {};

TEST_P(SessionLogonTest, LogsOnWithTheInterfaceOfTheMode) {
  TOracleSession& session = NewSession();
  int changes = 0;
  std::vector<std::string> events;
  session.BeforeLogOn = [&](TOracleSession&) { events.push_back("before"); };
  session.AfterLogOn = [&](TOracleSession&) { events.push_back("after"); };
  session.OnChange = [&](TOracleSession&) { ++changes; };
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.UsesOCI8(), ExpectsVersion8(Mode()));
  EXPECT_EQ(session.LogonWarning(), "");
  EXPECT_EQ(One(session, "select user from dual"), "SYSTEM");
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(changes, 1);
  session.LogOff();
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(session.UsesOCI8(), ExpectsVersion8(Mode())) << "kept after the logoff";
}

TEST_P(SessionLogonTest, JoinedLogonStringWithConnectAsClause) {
  TOracleSession& session = NewSession("sys/manager@" + Server().Database() + " AS SYSDBA", "");
  session.SetLogonDatabase("");
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.LogonUsername(), "sys");
  EXPECT_EQ(session.LogonPassword(), "manager");
  EXPECT_EQ(session.LogonDatabase(), Server().Database());
  EXPECT_EQ(session.ConnectAs, caSYSDBA);
  EXPECT_EQ(One(session, "select user from dual"), "SYS");
}

TEST_P(SessionLogonTest, SysoperClauseInTheJoinedString) {
  TOracleSession& session = NewSession("sys/manager@" + Server().Database() + " AS SYSOPER", "");
  session.SetLogonDatabase("");
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.ConnectAs, caSYSOPER);
}

TEST_P(SessionLogonTest, EmptyUserAndPasswordLogOnWithExternalCredentials) {
  TOracleSession& admin = LoggedOn();
  const std::string user = "ops$" + OperatingSystemUser();
  Run(admin, "create user " + user + " identified externally");
  Run(admin, "grant create session to " + user);
  TOracleSession& session = NewSession("", "");
  session.LogOn();
  EXPECT_EQ(One(session, "select user from dual"), UpperCase(user));
}

TEST_P(SessionLogonTest, PasswordInGracePeriodLogsOnWithTheWarning) {
  TOracleSession& admin = LoggedOn();
  Run(admin, "create user grace_user identified by pw");
  Run(admin, "grant create session to grace_user");
  Run(admin, "alter user grace_user password grace 5");
  TOracleSession& session = NewSession("grace_user", "pw");
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_NE(session.LogonWarning().find("ORA-28002"), std::string::npos) << session.LogonWarning();
  EXPECT_EQ(session.UsesOCI8(), ExpectsVersion8(Mode()));
  EXPECT_EQ(One(session, "select user from dual"), "GRACE_USER");
}

TEST_P(SessionLogonTest, WrongPasswordFailsAndACleanRetrySucceeds) {
  TOracleSession& session = NewSession("system", "wrong");
  std::vector<std::string> events;
  session.AfterLogOn = [&](TOracleSession&) { events.push_back("after"); };
  session.OnChange = [&](TOracleSession&) { events.push_back("change"); };
  try {
    session.LogOn();
    FAIL() << "a wrong password must fail";
  } catch (const EOracleError& error) {
    EXPECT_EQ(error.ErrorCode(), 1017);
    EXPECT_NE(std::string(error.what()).find("ORA-01017"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.LogonWarning(), "");
  EXPECT_EQ(events, (std::vector<std::string>{"after", "change"}));
  session.SetLogonPassword("manager");
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(One(session, "select user from dual"), "SYSTEM");
}

TEST_P(SessionLogonTest, UnknownDatabaseFailsWithTheClientsError) {
  TOracleSession& session = NewSession();
  session.SetLogonDatabase("no_such_alias");
  EXPECT_THROW(session.LogOn(), EOracleError);
  EXPECT_FALSE(session.Connected());
  session.SetLogonDatabase(Server().Database());
  session.LogOn();
  EXPECT_TRUE(session.Connected());
}

TEST_P(SessionLogonTest, CommitRollbackAndAutoCommitAsASecondSessionSeesThem) {
  TOracleSession& writer = LoggedOn();
  TOracleSession& reader = LoggedOn();
  Run(writer, "create table seen (n number)");
  auto count = [&] { return One(reader, "select count(*) from seen"); };

  Run(writer, "insert into seen values (1)");
  EXPECT_EQ(count(), "0");
  writer.Rollback();
  writer.Commit();
  EXPECT_EQ(count(), "0");
  Run(writer, "insert into seen values (2)");
  writer.Commit();
  EXPECT_EQ(count(), "1");

  writer.SetAutoCommit(true);
  Run(writer, "insert into seen values (3)");
  EXPECT_EQ(count(), "2") << "AutoCommit commits with the execution";
  writer.SetAutoCommit(false);
  Run(writer, "insert into seen values (4)");
  EXPECT_EQ(count(), "2");
  writer.LogOff();
  EXPECT_EQ(count(), "2") << "logging off without RollbackOnDisconnect leaves it to the server";
}

TEST_P(SessionLogonTest, AutoCommitSetBeforeLogonIsAppliedAtLogon) {
  TOracleSession& admin = LoggedOn();
  Run(admin, "create table early (n number)");
  TOracleSession& writer = NewSession();
  writer.SetAutoCommit(true);
  writer.LogOn();
  Run(writer, "insert into early values (1)");
  EXPECT_EQ(One(admin, "select count(*) from early"), "1");
}

TEST_P(SessionLogonTest, RollbackOnDisconnectUndoesOpenWork) {
  TOracleSession& admin = LoggedOn();
  Run(admin, "create table undone (n number)");
  TOracleSession& writer = LoggedOn();
  writer.RollbackOnDisconnect = true;
  Run(writer, "insert into undone values (1)");
  writer.LogOff();
  EXPECT_EQ(One(admin, "select count(*) from undone"), "0");
}

TEST_P(SessionLogonTest, LoggingOffClosesTheStatements) {
  TOracleSession& session = LoggedOn();
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select username from all_users"};
  query.Execute();
  EXPECT_TRUE(query.IsOpen());
  session.LogOff();
  EXPECT_FALSE(query.IsOpen());
  EXPECT_EQ(query.FieldCount(), 0);
  session.LogOn();
  query.Execute();
  EXPECT_FALSE(query.Eof());
}

TEST_P(SessionLogonTest, GuardedSettersRaiseWhileConnected) {
  TOracleSession& session = LoggedOn();
  session.SetThreadSafe(false);  // unchanged: fine
  auto message = [](auto&& call) {
    try {
      call();
    } catch (const Exception& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { session.SetThreadSafe(true); }),
            "Cannot change ThreadSafe property when connected");
  EXPECT_EQ(message([&] { session.SetPooling(spMTS); }),
            "Cannot change Pooling property when connected");
  EXPECT_EQ(message([&] { session.SetMTSOptions(0); }),
            "Cannot change MTSOptions property when connected");
  EXPECT_EQ(message([&] { session.Preferences().SetUseOCI7(!session.Preferences().UseOCI7()); }),
            "Cannot change UseOCI7 property when session is connected");
}

TEST_P(SessionLogonTest, ThreadSafeSessionsLogOnAndWork) {
  TOracleSession& session = NewSession();
  session.SetThreadSafe(true);
  session.LogOn();
  EXPECT_EQ(One(session, "select user from dual"), "SYSTEM");
  session.Commit();
  session.LogOff();
  EXPECT_EQ(ClientLock().EntryCount(), 0);
}

TEST_P(SessionLogonTest, AStoredFormWithoutDesignConnectionLogsOnWhileItIsRead) {
  TOracleSession& session = NewSession("", "");
  session.SetLogonDatabase("");
  std::vector<std::string> events;
  session.BeforeLogOn = [&](TOracleSession&) { events.push_back("before"); };
  session.AfterLogOn = [&](TOracleSession&) { events.push_back("after"); };
  session.OnChange = [&](TOracleSession&) { events.push_back("change"); };
  {
    TStoredFormReader reader({&session});
    session.DesignConnection = false;
    session.SetLogonUsername("system");
    session.SetLogonPassword("manager");
    session.SetLogonDatabase(Server().Database());
    session.SetConnected(true);
    EXPECT_TRUE(session.Connected());
    EXPECT_EQ(events, (std::vector<std::string>{"before"})) << "no events while the form is read";
  }
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after", "change"}));
}

TEST_P(SessionLogonTest, AStoredFormWithDesignConnectionStaysDisconnected) {
  TOracleSession& session = NewSession("", "");
  session.SetLogonDatabase("");
  int events = 0;
  session.BeforeLogOn = [&](TOracleSession&) { ++events; };
  session.OnChange = [&](TOracleSession&) { ++events; };
  {
    TStoredFormReader reader({&session});
    session.DesignConnection = true;
    session.SetLogonUsername("system");
    session.SetLogonPassword("manager");
    session.SetLogonDatabase(Server().Database());
    session.SetConnected(true);
  }
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.LogonUsername(), "");
  EXPECT_EQ(events, 0);
}

TEST_P(SessionLogonTest, TheBusyCursorShowsDuringLogonAndIsRestored) {
  ScopedRecordingHooks hooks;
  TOracleSession& session = NewSession();
  EXPECT_EQ(session.Cursor, crHourGlass);
  session.LogOn();
  EXPECT_FALSE(hooks->shown.empty());
  EXPECT_EQ(hooks->shown.front(), crHourGlass);
  EXPECT_EQ(hooks->current, crDefault) << "restored after the logon";
  session.SetLogonPassword("wrong");
  EXPECT_THROW(session.LogOn(), EOracleError);
  EXPECT_EQ(hooks->current, crDefault) << "restored after a failed logon";
  const std::size_t shownBefore = hooks->shown.size();
  TOracleSession& quiet = NewSession();
  quiet.Cursor = crDefault;
  quiet.LogOn();
  EXPECT_EQ(hooks->shown.size(), shownBefore) << "cursor 0 leaves the screen alone";
}

TEST_P(SessionLogonTest, ASessionWhoseConnectionWasLostLogsOnAgain) {
  TOracleSession& system = LoggedOn();
  Run(system, "create user lost identified by lost");
  Run(system, "grant create session to lost");
  TOracleSession& session = LoggedOn("lost", "lost");
  const std::string address =
      One(system, "select sid || ',' || serial# from v$session where username = 'LOST'");
  Run(system, "alter system kill session '" + address + "'");
  EXPECT_THROW(Run(session, "begin null; end;"), EOracleError) << "the session was killed";

  // Telling the server may fail: the connection is over all the same.
  try {
    session.LogOff();
  } catch (const EOracleError&) {
  }
  EXPECT_FALSE(session.Connected());
  EXPECT_FALSE(session.ServerAttached()) << "a lost connection leaves nothing attached";
  session.LogOn();
  EXPECT_EQ(One(session, "select user from dual"), "LOST");
}

INSTANTIATE_TEST_SUITE_P(Modes, SessionLogonTest, VEK_ALL_CLIENT_MODES);

}  // namespace
}  // namespace vek::testing
