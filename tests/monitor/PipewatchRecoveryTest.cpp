// The monitor stays connected: a listener whose session is killed, all of the monitor's
// sessions killed at once, and the database stopped and started again. Each time the pane says
// that listening stopped, the window gets the channel back by itself, says so, and shows what
// was sent meanwhile, in order; and the window never freezes while the database is away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <csignal>
#include <string>
#include <vector>

#include "access/OracleError.h"
#include "access/OracleEvent.h"
#include "tests/monitor/MonitorDevdbFixture.h"
#include "tests/platform/TemporaryFolder.h"

namespace vek::monitor {
namespace {

using testing::WaitUntil;

class PipewatchRecovery : public testing::MonitorDevdbTest {
 protected:
  explicit PipewatchRecovery(const std::vector<std::string>& serverArguments = {"--memory"})
      : MonitorDevdbTest(serverArguments) {}

  struct SessionAddress {
    std::string sid, serial;
  };
  // The sessions of APP in the order they logged on: the window's main session, then the pipe
  // listener's, then the alert listener's.
  std::vector<SessionAddress> MonitorSessions(TOracleSession& system) {
    TOracleQuery query;
    query.SetSession(&system);
    query.SQL = {"select sid, serial# from v$session where username = 'APP' order by sid"};
    query.Execute();
    std::vector<SessionAddress> sessions;
    while (!query.Eof()) {
      sessions.push_back({query.FieldAsString(0), query.FieldAsString(1)});
      query.Next();
    }
    return sessions;
  }
  static void Kill(TOracleSession& system, const SessionAddress& session) {
    Run(system, "alter system kill session '" + session.sid + "," + session.serial + "'");
  }
  // A window armed for APP, with a system session, the monitor's sessions and a sender whose
  // first message the window has shown.
  struct Listening {
    TFormPipewatch& window;
    TOracleSession& system;
    std::vector<SessionAddress> sessions;
    TOracleSession& sender;
    bool firstLineShown;
  };
  Listening StartListening() {
    TFormPipewatch& window = StartedWindow();
    TOracleSession& system = Session("system", "manager");
    std::vector<SessionAddress> sessions = MonitorSessions(system);
    TOracleSession& sender = Session("app", "app");
    Print(sender, "before");
    const bool shown = WaitUntil([&] { return HasLineEndingWith(window, "\tbefore\t"); });
    return {window, system, std::move(sessions), sender, shown};
  }
  static int CountStartingWith(const TFormPipewatch& window, const QString& start) {
    int count = 0;
    for (const QString& line : Lines(window)) count += line.startsWith(start) ? 1 : 0;
    return count;
  }
  // The lines after the last "Listening again".
  static QStringList LinesSinceRecovery(const TFormPipewatch& window) {
    const QStringList lines = Lines(window);
    const int at = lines.lastIndexOf("Listening again");
    return at < 0 ? QStringList() : lines.mid(at + 1);
  }
  static QStringList PrintedTexts(const QStringList& lines) {
    QStringList texts;
    for (const QString& line : lines) {
      const QStringList items = line.split('\t');
      if (items.size() == 4 && items[1] == "APP") texts << items[2];
    }
    return texts;
  }
};

TEST_F(PipewatchRecovery, AKilledPipeListenerIsNoticedAndNothingSentMeanwhileIsLost) {
  Listening listening = StartListening();
  ASSERT_EQ(listening.sessions.size(), 3u);
  ASSERT_TRUE(listening.firstLineShown);
  TFormPipewatch& window = listening.window;
  TOracleSession& system = listening.system;
  TOracleSession& sender = listening.sender;
  const auto& sessions = listening.sessions;

  Kill(system, sessions[1]);
  ASSERT_TRUE(WaitUntil([&] { return CountStartingWith(window, "Listening stopped: ") > 0; }))
      << Lines(window).join("|").toStdString();
  EXPECT_TRUE(Lines(window).contains("Listening stopped: ORA-00028: your session has been killed"))
      << Lines(window).join("|").toStdString();
  for (const char* text : {"one", "two", "three"}) Print(sender, text);

  ASSERT_TRUE(WaitUntil([&] { return PrintedTexts(LinesSinceRecovery(window)).size() >= 3; }))
      << Lines(window).join("|").toStdString();
  EXPECT_EQ(PrintedTexts(LinesSinceRecovery(window)), QStringList({"one", "two", "three"}));
  EXPECT_EQ(CountStartingWith(window, "Listening stopped: "), 1);
  EXPECT_EQ(CountStartingWith(window, "Listening again"), 1);
  EXPECT_FALSE(window.Recovering());
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

TEST_F(PipewatchRecovery, TheMainSessionAndBothListenersKilledAtOnce) {
  Listening listening = StartListening();
  ASSERT_EQ(listening.sessions.size(), 3u);
  ASSERT_TRUE(listening.firstLineShown);
  TFormPipewatch& window = listening.window;
  TOracleSession& system = listening.system;
  TOracleSession& sender = listening.sender;
  const auto& sessions = listening.sessions;

  for (const SessionAddress& session : sessions) Kill(system, session);
  ASSERT_TRUE(WaitUntil([&] { return CountStartingWith(window, "Listening stopped: ") > 0; }));
  Print(sender, "while away");
  ASSERT_TRUE(WaitUntil([&] { return Lines(window).contains("Listening again"); }))
      << Lines(window).join("|").toStdString();
  EXPECT_EQ(MarkedClientInfo(system), "VEKDEBUGSESSION#APP") << "the main session is marked again";
  Print(sender, "after");
  ASSERT_TRUE(WaitUntil([&] { return PrintedTexts(LinesSinceRecovery(window)).contains("after"); }))
      << Lines(window).join("|").toStdString();
  EXPECT_EQ(PrintedTexts(LinesSinceRecovery(window)), QStringList({"while away", "after"}));
  EXPECT_EQ(CountStartingWith(window, "Listening stopped: "), 1);
}

TEST_F(PipewatchRecovery, AListenerErrorThatDoesNotEndTheListenerChangesNothing) {
  TFormPipewatch& window = StartedWindow();
  // An error handed to the listener by the pane's handler, as an exception from the window's
  // own code would be.
  bool failOnce = true;
  window.OraclePipeEvent->SetOnEvent(
      [&](TOracleEvent& sender, const std::string& name, const Variant& info) {
        if (failOnce) {
          failOnce = false;
          throw EOracleError(6502, "ORA-06502: PL/SQL: numeric or value error");
        }
        window.OraclePipeEventEvent(&sender, name, info);
      });
  TOracleSession& sender = Session("app", "app");
  Print(sender, "lost in the handler");
  Print(sender, "shown");
  ASSERT_TRUE(WaitUntil([&] { return HasLineEndingWith(window, "\tshown\t"); }));
  EXPECT_EQ(CountStartingWith(window, "Listening"), 0) << Lines(window).join("|").toStdString();
  EXPECT_FALSE(window.Recovering());
  EXPECT_TRUE(window.OraclePipeEvent->Started());
}

// The server's data folder, made before the server starts.
struct ServerDataFolder {
  vek::testing::TemporaryFolder folder;
  const vek::testing::TemporaryFolder& Folder() const { return folder; }
};

class PipewatchServerRestart : private ServerDataFolder, public PipewatchRecovery {
 protected:
  PipewatchServerRestart() : PipewatchRecovery({"--data", Folder().PathOf("data")}) {}
  void Restart() {
    StartServer({"--data", Folder().PathOf("data"), "--listen",
                 "127.0.0.1:" + std::to_string(Port())});
  }
};

TEST_F(PipewatchServerRestart, TheDatabaseStoppedAndStartedAgain) {
  TFormPipewatch& window = StartedWindow();
  {
    TOracleSession& sender = Session("app", "app");
    Print(sender, "before");
    ASSERT_TRUE(WaitUntil([&] { return HasLineEndingWith(window, "\tbefore\t"); }));
  }
  sessions_.clear();
  StopServer(SIGKILL);
  ASSERT_TRUE(WaitUntil([&] { return CountStartingWith(window, "Listening stopped: ") > 0; }))
      << Lines(window).join("|").toStdString();

  // While the database is away the window goes on serving its event loop.
  std::vector<qint64> ticks;
  QElapsedTimer clock;
  clock.start();
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ticks.push_back(clock.elapsed()); });
  ticker.start(50);
  WaitUntil([] { return false; }, std::chrono::seconds(3));
  ticker.stop();
  ASSERT_FALSE(ticks.empty());
  qint64 longestGap = ticks.front();
  for (std::size_t i = 1; i < ticks.size(); ++i) {
    longestGap = std::max(longestGap, ticks[i] - ticks[i - 1]);
  }
  EXPECT_LT(longestGap, 1000) << "the window froze while the database was away";
  EXPECT_TRUE(window.Recovering());

  Restart();
  QElapsedTimer sinceAnswering;
  sinceAnswering.start();
  ASSERT_TRUE(WaitUntil([&] { return Lines(window).contains("Listening again"); }))
      << Lines(window).join("|").toStdString();
  std::printf("recovered %lld ms after the server answered again\n",
              static_cast<long long>(sinceAnswering.elapsed()));
  TOracleSession& sender = Session("app", "app");
  Print(sender, "after the restart");
  EXPECT_TRUE(WaitUntil([&] { return HasLineEndingWith(window, "\tafter the restart\t"); }))
      << Lines(window).join("|").toStdString();
}

TEST_F(PipewatchServerRestart, ClosingTheWindowWhileTheDatabaseIsAwayEndsPromptly) {
  TFormPipewatch* window = &StartedWindow();
  StopServer(SIGKILL);
  ASSERT_TRUE(WaitUntil([&] { return CountStartingWith(*window, "Listening stopped: ") > 0; }));
  QElapsedTimer closing;
  closing.start();
  windows_.clear();  // the window and its components go, as closing it does
  std::printf("the window closed in %lld ms while the database was away\n",
              static_cast<long long>(closing.elapsed()));
  EXPECT_LT(closing.elapsed(), 2000);
}

}  // namespace
}  // namespace vek::monitor
