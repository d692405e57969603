// A devdb process for the client library tests: started in memory on a port the system
// picks, with a tnsnames.ora of its own in a temporary folder (alias DEV for this server),
// stopped and cleaned up when the test ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/DevdbProcess.h"

namespace devdb::oci::testing {

class DevdbInstance {
 public:
  // Starts devdb; throws std::runtime_error when it does not come up.
  explicit DevdbInstance(const std::vector<std::string>& arguments = {"--memory"});
  ~DevdbInstance();
  DevdbInstance(const DevdbInstance&) = delete;
  DevdbInstance& operator=(const DevdbInstance&) = delete;

  std::uint16_t Port() const { return process_.Port(); }
  // "127.0.0.1:PORT", an EZConnect text for this server.
  std::string EasyConnect() const;
  // A folder holding tnsnames.ora with DEV (and DEV.WORLD) for this server.
  const std::filesystem::path& TnsAdmin() const { return folder_; }

 private:
  devdb::testing::DevdbProcess process_;
  std::filesystem::path folder_;
};

}  // namespace devdb::oci::testing
