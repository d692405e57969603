// Sessions as other sessions see them: the rows of V$SESSION, ALTER SYSTEM KILL SESSION on
// an idle and on a busy session, and a break that interrupts a running call.
#include <gtest/gtest.h>

#include <future>

#include "DevdbServerTest.h"

namespace devdb::testing {
namespace {

using protocol::WireValue;

class SessionTest : public DevdbServerTest {
 protected:
  std::string StatusOf(TestClient& observer, std::uint32_t sid) {
    auto rows = observer.Query("select status from v$session where sid = :s",
                               {InBind("s", WireValue::Number(std::to_string(sid)))});
    return rows.size() == 1 ? Show(rows[0][0]) : "<no row>";
  }

  // A table of 1000 rows; joined with itself three times it keeps a query busy long enough
  // to be interrupted.
  void CreateBigTable(TestClient& client) {
    client.Run("create table big (n number)");
    protocol::WireBind values;
    values.name = "n";
    for (int i = 0; i < 1000; ++i) values.values.push_back(WireValue::Number(std::to_string(i)));
    client.Run("insert into big values (:n)", {values}, 1000, 0, true);
  }
  static constexpr const char* kLongQuery = "select count(*) from big a, big b, big c";

  // Starts the long query on the client in a thread and returns once V$SESSION shows it
  // running. The query is prepared first, so that the running call is its execution: a break
  // that reached the prepare would end that call and leave the query to run.
  std::future<std::optional<client::ServerError>> StartLongCall(TestClient& busy,
                                                                TestClient& observer) {
    const std::uint32_t cursor = busy.connection.Prepare(kLongQuery).cursor;
    auto call = std::async(std::launch::async, [&busy, cursor] {
      return ErrorOf([&busy, cursor] {
        protocol::ExecuteRequest execute;
        execute.cursor = cursor;
        execute.prefetchRows = 1;
        busy.connection.Execute(execute);
      });
    });
    std::uint32_t sid = busy.connection.Logon().sid;
    EXPECT_TRUE(WaitUntil([&] { return StatusOf(observer, sid) == "ACTIVE"; }))
        << "the long query never showed as ACTIVE";
    return call;
  }
};

TEST_F(SessionTest, VSessionShowsEachSessionWithWhatItsClientReported) {
  auto system = System();
  CreateUser("bob", "Secret1");
  auto bob = Connect();
  protocol::LogonReply logon =
      bob->connection.LogOn({"bob", "Secret1", protocol::WireConnectMode::Normal, "bobs-os-user",
                             "bobs-machine", "bobs-program"});
  auto rows = system->Query(
      "select sid, serial#, audsid, username, status, osuser, machine, program, schemaname "
      "from v$session where sid = :s",
      {InBind("s", WireValue::Number(std::to_string(logon.sid)))});
  ASSERT_EQ(rows.size(), 1u);
  const auto& row = rows[0];
  ASSERT_EQ(row.size(), 9u);
  EXPECT_EQ(Show(row[0]), std::to_string(logon.sid));
  EXPECT_EQ(Show(row[1]), std::to_string(logon.serial));
  EXPECT_EQ(Show(row[2]), std::to_string(logon.audsid));
  EXPECT_EQ(Show(row[3]), "BOB");
  EXPECT_EQ(Show(row[4]), "INACTIVE") << "an idle session must show INACTIVE";
  EXPECT_EQ(Show(row[5]), "bobs-os-user");
  EXPECT_EQ(Show(row[6]), "bobs-machine");
  EXPECT_EQ(Show(row[7]), "bobs-program");
  EXPECT_EQ(Show(row[8]), "BOB");

  EXPECT_EQ(bob->Scalar("select userenv('SESSIONID') from dual"), std::to_string(logon.audsid))
      << "AUDSID must be what USERENV('SESSIONID') returns";
  auto logonTime = system->Query(
      "select count(*) from v$session where sid = :s and logon_time <= sysdate "
      "and logon_time > sysdate - 1",
      {InBind("s", WireValue::Number(std::to_string(logon.sid)))});
  ASSERT_EQ(logonTime.size(), 1u);
  EXPECT_EQ(Show(logonTime[0][0]), "1") << "LOGON_TIME is not the time of the logon";
}

TEST_F(SessionTest, TheQueryingSessionIsActiveAndEverySessionHasItsOwnSid) {
  auto first = System();
  auto second = System();
  EXPECT_NE(first->connection.Logon().sid, second->connection.Logon().sid);
  EXPECT_NE(first->connection.Logon().audsid, second->connection.Logon().audsid);
  EXPECT_EQ(StatusOf(*first, first->connection.Logon().sid), "ACTIVE");
  EXPECT_EQ(first->Scalar("select count(*) from v$session where username = 'SYSTEM'"), "2");
}

TEST_F(SessionTest, ALoggedOffSessionLeavesVSession) {
  auto system = System();
  auto other = System();
  std::uint32_t sid = other->connection.Logon().sid;
  other->connection.LogOff();
  EXPECT_EQ(StatusOf(*system, sid), "<no row>");
}

TEST_F(SessionTest, KillingAnIdleSessionRollsItBackAndFailsItsNextCalls) {
  auto system = System();
  system->Run("create table kept (n number)");
  auto victim = System();
  victim->Run("insert into kept values (1)");
  const auto& logon = victim->connection.Logon();

  system->Run("alter system kill session '" + std::to_string(logon.sid) + "," +
              std::to_string(logon.serial) + "'");
  EXPECT_EQ(StatusOf(*system, logon.sid), "KILLED");

  auto first = ErrorOf([&] { victim->Scalar("select 1 from dual"); });
  ASSERT_TRUE(first) << "the killed session's next call succeeded";
  EXPECT_EQ(first->Code(), 28);
  EXPECT_STREQ(first->what(), "ORA-00028: your session has been killed");
  auto second = ErrorOf([&] { victim->connection.Commit(); });
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Code(), 28) << "every later call of a killed session fails with ORA-00028";

  EXPECT_TRUE(WaitUntil([&] { return StatusOf(*system, logon.sid) == "<no row>"; }))
      << "the killed session stayed in V$SESSION after its connection closed";
  EXPECT_EQ(system->Scalar("select count(*) from kept"), "0");
  system->Run("insert into kept values (2)", {}, 1, 0, true);  // no lock left behind
  EXPECT_EQ(system->Scalar("select count(*) from kept"), "1");
}

TEST_F(SessionTest, KillingABusySessionEndsItsCall) {
  auto system = System();
  CreateBigTable(*system);
  auto victim = System();
  auto call = StartLongCall(*victim, *system);
  const auto& logon = victim->connection.Logon();
  system->Run("alter system kill session '" + std::to_string(logon.sid) + "," +
              std::to_string(logon.serial) + "'");
  auto error = call.get();
  ASSERT_TRUE(error) << "the killed call completed";
  EXPECT_EQ(error->Code(), 28) << error->what();
  EXPECT_EQ(ErrorOf([&] { victim->connection.Ping(); })->Code(), 28);
  EXPECT_TRUE(WaitUntil([&] { return StatusOf(*system, logon.sid) == "<no row>"; }));
}

struct KillRefusal {
  const char* description;
  int sidShift;     // added to the target's SID
  int serialShift;  // added to the target's SERIAL#
  bool self;
  int expectedError;
};

void PrintTo(const KillRefusal& c, std::ostream* out) { *out << c.description; }

class KillRefused : public SessionTest, public ::testing::WithParamInterface<KillRefusal> {};

TEST_P(KillRefused, WithOraclesError) {
  const KillRefusal& c = GetParam();
  auto system = System();
  auto other = System();
  const auto& target = c.self ? system->connection.Logon() : other->connection.Logon();
  auto error = ErrorOf([&] {
    system->Run("alter system kill session '" + std::to_string(target.sid + c.sidShift) + "," +
                std::to_string(target.serial + c.serialShift) + "'");
  });
  ASSERT_TRUE(error) << c.description << ": the kill was accepted";
  EXPECT_EQ(error->Code(), c.expectedError) << error->what();
  EXPECT_EQ(other->Scalar("select 1 from dual"), "1") << "a refused kill harmed the other session";
}

INSTANTIATE_TEST_SUITE_P(Cases, KillRefused,
                         ::testing::Values(KillRefusal{"own session", 0, 0, true, 27},
                                           KillRefusal{"unknown SID", 1000, 0, false, 30},
                                           KillRefusal{"stale SERIAL#", 0, 1, false, 30}));

TEST_F(SessionTest, BreakInterruptsTheRunningCallAndTheSessionCarriesOn) {
  auto system = System();
  CreateBigTable(*system);
  auto busy = System();
  auto call = StartLongCall(*busy, *system);
  busy->connection.Break();
  auto error = call.get();
  ASSERT_TRUE(error) << "the call ran to its end despite the break";
  EXPECT_EQ(error->Code(), 1013);
  EXPECT_STREQ(error->what(), "ORA-01013: user requested cancel of current operation");
  EXPECT_EQ(busy->Scalar("select 1 from dual"), "1") << "the session is unusable after a break";
}

TEST_F(SessionTest, BreakWithoutARunningCallChangesNothing) {
  auto client = System();
  client->connection.Break();
  EXPECT_EQ(client->Scalar("select 1 from dual"), "1");
}

}  // namespace
}  // namespace devdb::testing
