// The application object: installs the Qt UI hooks and reports every exception that
// escapes an event handler in a message box, so that the window keeps its state and the
// program goes on.
#pragma once

#include <QApplication>
#include <string>

namespace vek::monitor {

class PipewatchApplication : public QApplication {
 public:
  PipewatchApplication(int& argc, char** argv);
  ~PipewatchApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // The standard error report: the message in a message box.
  static void ShowException(const std::string& message);
};

}  // namespace vek::monitor
