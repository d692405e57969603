// Starting and stopping devdb for each test; the data folder lives under the system's
// temporary folder with a name no other test shares.
#include "DevdbServerTest.h"

#include <poll.h>
#include <sys/socket.h>

#include <csignal>
#include <random>

namespace devdb::testing {

void DevdbServerTest::Start(const std::vector<std::string>& arguments) {
  arguments_ = arguments;
  arguments_.push_back("--sys-password");
  arguments_.push_back(kSysPassword);
  server_ = std::make_unique<DevdbProcess>(arguments_);
}

void DevdbServerTest::StartWithDataFolder() {
  if (server_) server_->Stop(SIGTERM);
  std::random_device random;
  dataFolder_ = std::filesystem::temp_directory_path() /
                ("devdb-test-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(dataFolder_);
  Start({"--data", dataFolder_.string()});
}

void DevdbServerTest::TearDown() {
  if (server_) {
    int status = server_->Stop(SIGTERM);
    EXPECT_EQ(status, 0) << "devdb did not end cleanly on SIGTERM";
  }
  server_.reset();
  if (!dataFolder_.empty()) std::filesystem::remove_all(dataFolder_);
}

std::unique_ptr<TestClient> DevdbServerTest::System() { return LogOnAs("SYSTEM", kSysPassword); }

void DevdbServerTest::CreateUser(const std::string& name, const std::string& password) {
  auto system = System();
  system->Run("create user " + name + " identified by " + password);
  system->Run("grant create session to " + name);
}

std::unique_ptr<TestClient> DevdbServerTest::LogOnAs(const std::string& name,
                                                     const std::string& password) {
  auto client = Connect();
  client->LogOn(name, password);
  return client;
}

bool ServerClosed(const protocol::Socket& socket) {
  std::uint8_t buffer[4096];
  while (true) {
    pollfd fd{socket.Descriptor(), POLLIN, 0};
    if (::poll(&fd, 1, 60000) <= 0) return false;
    ssize_t n = ::recv(socket.Descriptor(), buffer, sizeof buffer, 0);
    if (n <= 0) return true;
  }
}

}  // namespace devdb::testing
