// The shared devdb test process, plus a tnsnames.ora that names it DEV.
#include "DevdbInstance.h"

#include <unistd.h>

#include <csignal>
#include <fstream>
#include <random>

namespace devdb::oci::testing {

DevdbInstance::DevdbInstance(const std::vector<std::string>& arguments) : process_(arguments) {
  std::random_device random;
  folder_ = std::filesystem::temp_directory_path() /
            ("vek-oci-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(folder_);
  std::ofstream(folder_ / "tnsnames.ora")
      << "# made by the test\n"
      << "DEV, DEV.WORLD =\n  (DESCRIPTION =\n    (ADDRESS = (PROTOCOL = TCP)(HOST = 127.0.0.1)"
      << "(PORT = " << Port() << "))\n    (CONNECT_DATA = (SERVICE_NAME = DEV)))\n";
}

DevdbInstance::~DevdbInstance() {
  process_.Stop(SIGTERM);
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

std::string DevdbInstance::EasyConnect() const { return "127.0.0.1:" + std::to_string(Port()); }

}  // namespace devdb::oci::testing
