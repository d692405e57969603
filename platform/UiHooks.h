// The few user-interface services that code below the GUI needs: the application-wide
// busy cursor, a modal message, a Yes/No question, and running a call on the main thread
// while the calling thread waits. The GUI installs its own implementation at start-up;
// tests and command-line tools use the plain one, which needs no window system.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vek {

// Cursor identifiers as the access layer stores them: 0 means "leave the cursor alone".
using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crSQLWait = -17;

class UiHooks {
 public:
  virtual ~UiHooks() = default;

  // Shows the cursor and returns the one shown before.
  virtual TCursor ShowCursor(TCursor cursor) = 0;
  // Puts a cursor back that ShowCursor returned.
  virtual void RestoreCursor(TCursor cursor) = 0;
  // A modal message box with an OK button; returns when the user has closed it.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  // A modal confirmation with the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
  // Called when a call has been queued for the main thread, from the queuing thread, so
  // that an event loop can wake up and serve it. The plain hooks need nothing here.
  virtual void WakeMainThread() {}
};

// Messages go to standard error; questions answer No; the cursor is only remembered.
class PlainUiHooks : public UiHooks {
 public:
  TCursor ShowCursor(TCursor cursor) override;
  void RestoreCursor(TCursor cursor) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;

  TCursor CurrentCursor() const { return current_; }

 private:
  TCursor current_ = crDefault;
};

// The hooks in force (the plain ones until something else is installed). Installing
// returns the previous hooks so that a test can put them back.
UiHooks& CurrentUiHooks();
std::unique_ptr<UiHooks> InstallUiHooks(std::unique_ptr<UiHooks> hooks);

// The main thread is the thread that started the process.
bool IsMainThread();

// Runs the call on the main thread and waits until it has run; an exception it raises is
// raised again here. On the main thread itself the call runs at once.
void RunOnMainThread(const std::function<void()>& call);

// Runs every call queued for the main thread. Only the main thread may call it.
void ServeMainThreadCalls();

// For a main thread that must wait for another thread which may itself be waiting in
// RunOnMainThread: serves queued calls until done() holds, checking at least every
// pollInterval. Returns at once when done() already holds.
void ServeMainThreadCallsUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds pollInterval = std::chrono::milliseconds(10));

// True when calls are waiting for the main thread.
bool HasPendingMainThreadCalls();

}  // namespace vek
