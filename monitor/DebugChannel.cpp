// Arming the debug channel for a schema, and the channel's names.
#include "monitor/DebugChannel.h"

#include "access/DBMS_Application_Info.h"
#include "access/OracleEvent.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "platform/TextCase.h"
#include "platform/VariantText.h"

namespace vek::monitor {
namespace {

constexpr const char* kChannelPrefix = "VEK_DEBUG#";
constexpr const char* kSessionMarkerPrefix = "VEKDEBUGSESSION#";
constexpr const char* kStartedMessage = "STARTED";

std::string DoubledQuotes(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    result += c;
    if (c == '\'') result += '\'';
  }
  return result;
}

}  // namespace

std::string SchemaName(const std::string& schemaText) { return UpperCase(schemaText); }

std::string ChannelName(const std::string& schema) { return kChannelPrefix + schema; }

std::string SessionMarker(const std::string& schema) { return kSessionMarkerPrefix + schema; }

std::string SignalEnableBlock(const std::string& schema) {
  return "begin dbms_alert.signal('" + ChannelName(DoubledQuotes(schema)) + "', 'ENABLE');end;";
}

bool IsStartedAlert(const Variant& info) {
  if (!info.IsArray() || info.HighBound() < info.LowBound()) return false;
  return VariantToText(info.Element(info.LowBound())) == kStartedMessage;
}

void ApplyMonitorSessionSettings(TOracleSession& session) {
  session.Cursor = crHourGlass;
  session.ConnectAs = caNormal;
  session.RollbackOnDisconnect = false;
  session.NullValue = nvUnAssigned;
}

void ApplyMonitorQuerySettings(TOracleQuery& query, TOracleSession& session) {
  query.SetSession(&session);
  query.SetReadBuffer(25);
  query.Optimize = true;
  query.Debug = false;
  query.Cursor = crSQLWait;
  query.Threaded = false;
  query.SetStringFieldsOnly(false);
}

void ApplyMonitorListenerSettings(TOracleEvent& event, TOracleSession& session, bool alerts) {
  event.SetSession(&session);
  event.SetObjectType(alerts ? otAlert : otPipe);
  event.SetTimeOut(0);
  event.SetSynchronized(true);
  event.SetKeepConnection(false);
}

TDebugChannel::TDebugChannel(TOracleSession& session, TOracleQuery& query,
                             TOracleEvent& pipeEvent, TOracleEvent& alertEvent,
                             std::function<std::string()> schemaText)
    : session_(session),
      query_(query),
      pipeEvent_(pipeEvent),
      alertEvent_(alertEvent),
      schemaText_(std::move(schemaText)) {}

void TDebugChannel::Arm() {
  session_.DBMS_Application_Info().set_client_info(SessionMarker(CurrentSchema()));
  Restart(pipeEvent_, ChannelName(CurrentSchema()));
  Restart(alertEvent_, ChannelName(CurrentSchema()));
  SignalEnable();
}

void TDebugChannel::SignalEnable() {
  query_.SQL = {SignalEnableBlock(CurrentSchema())};
  query_.Execute();
  session_.Commit();
}

bool TDebugChannel::AnswerAlert(const Variant& info) {
  if (!IsStartedAlert(info)) return false;
  SignalEnable();
  return true;
}

void TDebugChannel::Restart(TOracleEvent& event, const std::string& channelName) {
  event.Stop();
  event.SetObjectNames(channelName);
  event.Start();
}

}  // namespace vek::monitor
