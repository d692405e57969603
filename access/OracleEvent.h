// TOracleEvent: waits for database pipe messages or alerts without blocking the program. It
// copies the logon of a given session into a session of its own, runs a listening thread
// (TEventThread) on it and hands every message to the program as an event. Because a thread
// waiting inside the server cannot be interrupted from the client, Stop wakes it with a
// message sent from a third session.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "access/Component.h"
#include "client/OracleCriticalSection.h"
#include "platform/Variant.h"

namespace vek {

class TEventThread;
class TOracleQuery;
class TOracleSession;

enum TEventObjectType { otPipe = 0, otAlert = 1 };

class TOracleEvent;
using TOnTimeOutEvent = std::function<void(TOracleEvent& sender, bool& Continue)>;
using TOnEventEvent = std::function<void(TOracleEvent& sender, const std::string& objectName,
                                         const Variant& info)>;
using TEventEvent = std::function<void(TOracleEvent& sender)>;
using TOnEventErrorEvent =
    std::function<void(TOracleEvent& sender, const std::exception& error)>;

class TOracleEvent : public TComponent {
 public:
  explicit TOracleEvent(TComponent* owner = nullptr);
  // Stops first.
  ~TOracleEvent() override;

  // Published properties, in their stored order.
  TOracleSession* Session() const { return session_; }
  void SetSession(TOracleSession* session);
  TEventObjectType ObjectType() const { return objectType_; }
  void SetObjectType(TEventObjectType value);
  const std::string& ObjectNames() const { return objectNames_; }
  void SetObjectNames(const std::string& value);
  // These may change while the thread runs; it reads them afresh at each use.
  std::int32_t TimeOut() const { return timeOut_.load(); }
  void SetTimeOut(std::int32_t seconds) { timeOut_.store(seconds); }
  bool Synchronized() const { return synchronized_.load(); }
  void SetSynchronized(bool value) { synchronized_.store(value); }
  bool KeepConnection() const { return keepConnection_.load(); }
  void SetKeepConnection(bool value) { keepConnection_.store(value); }

  // Events may be set at any time, also while started; the thread copies a handler under a
  // small lock each time it uses one.
  void SetOnTimeOut(TOnTimeOutEvent handler);
  void SetOnEvent(TOnEventEvent handler);
  void SetOnStart(TEventEvent handler);
  void SetOnStop(TEventEvent handler);
  void SetOnError(TOnEventErrorEvent handler);
  TOnTimeOutEvent OnTimeOut() const;
  TOnEventEvent OnEvent() const;
  TEventEvent OnStart() const;
  TEventEvent OnStop() const;
  TOnEventErrorEvent OnError() const;

  void Start();
  void Stop();
  bool Started() const { return started_.load(); }

  // The name list of ObjectNames: names are separated by ";" and trimmed of spaces and
  // control characters; a blank text has none.
  int ObjectNameCount() const;
  std::string ObjectName(int index) const;

  TOracleQuery& EventQuery() { return *eventQuery_; }
  TOracleSession* DuplicateSession() { return duplicateSession_.get(); }
  TOracleSession* StopSession() { return stopSession_.get(); }
  TOracleQuery* StopQuery() { return stopQuery_.get(); }

  // Pasted into a PL/SQL string literal: every single quote doubled, so that a name stays
  // the literal it is meant to be.
  static std::string QuotedLiteral(const std::string& text);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TEventThread;

  void GuardNotStarted() const;
  void ValidateForStart() const;
  void CopyLogonToDuplicate();
  void WakeThread();
  void WaitForThreadEnd();
  void BreakListeningCall();
  void ReclaimThread();

  TOracleSession* session_ = nullptr;
  TEventObjectType objectType_ = otPipe;
  std::string objectNames_;
  std::atomic<std::int32_t> timeOut_{0};
  std::atomic<bool> synchronized_{true};
  std::atomic<bool> keepConnection_{false};

  mutable std::mutex handlersMutex_;
  TOnTimeOutEvent onTimeOut_;
  TOnEventEvent onEvent_;
  TEventEvent onStart_;
  TEventEvent onStop_;
  TOnEventErrorEvent onError_;

  std::unique_ptr<TOracleQuery> eventQuery_;
  std::unique_ptr<TOracleSession> duplicateSession_;
  std::unique_ptr<TOracleSession> stopSession_;
  std::unique_ptr<TOracleQuery> stopQuery_;
  // Held by the listening thread for its whole run; Stop waits for the thread by taking it.
  TOracleCriticalSection lock_;
  std::unique_ptr<TEventThread> thread_;
  std::atomic<bool> started_{false};
};

}  // namespace vek
