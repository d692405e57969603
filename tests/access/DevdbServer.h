// A real devdb process for the access layer's end-to-end tests: its data in memory, on a
// port the system picks, stopped with SIGTERM when the object goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/DevdbProcess.h"

namespace vek::testing {

class DevdbServer {
 public:
  // Returns once the server listens; throws std::runtime_error when it does not start.
  explicit DevdbServer(const std::vector<std::string>& arguments = {});
  ~DevdbServer();
  DevdbServer(const DevdbServer&) = delete;
  DevdbServer& operator=(const DevdbServer&) = delete;

  std::uint16_t Port() const { return process_.Port(); }
  // The connect text that reaches this server.
  std::string Database() const { return "127.0.0.1:" + std::to_string(Port()); }

 private:
  devdb::testing::DevdbProcess process_;
};

}  // namespace vek::testing
