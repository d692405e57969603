// The fixture of the end-to-end tests: a fresh devdb for every test, in memory unless the
// test asks for a data folder, with clients that log on as SYSTEM or as users made for it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/DevdbProcess.h"
#include "TestClient.h"
#include "devdb/protocol/Socket.h"

namespace devdb::testing {

class DevdbServerTest : public ::testing::Test {
 protected:
  void SetUp() override { Start({"--memory"}); }
  void TearDown() override;

  void Start(const std::vector<std::string>& arguments);
  // Starts devdb on a data folder of this test's own, removed after the test.
  void StartWithDataFolder();
  std::uint16_t Port() const { return server_->Port(); }
  DevdbProcess& Server() { return *server_; }

  std::unique_ptr<TestClient> Connect() { return std::make_unique<TestClient>(Port()); }
  // A connection logged on as SYSTEM, the administrator the tests set things up with.
  std::unique_ptr<TestClient> System();
  // Creates a user who may log on, with the given password.
  void CreateUser(const std::string& name, const std::string& password);
  std::unique_ptr<TestClient> LogOnAs(const std::string& name, const std::string& password);

  std::filesystem::path dataFolder_;
  std::vector<std::string> arguments_;
  std::unique_ptr<DevdbProcess> server_;
};

// True when the server closed the connection: reading meets the end of the stream (after
// any reply it sent first). The long poll limit only guards against a hang.
bool ServerClosed(const protocol::Socket& socket);

}  // namespace devdb::testing
