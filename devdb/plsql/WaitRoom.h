// The one lock and condition variable under which every blocking built-in (pipe sends and
// receives, alert waits, DBMS_LOCK.SLEEP) waits. Sharing them lets an interrupt of a session
// wake its wait wherever it is, with no polling and no lost wake-up.
#pragma once

#include <condition_variable>
#include <mutex>

namespace devdb::plsql {

class WaitRoom {
 public:
  std::mutex& Mutex() { return mutex_; }
  std::condition_variable& Changed() { return changed_; }
  // Wakes every waiter to look at the state again; call with or without the lock held.
  void WakeAll() { changed_.notify_all(); }

  // Counts the sessions blocked in a wait, so that a caller (a test, a monitoring view) can
  // wait until a given number of them are waiting. Both take the lock themselves.
  void AwaitWaiters(int count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return waiters_ >= count; });
  }
  int Waiters() {
    std::lock_guard lock(mutex_);
    return waiters_;
  }

  // Marks one wait for its lifetime; made with the lock held.
  class Waiting {
   public:
    explicit Waiting(WaitRoom& room) : room_(room) {
      ++room_.waiters_;
      room_.changed_.notify_all();
    }
    ~Waiting() {
      --room_.waiters_;
      room_.changed_.notify_all();
    }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

   private:
    WaitRoom& room_;
  };

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int waiters_ = 0;  // guarded by mutex_
};

}  // namespace devdb::plsql
