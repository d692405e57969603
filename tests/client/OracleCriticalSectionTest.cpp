// The re-entrant lock with its entry count.
#include <gtest/gtest.h>

#include <thread>

#include "client/ClientLibrary.h"
#include "client/OracleCriticalSection.h"

namespace vek {
namespace {

bool TryEnterFromAnotherThread(TOracleCriticalSection& lock) {
  bool entered = false;
  std::thread other([&] {
    entered = lock.TryEnter();
    if (entered) lock.Leave();
  });
  other.join();
  return entered;
}

TEST(OracleCriticalSection, HoldingThreadMayEnterAgainAndCountsItsEntries) {
  TOracleCriticalSection lock;
  lock.Enter();
  lock.Enter();
  EXPECT_EQ(lock.EntryCount(), 2);
  EXPECT_FALSE(TryEnterFromAnotherThread(lock));
  lock.Leave();
  EXPECT_EQ(lock.EntryCount(), 1);
  EXPECT_FALSE(TryEnterFromAnotherThread(lock)) << "one entry still held";
  lock.Leave();
  EXPECT_EQ(lock.EntryCount(), 0);
  EXPECT_TRUE(TryEnterFromAnotherThread(lock));
}

TEST(OracleCriticalSection, LeaveWithoutEnterDoesNothing) {
  TOracleCriticalSection lock;
  lock.Leave();
  EXPECT_EQ(lock.EntryCount(), 0);
  lock.Enter();
  lock.Leave();
  lock.Leave();
  EXPECT_EQ(lock.EntryCount(), 0);
  EXPECT_TRUE(TryEnterFromAnotherThread(lock));
}

TEST(OracleCriticalSection, LeaveFromAThreadThatDoesNotHoldItDoesNothing) {
  TOracleCriticalSection lock;
  lock.Enter();
  std::thread other([&] { lock.Leave(); });
  other.join();
  EXPECT_EQ(lock.EntryCount(), 1);
  EXPECT_TRUE(lock.HeldByCurrentThread());
  lock.Leave();
}

TEST(OracleCriticalSection, ClientLockWorksWithStandardGuards) {
  {
    std::lock_guard guard(ClientLock());
    EXPECT_TRUE(ClientLock().HeldByCurrentThread());
    EXPECT_FALSE(TryEnterFromAnotherThread(ClientLock()));
  }
  EXPECT_EQ(ClientLock().EntryCount(), 0);
}

}  // namespace
}  // namespace vek
