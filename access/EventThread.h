// TEventThread: the listening thread of a started TOracleEvent. It waits inside the database
// on the component's own session by running anonymous blocks on the component's EventQuery,
// turns each pipe message or alert into an item list and hands it to the component's OnEvent,
// on the main thread when the component is Synchronized.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Variant.h"

namespace vek {

class TOracleEvent;

class TEventThread {
 public:
  // Starts running at once.
  explicit TEventThread(TOracleEvent& event);
  // Joins the thread; the component asks it to end first.
  ~TEventThread();
  TEventThread(const TEventThread&) = delete;
  TEventThread& operator=(const TEventThread&) = delete;

  void RequestTerminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  // The component breaks the thread's call to the server; the error that this gives the
  // wait is the component's own doing and is not handed to OnError.
  void MarkInterrupted() { interrupted_.store(true); }
  // Blocks until the thread holds the component's lock and, in alert mode, has registered
  // its alerts (or failed to); afterwards UniqueSessionId is final.
  void WaitUntilListening();
  std::string UniqueSessionId() const;

 private:
  void Execute();
  void PipeLoop();
  void AlertLoop();
  void FetchUniqueSessionId();
  void RunAlertNamesBlock(const char* procedure);
  void UnpackAndDeliver();
  void SignalListening();

  // The hand-over operations.
  void Handover(const std::function<void()>& operation);
  void DeliverEvent();
  void DeliverError(std::exception_ptr error);
  bool AskAfterTimeOut();

  TOracleEvent& event_;
  std::string uniqueSessionId_;
  std::string objectName_;
  Variant info_;
  bool continue_ = true;
  std::exception_ptr error_;

  std::atomic<bool> terminated_{false};
  std::atomic<bool> interrupted_{false};
  mutable std::mutex listeningMutex_;
  std::condition_variable listeningChanged_;
  bool listening_ = false;
  std::thread thread_;
};

}  // namespace vek
