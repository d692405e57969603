// TQueryThread: the background thread of a statement whose Threaded is on. Created waiting;
// each Resume runs one foreground execution, then hands every row to OnThreadRecord and
// fetches the next until Eof or termination, reporting through the statement's thread
// events, on the main thread when ThreadSynchronized is on. Then it waits for the next run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vek {

class TOracleQuery;

class TQueryThread {
 public:
  explicit TQueryThread(TOracleQuery& query);
  // Terminates the thread and waits for it, serving main-thread calls meanwhile when called
  // on the main thread, so that a synchronised event in flight cannot deadlock.
  ~TQueryThread();
  TQueryThread(const TQueryThread&) = delete;
  TQueryThread& operator=(const TQueryThread&) = delete;

  // Starts one run.
  void Resume();
  // True from Resume until the run has delivered its last event.
  bool Working() const { return working_.load(); }
  bool Terminated() const { return terminated_.load(); }

 private:
  void Main();
  void RunOnce();
  void Deliver(const std::function<void()>& event);

  TOracleQuery& query_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool runRequested_ = false;
  std::atomic<bool> working_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace vek
