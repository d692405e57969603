// Waits between real sessions of a devdb process: alert signals count at commit and vanish at
// rollback, every registered waiter receives a signal, and a kill, a break, a client that
// hangs up or the server's shutdown ends a wait that would otherwise last as long as the
// server's maximum wait.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <future>

#include "PlsqlProcessTest.h"

namespace devdb::testing {
namespace {

using protocol::WireValue;

constexpr int kGenerousWait = 60;

class WaitTest : public PlsqlProcessTest {
 protected:
  // DBMS_ALERT.WAITONE; timeout < 0 waits as long as the server allows.
  static BlockResult WaitOne(TestClient& client, const std::string& name, int timeout) {
    std::vector<protocol::WireBind> binds = {Variable("message", kString), Variable("status", kInteger)};
    std::string call = "dbms_alert.waitone('" + name + "', :message, :status";
    if (timeout >= 0) {
      call += ", :timeout";
      binds.push_back(Variable("timeout", kInteger, WireValue::Number(std::to_string(timeout))));
    }
    return Block(client, "begin " + call + "); end;", binds);
  }
  // True once V$SESSION shows the session's call running.
  bool Active(TestClient& observer, const TestClient& session) {
    const std::string sid = std::to_string(session.connection.Logon().sid);
    return observer.Scalar("select status from v$session where sid = " + sid) == "ACTIVE";
  }
};

TEST_F(WaitTest, AlertsCountAtCommitAndVanishAtRollback) {
  auto waiter = App();
  waiter->Run("begin dbms_alert.register('A1'); end;");
  auto signaller = App();

  signaller->Run("begin dbms_alert.signal('A1', 'rolled back'); end;");
  EXPECT_EQ(WaitOne(*waiter, "A1", 0)["status"].text, "1") << "not yet committed";
  signaller->connection.Rollback();
  EXPECT_EQ(WaitOne(*waiter, "A1", 0)["status"].text, "1") << "rolled back";

  signaller->Run("begin dbms_alert.signal('A1', 'committed'); end;");
  signaller->connection.Commit();
  BlockResult alert = WaitOne(*waiter, "A1", kGenerousWait);
  EXPECT_EQ(alert["status"].text, "0");
  EXPECT_EQ(alert["message"].text, "committed");

  // A COMMIT inside a block commits the signal too.
  signaller->Run("begin dbms_alert.signal('A1', 'block commit'); commit; end;");
  EXPECT_EQ(WaitOne(*waiter, "A1", kGenerousWait)["message"].text, "block commit");
  signaller->Run("begin dbms_alert.signal('A1', 'block rollback'); rollback; end;");
  EXPECT_EQ(WaitOne(*waiter, "A1", 0)["status"].text, "1");
}

TEST_F(WaitTest, EveryRegisteredWaiterReceivesTheSignal) {
  auto first = App();
  auto second = App();
  first->Run("begin dbms_alert.register('A2'); end;");
  second->Run("begin dbms_alert.register('A2'); end;");
  auto firstWait = std::async(std::launch::async, [&] { return WaitOne(*first, "A2", -1); });
  auto secondWait = std::async(std::launch::async, [&] { return WaitOne(*second, "A2", -1); });
  auto observer = System();
  ASSERT_TRUE(WaitUntil([&] { return Active(*observer, *first) && Active(*observer, *second); }));
  auto signaller = App();
  signaller->Run("begin dbms_alert.signal('A2', 'to both'); end;");
  signaller->connection.Commit();
  EXPECT_EQ(firstWait.get()["message"].text, "to both");
  EXPECT_EQ(secondWait.get()["message"].text, "to both");
}

TEST_F(WaitTest, AKillEndsAPipeWaitAndAnAlertWait) {
  auto system = System();
  for (const bool alert : {false, true}) {
    auto victim = App();
    if (alert) victim->Run("begin dbms_alert.register('A3'); end;");
    auto waiting = std::async(std::launch::async, [&] {
      return ErrorOf([&] {
        if (alert) WaitOne(*victim, "A3", -1);
        else ReceiveMessage(*victim, "NEVER", -1);
      });
    });
    ASSERT_TRUE(WaitUntil([&] { return Active(*system, *victim); }));
    const auto& logon = victim->connection.Logon();
    system->Run("alter system kill session '" + std::to_string(logon.sid) + "," +
                std::to_string(logon.serial) + "'");
    auto error = waiting.get();
    ASSERT_TRUE(error) << (alert ? "alert" : "pipe");
    EXPECT_EQ(error->Code(), 28);
  }
  // The server removes a session when its connection has gone, a moment after the client
  // has hung up.
  EXPECT_TRUE(WaitUntil([&] {
    return system->Scalar("select count(*) from v$session where username = 'APP'") == "0";
  })) << "the killed sessions are gone";
}

TEST_F(WaitTest, ABreakEndsAWaitAndTheSessionGoesOn) {
  auto victim = App();
  // Prepared first, so that the call V$SESSION shows running is the wait itself: a break
  // that reached the prepare would end only that call.
  const std::uint32_t cursor =
      victim->connection.Prepare("begin :s := dbms_pipe.receive_message('NEVER'); end;").cursor;
  auto waiting = std::async(std::launch::async, [&] {
    return ErrorOf([&] {
      protocol::ExecuteRequest execute;
      execute.cursor = cursor;
      execute.binds = {Variable("s", kInteger)};
      victim->connection.Execute(execute);
    });
  });
  auto observer = System();
  ASSERT_TRUE(WaitUntil([&] { return Active(*observer, *victim); }));
  victim->connection.Break();
  auto error = waiting.get();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 1013);
  EXPECT_EQ(ReceiveMessage(*victim, "NEVER", 0), 1);
}

TEST_F(WaitTest, AClientThatHangsUpDuringAWaitLosesItsSession) {
  const std::string script =
      "begin dbms_alert.register('A4'); end;\n/\n"
      "declare s number; begin s := dbms_pipe.receive_message('NEVER'); end;\n/\n";
  const int child = StartScript(WriteScript(script), "app/app");
  auto system = System();
  const std::string active = "select count(*) from v$session where username = 'APP' and status = 'ACTIVE'";
  const bool waiting = WaitUntil([&] { return system->Scalar(active) == "1"; });
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(waiting) << "the script's wait never showed as ACTIVE";
  EXPECT_TRUE(WaitUntil([&] {
    return system->Scalar("select count(*) from v$session where username = 'APP'") == "0";
  })) << "the wait of a client that hung up did not end";
  // Its alert registration went with it: a signal now reaches nobody and harms nothing.
  system->Run("begin dbms_alert.signal('A4', 'nobody'); end;");
  system->connection.Commit();
}

// The database has one writer at a time, so an autonomous transaction cannot write while the
// session it runs for holds uncommitted writes of its own: that is a deadlock, reported at
// once instead of a wait without end.
TEST_F(WaitTest, AnAutonomousWriteAgainstItsCallersOwnWritesIsADeadlock) {
  auto app = App();
  app->Run("create table work (n number)");
  app->Run("create table journal (m varchar2(100))");
  app->Run("create or replace procedure note(m varchar2) is\n  pragma autonomous_transaction;\n"
           "begin\n  insert into journal values (m);\n  commit;\nend;");
  app->Run("insert into work values (1)");
  auto error = ErrorOf([&] { app->Run("begin note('blocked'); end;"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 60) << error->what();
  app->connection.Rollback();
  app->Run("begin note('free'); end;");
  EXPECT_EQ(app->Scalar("select m from journal"), "free");
}

TEST_F(WaitTest, ShutdownEndsEveryWait) {
  auto victim = App();
  auto waiting = std::async(std::launch::async, [&] {
    return ErrorOf([&] { ReceiveMessage(*victim, "NEVER", -1); });
  });
  auto observer = System();
  ASSERT_TRUE(WaitUntil([&] { return Active(*observer, *victim); }));
  observer.reset();
  EXPECT_EQ(Server().Stop(SIGTERM), 0);
  auto error = waiting.get();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 1089) << error->what();
  server_.reset();
}

}  // namespace
}  // namespace devdb::testing
