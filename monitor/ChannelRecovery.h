// Keeps the debug channel listening when the database goes away. A listener whose session is
// lost (killed, the network gone, the database restarted) reports it once; recovery then
// probes for the server on a thread of its own, so that the caller's thread never waits on
// the network, and once the server answers it logs the main session on again when that was
// lost too and arms the channel anew, with growing pauses between attempts. The window and the
// command-line watcher both use it; it needs no window system.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace vek {
class TOracleEvent;
class TOracleSession;
}  // namespace vek

namespace vek::monitor {

class TDebugChannel;

// True for the Oracle errors that mean a session's connection is gone.
bool IsConnectionLost(std::int32_t errorCode);
// The Oracle error number an exception carries; 0 for an exception of another kind.
std::int32_t OracleErrorCodeOf(const std::exception& error);

class TChannelRecovery {
 public:
  struct Hooks {
    // Adds one line for the user ("Listening stopped: ...", "Listening again").
    std::function<void(const std::string& line)> notice;
    // Calls Attempt on the owner's thread once the delay has passed. It may be called from
    // the probe's thread, so it must be safe to call from any thread.
    std::function<void(std::chrono::milliseconds delay)> schedule;
  };

  TChannelRecovery(TOracleSession& session, TOracleEvent& pipeEvent, TOracleEvent& alertEvent,
                   TDebugChannel& channel, Hooks hooks);
  ~TChannelRecovery();
  TChannelRecovery(const TChannelRecovery&) = delete;
  TChannelRecovery& operator=(const TChannelRecovery&) = delete;

  // A listener's error: a lost connection starts recovery; any other error changes nothing.
  void ListenerError(const std::exception& error);
  // Arming by the owner (a change of the schema box) succeeded: a running recovery is over.
  void Armed();
  // Arming by the owner failed: a lost connection starts recovery.
  void ArmingFailed(const std::exception& error);
  // One step of the recovery; the owner calls it when a scheduled delay has passed.
  void Attempt();

  bool Recovering() const { return recovering_; }
  // The pause before attempt n (from 0): about 1, 2, 4, 8, then 15 seconds.
  static std::chrono::milliseconds PauseBefore(int attempt);
  // Probes still waiting on the network, across the process. A program that ends while one
  // runs ends at once rather than unload the client library under it.
  static int ProbesRunning() { return probesRunning_.load(); }

 private:
  struct Probe;

  void Begin(const std::exception& error);
  void StartProbe();
  void Rearm();
  void ScheduleNext();
  void LogOnAgainWhenLost();
  void ResetListener(TOracleEvent& event);

  TOracleSession& session_;
  TOracleEvent& pipeEvent_;
  TOracleEvent& alertEvent_;
  TDebugChannel& channel_;
  Hooks hooks_;
  bool recovering_ = false;
  int attempt_ = 0;
  std::shared_ptr<Probe> probe_;
  static std::atomic<int> probesRunning_;
};

}  // namespace vek::monitor
