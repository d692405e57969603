// Recovery of the debug channel after a lost connection: noticing it, probing for the server
// off the owner's thread, logging on and arming again.
#include "monitor/ChannelRecovery.h"

#include <mutex>
#include <thread>

#include "access/OracleError.h"
#include "access/OracleEvent.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "monitor/DebugChannel.h"
#include "monitor/MonitorTexts.h"

namespace vek::monitor {
namespace {

constexpr std::int32_t kLostConnectionCodes[] = {
    28,     // your session has been killed
    1012,   // not logged on
    1033,   // initialization or shutdown in progress
    1034,   // not available
    1089,   // immediate shutdown in progress
    1092,   // instance terminated, disconnection forced
    2396,   // exceeded maximum idle time
    3106,   // fatal two-task communication protocol error
    3113,   // end-of-file on communication channel
    3114,   // not connected
    3135,   // connection lost contact
    12152,  // unable to send break message
    12170,  // connect timeout occurred
    12514,  // listener does not know of the service
    12528,  // all appropriate instances are blocking new connections
    12537,  // connection closed
    12541,  // no listener
    12543,  // destination host unreachable
    12547,  // lost contact
    12560,  // protocol adapter error
    12571,  // packet writer failure
};

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::atomic<int> TChannelRecovery::probesRunning_{0};

bool IsConnectionLost(std::int32_t errorCode) {
  for (const std::int32_t code : kLostConnectionCodes) {
    if (code == errorCode) return true;
  }
  return false;
}

std::int32_t OracleErrorCodeOf(const std::exception& error) {
  if (const auto* oracleError = dynamic_cast<const EOracleError*>(&error)) {
    return oracleError->ErrorCode();
  }
  return 0;
}

// A logon made on a thread of its own with the main session's values. It may wait on the
// network for as long as the client library lets it; the owner never waits for it, and it
// outlives the owner when it must.
struct TChannelRecovery::Probe {
  std::mutex mutex;
  bool finished = false;
  bool answered = false;
  std::function<void(std::chrono::milliseconds)> schedule;  // emptied when the owner goes
};

TChannelRecovery::TChannelRecovery(TOracleSession& session, TOracleEvent& pipeEvent,
                                   TOracleEvent& alertEvent, TDebugChannel& channel, Hooks hooks)
    : session_(session),
      pipeEvent_(pipeEvent),
      alertEvent_(alertEvent),
      channel_(channel),
      hooks_(std::move(hooks)) {}

TChannelRecovery::~TChannelRecovery() {
  if (!probe_) return;
  std::lock_guard<std::mutex> lock(probe_->mutex);
  probe_->schedule = nullptr;
}

std::chrono::milliseconds TChannelRecovery::PauseBefore(int attempt) {
  constexpr std::chrono::milliseconds pauses[] = {std::chrono::seconds(1), std::chrono::seconds(2),
                                                  std::chrono::seconds(4), std::chrono::seconds(8)};
  if (attempt < 0) attempt = 0;
  if (attempt < static_cast<int>(std::size(pauses))) return pauses[attempt];
  return std::chrono::seconds(15);
}

void TChannelRecovery::ListenerError(const std::exception& error) {
  if (IsConnectionLost(OracleErrorCodeOf(error))) Begin(error);
}

void TChannelRecovery::ArmingFailed(const std::exception& error) {
  if (IsConnectionLost(OracleErrorCodeOf(error))) Begin(error);
}

void TChannelRecovery::Armed() {
  if (!recovering_) return;
  recovering_ = false;
  attempt_ = 0;
  hooks_.notice(texts::kListeningAgain);
}

void TChannelRecovery::Begin(const std::exception& error) {
  if (recovering_) return;  // one notice per outage, however many listeners report it
  recovering_ = true;
  attempt_ = 0;
  hooks_.notice(std::string(texts::kListeningStopped) + Trimmed(error.what()));
  ScheduleNext();
}

void TChannelRecovery::ScheduleNext() { hooks_.schedule(PauseBefore(attempt_++)); }

void TChannelRecovery::Attempt() {
  if (!recovering_) return;
  if (probe_) {
    bool finished = false;
    bool answered = false;
    {
      std::lock_guard<std::mutex> lock(probe_->mutex);
      finished = probe_->finished;
      answered = probe_->answered;
    }
    if (!finished) return;  // its end schedules the next step
    probe_.reset();
    if (answered) {
      Rearm();
    } else {
      ScheduleNext();
    }
    return;
  }
  StartProbe();
}

void TChannelRecovery::StartProbe() {
  probe_ = std::make_shared<Probe>();
  probe_->schedule = hooks_.schedule;
  struct LogonValues {
    std::string username, password, database;
    TConnectAsOption connectAs;
    bool useOCI7;
  } values{session_.LogonUsername(), session_.LogonPassword(), session_.LogonDatabase(),
           session_.ConnectAs, session_.Preferences().UseOCI7()};
  ++probesRunning_;
  std::thread([probe = probe_, values] {
    bool answered = false;
    try {
      TOracleSession session;
      session.Cursor = crDefault;
      session.SetLogonUsername(values.username);
      session.SetLogonPassword(values.password);
      session.SetLogonDatabase(values.database);
      session.ConnectAs = values.connectAs;
      session.Preferences().SetUseOCI7(values.useOCI7);
      session.LogOn();
      answered = true;
      session.LogOff();
    } catch (const std::exception&) {
      // Not yet: the server does not answer, or refuses the logon for now.
    }
    std::lock_guard<std::mutex> lock(probe->mutex);
    probe->finished = true;
    probe->answered = answered;
    if (probe->schedule) probe->schedule(std::chrono::milliseconds(0));
    --probesRunning_;
  }).detach();
}

// The server answers again: the main session logs on anew when it was lost, every listener
// gives up its dead session, and the channel is armed for the schema now in the box.
void TChannelRecovery::Rearm() {
  try {
    LogOnAgainWhenLost();
    ResetListener(pipeEvent_);
    ResetListener(alertEvent_);
    channel_.Arm();
  } catch (const std::exception&) {
    ScheduleNext();
    return;
  }
  Armed();
}

void TChannelRecovery::LogOnAgainWhenLost() {
  if (session_.Connected()) {
    try {
      TOracleQuery probe;
      probe.SetSession(&session_);
      probe.SQL = {"begin null; end;"};
      probe.Execute();
      return;
    } catch (const std::exception&) {
      // Lost as well: log on again below.
    }
  }
  try {
    session_.LogOff();
  } catch (const std::exception&) {
    // The server cannot be told; the connection is over all the same.
  }
  session_.LogOn();
}

void TChannelRecovery::ResetListener(TOracleEvent& event) {
  try {
    event.Stop();
  } catch (const std::exception&) {
    // A listener whose stop session cannot reach the server is started anew all the same.
  }
  TOracleSession* duplicate = event.DuplicateSession();
  if (duplicate && duplicate->Connected()) {
    try {
      duplicate->LogOff();
    } catch (const std::exception&) {
    }
  }
}

}  // namespace vek::monitor
