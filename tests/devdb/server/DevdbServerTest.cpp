// Starting and stopping devdb for each test; the data folder lives under the system's
// temporary folder with a name no other test shares.
#include "DevdbServerTest.h"

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

}  // namespace devdb::testing
