// The program entry: set the application title, choose the logon dialogs' language, create
// the main window, log on and arm, run the message loop until the window is closed. A logon
// that does not succeed ends the program with no window shown. The argument MaxLines=N
// bounds the pane.
#include <QMessageBox>
#include <chrono>
#include <cstdlib>

#include "logon/QtLogonWindows.h"
#include "logon/ZqaNLS.h"
#include "monitor/ChannelRecovery.h"
#include "monitor/ExitWatchdog.h"
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
  vek::ApplyUserInterfaceLanguage();
  vek::InstallQtLogonWindows();
  auto* window = new vek::monitor::TFormPipewatch();  // frees itself when closed
  ApplyMaxLinesArgument(*window);
  bool loggedOn = false;
  try {
    loggedOn = window->FormCreate();
  } catch (const std::exception& error) {
    // Nothing to show without a session, such as a client library that cannot be loaded.
    vek::monitor::PipewatchApplication::ShowException(error.what());
  }
  if (!loggedOn) {
    delete window;
    return 0;
  }
  // Once the window closes, the program ends within two seconds whatever the database or the
  // network does meanwhile.
  window->BeforeClose = [] { vek::monitor::ArmExitWatchdog(std::chrono::milliseconds(1800)); };
  window->show();
  const int status = application.exec();
  // A probe for a server that was away may still wait on the network: end without unloading
  // the client library under it.
  if (vek::monitor::TChannelRecovery::ProbesRunning() > 0) std::_Exit(status);
  return status;
}
