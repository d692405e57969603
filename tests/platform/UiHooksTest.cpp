// Calls handed to the main thread: they run there, their exceptions come back to the
// caller, and a main thread that waits for a worker still serves the worker's calls.
#include "platform/UiHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace vek {
namespace {

TEST(UiHooks, CallFromAWorkerRunsOnTheMainThreadWhileTheMainThreadWaits) {
  ASSERT_TRUE(IsMainThread());
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> workerDone{false};
  std::thread worker([&] {
    RunOnMainThread([&] { ranOnMain = IsMainThread(); });
    workerDone = true;
  });
  ServeMainThreadCallsUntil([&] { return workerDone.load(); });
  worker.join();
  EXPECT_TRUE(ranOnMain);
  EXPECT_FALSE(HasPendingMainThreadCalls());
}

TEST(UiHooks, ExceptionRaisedOnTheMainThreadReachesTheWorker) {
  std::atomic<bool> workerDone{false};
  std::string caught;
  std::thread worker([&] {
    try {
      RunOnMainThread([] { throw std::runtime_error("handler failed"); });
    } catch (const std::exception& error) {
      caught = error.what();
    }
    workerDone = true;
  });
  ServeMainThreadCallsUntil([&] { return workerDone.load(); });
  worker.join();
  EXPECT_EQ(caught, "handler failed");
}

TEST(UiHooks, CallOnTheMainThreadRunsAtOnce) {
  int calls = 0;
  RunOnMainThread([&] { ++calls; });
  EXPECT_EQ(calls, 1);
}

TEST(UiHooks, PlainHooksGiveBackThePreviousCursor) {
  auto previous = InstallUiHooks(std::make_unique<PlainUiHooks>());
  UiHooks& hooks = CurrentUiHooks();
  EXPECT_EQ(hooks.ShowCursor(crSQLWait), crDefault);
  EXPECT_EQ(hooks.ShowCursor(crHourGlass), crSQLWait);
  hooks.RestoreCursor(crDefault);
  EXPECT_EQ(static_cast<PlainUiHooks&>(hooks).CurrentCursor(), crDefault);
  InstallUiHooks(std::move(previous));
}

}  // namespace
}  // namespace vek
