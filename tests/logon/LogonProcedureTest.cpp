// The logon procedure end to end against devdb through the substitute client library, with
// scripted windows in place of the dialog: attempts and retries, cancel, the UserId argument,
// expired and expiring passwords, the history, the title, the rows the window shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access/ConnectAs.h"
#include "client/ClientLibrary.h"
#include "client/NetServiceNames.h"
#include "logon/LogonErrorTexts.h"
#include "logon/OracleLogon.h"
#include "platform/Exception.h"
#include "tests/logon/LogonFixture.h"

namespace vek::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class LogonProcedureTest : public LogonFixture {
 protected:
  ScopedScriptedWindows windows_;
  ScopedAnsweringHooks hooks_;

  // A component on the session with the monitor's settings but no stored history.
  TOracleLogon& Logon(TOracleSession& session, TLogonOptions options = {ldDatabase}) {
    logon_.SetSession(&session);
    logon_.Options = options;
    return logon_;
  }
  LogonScript& Script() { return windows_.script; }

  TOracleLogon logon_;
};

TEST_F(LogonProcedureTest, AWrongPasswordIsShownAndTheDialogComesBackWithTheSessionsValues) {
  TOracleSession& session = NewSession("system", "", Database());
  Script().steps = {LogOnWith("wrong"), LogOnWith("manager")};
  EXPECT_TRUE(Logon(session).Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(UserOf(session), "SYSTEM");
  ASSERT_EQ(hooks_->messages.size(), 1u);
  EXPECT_TRUE(Contains(hooks_->messages[0], "ORA-01017")) << hooks_->messages[0];
  ASSERT_EQ(Script().shown.size(), 2u);
  EXPECT_EQ(Script().shown[0].title, "Oracle Logon");
  EXPECT_EQ(Script().shown[1].username, "system");
  EXPECT_EQ(Script().shown[1].password, "wrong");
  EXPECT_EQ(Script().shown[1].database, Database());
  EXPECT_EQ(Script().windowsCreated, 1) << "one window serves every attempt";
}

TEST_F(LogonProcedureTest, CancelOnTheFirstDialogIsFalseAndAfterAFailedAttemptTrue) {
  {
    TOracleSession& session = NewSession("system", "", Database());
    Script().steps = {Cancel()};
    EXPECT_FALSE(Logon(session).Execute());
    EXPECT_FALSE(session.Connected());
  }
  {
    TOracleSession& session = NewSession("system", "", Database());
    Script().steps = {LogOnWith("wrong"), Cancel()};
    EXPECT_TRUE(Logon(session).Execute());
    EXPECT_FALSE(session.Connected());
    EXPECT_EQ(hooks_->messages.size(), 1u);
  }
}

TEST_F(LogonProcedureTest, RetriesBoundTheAttempts) {
  struct Case {
    std::uint16_t retries;
    std::size_t attempts;
  };
  for (const Case& test : std::vector<Case>{{0, 1}, {2, 3}}) {
    SCOPED_TRACE("Retries = " + std::to_string(test.retries));
    hooks_->messages.clear();
    Script().shown.clear();
    TOracleSession& session = NewSession("system", "", Database());
    for (std::size_t i = 0; i < test.attempts; ++i) Script().steps.push_back(LogOnWith("wrong"));
    TOracleLogon& logon = Logon(session);
    logon.Retries = test.retries;
    EXPECT_TRUE(logon.Execute());
    EXPECT_FALSE(session.Connected());
    EXPECT_EQ(Script().shown.size(), test.attempts);
    EXPECT_EQ(hooks_->messages.size(), test.attempts) << "every failure is shown, the last too";
  }
}

TEST_F(LogonProcedureTest, UserIdArgumentLogsOnWithoutTheDialogInAnyLetterCase) {
  CreateUser("arg_user", "pw");
  for (const std::string name : {"UserId", "USERID", "userid"}) {
    SCOPED_TRACE(name);
    SetArguments({name + "=" + LogonString("arg_user", "pw")});
    TOracleSession& session = NewSession("ignored", "ignored", "ignored");
    TOracleLogon& logon = Logon(session, {ldAuto, ldDatabase});
    EXPECT_TRUE(logon.Execute());
    EXPECT_TRUE(session.Connected());
    EXPECT_EQ(UserOf(session), "ARG_USER");
    EXPECT_EQ(session.LogonUsername(), "arg_user");
    EXPECT_EQ(session.LogonPassword(), "pw");
    EXPECT_EQ(session.LogonDatabase(), Database());
    EXPECT_FALSE(logon.Options.Contains(ldAuto)) << "the automatic first cycle is used up";
  }
  EXPECT_TRUE(Script().shown.empty());
}

TEST_F(LogonProcedureTest, UserIdAfterOtherCharactersIsNotRecognised) {
  SetArguments({"XUserId=" + LogonString("system", "manager")});
  TOracleSession& session = NewSession();
  Script().steps = {Cancel()};
  EXPECT_FALSE(Logon(session, {ldAuto, ldDatabase}).Execute());
  EXPECT_EQ(Script().shown.size(), 1u);
}

TEST_F(LogonProcedureTest, AFailingUserIdIsFollowedByTheDialogWithTheSplitValues) {
  SetArguments({"UserId=" + LogonString("system", "wrong")});
  TOracleSession& session = NewSession();
  Script().steps = {LogOnWith("manager")};
  EXPECT_TRUE(Logon(session, {ldAuto, ldDatabase}).Execute());
  EXPECT_TRUE(session.Connected());
  ASSERT_EQ(hooks_->messages.size(), 1u);
  EXPECT_TRUE(Contains(hooks_->messages[0], "ORA-01017")) << hooks_->messages[0];
  ASSERT_EQ(Script().shown.size(), 1u);
  EXPECT_EQ(Script().shown[0].username, "system");
  EXPECT_EQ(Script().shown[0].password, "wrong");
  EXPECT_EQ(Script().shown[0].database, Database());
}

TEST_F(LogonProcedureTest, AutoUsesTheSessionsValuesOnlyWithBothUserAndPassword) {
  {
    TOracleSession& session = NewSession("system", "", Database());
    Script().steps = {Cancel()};
    EXPECT_FALSE(Logon(session, {ldAuto, ldDatabase}).Execute()) << "no password: the dialog";
  }
  TOracleSession& session = NewSession("system", "manager", Database());
  TOracleLogon& logon = Logon(session, {ldAuto, ldDatabase});
  EXPECT_TRUE(logon.Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(Script().shown.size(), 1u);
  // A second Execute always shows the dialog; Cancel leaves the connection as it was.
  Script().steps = {Cancel()};
  EXPECT_FALSE(logon.Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(Script().shown.size(), 2u);
}

TEST_F(LogonProcedureTest, AnExpiredPasswordIsChangedInTheDialogAndLogsOn) {
  CreateUser("expired_user", "Old1");
  AsAdmin({"alter user expired_user password expire"});
  TOracleSession& session = NewSession("expired_user", "", Database());
  Script().steps = {LogOnWith("Old1"), NewPassword("one", "two"), NewPassword("new2", "NEW2")};
  EXPECT_TRUE(Logon(session).Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(UserOf(session), "EXPIRED_USER");
  ASSERT_EQ(Script().shown.size(), 3u);
  const ShownWindow& change = Script().shown[1];
  EXPECT_EQ(change.title, "Your password has expired");
  EXPECT_EQ(change.firstLabel, "New password");
  EXPECT_TRUE(change.usernameMasked);
  EXPECT_EQ(change.username, "");
  EXPECT_EQ(change.password, "");
  EXPECT_FALSE(change.databaseRow);
  EXPECT_FALSE(change.connectAsRow);
  EXPECT_EQ(hooks_->messages, std::vector<std::string>{"Verification failed"});
  // Letter case does not count in the comparison; the verification as typed is the password.
  EXPECT_EQ(session.LogonPassword(), "NEW2");
  EXPECT_TRUE(CanLogOn("expired_user", "NEW2"));
  EXPECT_FALSE(CanLogOn("expired_user", "new2"));
}

TEST_F(LogonProcedureTest, CancellingThePasswordChangeCountsAsAFailedAttempt) {
  CreateUser("expired_keep", "Old1");
  AsAdmin({"alter user expired_keep password expire"});
  TOracleSession& session = NewSession("expired_keep", "", Database());
  Script().steps = {LogOnWith("Old1"), Cancel(), Cancel()};
  EXPECT_TRUE(Logon(session).Execute());
  EXPECT_FALSE(session.Connected());
  ASSERT_EQ(Script().shown.size(), 3u);
  EXPECT_EQ(Script().shown[2].title, "Oracle Logon") << "the logon dialog again";
  EXPECT_TRUE(hooks_->messages.empty());
}

TEST_F(LogonProcedureTest, APasswordRefusedByTheServerIsShownAndTheChangeDialogComesBack) {
  CreateUser("expired_twice", "Old1");
  AsAdmin({"alter user expired_twice password expire"});
  TOracleSession& session = NewSession("expired_twice", "", Database());
  Script().steps = {LogOnWith("Old1"), NewPassword("", ""), NewPassword("Fresh3", "Fresh3")};
  EXPECT_TRUE(Logon(session).Execute());
  EXPECT_TRUE(session.Connected());
  ASSERT_EQ(hooks_->messages.size(), 1u) << "the empty password is refused";
  EXPECT_TRUE(Contains(hooks_->messages[0], "ORA-")) << hooks_->messages[0];
}

TEST_F(LogonProcedureTest, TheGracePeriodWarningAsksAndYesChangesThePassword) {
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    const std::string user = yes ? "grace_yes" : "grace_no";
    CreateUser(user, "Old1");
    AsAdmin({"alter user " + user + " password grace 5"});
    TOracleSession& session = NewSession(user, "", Database());
    int logons = 0;
    session.AfterLogOn = [&](TOracleSession&) { ++logons; };
    hooks_->answers = {yes};
    Script().steps = {LogOnWith("Old1")};
    if (yes) Script().steps.push_back(NewPassword("New4", "New4"));
    EXPECT_TRUE(Logon(session).Execute());
    EXPECT_TRUE(session.Connected());
    EXPECT_EQ(logons, 1) << "the session stays connected; no second logon";
    ASSERT_FALSE(hooks_->questions.empty());
    EXPECT_TRUE(Contains(hooks_->questions.back(), "ORA-28002")) << hooks_->questions.back();
    EXPECT_TRUE(Contains(hooks_->questions.back(), "\r\nDo you wish to change your password now?"));
    EXPECT_EQ(hooks_->questionCaptions.back(), "Confirm");
    EXPECT_EQ(session.LogonPassword(), yes ? "New4" : "Old1");
    EXPECT_TRUE(CanLogOn(user, yes ? "New4" : "Old1"));
  }
  EXPECT_EQ(hooks_->messages, std::vector<std::string>{});
}

TEST_F(LogonProcedureTest, HistoryRecordsEachLogonUnlessCtrlWasHeld) {
  TOracleSession& session = NewSession("system", "", Database());
  TOracleLogon& logon = Logon(session, {ldDatabase, ldLogonHistory});
  logon.HistoryRegSection = "Software\\VEK\\TestHistory";
  Script().steps = {LogOnWith("manager", /*ctrl=*/true)};
  EXPECT_TRUE(logon.Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(LogonHistory().Count(), 0) << "OK with Ctrl held records nothing";
  EXPECT_FALSE(Script().shown[0].historyEnabled) << "an empty history: the button is disabled";

  Script().steps = {LogOnWith("manager")};
  EXPECT_TRUE(logon.Execute());
  ASSERT_EQ(LogonHistory().Count(), 1);
  EXPECT_EQ(LogonHistory()[0].Username, "system");
  EXPECT_EQ(LogonHistory()[0].Password, "") << "no passwords unless HistoryWithPassword";
  EXPECT_EQ(LogonHistory()[0].Database, Database());

  // Saved and loaded again by the next Execute; Ctrl leaves the stored list as it was.
  LogonHistory().Clear();
  Script().steps = {LogOnWith("manager", /*ctrl=*/true)};
  EXPECT_TRUE(logon.Execute());
  ASSERT_EQ(LogonHistory().Count(), 1);
  EXPECT_TRUE(Script().shown.back().historyButton);
  EXPECT_TRUE(Script().shown.back().historyEnabled);
  LogonHistory().Clear();
  LogonHistory().LoadFromRegistry(logon.HistoryRegSection);
  EXPECT_EQ(LogonHistory().Count(), 1);
}

TEST_F(LogonProcedureTest, AChangedExpiredPasswordIsRecordedLikeAnyOtherLogon) {
  CreateUser("expired_hist", "Old1");
  AsAdmin({"alter user expired_hist password expire"});
  TOracleSession& session = NewSession("expired_hist", "", Database());
  Script().steps = {LogOnWith("Old1"), NewPassword("New5", "New5")};
  EXPECT_TRUE(Logon(session, {ldDatabase, ldLogonHistory}).Execute());
  EXPECT_TRUE(session.Connected());
  ASSERT_EQ(LogonHistory().Count(), 1);
  EXPECT_EQ(LogonHistory()[0].Username, "expired_hist");
}

TEST_F(LogonProcedureTest, ACaptionWinsOverTheNorwegianTitleForEveryLaterDialog) {
  ApplyUserInterfaceLanguage(0x0814);
  TOracleSession& session = NewSession("system", "", Database());
  TOracleLogon& logon = Logon(session);
  logon.Caption = "Pipewatch";
  Script().steps = {Cancel()};
  logon.Execute();
  TLogonOptions options{ldDatabase};
  Script().steps = {Cancel()};
  ExecuteLogonDialog(&session, 0, 8, options);
  ASSERT_EQ(Script().shown.size(), 2u);
  EXPECT_EQ(Script().shown[0].title, "Pipewatch");
  EXPECT_EQ(Script().shown[1].title, "Pipewatch");
  EXPECT_EQ(Script().shown[0].firstLabel, "Brukarnamn");
}

TEST_F(LogonProcedureTest, RowsFollowTheOptionsAndTheClientsCapabilities) {
  InitializeClient();  // the capability flags as a loaded library sets them
  ASSERT_TRUE(HasOCI8());
  TOracleSession& session = NewSession("sys", "", Database());
  session.ConnectAs = caSYSDBA;
  TLogonOptions options{ldConnectAs};
  Script().steps = {Cancel()};
  EXPECT_FALSE(ExecuteLogonDialog(&session, 0, 8, options));
  EXPECT_FALSE(Script().shown[0].databaseRow);
  EXPECT_TRUE(Script().shown[0].connectAsRow);
  EXPECT_EQ(Script().shown[0].connectAsIndex, 1);

  session.Preferences().SetUseOCI7(true);
  Script().steps = {Cancel()};
  ExecuteLogonDialog(&session, 0, 8, options);
  EXPECT_FALSE(Script().shown[1].connectAsRow) << "UseOCI7 hides the Connect-as row";
}

TEST_F(LogonProcedureTest, ConnectAsFollowsTheListOnlyWithItsOption) {
  InitializeClient();
  TOracleSession& session = NewSession("sys", "", Database());
  session.ConnectAs = caSYSDBA;
  TLogonOptions withoutConnectAs{ldDatabase};
  Script().steps = {LogOnWith("manager")};
  EXPECT_TRUE(ExecuteLogonDialog(&session, 0, 8, withoutConnectAs));
  EXPECT_EQ(session.ConnectAs, caNormal);
  EXPECT_EQ(UserOf(session), "SYS");
  session.LogOff();

  TLogonOptions withConnectAs{ldDatabase, ldConnectAs};
  Script().steps = {[](ScriptedLogonWindow& window) {
    window.password = "manager";
    window.connectAsIndex = 1;
    return TLogonWindowResult{true, false};
  }};
  EXPECT_TRUE(ExecuteLogonDialog(&session, 0, 8, withConnectAs));
  EXPECT_EQ(session.ConnectAs, caSYSDBA);
  EXPECT_TRUE(session.Connected());
}

TEST_F(LogonProcedureTest, WithoutTheDatabaseRowTheSessionsDatabaseIsStillUsed) {
  TOracleSession& session = NewSession("system", "", Database());
  Script().steps = {LogOnWith("manager")};
  EXPECT_TRUE(Logon(session, {}).Execute());
  EXPECT_FALSE(Script().shown[0].databaseRow);
  EXPECT_TRUE(session.Connected());
}

TEST_F(LogonProcedureTest, TheDatabaseListOffersTheNetServiceNames) {
  const std::string folder = Environment().Folder().MakeFolder("tns");
  Environment().Folder().WriteFile("tns/tnsnames.ora",
                                   "zeta = (DESCRIPTION = (ADDRESS = (HOST = a)))\n"
                                   "Alpha = (DESCRIPTION = (ADDRESS = (HOST = b)))\n");
  ScopedEnvironmentVariable tnsAdmin("TNS_ADMIN", folder);
  ResetNetServiceNamesForTesting();
  TOracleSession& session = NewSession("system", "", Database());
  Script().steps = {LogOnWith("manager")};
  TOracleLogon& logon = Logon(session, {ldDatabase, ldDatabaseList});
  logon.AliasDropDownCount = 5;
  EXPECT_TRUE(logon.Execute());
  ResetNetServiceNamesForTesting();
  EXPECT_TRUE(session.Connected());
  const ShownWindow& shown = Script().shown.at(0);
  EXPECT_TRUE(shown.usesAliasList);
  EXPECT_EQ(shown.aliasEntries, (std::vector<std::string>{"Alpha", "zeta"}));
  EXPECT_EQ(shown.database, Database()) << "the list's text is the session's database";
}

TEST_F(LogonProcedureTest, MissingSessionAndMissingWindow) {
  TLogonOptions options{ldDatabase};
  try {
    ExecuteLogonDialog(nullptr, 2, 8, options);
    FAIL() << "a missing session must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Session undefined");
  }
  EXPECT_THROW(ChangePasswordDialog(nullptr, "x"), Exception);
  TOracleLogon logon;
  EXPECT_FALSE(logon.Execute()) << "no session: false, nothing shown";
  {
    auto session = std::make_unique<TOracleSession>();
    logon.SetSession(session.get());
  }
  EXPECT_EQ(logon.Session(), nullptr) << "the component forgets a session that goes";

  // Without an installed window the argument still logs on; a dialog cannot be shown.
  LogonWindowFactory scripted = InstallLogonWindowFactory(nullptr);
  SetArguments({"UserId=" + LogonString("system", "manager")});
  TOracleSession& session = NewSession();
  TLogonOptions automatic{ldAuto, ldDatabase};
  EXPECT_TRUE(ExecuteLogonDialog(&session, 2, 8, automatic));
  EXPECT_TRUE(session.Connected());
  try {
    ExecuteLogonDialog(&session, 2, 8, options);
    ADD_FAILURE() << "showing a dialog without a window must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), logon_texts::kNoLogonWindow);
  }
  InstallLogonWindowFactory(std::move(scripted));
}

TEST(UserLocaleUpperCase, UpperCasesLettersBeyondAscii) {
  EXPECT_EQ(UserLocaleUpperCase("secret1"), "SECRET1");
  EXPECT_EQ(UserLocaleUpperCase("bl\xC3\xA5"
                                "b\xC3\xA6r"),
            "BL\xC3\x85"
            "B\xC3\x86R");
  EXPECT_EQ(UserLocaleUpperCase("a\xFF"
                                "b"),
            "A\xFF"
            "B")
      << "a stray byte stays as it is";
}

}  // namespace
}  // namespace vek::testing
