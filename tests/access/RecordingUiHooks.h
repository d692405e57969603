// UI hooks for tests that record which cursors the access layer showed and restored and
// which messages it showed, installed for the lifetime of a ScopedRecordingHooks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/UiHooks.h"

namespace vek::testing {

// UI hooks that record what the layer asked for.
class RecordingUiHooks : public UiHooks {
 public:
  TCursor ShowCursor(TCursor cursor) override {
    shown.push_back(cursor);
    TCursor previous = current;
    current = cursor;
    return previous;
  }
  void RestoreCursor(TCursor cursor) override {
    restored.push_back(cursor);
    current = cursor;
  }
  void ShowMessage(const std::string& text, const std::string&) override {
    messages.push_back(text);
  }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }

  TCursor current = crDefault;
  std::vector<TCursor> shown;
  std::vector<TCursor> restored;
  std::vector<std::string> messages;
};

class ScopedRecordingHooks {
 public:
  ScopedRecordingHooks() {
    auto hooks = std::make_unique<RecordingUiHooks>();
    recording_ = hooks.get();
    previous_ = InstallUiHooks(std::move(hooks));
  }
  ~ScopedRecordingHooks() { InstallUiHooks(std::move(previous_)); }
  RecordingUiHooks& operator*() { return *recording_; }
  RecordingUiHooks* operator->() { return recording_; }

 private:
  RecordingUiHooks* recording_;
  std::unique_ptr<UiHooks> previous_;
};

}  // namespace vek::testing
