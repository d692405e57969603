// vwatch's parts: the main loop that stands in for a window's event loop, and the watcher,
// which owns the database components as the monitor window does, arms the debug channel
// through the window's own TDebugChannel, recovers through TChannelRecovery, and prints each
// debug message as one line.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "access/OracleEvent.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "platform/UiHooks.h"
#include "platform/Variant.h"

namespace vek::monitor {
class TChannelRecovery;
class TDebugChannel;
}  // namespace vek::monitor

namespace vek::vwatch {

// One debug message as the window shows it: each item as text followed by a tab. With iso,
// dates read YYYY-MM-DD HH:MM:SS instead of the locale's short date.
std::string MessageLine(const Variant& info, bool iso);

// The main thread's loop: it serves the calls that listener threads hand to the main thread
// and runs delayed calls, sleeping in between until it is woken.
class TMainLoop {
 public:
  using Clock = std::chrono::steady_clock;

  // Safe from any thread.
  void Wake();
  // Runs the call on the main thread once the delay has passed. Safe from any thread.
  void ScheduleAfter(std::chrono::milliseconds delay, std::function<void()> call);
  // Drops the delayed calls not yet run.
  void CancelScheduled();
  // Serves until stop() holds or the deadline passes; stop() is looked at after every call
  // served and at least every tenth of a second.
  void RunUntil(const std::function<bool()>& stop, std::optional<Clock::time_point> deadline);

 private:
  void RunDueCalls();

  std::mutex mutex_;
  std::condition_variable woken_;
  bool wakeRequested_ = false;
  std::vector<std::pair<Clock::time_point, std::function<void()>>> scheduled_;
};

// Plain hooks whose WakeMainThread wakes the loop, so a delivery is served at once.
class TLoopUiHooks : public PlainUiHooks {
 public:
  explicit TLoopUiHooks(TMainLoop& loop) : loop_(loop) {}
  void WakeMainThread() override { loop_.Wake(); }

 private:
  TMainLoop& loop_;
};

class TWatcher {
 public:
  struct Options {
    long count = 0;  // 0: no bound
    bool iso = false;
  };

  TWatcher(TMainLoop& loop, std::ostream& out, std::ostream& notices, Options options);
  ~TWatcher();
  TWatcher(const TWatcher&) = delete;
  TWatcher& operator=(const TWatcher&) = delete;

  TOracleSession& Session() { return *OracleSession; }
  monitor::TDebugChannel& Channel() { return *channel_; }

  // Arms the channel for the schema text (upper-cased as the window does) and says so in the
  // notices ("Listening for debug output of S"). A lost connection starts recovery and counts
  // as started; any other error is written to the notices and gives false.
  bool Start(const std::string& schemaText);
  // True once --count messages are printed or standard output cannot be written any more.
  bool Done() const;
  long Printed() const { return printed_; }
  // Stops both listeners and logs the main session off; errors are written to the notices.
  void Stop();

  std::unique_ptr<TOracleSession> OracleSession;
  std::unique_ptr<TOracleQuery> OracleQuery;
  std::unique_ptr<TOracleEvent> OraclePipeEvent;
  std::unique_ptr<TOracleEvent> OracleAlertEvent;

 private:
  void PipeEvent(const Variant& info);
  void AlertEvent(const Variant& info);
  void Notice(const std::string& line);

  TMainLoop& loop_;
  std::ostream& out_;
  std::ostream& notices_;
  Options options_;
  std::string schemaText_;
  long printed_ = 0;
  bool outputFailed_ = false;
  bool stopped_ = false;
  std::unique_ptr<monitor::TDebugChannel> channel_;
  std::unique_ptr<monitor::TChannelRecovery> recovery_;
};

}  // namespace vek::vwatch
