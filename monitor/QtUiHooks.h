// The UI hooks as the Qt program provides them: the application-wide override cursor,
// message boxes that push always-on-top windows back while they are open, and a wake-up
// of the event loop when another thread queues a call for the main thread.
#pragma once

#include "platform/UiHooks.h"

namespace vek::monitor {

class QtUiHooks : public UiHooks {
 public:
  TCursor ShowCursor(TCursor cursor) override;
  void RestoreCursor(TCursor cursor) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  void WakeMainThread() override;

 private:
  void ApplyCursor(TCursor cursor);

  TCursor current_ = crDefault;
};

}  // namespace vek::monitor
