// The monitor's side of the debug channel: the names derived from a schema, and arming, the
// steps that make one schema's debug output flow to this program (marking the main session,
// restarting the pipe and alert listeners on the channel, signalling "ENABLE"). The window
// and the command-line watcher arm through this one class; it needs no window system.
#pragma once

#include <functional>
#include <string>

#include "platform/Variant.h"

namespace vek {
class TOracleEvent;
class TOracleQuery;
class TOracleSession;
}  // namespace vek

namespace vek::monitor {

// The schema name S of a schema text: upper-cased, where only the letters a to z change.
std::string SchemaName(const std::string& schemaText);
// "VEK_DEBUG#" + S: the name of the debug pipe and of the debug alert.
std::string ChannelName(const std::string& schema);
// "VEKDEBUGSESSION#" + S: the client information that tells senders a monitor listens.
std::string SessionMarker(const std::string& schema);
// The block that signals "ENABLE" on the channel. The schema is pasted into a string literal
// with its quotes doubled, so whatever the box holds stays the literal it was meant to be.
std::string SignalEnableBlock(const std::string& schema);
// True for an alert message that is exactly "STARTED": a sender session has begun.
bool IsStartedAlert(const Variant& info);

// The settings a monitor gives its components: the main session (disconnected, empty logon
// values), the statement on it, and a listener on it that hands every event to the main
// thread and lets its own sessions go at every stop.
void ApplyMonitorSessionSettings(TOracleSession& session);
void ApplyMonitorQuerySettings(TOracleQuery& query, TOracleSession& session);
void ApplyMonitorListenerSettings(TOracleEvent& event, TOracleSession& session, bool alerts);

class TDebugChannel {
 public:
  // schemaText gives the schema text as it stands now; it is read afresh at every step, as
  // the user may type while the channel is armed.
  TDebugChannel(TOracleSession& session, TOracleQuery& query, TOracleEvent& pipeEvent,
                TOracleEvent& alertEvent, std::function<std::string()> schemaText);

  // Marks the session, restarts the pipe listener, then the alert listener, on the channel
  // name, and signals "ENABLE" and commits. An error ends it at the failing step; the steps
  // before stay done.
  void Arm();
  // Signals "ENABLE" for the schema now in the box and commits.
  void SignalEnable();
  // The answer to an alert: for "STARTED", signals "ENABLE" and returns true; anything else
  // (the monitor's own "ENABLE" among them) is left alone.
  bool AnswerAlert(const Variant& info);

  std::string CurrentSchema() const { return SchemaName(schemaText_()); }

 private:
  static void Restart(TOracleEvent& event, const std::string& channelName);

  TOracleSession& session_;
  TOracleQuery& query_;
  TOracleEvent& pipeEvent_;
  TOracleEvent& alertEvent_;
  std::function<std::string()> schemaText_;
};

}  // namespace vek::monitor
