// Shared helpers of the end-to-end tests; every statement's cursor is closed after use so
// that a test never runs into the cursor limit by accident.
#include "TestClient.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace devdb::testing {

using namespace devdb::protocol;

LogonReply TestClient::LogOn(const std::string& user, const std::string& password,
                             WireConnectMode mode, const std::string& osUser) {
  return connection.LogOn({user, password, mode, osUser, kTestMachine, kTestProgram});
}

ExecuteReply TestClient::Run(const std::string& sql, std::vector<WireBind> binds,
                             std::uint32_t iterations, std::uint32_t rowOffset, bool commit) {
  PrepareReply prepared = connection.Prepare(sql);
  ExecuteRequest request;
  request.cursor = prepared.cursor;
  request.iterations = iterations;
  request.rowOffset = rowOffset;
  request.commitOnSuccess = commit;
  request.binds = std::move(binds);
  try {
    ExecuteReply reply = connection.Execute(request);
    connection.CloseCursor(prepared.cursor);
    return reply;
  } catch (...) {
    // The call's own error is the one to report; after a kill or a shutdown the server has
    // closed the connection, and closing the cursor fails too.
    try {
      if (connection.IsOpen()) connection.CloseCursor(prepared.cursor);
    } catch (const client::ServerError&) {
    }
    throw;
  }
}

std::vector<WireRow> TestClient::Query(const std::string& sql, std::vector<WireBind> binds) {
  PrepareReply prepared = connection.Prepare(sql);
  ExecuteRequest request;
  request.cursor = prepared.cursor;
  request.binds = std::move(binds);
  request.prefetchRows = 100;
  ExecuteReply executed = connection.Execute(request);
  std::vector<WireRow> rows = std::move(executed.rows);
  bool end = executed.endOfFetch;
  while (!end) {
    FetchReply more = connection.Fetch(prepared.cursor, 100);
    for (auto& row : more.rows) rows.push_back(std::move(row));
    end = more.endOfFetch;
  }
  connection.CloseCursor(prepared.cursor);
  return rows;
}

std::string TestClient::Scalar(const std::string& sql) {
  std::vector<WireRow> rows = Query(sql);
  if (rows.size() != 1 || rows[0].empty()) return "<" + std::to_string(rows.size()) + " rows>";
  return Show(rows[0][0]);
}

std::optional<client::ServerError> ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const client::ServerError& error) {
    return error;
  }
  return std::nullopt;
}

bool WaitUntil(const std::function<bool()>& condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

WireBind InBind(const std::string& name, WireValue value) {
  WireBind bind;
  bind.name = name;
  bind.values.push_back(std::move(value));
  return bind;
}

std::string Show(const WireValue& value) {
  switch (value.kind) {
    case WireValue::Kind::Null: return "";
    case WireValue::Kind::Date: {
      char text[40];
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", value.date.year,
                    value.date.month, value.date.day, value.date.hour, value.date.minute,
                    value.date.second);
      return text;
    }
    case WireValue::Kind::Raw: {
      std::string hex;
      char digits[3];
      for (auto byte : value.bytes) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        hex += digits;
      }
      return hex;
    }
    default: return value.text;
  }
}

}  // namespace devdb::testing
