// A real devdb process for the end-to-end tests: started on a port the system picks (so no
// two tests ever collide), read for the address it announces, stopped with SIGTERM, and
// killed if a test ends without stopping it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace devdb::testing {

class DevdbProcess {
 public:
  // Starts devdb with --listen 127.0.0.1:0 and the given further arguments; returns once
  // it listens. Throws std::runtime_error when it does not start.
  explicit DevdbProcess(const std::vector<std::string>& arguments);
  ~DevdbProcess();
  DevdbProcess(const DevdbProcess&) = delete;
  DevdbProcess& operator=(const DevdbProcess&) = delete;

  std::uint16_t Port() const { return port_; }
  // Sends a signal and waits for the process; returns its exit status, -1 when it did not
  // exit normally (a crash), -2 when it hung and had to be killed.
  int Stop(int signal);

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::uint16_t port_ = 0;
};

// Runs a program to its end (such as devdb --run with a script) and returns its exit status;
// -1 when it could not start or did not exit normally.
int RunToEnd(std::vector<std::string> arguments);

}  // namespace devdb::testing
