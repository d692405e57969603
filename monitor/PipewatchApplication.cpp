// Exceptions must not cross Qt's event dispatch; they end here.
#include "monitor/PipewatchApplication.h"

#include <exception>
#include <memory>

#include "monitor/MonitorTexts.h"
#include "monitor/QtUiHooks.h"
#include "platform/UiHooks.h"

namespace vek::monitor {

PipewatchApplication::PipewatchApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The application title (Qt reports it as the display name too). No display name of its
  // own: the window system would append it to every window caption.
  setApplicationName(QString::fromUtf8(texts::kApplicationTitle));
  InstallUiHooks(std::make_unique<QtUiHooks>());
}

PipewatchApplication::~PipewatchApplication() { InstallUiHooks(nullptr); }

void PipewatchApplication::ShowException(const std::string& message) {
  CurrentUiHooks().ShowMessage(message, texts::kApplicationTitle);
}

bool PipewatchApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowException(error.what());
  } catch (...) {
    ShowException("Unknown error");
  }
  return false;
}

}  // namespace vek::monitor
