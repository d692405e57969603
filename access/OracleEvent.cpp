// The listener component: validation and start, the wake-up blocks of Stop, the name list,
// and the bookkeeping of its own sessions and of the listening thread.
#include "access/OracleEvent.h"

#include <chrono>
#include <mutex>
#include <utility>

#include "access/AccessTexts.h"
#include "access/EventThread.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/ScopeGuards.h"
#include "access/VariableTypes.h"
#include "client/OracleCallTable.h"
#include "platform/Exception.h"
#include "platform/UiHooks.h"

namespace vek {
namespace texts = access_texts;
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trimmed(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// How often a Stop on the main thread looks at the lock while it serves the deliveries that
// the thread hands over; the wait lasts only as long as the thread needs to leave its loop.
constexpr std::chrono::milliseconds kStopPollInterval{1};

}  // namespace

TOracleEvent::TOracleEvent(TComponent* owner)
    : TComponent(owner), eventQuery_(std::make_unique<TOracleQuery>()) {
  eventQuery_->SetName("EventQuery");
}

TOracleEvent::~TOracleEvent() {
  Destroying();
  try {
    Stop();
  } catch (...) {
    // The wake-up failed (the stop session could not log on, say). The thread still waits
    // inside the server and uses the members below, and a wait without timeout may last
    // for days: break its call, so that it ends now instead of the destructor waiting.
    if (thread_ && Started()) {
      thread_->RequestTerminate();
      BreakListeningCall();
    }
  }
  WaitForThreadEnd();
  ReclaimThread();
  stopQuery_.reset();
  eventQuery_.reset();
  stopSession_.reset();
  duplicateSession_.reset();
  if (session_) session_->RemoveFreeNotification(this);
}

void TOracleEvent::GuardNotStarted() const {
  if (Started()) throw Exception(texts::kEventStarted);
}

void TOracleEvent::SetSession(TOracleSession* session) {
  GuardNotStarted();
  if (session == session_) return;
  if (session_) session_->RemoveFreeNotification(this);
  session_ = session;
  if (session_) session_->FreeNotification(this);
}

void TOracleEvent::SetObjectType(TEventObjectType value) {
  GuardNotStarted();
  objectType_ = value;
}

void TOracleEvent::SetObjectNames(const std::string& value) {
  GuardNotStarted();
  objectNames_ = value;
}

void TOracleEvent::SetOnTimeOut(TOnTimeOutEvent handler) {
  std::lock_guard guard(handlersMutex_);
  onTimeOut_ = std::move(handler);
}
void TOracleEvent::SetOnEvent(TOnEventEvent handler) {
  std::lock_guard guard(handlersMutex_);
  onEvent_ = std::move(handler);
}
void TOracleEvent::SetOnStart(TEventEvent handler) {
  std::lock_guard guard(handlersMutex_);
  onStart_ = std::move(handler);
}
void TOracleEvent::SetOnStop(TEventEvent handler) {
  std::lock_guard guard(handlersMutex_);
  onStop_ = std::move(handler);
}
void TOracleEvent::SetOnError(TOnEventErrorEvent handler) {
  std::lock_guard guard(handlersMutex_);
  onError_ = std::move(handler);
}
TOnTimeOutEvent TOracleEvent::OnTimeOut() const {
  std::lock_guard guard(handlersMutex_);
  return onTimeOut_;
}
TOnEventEvent TOracleEvent::OnEvent() const {
  std::lock_guard guard(handlersMutex_);
  return onEvent_;
}
TEventEvent TOracleEvent::OnStart() const {
  std::lock_guard guard(handlersMutex_);
  return onStart_;
}
TEventEvent TOracleEvent::OnStop() const {
  std::lock_guard guard(handlersMutex_);
  return onStop_;
}
TOnEventErrorEvent TOracleEvent::OnError() const {
  std::lock_guard guard(handlersMutex_);
  return onError_;
}

int TOracleEvent::ObjectNameCount() const {
  int count = Trimmed(objectNames_).empty() ? 0 : 1;
  for (const char c : objectNames_) {
    if (c == ';') ++count;
  }
  return count;
}

std::string TOracleEvent::ObjectName(int index) const {
  if (index < 0 || index >= ObjectNameCount()) return {};
  std::size_t begin = 0;
  for (int skipped = 0; skipped < index; ++skipped) begin = objectNames_.find(';', begin) + 1;
  const std::size_t end = objectNames_.find(';', begin);
  return Trimmed(objectNames_.substr(begin, end == std::string::npos ? end : end - begin));
}

std::string TOracleEvent::QuotedLiteral(const std::string& text) {
  std::string quoted;
  quoted.reserve(text.size());
  for (const char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted;
}

void TOracleEvent::ValidateForStart() const {
  GuardNotStarted();
  if (!session_) throw Exception(texts::kEventSessionUndefined);
  if (Trimmed(objectNames_).empty()) throw Exception(texts::kEventNamesUndefined);
  const int count = ObjectNameCount();
  if (objectType_ == otPipe && count > 1) throw Exception(texts::kEventOnePipeName);
  for (int index = 0; index < count; ++index) {
    if (ObjectName(index).empty()) throw Exception(texts::kEventEmptyName);
  }
}

void TOracleEvent::CopyLogonToDuplicate() {
  TOracleSession& duplicate = *duplicateSession_;
  duplicate.SetLogonUsername(session_->LogonUsername());
  duplicate.SetLogonPassword(session_->LogonPassword());
  duplicate.SetLogonDatabase(session_->LogonDatabase());
  duplicate.ConnectAs = session_->ConnectAs;
  duplicate.SetSQLTrace(session_->SQLTrace());
  duplicate.NullValue = session_->NullValue;
  duplicate.SetBytesPerCharacter(session_->BytesPerCharacter());
  duplicate.SetPreferences(session_->Preferences());
}

void TOracleEvent::Start() {
  ValidateForStart();
  // A thread that ended on its own has left its loop; reclaim it before the next one.
  ReclaimThread();
  if (!duplicateSession_) {
    duplicateSession_ = std::make_unique<TOracleSession>();
    duplicateSession_->SetName(Name() + "_DuplicateSession");
  }
  if (!duplicateSession_->Connected()) CopyLogonToDuplicate();
  if (TEventEvent handler = OnStart()) handler(*this);
  duplicateSession_->LogOn();
  eventQuery_->SetSession(duplicateSession_.get());
  started_.store(true);
  try {
    thread_ = std::make_unique<TEventThread>(*this);
  } catch (...) {
    started_.store(false);
    throw;
  }
  // A Stop that follows at once must find the thread holding the lock and, in alert mode,
  // registered for its private alert, whose name the wake-up block needs. So Start waits
  // for that here, rather than Stop: the wait is short (two calls to the server at most),
  // needs no hand-over to the main thread (the thread reaches that point before it hands
  // anything over), and keeps Stop's logic the same for every caller.
  thread_->WaitUntilListening();
}

void TOracleEvent::WakeThread() {
  const bool pipe = objectType_ == otPipe;
  const std::string privateAlert = pipe ? std::string() : thread_->UniqueSessionId();
  // An alert thread that failed before it learnt its private alert is ending on its own.
  if (!pipe && privateAlert.empty()) return;
  if (!stopSession_) {
    stopSession_ = std::make_unique<TOracleSession>();
    stopSession_->SetName(Name() + "_StopSession");
    stopSession_->SetLogonUsername(duplicateSession_->LogonUsername());
    stopSession_->SetLogonPassword(duplicateSession_->LogonPassword());
    stopSession_->SetLogonDatabase(duplicateSession_->LogonDatabase());
    stopSession_->ConnectAs = duplicateSession_->ConnectAs;
  }
  if (!stopSession_->Connected()) stopSession_->LogOn();
  if (!stopQuery_) {
    stopQuery_ = std::make_unique<TOracleQuery>();
    stopQuery_->SetName("StopQuery");
    stopQuery_->SetSession(stopSession_.get());
  }
  TOracleQuery& query = *stopQuery_;
  query.Clear();
  if (pipe) {
    query.SQL = {"begin",
                 "  :status := sys.dbms_pipe.send_message('" + QuotedLiteral(objectNames_) + "');",
                 "end;"};
    query.DeclareVariable("status", otInteger);
  } else {
    query.SQL = {"begin", "  sys.dbms_alert.signal('" + QuotedLiteral(privateAlert) + "', Null);",
                 "  commit;", "end;"};
  }
  query.Execute();
}

void TOracleEvent::WaitForThreadEnd() {
  if (!thread_) return;
  // A Stop on the main thread serves the deliveries that the thread hands over meanwhile:
  // the thread may be waiting for the main thread to run a handler before it can see the
  // terminate request, and would otherwise wait for ever on a main thread that waits for it.
  if (IsMainThread()) {
    ServeMainThreadCallsUntil(
        [this] { return std::unique_lock(lock_, std::try_to_lock).owns_lock(); },
        kStopPollInterval);
  } else {
    std::lock_guard waited(lock_);
  }
}

void TOracleEvent::BreakListeningCall() {
  thread_->MarkInterrupted();
  TOracleSession& session = *duplicateSession_;
  if (!session.UsesOCI8()) {
    if (OracleCalls.obreak) OracleCalls.obreak(session.LogonDataArea());
    return;
  }
  if (!OracleCalls.OCIBreak || !OracleCalls.OCIHandleAlloc) return;
  // An error handle of its own: the listening thread uses the session's handles meanwhile.
  void* allocated = nullptr;
  if (OracleCalls.OCIHandleAlloc(session.EnvironmentHandle(), &allocated, OCI_HTYPE_ERROR, 0,
                                 nullptr) != OCI_SUCCESS) {
    return;
  }
  ClientHandleScope errorHandle(allocated, OCI_HTYPE_ERROR);
  OracleCalls.OCIBreak(session.ServiceContext(), static_cast<OCIError*>(errorHandle.Get()));
}

void TOracleEvent::ReclaimThread() {
  // The thread has cleared Started and left the lock; joining waits only for its return.
  thread_.reset();
}

void TOracleEvent::Stop() {
  if (!Started()) return;
  thread_->RequestTerminate();
  WakeThread();
  WaitForThreadEnd();
  ReclaimThread();
  if (TEventEvent handler = OnStop()) handler(*this);
  if (!KeepConnection()) {
    if (stopSession_) stopSession_->LogOff();
    duplicateSession_->LogOff();
  }
}

void TOracleEvent::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == session_) session_ = nullptr;
}

}  // namespace vek
