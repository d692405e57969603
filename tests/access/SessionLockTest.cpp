// The lock of a thread-safe session after its calls fail: every failure of a parse, an
// execution, a fetch or a bind leaves the lock free, so that another thread can use the
// session next, and the session itself goes on working. The version-7 modes take the lock;
// the version-8 ones run the same cases without it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "access/OracleError.h"
#include "access/VariableTypes.h"
#include "tests/access/AccessFixture.h"
#include "tests/support/WithoutHanging.h"

namespace vek::testing {
namespace {

class SessionLockTest : public AccessTest {};

struct FailingCall {
  const char* description;
  std::function<void(TOracleQuery&)> call;
};

TEST_P(SessionLockTest, AFailedCallLeavesTheLockToOtherThreads) {
  TOracleSession& session = NewSession();
  session.SetThreadSafe(true);
  session.LogOn();
  Run(session, "create table numbers (n number)");
  for (int n = 1; n <= 3; ++n)
    Run(session, "insert into numbers values (" + std::to_string(n) + ")");

  const std::vector<FailingCall> cases = {
      {"a select of a table that does not exist",
       [](TOracleQuery& query) {
         query.SQL = {"select * from no_such_table"};
         query.Execute();
       }},
      {"an insert into a table that does not exist",
       [](TOracleQuery& query) {
         query.SQL = {"insert into no_such_table values (1)"};
         query.Execute();
       }},
      {"a fetch that fails on a later row",
       [](TOracleQuery& query) {
         query.SetReadBuffer(1);
         query.SQL = {"select 1 / (n - 2) from numbers order by n"};
         query.Execute();
         while (!query.Eof()) query.Next();
       }},
      {"a bind that the layer refuses",
       [](TOracleQuery& query) {
         query.SQL = {"begin :lob := null; end;"};
         query.DeclareVariable("lob", otCLOB);
         query.Execute();
       }},
  };
  for (const FailingCall& c : cases) {
    TOracleQuery query;
    query.SetSession(&session);
    EXPECT_THROW(c.call(query), Exception) << c.description;
    const std::string fromAnotherThread =
        WithoutHanging([&] { return One(session, "select count(*) from numbers"); });
    EXPECT_EQ(fromAnotherThread, "3") << "after " << c.description;
    EXPECT_EQ(One(session, "select count(*) from numbers"), "3") << "after " << c.description;
  }
  session.Commit();
  session.LogOff();
}

INSTANTIATE_TEST_SUITE_P(Modes, SessionLockTest, VEK_ALL_CLIENT_MODES);

}  // namespace
}  // namespace vek::testing
