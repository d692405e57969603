// Each session's own transaction: what it has not committed no other session sees, and it
// vanishes with a rollback, a logoff, a vanished client, a shutdown. Committed data outlives
// a restart of the server on the same data folder.
#include <gtest/gtest.h>

#include <csignal>
#include <future>

#include "DevdbServerTest.h"
#include "devdb/protocol/FrameChannel.h"
#include "devdb/protocol/Messages.h"

namespace devdb::testing {
namespace {

using protocol::WireValue;

class TransactionTest : public DevdbServerTest {};

TEST_F(TransactionTest, UncommittedChangesAreInvisibleToOthersUntilCommit) {
  auto writer = System();
  auto reader = System();
  writer->Run("create table tx (n number)");
  writer->Run("insert into tx values (1)");
  EXPECT_EQ(writer->Scalar("select count(*) from tx"), "1") << "a session must see its own changes";
  EXPECT_EQ(reader->Scalar("select count(*) from tx"), "0")
      << "another session saw an uncommitted row";
  writer->connection.Commit();
  EXPECT_EQ(reader->Scalar("select count(*) from tx"), "1");
}

TEST_F(TransactionTest, RollbackUndoesTheTransaction) {
  auto writer = System();
  writer->Run("create table tx (n number)");
  writer->Run("insert into tx values (1)", {}, 1, 0, true);
  writer->Run("insert into tx values (2)");
  writer->Run("delete from tx where n = 1");
  writer->connection.Rollback();
  EXPECT_EQ(writer->Scalar("select sum(n) from tx"), "1");
}

TEST_F(TransactionTest, LogoffAndAVanishedClientRollBack) {
  auto system = System();
  system->Run("create table tx (n number)");
  {
    auto leaving = System();
    leaving->Run("insert into tx values (1)");
    leaving->connection.LogOff();
  }
  {
    // A client that closes its socket without logging off.
    protocol::FrameChannel raw(protocol::Socket::Connect("127.0.0.1", Port()));
    ASSERT_TRUE(raw.Write(protocol::ToFrame(protocol::HelloRequest{})));
    ASSERT_EQ(raw.Read().status, protocol::FrameChannel::ReadStatus::Frame);
    raw.Write(protocol::ToFrame(protocol::LogonRequest{"system", kSysPassword, {}, "", "", ""}));
    ASSERT_EQ(raw.Read().frame.type, protocol::MessageType::LogonReply);
    raw.Write(protocol::ToFrame(protocol::PrepareRequest{"insert into tx values (2)"}));
    auto prepared = protocol::FromFrame<protocol::PrepareReply>(raw.Read().frame);
    protocol::ExecuteRequest execute;
    execute.cursor = prepared.cursor;
    raw.Write(protocol::ToFrame(execute));
    ASSERT_EQ(raw.Read().frame.type, protocol::MessageType::ExecuteReply);
  }
  EXPECT_EQ(system->Scalar("select count(*) from tx"), "0");
  system->Run("insert into tx values (3)", {}, 1, 0, true);  // nothing holds a lock any more
  EXPECT_EQ(system->Scalar("select count(*) from tx"), "1");
}

TEST_F(TransactionTest, DataSurvivesARestartAndUncommittedWorkDoesNot) {
  StartWithDataFolder();
  {
    auto system = System();
    system->Run("create table kept (n number, t varchar2(10))");
    system->Run("insert into kept values (1, 'one')", {}, 1, 0, true);
    system->Run("create user carol identified by Secret1");
    system->Run("grant create session to carol");
    system->connection.Commit();
    auto pending = System();
    pending->Run("insert into kept values (2, 'two')");
    EXPECT_EQ(Server().Stop(SIGTERM), 0) << "devdb did not end cleanly with a session open";
  }
  Start({"--data", dataFolder_.string()});
  auto system = System();
  EXPECT_EQ(system->Scalar("select t from kept"), "one");
  EXPECT_NO_THROW(LogOnAs("carol", "Secret1")) << "a user created before the restart is gone";
  EXPECT_NO_THROW(LogOnAs("system", kSysPassword));
}

TEST_F(TransactionTest, ShutdownEndsARunningCallAndRollsItBack) {
  StartWithDataFolder();
  auto system = System();
  system->Run("create table big (n number)");
  protocol::WireBind values{"n", false, 22, {}};
  for (int i = 0; i < 1000; ++i) values.values.push_back(WireValue::Number(std::to_string(i)));
  system->Run("insert into big values (:n)", {values}, 1000, 0, true);
  auto busy = System();
  busy->Run("insert into big values (-1)");
  auto call = std::async(std::launch::async, [&busy] {
    return ErrorOf([&busy] { busy->Query("select count(*) from big a, big b, big c"); });
  });
  std::string sid = std::to_string(busy->connection.Logon().sid);
  ASSERT_TRUE(WaitUntil([&] {
    return system->Scalar("select status from v$session where sid = " + sid) == "ACTIVE";
  })) << "the long query never showed as ACTIVE";
  EXPECT_EQ(Server().Stop(SIGTERM), 0);
  auto error = call.get();
  ASSERT_TRUE(error) << "the running call reported success although the server stopped";
  EXPECT_TRUE(error->Code() == 1089 || error->Code() == 3113) << error->what();
  if (error->Code() == 1089) {
    EXPECT_NE(std::string(error->what()).find("shutdown in progress"), std::string::npos)
        << "the shutdown says what it is: " << error->what();
  }

  Start({"--data", dataFolder_.string()});
  EXPECT_EQ(System()->Scalar("select count(*) from big"), "1000");
}

}  // namespace
}  // namespace devdb::testing
