// The installed logon window factory, and filling a window from a history entry.
#include "logon/LogonWindow.h"

#include <utility>

#include "access/ConnectAs.h"
#include "logon/HistoryItems.h"
#include "logon/LogonErrorTexts.h"
#include "platform/Exception.h"

namespace vek {
namespace {

LogonWindowFactory& InstalledFactory() {
  static LogonWindowFactory factory;
  return factory;
}

}  // namespace

TLogonWindowResult MemoryLogonWindow::ShowModal() { throw Exception(logon_texts::kNoLogonWindow); }

void FillFromHistoryItem(LogonWindow& window, const THistoryItem& item, bool withPassword) {
  window.SetUsernameText(item.Username);
  window.SetPasswordText(withPassword ? item.Password : std::string());
  window.SetDatabaseValue(item.Database);
  window.SetConnectAsIndex(static_cast<int>(ConnectAsFromText(item.ConnectAs)));
}

LogonWindowFactory InstallLogonWindowFactory(LogonWindowFactory factory) {
  return std::exchange(InstalledFactory(), std::move(factory));
}

bool LogonWindowFactoryInstalled() { return static_cast<bool>(InstalledFactory()); }

std::unique_ptr<LogonWindow> CreateLogonWindow() {
  if (!InstalledFactory()) throw Exception(logon_texts::kNoLogonWindow);
  std::unique_ptr<LogonWindow> window = InstalledFactory()();
  if (!window) throw Exception(logon_texts::kNoLogonWindow);
  return window;
}

}  // namespace vek
