// TOracleCriticalSection: the lock of the access layer. The thread that holds it may enter it
// again; it counts its entries, and a Leave without a matching Enter does nothing, so that an
// error path may leave a lock it is not sure it holds. It meets the standard's Lockable
// requirements, so std::lock_guard and std::unique_lock work with it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vek {

class TOracleCriticalSection {
 public:
  TOracleCriticalSection() = default;
  TOracleCriticalSection(const TOracleCriticalSection&) = delete;
  TOracleCriticalSection& operator=(const TOracleCriticalSection&) = delete;

  void Enter();
  // Leaves one entry of the calling thread; does nothing when the calling thread holds none.
  void Leave();
  bool TryEnter();
  // Entries held by the thread that holds the lock (0 when free).
  std::int32_t EntryCount() const { return count_.load(); }
  bool HeldByCurrentThread() const { return owner_.load() == std::this_thread::get_id(); }

  void lock() { Enter(); }
  void unlock() { Leave(); }
  bool try_lock() { return TryEnter(); }

 private:
  std::recursive_mutex mutex_;
  std::atomic<std::int32_t> count_{0};
  std::atomic<std::thread::id> owner_{};
};

}  // namespace vek
