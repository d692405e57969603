// A real devdb process for the access layer's end-to-end tests: started with its data in
// memory on a port the system picks, read for the address it announces, and stopped (killed
// if need be) when the object goes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vek::testing {

class DevdbServer {
 public:
  // Returns once the server listens; throws std::runtime_error when it does not start.
  explicit DevdbServer(const std::vector<std::string>& arguments = {});
  ~DevdbServer();
  DevdbServer(const DevdbServer&) = delete;
  DevdbServer& operator=(const DevdbServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // The connect text that reaches this server.
  std::string Database() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace vek::testing
