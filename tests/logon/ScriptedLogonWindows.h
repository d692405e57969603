// Logon windows without a GUI for the procedure's tests: each time a window would be shown,
// the next step of a shared script reads or fills its fields and says how it closes; every
// showing is recorded with the values the window held. Also UI hooks that record messages
// and answer Yes/No questions from a list.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "logon/LogonWindow.h"
#include "platform/UiHooks.h"

namespace vek::testing {

// What a window held when it was shown.
struct ShownWindow {
  std::string title;
  std::string firstLabel;
  std::string username, password, database;  // database: the list's text with the list in use
  bool databaseRow = true, connectAsRow = true, usesAliasList = false, usernameMasked = false;
  bool historyButton = false, historyEnabled = false;
  int connectAsIndex = 0;
  std::vector<std::string> aliasEntries;
};

class ScriptedLogonWindow;
using WindowStep = std::function<TLogonWindowResult(ScriptedLogonWindow&)>;

struct LogonScript {
  std::deque<WindowStep> steps;
  std::vector<ShownWindow> shown;
  int windowsCreated = 0;
};

class ScriptedLogonWindow : public MemoryLogonWindow {
 public:
  explicit ScriptedLogonWindow(LogonScript& script) : script_(script) {}
  TLogonWindowResult ShowModal() override {
    script_.shown.push_back({title, usernameLabel, username, password, DatabaseValue(),
                             databaseRowVisible, connectAsRowVisible, usesAliasList, usernameMasked,
                             historyButtonVisible, historyButtonEnabled, connectAsIndex,
                             aliasEntries});
    if (script_.steps.empty()) {
      ADD_FAILURE() << "a window was shown (\"" << title << "\") but the script has no step left";
      return {};
    }
    WindowStep step = std::move(script_.steps.front());
    script_.steps.pop_front();
    return step(*this);
  }

 private:
  LogonScript& script_;
};

// Steps.
inline WindowStep Cancel() {
  return [](ScriptedLogonWindow&) { return TLogonWindowResult{false, false}; };
}
inline WindowStep PressOK(bool ctrl = false) {
  return [ctrl](ScriptedLogonWindow&) { return TLogonWindowResult{true, ctrl}; };
}
// Types a password (and, when given, a user name) and presses OK.
inline WindowStep LogOnWith(std::string password, bool ctrl = false) {
  return [password, ctrl](ScriptedLogonWindow& window) {
    window.password = password;
    return TLogonWindowResult{true, ctrl};
  };
}
// The password change: the new password and its verification.
inline WindowStep NewPassword(std::string first, std::string second) {
  return [first, second](ScriptedLogonWindow& window) {
    window.username = first;
    window.password = second;
    return TLogonWindowResult{true, false};
  };
}

// Installs scripted windows for the lifetime of the object.
class ScopedScriptedWindows {
 public:
  ScopedScriptedWindows() {
    previous_ = InstallLogonWindowFactory([this]() -> std::unique_ptr<LogonWindow> {
      ++script.windowsCreated;
      return std::make_unique<ScriptedLogonWindow>(script);
    });
  }
  ~ScopedScriptedWindows() {
    InstallLogonWindowFactory(std::move(previous_));
    EXPECT_TRUE(script.steps.empty()) << script.steps.size() << " scripted step(s) never ran";
  }
  ScopedScriptedWindows(const ScopedScriptedWindows&) = delete;
  ScopedScriptedWindows& operator=(const ScopedScriptedWindows&) = delete;

  LogonScript script;

 private:
  LogonWindowFactory previous_;
};

// Messages and questions as the procedure asked them.
class AnsweringUiHooks : public PlainUiHooks {
 public:
  void ShowMessage(const std::string& text, const std::string&) override {
    messages.push_back(text);
  }
  bool AskYesNo(const std::string& text, const std::string& caption) override {
    questions.push_back(text);
    questionCaptions.push_back(caption);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<std::string> questionCaptions;
  std::deque<bool> answers;
};

class ScopedAnsweringHooks {
 public:
  ScopedAnsweringHooks() {
    auto hooks = std::make_unique<AnsweringUiHooks>();
    hooks_ = hooks.get();
    previous_ = InstallUiHooks(std::move(hooks));
  }
  ~ScopedAnsweringHooks() { InstallUiHooks(std::move(previous_)); }
  ScopedAnsweringHooks(const ScopedAnsweringHooks&) = delete;
  ScopedAnsweringHooks& operator=(const ScopedAnsweringHooks&) = delete;
  AnsweringUiHooks* operator->() { return hooks_; }
  AnsweringUiHooks& operator*() { return *hooks_; }

 private:
  AnsweringUiHooks* hooks_;
  std::unique_ptr<UiHooks> previous_;
};

}  // namespace vek::testing
