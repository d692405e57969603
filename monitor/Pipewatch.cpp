// The program entry: set the application title, create the main window, run the message
// loop until the window is closed. The argument MaxLines=N bounds the pane.
#include <QMessageBox>

#include "monitor/F_Pipewatch.h"
#include "monitor/MonitorTexts.h"
#include "monitor/PipewatchApplication.h"
#include "platform/ProgramArguments.h"

namespace {

// Applies a MaxLines=N argument; a value that is not a whole number of at least 1 is
// reported and the default kept.
void ApplyMaxLinesArgument(vek::monitor::TFormPipewatch& window) {
  const std::string text = vek::CommandLineValue("MaxLines");
  if (text.empty()) return;
  bool ok = false;
  const int lines = QString::fromStdString(text).toInt(&ok);
  if (ok && lines >= 1) {
    window.SetMaxLines(lines);
    return;
  }
  QMessageBox::warning(nullptr, QString::fromUtf8(vek::monitor::texts::kApplicationTitle),
                       QString::fromUtf8(vek::monitor::texts::kInvalidMaxLines)
                           .arg(window.MaxLines()));
}

}  // namespace

int main(int argc, char** argv) {
  vek::SetProgramArguments(argc, argv);
  vek::monitor::PipewatchApplication application(argc, argv);
  auto* window = new vek::monitor::TFormPipewatch();  // frees itself when closed
  ApplyMaxLinesArgument(*window);
  window->show();
  return application.exec();
}
