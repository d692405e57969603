// The one lock under which every blocking built-in (pipe sends and receives, alert waits,
// DBMS_LOCK.SLEEP) waits, and a wake-up for each waiter. Sharing the lock lets an interrupt of
// a session wake its wait wherever it is, with no polling and no lost wake-up; each waiter
// having its own wake-up lets a message on one pipe wake only those waiting on that pipe.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace devdb::plsql {

class WaitRoom {
 public:
  std::mutex& Mutex() { return mutex_; }

  // Wakes every waiter to look at the state again. Takes the lock: call without it.
  void WakeAll() {
    std::lock_guard lock(mutex_);
    WakeAllLocked();
  }
  // The same, with the lock held.
  void WakeAllLocked() {
    for (Waiting* waiting : waiting_) waiting->changed_.notify_one();
  }
  // With the lock held: wakes the waiters of one subject (a pipe's key). A message on one pipe
  // is nothing to sessions waiting on another pipe, for an alert or for a sleep to end.
  void Wake(const std::string& subject) {
    for (Waiting* waiting : waiting_) {
      if (waiting->subject_ == subject) waiting->changed_.notify_one();
    }
  }

  // Counts the sessions blocked in a wait, so that a caller (a test, a monitoring view) can
  // wait until a given number of them are waiting. Both take the lock themselves.
  void AwaitWaiters(int count) {
    std::unique_lock lock(mutex_);
    waitersChanged_.wait(lock, [&] { return static_cast<int>(waiting_.size()) >= count; });
  }
  int Waiters() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(waiting_.size());
  }

  // One wait, for its lifetime; made with the lock held. A waiter with a subject is woken by
  // Wake of that subject and by WakeAll; one without, by WakeAll only.
  class Waiting {
   public:
    explicit Waiting(WaitRoom& room, std::string subject = {})
        : room_(room), subject_(std::move(subject)) {
      room_.waiting_.push_back(this);
      room_.waitersChanged_.notify_all();
    }
    ~Waiting() {
      auto& all = room_.waiting_;
      all.erase(std::find(all.begin(), all.end(), this));
      room_.waitersChanged_.notify_all();
    }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

    // lock holds the room's lock; as condition_variable::wait_until.
    template <typename TimePoint>
    std::cv_status WaitUntil(std::unique_lock<std::mutex>& lock, const TimePoint& deadline) {
      return changed_.wait_until(lock, deadline);
    }

   private:
    friend class WaitRoom;
    WaitRoom& room_;
    std::string subject_;
    std::condition_variable changed_;
  };

 private:
  std::mutex mutex_;
  std::condition_variable waitersChanged_;
  std::vector<Waiting*> waiting_;  // guarded by mutex_
};

}  // namespace devdb::plsql
