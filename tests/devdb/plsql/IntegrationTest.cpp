// The PL/SQL engine attached to the SQL engine through the SQL engine's own hooks, as the
// server runs them: blocks go through Session::Prepare, commits and rollbacks reach the alert
// signals, DBMS_APPLICATION_INFO shows in V$SESSION, and a kill ends a wait.
#include <gtest/gtest.h>

#include <future>

#include "PlsqlFixture.h"
#include "devdb/plsql/ScriptSplitter.h"

namespace devdb::plsql::testing {
namespace {

class IntegrationTest : public AttachedPlsqlFixture {
 protected:
  void SetUp() override {
    AttachedPlsqlFixture::SetUp();
    auto& system = LogOn("system", "manager");
    Run(system, "CREATE USER app IDENTIFIED BY app");
    Run(system, "GRANT CREATE SESSION TO app");
    Run(system, "GRANT CREATE PUBLIC SYNONYM TO app");
    Run(system, "GRANT SELECT ON V_$SESSION TO app");
  }
};

TEST_F(IntegrationTest, TheMonitorsRoundTripThroughTheEnginesOwnDispatch) {
  auto& installer = LogOn("app", "app");
  for (const auto& statement : ScriptSplitter::Split(PlsqlFixture::PackageResource())) {
    EXPECT_EQ(Run(installer, statement.text).warning, "") << statement.text;
  }
  auto& monitor = LogOn("app", "app");
  Run(monitor,
      "begin\r\n  sys.dbms_application_info.set_client_info(client_info => "
      ":client_info);\r\nend;\r\n",
      {In("client_info", sql::Value::Text("VEKDEBUGSESSION#APP"))});
  auto count =
      monitor.Prepare("SELECT COUNT(*) FROM v$session WHERE client_info = 'VEKDEBUGSESSION#APP'");
  count->Execute({}, 1, 0, false);
  EXPECT_EQ(Text(count->Fetch(1).at(0).at(0)), "1") << "the marker is visible in V$SESSION";

  auto& sender = LogOn("app", "app");
  Run(sender, "begin Vek_Debug.PRINT('through the engine'); end;");
  auto& listener = LogOn("app", "app");
  auto received =
      Run(listener,
          "begin\r\n  :status := sys.dbms_pipe.receive_message(:pipename, :timeout);\r\nend;\r\n",
          {Out("status"), In("pipename", sql::Value::Text("VEK_DEBUG#APP")),
           In("timeout", sql::Value::Text("5"))});
  ASSERT_EQ(Text(received.outValues.at(0).at(0)), "0");
  auto unpack = Run(listener,
                    "declare d date; u varchar2(30); begin dbms_pipe.unpack_message(d); "
                    "dbms_pipe.unpack_message(u);"
                    " dbms_pipe.unpack_message(:text); end;",
                    {Out("text")});
  EXPECT_EQ(Text(unpack.outValues.at(0).at(0)), "through the engine");
}

TEST_F(IntegrationTest, CommitAndRollbackOfTheSessionDecideTheAlerts) {
  auto& waiter = LogOn("app", "app");
  auto& signaller = LogOn("app", "app");
  Run(waiter, "begin dbms_alert.register('hooked'); end;");
  const std::string poll = "begin dbms_alert.waitone('hooked', :message, :status, 0); end;";
  Run(signaller, "begin dbms_alert.signal('hooked', 'rolled back'); end;");
  signaller.Rollback();
  EXPECT_EQ(Text(Run(waiter, poll, {Out("message"), Out("status")}).outValues.at(1).at(0)), "1");
  Run(signaller, "begin dbms_alert.signal('hooked', 'committed'); end;");
  signaller.Commit();
  auto result = Run(waiter, poll, {Out("message"), Out("status")});
  EXPECT_EQ(Text(result.outValues.at(0).at(0)), "committed");
  // SQL COMMIT through the engine counts as well.
  Run(signaller, "begin dbms_alert.signal('hooked', 'sql commit'); end;");
  Run(signaller, "COMMIT");
  EXPECT_EQ(Text(Run(waiter, poll, {Out("message"), Out("status")}).outValues.at(0).at(0)),
            "sql commit");
}

TEST_F(IntegrationTest, KillThroughTheDirectoryEndsAWait) {
  auto& waiter = LogOn("app", "app");
  auto waiting = std::async(std::launch::async, [&] {
    try {
      Run(waiter, "declare s integer; begin s := dbms_pipe.receive_message('never'); end;");
    } catch (const sql::SqlError& error) {
      return error.Code();
    }
    return 0;
  });
  engine_->Room().AwaitWaiters(1);
  auto row = waiter.Describe();
  directory_.KillSession(row.sid, row.serial);
  EXPECT_EQ(waiting.get(), 28);
}

}  // namespace
}  // namespace devdb::plsql::testing
