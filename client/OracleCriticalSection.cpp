// The re-entrant lock with its entry count. The owner is recorded so that a Leave from a
// thread that does not hold the lock cannot release another thread's entry.
#include "client/OracleCriticalSection.h"

namespace vek {

void TOracleCriticalSection::Enter() {
  mutex_.lock();
  owner_.store(std::this_thread::get_id());
  count_.fetch_add(1);
}

bool TOracleCriticalSection::TryEnter() {
  if (!mutex_.try_lock()) return false;
  owner_.store(std::this_thread::get_id());
  count_.fetch_add(1);
  return true;
}

void TOracleCriticalSection::Leave() {
  if (!HeldByCurrentThread() || count_.load() == 0) return;
  if (count_.fetch_sub(1) == 1) owner_.store(std::thread::id());
  mutex_.unlock();
}

}  // namespace vek
