// DBMS_ALERT between sessions on threads of one process: signals take effect at commit and
// vanish at rollback, the latest message wins, two waiters both wake, a wait with nothing
// registered fails, a kill ends a wait, and a session that ends loses its registrations.
#include <gtest/gtest.h>

#include <future>

#include "PlsqlFixture.h"

namespace devdb::plsql::testing {
namespace {

struct Outcome {
  std::string status;
  std::string name;
  std::string message;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << "status " << outcome.status << ", name " << outcome.name << ", message "
             << outcome.message;
}

class AlertTest : public PlsqlFixture {
 protected:
  void SetUp() override {
    PlsqlFixture::SetUp();
    CreateUser("app", "app");
    waiter_ = Connect("app", "app");
    signaller_ = Connect("app", "app");
  }
  void TearDown() override {
    waiter_.reset();
    signaller_.reset();
    PlsqlFixture::TearDown();
  }
  static Outcome WaitOne(Connection& connection, const std::string& name,
                         const std::string& timeout) {
    std::vector<BlockBind> binds{OutBind("message"), OutBind("status")};
    connection.Run(
        "begin dbms_alert.waitone('" + name + "', :message, :status, " + timeout + "); end;",
        binds);
    return {Text(binds[1].values.at(0)), name,
            binds[0].values.empty() ? "<null>" : Text(binds[0].values[0])};
  }
  static Outcome WaitAny(Connection& connection, const std::string& timeout) {
    std::vector<BlockBind> binds{OutBind("name"), OutBind("message"), OutBind("status")};
    connection.Run("begin sys.dbms_alert.waitany(:name, :message, :status" + timeout + "); end;",
                   binds);
    return {Text(binds[2].values.at(0)),
            binds[0].values.empty() ? "<null>" : Text(binds[0].values[0]),
            binds[1].values.empty() ? "<null>" : Text(binds[1].values[0])};
  }
  static void Signal(Connection& connection, const std::string& name, const std::string& message) {
    connection.Run("begin dbms_alert.signal('" + name + "', '" + message + "'); end;");
  }
  std::unique_ptr<Connection> waiter_;
  std::unique_ptr<Connection> signaller_;
};

TEST_F(AlertTest, SignalTakesEffectAtCommitAndVanishesAtRollback) {
  waiter_->Run("begin dbms_alert.register('Channel'); end;");
  Signal(*signaller_, "CHANNEL", "before commit");
  EXPECT_EQ(WaitOne(*waiter_, "channel", "0"), (Outcome{"1", "channel", "<null>"}));
  signaller_->Commit();
  EXPECT_EQ(WaitOne(*waiter_, "channel", "0"), (Outcome{"0", "channel", "before commit"}));
  EXPECT_EQ(WaitOne(*waiter_, "channel", "0").status, "1") << "delivered once";

  Signal(*signaller_, "channel", "rolled back");
  signaller_->Rollback();
  EXPECT_EQ(WaitOne(*waiter_, "channel", "0").status, "1");

  // A COMMIT inside a block delivers as well.
  signaller_->Run("begin dbms_alert.signal('channel', 'in block'); commit; end;");
  EXPECT_EQ(WaitOne(*waiter_, "channel", "0").message, "in block");
}

TEST_F(AlertTest, LatestMessageWinsAndNamesComeBackInUpperCase) {
  waiter_->Run("begin dbms_alert.register('first'); dbms_alert.register('second'); end;");
  Signal(*signaller_, "second", "old");
  signaller_->Commit();
  Signal(*signaller_, "second", "new");
  signaller_->Commit();
  EXPECT_EQ(WaitAny(*waiter_, ", 0"), (Outcome{"0", "SECOND", "new"}));
  EXPECT_EQ(WaitAny(*waiter_, ", 0").status, "1");
}

TEST_F(AlertTest, WaitsWithoutRegistration) {
  auto error = waiter_->ErrorOf(
      "declare n varchar2(30); m varchar2(100); s integer; begin dbms_alert.waitany(n, m, s, 0); "
      "end;");
  EXPECT_EQ(error.Code(), 20000);
  EXPECT_EQ(
      std::string(error.what()).rfind("ORA-20000: ORU-10024: there are no alerts registered", 0),
      0u)
      << error.what();
  // WAITONE on a name not registered just times out.
  EXPECT_EQ(WaitOne(*waiter_, "unregistered", "0").status, "1");
  // A signal committed before anyone registered is not delivered later.
  Signal(*signaller_, "late", "lost");
  signaller_->Commit();
  waiter_->Run("begin dbms_alert.register('late'); end;");
  EXPECT_EQ(WaitOne(*waiter_, "late", "0").status, "1");
}

TEST_F(AlertTest, TwoWaitersBothWake) {
  auto second = Connect("app", "app");
  waiter_->Run("begin dbms_alert.register('both'); end;");
  second->Run("begin dbms_alert.register('both'); end;");
  auto first = std::async(std::launch::async,
                          [&] { return WaitOne(*waiter_, "both", "dbms_alert.maxwait"); });
  auto other = std::async(std::launch::async, [&] { return WaitAny(*second, ""); });
  Engine().Room().AwaitWaiters(2);
  Signal(*signaller_, "both", "wake up");
  signaller_->Commit();
  EXPECT_EQ(first.get(), (Outcome{"0", "both", "wake up"}));
  EXPECT_EQ(other.get(), (Outcome{"0", "BOTH", "wake up"}));
}

TEST_F(AlertTest, KillEndsAWait) {
  waiter_->Run("begin dbms_alert.register('never'); end;");
  auto waiting = std::async(std::launch::async, [&] {
    try {
      WaitAny(*waiter_, "");
    } catch (const sql::SqlError& error) {
      return error.Code();
    }
    return 0;
  });
  Engine().Room().AwaitWaiters(1);
  // As the server's ALTER SYSTEM KILL SESSION does through its session directory.
  sql::SessionRow row = waiter_->Sql().Describe();
  Directory().KillSession(row.sid, row.serial);
  EXPECT_EQ(waiting.get(), 28);
}

TEST_F(AlertTest, EndedSessionLosesItsRegistrations) {
  waiter_->Run("begin dbms_alert.register('gone'); dbms_alert.register('gone too'); end;");
  auto key = waiter_->Procedural().Key();
  EXPECT_EQ(Engine().Alerts().RegistrationCount(key), 2u);
  waiter_->Run("begin dbms_alert.remove('gone too'); end;");
  EXPECT_EQ(Engine().Alerts().RegistrationCount(key), 1u);
  waiter_.reset();
  EXPECT_EQ(Engine().Alerts().RegistrationCount(key), 0u);
}

TEST_F(AlertTest, RegisterCommitsTheSessionsOwnWork) {
  signaller_->Run("CREATE TABLE marks (n NUMBER)");
  signaller_->Run("begin insert into marks values (1); dbms_alert.register('x'); end;");
  signaller_->Rollback();
  EXPECT_EQ(signaller_->Query("SELECT n FROM marks").size(), 1u);
}

}  // namespace
}  // namespace devdb::plsql::testing
