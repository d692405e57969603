// The run loop of a statement's background thread.
#include "access/QueryThread.h"

#include "access/OracleError.h"
#include "access/OracleQuery.h"
#include "platform/UiHooks.h"

namespace vek {

TQueryThread::TQueryThread(TOracleQuery& query) : query_(query), thread_([this] { Main(); }) {}

TQueryThread::~TQueryThread() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    terminated_ = true;
  }
  wake_.notify_all();
  if (IsMainThread()) ServeMainThreadCallsUntil([this] { return finished_.load(); });
  thread_.join();
}

void TQueryThread::Resume() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    working_ = true;
    runRequested_ = true;
  }
  wake_.notify_all();
}

void TQueryThread::Main() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return runRequested_ || terminated_; });
      if (terminated_) break;
      runRequested_ = false;
    }
    RunOnce();
    working_ = false;
  }
  finished_ = true;
}

void TQueryThread::RunOnce() {
  try {
    query_.ExecuteInForeground();
    Deliver([this] {
      if (query_.OnThreadExecuted) query_.OnThreadExecuted(query_);
    });
    while (!query_.Eof() && !terminated_) {
      Deliver([this] {
        if (query_.OnThreadRecord) query_.OnThreadRecord(query_);
      });
      query_.Next();
    }
  } catch (const std::exception& error) {
    const auto* oracleError = dynamic_cast<const EOracleError*>(&error);
    const std::int32_t code = oracleError ? oracleError->ErrorCode() : 0;
    const std::string message = error.what();
    try {
      Deliver([this, code, &message] {
        if (query_.OnThreadError) query_.OnThreadError(query_, code, message);
      });
    } catch (...) {
      // A handler that fails while reporting a failure has nobody left to tell.
    }
  }
  if (terminated_) return;
  try {
    Deliver([this] {
      if (query_.OnThreadFinished) query_.OnThreadFinished(query_);
    });
  } catch (...) {
  }
}

void TQueryThread::Deliver(const std::function<void()>& event) {
  if (query_.ThreadSynchronized) {
    RunOnMainThread(event);
  } else {
    event();
  }
}

}  // namespace vek
