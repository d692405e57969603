// The devdb program: parses the command line, starts the server, announces the address it
// listens on as its first line of output, and stops cleanly on SIGINT or SIGTERM.
#include <pthread.h>

#include <csignal>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "devdb/server/ScriptRunner.h"
#include "devdb/server/Server.h"
#include "devdb/server/ServerOptions.h"

int main(int argc, char** argv) {
  using devdb::server::ServerOptions;
  ServerOptions options;
  try {
    options = ServerOptions::Parse(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const ServerOptions::UsageError& error) {
    std::cerr << "devdb: " << error.what() << "\n" << ServerOptions::Usage();
    return 2;
  }
  if (options.helpWanted) {
    std::cout << ServerOptions::Usage();
    return 0;
  }
  if (!options.runFile.empty()) {
    std::signal(SIGPIPE, SIG_IGN);
    return devdb::server::ScriptRunner::Run(options, std::cout, std::cerr);
  }

  // The signals are taken by one thread with sigwait, so every other thread, including the
  // ones started later, must have them blocked.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  try {
    devdb::server::Server server(options);
    std::cout << "devdb listening on " << options.host << ":" << server.Port() << std::endl;
    std::thread signalWaiter([&] {
      int signal = 0;
      sigwait(&stopSignals, &signal);
      server.Stop();
    });
    server.Run();
    // Run also ends without a signal when accepting fails; the waiter must still end.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
  } catch (const std::exception& error) {
    std::cerr << "devdb: " << error.what() << std::endl;
    return 1;
  }
  std::cerr << "devdb stopped" << std::endl;
  return 0;
}
