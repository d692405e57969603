// Looks after the sessions with a call running. It interrupts the call of a client that has
// hung up (otherwise a long statement, or a wait on a pipe or an alert, would keep a vanished
// client's session, its thread and its locks alive until it ended), and it repeats an
// interrupt (break, kill, shutdown) that reached the call before the engine had begun it.
#pragma once

#include <atomic>
#include <thread>

#include "devdb/server/SessionRegistry.h"
#include "devdb/server/WakeSignal.h"

namespace devdb::server {

class CallWatcher {
 public:
  explicit CallWatcher(SessionRegistry& registry);
  ~CallWatcher();  // stops and joins the watching thread
  CallWatcher(const CallWatcher&) = delete;
  CallWatcher& operator=(const CallWatcher&) = delete;

 private:
  void Run();

  SessionRegistry& registry_;
  WakeSignal stop_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace devdb::server
