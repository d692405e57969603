// A session that writes while one of its queries is still open waits for another session's
// lock as Oracle waits on a row lock, instead of failing at once with ORA-00054; its open
// query goes on with the rows of the moment it was opened.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include "DevdbServerTest.h"

namespace devdb::testing {
namespace {

using protocol::WireValue;

class LockWaitTest : public DevdbServerTest {
 protected:
  void CreateTable(TestClient& client, int rows) {
    client.Run("create table t (id number primary key, n number)");
    protocol::WireBind ids;
    ids.name = "id";
    for (int i = 1; i <= rows; ++i) ids.values.push_back(WireValue::Number(std::to_string(i)));
    client.Run("insert into t values (:id, 0)", {ids}, static_cast<std::uint32_t>(rows), 0, true);
  }

  // Opens "select id from t order by id" with one row fetched and the rest still to come.
  std::uint32_t OpenQuery(TestClient& client) {
    const std::uint32_t cursor = client.connection.Prepare("select id from t order by id").cursor;
    protocol::ExecuteRequest execute;
    execute.cursor = cursor;
    execute.prefetchRows = 1;
    protocol::ExecuteReply reply = client.connection.Execute(execute);
    EXPECT_EQ(reply.rows.size(), 1u);
    EXPECT_FALSE(reply.endOfFetch);
    return cursor;
  }

  std::string StatusOf(TestClient& observer, std::uint32_t sid) {
    auto rows = observer.Query("select status from v$session where sid = :s",
                               {InBind("s", WireValue::Number(std::to_string(sid)))});
    return rows.size() == 1 ? Show(rows[0][0]) : "<no row>";
  }
};

TEST_F(LockWaitTest, AnUpdateBesideAnOpenQueryWaitsForTheOtherSessionsCommit) {
  auto holder = System();
  CreateTable(*holder, 3);
  holder->Run("update t set n = 1 where id = 1");  // holds the lock until it commits

  auto waiter = Connect();
  const std::uint32_t sid = waiter->LogOn("SYSTEM", kSysPassword).sid;
  const std::uint32_t cursor = OpenQuery(*waiter);
  auto update = std::async(std::launch::async, [&] {
    return ErrorOf([&] { waiter->Run("update t set n = 2 where id = 3"); });
  });
  auto observer = System();
  ASSERT_TRUE(WaitUntil([&] {
    return update.wait_for(std::chrono::seconds(0)) == std::future_status::ready ||
           StatusOf(*observer, sid) == "ACTIVE";
  }));
  holder->connection.Commit();
  auto error = update.get();
  EXPECT_FALSE(error) << "the update did not wait for the lock: " << error->what();

  // The open query still reads the rows of its moment, to the end.
  protocol::FetchReply rest = waiter->connection.Fetch(cursor, 10);
  ASSERT_EQ(rest.rows.size(), 2u);
  EXPECT_EQ(Show(rest.rows[0][0]), "2");
  EXPECT_EQ(Show(rest.rows[1][0]), "3");
  EXPECT_TRUE(rest.endOfFetch);
  waiter->connection.Commit();
  EXPECT_EQ(observer->Scalar("select sum(n) from t"), "3");
}

TEST_F(LockWaitTest, NowaitBesideAnOpenQueryStillFailsAtOnce) {
  auto holder = System();
  CreateTable(*holder, 3);
  holder->Run("update t set n = 1 where id = 1");
  auto waiter = System();
  OpenQuery(*waiter);
  auto error = ErrorOf([&] { waiter->Query("select n from t where id = 2 for update nowait"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 54);
}

TEST_F(LockWaitTest, ConcurrentClientsWithOpenQueriesAllGetTheirUpdatesThrough) {
  constexpr int kClients = 8, kUpdates = 15, kRows = 4;
  CreateTable(*System(), kRows);
  std::atomic<int> failures{0};
  std::string firstFailure;
  std::mutex failureMutex;
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      auto client = System();
      for (int u = 0; u < kUpdates; ++u) {
        auto error = ErrorOf([&] {
          const std::uint32_t cursor = OpenQuery(*client);
          client->Run("update t set n = n + 1 where id = " + std::to_string((c + u) % kRows + 1));
          client->connection.Commit();
          client->connection.CloseCursor(cursor);
        });
        if (error) {
          ++failures;
          std::lock_guard lock(failureMutex);
          if (firstFailure.empty()) firstFailure = error->what();
          client->connection.Rollback();
        }
      }
    });
  }
  for (auto& thread : clients) thread.join();
  EXPECT_EQ(failures.load(), 0) << "first failure: " << firstFailure;
  EXPECT_EQ(System()->Scalar("select sum(n) from t"), std::to_string(kClients * kUpdates));
}

}  // namespace
}  // namespace devdb::testing
