// Watches the connections of sessions with a call running for a client that has hung up,
// and interrupts such a call: otherwise a long statement, or a wait on a pipe or an alert,
// would keep a vanished client's session, its thread and its locks alive until it ended.
#pragma once

#include <atomic>
#include <thread>

#include "devdb/server/SessionRegistry.h"
#include "devdb/server/WakeSignal.h"

namespace devdb::server {

class HangupWatcher {
 public:
  explicit HangupWatcher(SessionRegistry& registry);
  ~HangupWatcher();  // stops and joins the watching thread
  HangupWatcher(const HangupWatcher&) = delete;
  HangupWatcher& operator=(const HangupWatcher&) = delete;

 private:
  void Run();

  SessionRegistry& registry_;
  WakeSignal stop_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace devdb::server
