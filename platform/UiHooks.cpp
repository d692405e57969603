// The UI hook registry and the queue of calls waiting for the main thread.
#include "platform/UiHooks.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <future>
#include <iostream>
#include <mutex>
#include <thread>

namespace vek {
namespace {

// Static initialisation runs on the thread that starts the process.
const std::thread::id kMainThreadId = std::this_thread::get_id();

struct PendingCall {
  std::function<void()> call;
  std::promise<void> done;
};

struct CallQueue {
  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<std::shared_ptr<PendingCall>> calls;
};

CallQueue& Queue() {
  static CallQueue queue;
  return queue;
}

std::unique_ptr<UiHooks>& InstalledHooks() {
  static std::unique_ptr<UiHooks> hooks = std::make_unique<PlainUiHooks>();
  return hooks;
}

}  // namespace

TCursor PlainUiHooks::ShowCursor(TCursor cursor) {
  const TCursor previous = current_;
  current_ = cursor;
  return previous;
}

void PlainUiHooks::RestoreCursor(TCursor cursor) { current_ = cursor; }

void PlainUiHooks::ShowMessage(const std::string& text, const std::string& caption) {
  std::cerr << (caption.empty() ? "" : caption + ": ") << text << std::endl;
}

bool PlainUiHooks::AskYesNo(const std::string& text, const std::string& caption) {
  ShowMessage(text + " [answered No]", caption);
  return false;
}

UiHooks& CurrentUiHooks() { return *InstalledHooks(); }

std::unique_ptr<UiHooks> InstallUiHooks(std::unique_ptr<UiHooks> hooks) {
  if (!hooks) hooks = std::make_unique<PlainUiHooks>();
  std::swap(InstalledHooks(), hooks);
  return hooks;
}

bool IsMainThread() { return std::this_thread::get_id() == kMainThreadId; }

void RunOnMainThread(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  auto pending = std::make_shared<PendingCall>();
  pending->call = call;
  std::future<void> finished = pending->done.get_future();
  {
    CallQueue& queue = Queue();
    std::lock_guard lock(queue.mutex);
    queue.calls.push_back(pending);
    queue.arrived.notify_all();
  }
  CurrentUiHooks().WakeMainThread();
  finished.get();  // rethrows what the call raised
}

void ServeMainThreadCalls() {
  CallQueue& queue = Queue();
  for (;;) {
    std::shared_ptr<PendingCall> next;
    {
      std::lock_guard lock(queue.mutex);
      if (queue.calls.empty()) return;
      next = std::move(queue.calls.front());
      queue.calls.pop_front();
    }
    try {
      next->call();
      next->done.set_value();
    } catch (...) {
      next->done.set_exception(std::current_exception());
    }
  }
}

void ServeMainThreadCallsUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds pollInterval) {
  CallQueue& queue = Queue();
  while (!done()) {
    ServeMainThreadCalls();
    std::unique_lock lock(queue.mutex);
    queue.arrived.wait_for(lock, pollInterval, [&] { return !queue.calls.empty(); });
  }
}

bool HasPendingMainThreadCalls() {
  CallQueue& queue = Queue();
  std::lock_guard lock(queue.mutex);
  return !queue.calls.empty();
}

}  // namespace vek
