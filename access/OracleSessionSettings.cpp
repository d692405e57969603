// The session's settings that reach the server as "alter session" statements, the facts about
// the connection that it works out once (bytes per character, date format length, session
// id), and the password change. Kept apart from the logon code because all of it runs SQL on
// the session's own statements.
#include <algorithm>

#include "access/OracleError.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/ScopeGuards.h"
#include "client/ClientLibrary.h"

namespace vek {
namespace {

constexpr const char* kSQLTracePrefix = "alter session set sql_trace = ";
constexpr const char* kOptimizerGoalPrefix = "alter session set optimizer_goal = ";
constexpr const char* kIsolationLevelPrefix = "alter session set isolation_level = ";

constexpr const char* kBytesPerCharacterText = "select length(chr(2000000000)) from dual";
constexpr const char* kSessionIdText = "select to_char(userenv('SESSIONID')) from dual";
constexpr const char* kDateFormatLine =
    "select to_char(to_date('10-%d-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) from dual";
constexpr std::int32_t kDefaultDateFormatLength = 40;

const char* WordOf(TSQLTraceOption value) {
  switch (value) {
    case stTrue: return "true";
    case stFalse: return "false";
    case stUnchanged: break;
  }
  return nullptr;
}

const char* WordOf(TOptimizerGoalOption value) {
  switch (value) {
    case ogChoose: return "choose";
    case ogFirstRows: return "first_rows";
    case ogAllRows: return "all_rows";
    case ogRule: return "rule";
    case ogUnchanged: break;
  }
  return nullptr;
}

const char* WordOf(TIsolationLevelOption value) {
  switch (value) {
    case ilReadCommitted: return "read committed";
    case ilSerializable: return "serializable";
    case ilUnchanged: break;
  }
  return nullptr;
}

// Twelve selects, one per month, joined by "union all": the longest result is the longest
// text a date can take in the session's default format.
std::vector<std::string> DateFormatLengthLines() {
  std::vector<std::string> lines;
  const std::string line = kDateFormatLine;
  const std::size_t slot = line.find("%d");
  for (int month = 1; month <= 12; ++month) {
    if (month > 1) lines.push_back("union all");
    lines.push_back(line.substr(0, slot) + std::to_string(month) + line.substr(slot + 2));
  }
  return lines;
}

}  // namespace

template <class Option>
void TOracleSession::ApplySetting(Option& stored, Option value, const char* prefix,
                                  const char* word) {
  if (value == stored) return;
  if (connected_ && word) RunInternalStatement(std::string(prefix) + word, true);
  stored = value;
}

void TOracleSession::SetSQLTrace(TSQLTraceOption value) {
  ApplySetting(sqlTrace_, value, kSQLTracePrefix, WordOf(value));
}

void TOracleSession::SetOptimizerGoal(TOptimizerGoalOption value) {
  ApplySetting(optimizerGoal_, value, kOptimizerGoalPrefix, WordOf(value));
}

void TOracleSession::SetIsolationLevel(TIsolationLevelOption value) {
  ApplySetting(isolationLevel_, value, kIsolationLevelPrefix, WordOf(value));
}

void TOracleSession::ApplySettingsAtLogon() {
  // Each wanted value goes through its setter from "unchanged", so that its statement runs;
  // a failure keeps the wanted value for the next logon.
  auto reapply = [](auto& stored, auto unchanged, auto setter) {
    if (stored == unchanged) return;
    const auto wanted = stored;
    stored = unchanged;
    try {
      setter(wanted);
    } catch (...) {
      stored = wanted;
      throw;
    }
  };
  reapply(sqlTrace_, stUnchanged, [this](TSQLTraceOption v) { SetSQLTrace(v); });
  reapply(optimizerGoal_, ogUnchanged, [this](TOptimizerGoalOption v) { SetOptimizerGoal(v); });
  reapply(isolationLevel_, ilUnchanged, [this](TIsolationLevelOption v) { SetIsolationLevel(v); });
}

void TOracleSession::SetBytesPerCharacter(TBytesPerCharacterOption value) {
  if (value == bytesPerCharacter_) return;
  effectiveBytesPerCharacter_ = 0;
  bytesPerCharacter_ = value;
}

void TOracleSession::ForgetConnectionValues() {
  sessionId_.clear();
  dateFormatLength_ = -1;
  effectiveBytesPerCharacter_ = 0;
}

TOracleQuery& TOracleSession::InternalQuery() {
  if (!internalQuery_) {
    internalQuery_ = std::make_unique<TOracleQuery>();
    internalQuery_->SetName("Query");
    internalQuery_->SetSession(this);
  }
  return *internalQuery_;
}

void TOracleSession::RunInternalStatement(const std::string& text, bool withBusyCursor) {
  TOracleQuery& query = InternalQuery();
  query.Clear();
  query.SQL = {text};
  if (!withBusyCursor) {
    query.Execute();
    return;
  }
  BusyCursorScope busy(*this);
  query.Execute();
}

std::int32_t TOracleSession::EffectiveBytesPerCharacter() {
  if (effectiveBytesPerCharacter_ != 0) return effectiveBytesPerCharacter_;
  if (bytesPerCharacter_ == bcAutoDetect && connected_) {
    try {
      TOracleQuery query;
      query.SetName("BytesPerCharacterQuery");
      query.SetSession(this);
      query.SQL = {kBytesPerCharacterText};
      query.Execute();
      effectiveBytesPerCharacter_ = query.FieldAsInteger(0);
    } catch (...) {
      effectiveBytesPerCharacter_ = 1;
    }
  } else {
    effectiveBytesPerCharacter_ =
        bytesPerCharacter_ == bcAutoDetect ? 1 : static_cast<std::int32_t>(bytesPerCharacter_);
  }
  // A detection that answers nonsense counts as one byte per character.
  if (effectiveBytesPerCharacter_ <= 0) effectiveBytesPerCharacter_ = 1;
  return effectiveBytesPerCharacter_;
}

std::int32_t TOracleSession::MaxStringLength() {
  return (usesOCI8_ ? 4000 : 2000) / EffectiveBytesPerCharacter();
}

std::int32_t TOracleSession::DateFormatLength() {
  std::int32_t length = dateFormatLength_;
  if (length < 0 && connected_) {
    TOracleQuery query;
    query.SetName("DateFormatLengthQuery");
    query.SetSession(this);
    query.SQL = DateFormatLengthLines();
    try {
      query.Execute();
      while (!query.Eof()) {
        length = std::max(length, static_cast<std::int32_t>(query.FieldAsString(0).size()));
        query.Next();
      }
    } catch (...) {
      // What was read so far stands.
    }
  }
  if (length <= 0) length = kDefaultDateFormatLength;
  dateFormatLength_ = length;
  return length;
}

std::string TOracleSession::SessionId() {
  if (sessionId_.empty() && connected_) {
    RunInternalStatement(kSessionIdText, false);
    TOracleQuery& query = InternalQuery();
    if (!query.Eof()) sessionId_ = query.FieldAsString(0);
  }
  return sessionId_;
}

void TOracleSession::ChangePassword(const std::string& newPassword) {
  ChooseODBCLibrary();
  {
    BusyCursorScope busy(*this);
    InitializeClient();
  }
  if (usesOCI8_) {
    if (!serverAttached_) {
      NormalizeLogon();
      AttachServer();
    }
    PasswordChange(newPassword);
  } else {
    // The statement raises its own errors; the logon data area's code belongs to the logon
    // and may still hold its warning, so it is not consulted here.
    RunInternalStatement("alter user " + logonUsername_ + " identified by " + newPassword, true);
  }
  logonPassword_ = newPassword;
}

}  // namespace vek
