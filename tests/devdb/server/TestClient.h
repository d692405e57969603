// A devdb client connection with the conveniences the end-to-end tests share: log on with
// test defaults, run a statement, query all rows, and catch the error a call raises.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "devdb/client/Connection.h"
#include "devdb/client/ServerError.h"

namespace devdb::testing {

inline constexpr const char* kSysPassword = "TestSys#1";
inline constexpr const char* kTestOsUser = "tester";
inline constexpr const char* kTestMachine = "testhost";
inline constexpr const char* kTestProgram = "devdb_server_tests";

class TestClient {
 public:
  explicit TestClient(std::uint16_t port) : connection(kHost, port) {}

  protocol::LogonReply LogOn(const std::string& user, const std::string& password,
                             protocol::WireConnectMode mode = protocol::WireConnectMode::Normal,
                             const std::string& osUser = kTestOsUser);
  // Runs a statement that is not a select and closes its cursor.
  protocol::ExecuteReply Run(const std::string& sql, std::vector<protocol::WireBind> binds = {},
                             std::uint32_t iterations = 1, std::uint32_t rowOffset = 0,
                             bool commit = false);
  // Runs a select and fetches every row.
  std::vector<protocol::WireRow> Query(const std::string& sql,
                                       std::vector<protocol::WireBind> binds = {});
  // The first column of the only row of a select, as text ("" for null).
  std::string Scalar(const std::string& sql);

  client::Connection connection;

 private:
  static constexpr const char* kHost = "127.0.0.1";
};

// The error the call raised, or nothing when it succeeded.
std::optional<client::ServerError> ErrorOf(const std::function<void()>& call);

// A bind with one value for one execution.
protocol::WireBind InBind(const std::string& name, protocol::WireValue value);

// Waits until the condition holds and tells whether it did. The generous limit only keeps
// a broken server from hanging the test run; no test depends on how fast anything is.
bool WaitUntil(const std::function<bool()>& condition);

// A value shown as text: numbers, texts and rowids as they are, dates as YYYY-MM-DD HH:MI:SS.
std::string Show(const protocol::WireValue& value);

}  // namespace devdb::testing
