// The watcher and its main loop.
#include "tools/vwatch/Watcher.h"

#include <algorithm>

#include "monitor/ChannelRecovery.h"
#include "monitor/DebugChannel.h"
#include "platform/VariantText.h"

namespace vek::vwatch {
namespace {

constexpr const char* kIsoDateTime = "yyyy-MM-dd HH:mm:ss";
constexpr const char* kDebugSessionStarted = "Debug session started";
constexpr const char* kListeningFor = "Listening for debug output of ";
constexpr auto kLongestSleep = std::chrono::milliseconds(100);

std::string ItemText(const Variant& item, bool iso) {
  if (iso && item.Kind() == VariantKind::vkDateTime) {
    return FormatDateTime(kIsoDateTime, item.AsDateTime());
  }
  return VariantToText(item);
}

}  // namespace

std::string MessageLine(const Variant& info, bool iso) {
  std::string line;
  if (info.IsArray()) {
    for (int index = info.LowBound(); index <= info.HighBound(); ++index) {
      line += ItemText(info.Element(index), iso);
      line += '\t';
    }
  }
  return line;
}

// ---- Main loop --------------------------------------------------------------------------

void TMainLoop::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeRequested_ = true;
  }
  woken_.notify_all();
}

void TMainLoop::ScheduleAfter(std::chrono::milliseconds delay, std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    scheduled_.emplace_back(Clock::now() + delay, std::move(call));
    wakeRequested_ = true;
  }
  woken_.notify_all();
}

void TMainLoop::CancelScheduled() {
  std::lock_guard<std::mutex> lock(mutex_);
  scheduled_.clear();
}

void TMainLoop::RunDueCalls() {
  std::vector<std::function<void()>> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = Clock::now();
    for (auto it = scheduled_.begin(); it != scheduled_.end();) {
      if (it->first <= now) {
        due.push_back(std::move(it->second));
        it = scheduled_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& call : due) call();
}

void TMainLoop::RunUntil(const std::function<bool()>& stop,
                         std::optional<Clock::time_point> deadline) {
  while (true) {
    ServeMainThreadCalls();
    RunDueCalls();
    if (stop()) return;
    const auto now = Clock::now();
    if (deadline && now >= *deadline) return;
    auto until = now + kLongestSleep;
    if (deadline) until = std::min(until, *deadline);
    std::unique_lock<std::mutex> lock(mutex_);
    for (const auto& entry : scheduled_) until = std::min(until, entry.first);
    woken_.wait_until(lock, until, [this] { return wakeRequested_; });
    wakeRequested_ = false;
  }
}

// ---- Watcher ----------------------------------------------------------------------------

// The components with the settings the monitor window gives them; the session starts
// disconnected with empty logon values.
TWatcher::TWatcher(TMainLoop& loop, std::ostream& out, std::ostream& notices, Options options)
    : loop_(loop), out_(out), notices_(notices), options_(options) {
  OracleSession = std::make_unique<TOracleSession>();
  OracleSession->SetName("OracleSession");
  monitor::ApplyMonitorSessionSettings(*OracleSession);

  OracleQuery = std::make_unique<TOracleQuery>();
  OracleQuery->SetName("OracleQuery");
  monitor::ApplyMonitorQuerySettings(*OracleQuery, *OracleSession);

  // Synchronized: every delivery, and so every answer to "STARTED", runs on the main thread.
  auto createListener = [this](const char* name, bool alerts) {
    auto event = std::make_unique<TOracleEvent>();
    event->SetName(name);
    monitor::ApplyMonitorListenerSettings(*event, *OracleSession, alerts);
    return event;
  };
  OraclePipeEvent = createListener("OraclePipeEvent", false);
  OraclePipeEvent->SetOnEvent(
      [this](TOracleEvent&, const std::string&, const Variant& info) { PipeEvent(info); });
  OracleAlertEvent = createListener("OracleAlertEvent", true);
  OracleAlertEvent->SetOnEvent(
      [this](TOracleEvent&, const std::string&, const Variant& info) { AlertEvent(info); });

  channel_ =
      std::make_unique<monitor::TDebugChannel>(*OracleSession, *OracleQuery, *OraclePipeEvent,
                                               *OracleAlertEvent, [this] { return schemaText_; });

  monitor::TChannelRecovery::Hooks hooks;
  hooks.notice = [this](const std::string& line) { Notice(line); };
  hooks.schedule = [this](std::chrono::milliseconds delay) {
    loop_.ScheduleAfter(delay, [this] {
      if (recovery_) recovery_->Attempt();
    });
  };
  recovery_ = std::make_unique<monitor::TChannelRecovery>(
      *OracleSession, *OraclePipeEvent, *OracleAlertEvent, *channel_, std::move(hooks));
  for (TOracleEvent* event : {OraclePipeEvent.get(), OracleAlertEvent.get()}) {
    event->SetOnError([this](TOracleEvent&, const std::exception& error) {
      if (recovery_) recovery_->ListenerError(error);
    });
  }
}

TWatcher::~TWatcher() { Stop(); }

bool TWatcher::Start(const std::string& schemaText) {
  schemaText_ = schemaText;
  try {
    channel_->Arm();
  } catch (const std::exception& error) {
    recovery_->ArmingFailed(error);
    if (recovery_->Recovering()) return true;
    Notice(error.what());
    return false;
  }
  recovery_->Armed();
  // Tells a script that started vwatch in the background that senders are heard from now on.
  Notice(kListeningFor + channel_->CurrentSchema());
  return true;
}

bool TWatcher::Done() const {
  return outputFailed_ || (options_.count > 0 && printed_ >= options_.count);
}

void TWatcher::PipeEvent(const Variant& info) {
  // A message that the listener had already taken when the bound was reached is not shown:
  // a script that asked for N lines gets N lines.
  if (Done()) return;
  out_ << MessageLine(info, options_.iso) << '\n' << std::flush;
  if (!out_) outputFailed_ = true;
  ++printed_;
}

void TWatcher::AlertEvent(const Variant& info) {
  if (!channel_->AnswerAlert(info)) return;
  Notice(kDebugSessionStarted);
}

void TWatcher::Notice(const std::string& line) { notices_ << line << '\n' << std::flush; }

// The listeners stop before anything their deliveries use is gone.
void TWatcher::Stop() {
  if (stopped_) return;
  stopped_ = true;
  for (TOracleEvent* event : {OraclePipeEvent.get(), OracleAlertEvent.get()}) {
    event->SetOnError(nullptr);
  }
  recovery_.reset();
  loop_.CancelScheduled();
  for (TOracleEvent* event : {OraclePipeEvent.get(), OracleAlertEvent.get()}) {
    try {
      event->Stop();
    } catch (const std::exception& error) {
      Notice(error.what());
    }
  }
  try {
    if (OracleSession->Connected()) OracleSession->LogOff();
  } catch (const std::exception& error) {
    Notice(error.what());
  }
}

}  // namespace vek::vwatch
