// vwatch, the debug channel on the command line: logs on as the monitor window does, arms the
// channel of a schema through the window's own arming and prints every debug message as one
// line on standard output, flushed at once. Notices go to standard error. Exit status: 0
// after --count, --timeout, SIGINT or SIGTERM (listeners stopped, sessions logged off); 1
// when the channel cannot be armed; 2 for wrong arguments; 3 when the logon fails.
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "monitor/ChannelRecovery.h"
#include "monitor/DebugChannel.h"
#include "monitor/ExitWatchdog.h"
#include "platform/ProgramArguments.h"
#include "tools/common/ToolSupport.h"
#include "tools/vwatch/VwatchCommandLine.h"
#include "tools/vwatch/Watcher.h"

namespace {

constexpr int kArmingFailed = 1;
volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

// Without SA_RESTART, so that a password prompt waiting for the terminal gives up too.
void HandleStopSignals() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A reader that goes away ends the watch through the failed write, not through a signal.
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
  vek::SetProgramArguments(argc, argv);
  const auto line = vek::vwatch::TVwatchCommandLine::Parse(vek::ProgramArguments());
  if (line.help) {
    std::cout << vek::vwatch::TVwatchCommandLine::Usage();
    return 0;
  }
  if (!line.error.empty()) {
    std::cerr << "vwatch: " << line.error << '\n' << vek::vwatch::TVwatchCommandLine::Usage();
    return vek::tools::kBadArguments;
  }
  HandleStopSignals();

  std::string logon = line.logon;
  if (vek::tools::LogonLacksPassword(logon)) {
    std::string password;
    if (!vek::tools::ReadPassword(password)) {
      if (stopRequested) return 0;
      std::cerr << "vwatch: no password given\n";
      return vek::tools::kLogonFailed;
    }
    logon = vek::tools::LogonWithPassword(logon, password);
  }

  vek::vwatch::TMainLoop loop;
  auto previousHooks = vek::InstallUiHooks(std::make_unique<vek::vwatch::TLoopUiHooks>(loop));
  int status = 0;
  {
    vek::vwatch::TWatcher watcher(loop, std::cout, std::cerr, {line.count, line.iso});
    // A failed load reports every step of the library search in its one text.
    if (!vek::tools::LogOnReporting(watcher.Session(), logon, std::cerr)) {
      return vek::tools::kLogonFailed;
    }
    const std::string schema =
        line.schema.empty() ? watcher.Session().LogonUsername() : line.schema;
    if (watcher.Start(schema)) {
      std::optional<vek::vwatch::TMainLoop::Clock::time_point> deadline;
      if (line.timeout > 0) {
        deadline = vek::vwatch::TMainLoop::Clock::now() +
                   std::chrono::duration_cast<vek::vwatch::TMainLoop::Clock::duration>(
                       std::chrono::duration<double>(line.timeout));
      }
      loop.RunUntil([&watcher] { return stopRequested != 0 || watcher.Done(); }, deadline);
    } else {
      status = kArmingFailed;
    }
    // Stopping talks to the server; when it or the network is gone, the end is still near.
    vek::monitor::ArmExitWatchdog(std::chrono::milliseconds(1800));
    watcher.Stop();
  }
  vek::InstallUiHooks(std::move(previousHooks));
  // A probe for a server that was away may still wait on the network: end without unloading
  // the client library under it.
  if (vek::monitor::TChannelRecovery::ProbesRunning() > 0) std::_Exit(status);
  return status;
}
