// Round-trip figures of devdb over loopback: statements per second for a trivial select from
// DUAL, and rows per second for a 100,000-row fetch in batches of 25 and of 500. Each figure
// is printed next to the bare loopback round trip (a Ping, which never reaches the engine)
// measured in the same run, so that figures from different machines can be compared.
// Starts its own devdb --memory on a port the system picks.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "devdb/client/Connection.h"
#include "tests/support/DevdbProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
using devdb::protocol::WireValue;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

double PingMicroseconds(devdb::client::Connection& connection) {
  const int count = 5000;
  auto start = Clock::now();
  for (int i = 0; i < count; ++i) connection.Ping();
  return Seconds(Clock::now() - start) / count * 1e6;
}

void SelectFromDual(devdb::client::Connection& connection) {
  const int count = 20000;
  auto prepared = connection.Prepare("select 'X' from dual");
  devdb::protocol::ExecuteRequest execute;
  execute.cursor = prepared.cursor;
  execute.prefetchRows = 1;
  auto start = Clock::now();
  for (int i = 0; i < count; ++i) connection.Execute(execute);
  double seconds = Seconds(Clock::now() - start);
  connection.CloseCursor(prepared.cursor);
  double rtt = PingMicroseconds(connection);
  std::printf(
      "select 'X' from dual, prepared once, execute+fetch in one round trip: "
      "%.0f statements/s (%.1f us each; loopback round trip %.1f us)\n",
      count / seconds, seconds / count * 1e6, rtt);

  const int fullCount = 5000;
  start = Clock::now();
  for (int i = 0; i < fullCount; ++i) {
    auto cursor = connection.Prepare("select 'X' from dual").cursor;
    execute.cursor = cursor;
    connection.Execute(execute);
    connection.CloseCursor(cursor);
  }
  seconds = Seconds(Clock::now() - start);
  rtt = PingMicroseconds(connection);
  std::printf(
      "select 'X' from dual, prepare+execute+close (3 round trips): "
      "%.0f statements/s (%.1f us each; loopback round trip %.1f us)\n",
      fullCount / seconds, seconds / fullCount * 1e6, rtt);
}

void FillTable(devdb::client::Connection& connection, int rows) {
  auto create = connection.Prepare("create table fetched (n number, t varchar2(30))");
  devdb::protocol::ExecuteRequest run;
  run.cursor = create.cursor;
  connection.Execute(run);
  auto insert = connection.Prepare("insert into fetched values (:n, :t)");
  const int batch = 10000;
  for (int first = 0; first < rows; first += batch) {
    devdb::protocol::ExecuteRequest request;
    request.cursor = insert.cursor;
    request.iterations = batch;
    devdb::protocol::WireBind numbers{"n", false, 22, {}};
    devdb::protocol::WireBind texts{"t", false, 30, {}};
    for (int i = first; i < first + batch; ++i) {
      numbers.values.push_back(WireValue::Number(std::to_string(i)));
      texts.values.push_back(WireValue::Text("row number " + std::to_string(i)));
    }
    request.binds = {numbers, texts};
    connection.Execute(request);
  }
  connection.Commit();
}

void Fetch(devdb::client::Connection& connection, std::uint32_t batch) {
  auto prepared = connection.Prepare("select n, t from fetched");
  devdb::protocol::ExecuteRequest execute;
  execute.cursor = prepared.cursor;
  execute.prefetchRows = batch;
  auto start = Clock::now();
  auto reply = connection.Execute(execute);
  std::uint64_t rows = reply.rows.size();
  int roundTrips = 1;
  bool end = reply.endOfFetch;
  while (!end) {
    auto more = connection.Fetch(prepared.cursor, batch);
    rows += more.rows.size();
    end = more.endOfFetch;
    ++roundTrips;
  }
  double seconds = Seconds(Clock::now() - start);
  connection.CloseCursor(prepared.cursor);
  double rtt = PingMicroseconds(connection);
  std::printf(
      "fetch of %llu rows in batches of %u: %.0f rows/s, %d round trips in %.3f s "
      "(loopback round trip %.1f us)\n",
      static_cast<unsigned long long>(rows), batch, rows / seconds, roundTrips, seconds, rtt);
}

}  // namespace

int main() {
  try {
    devdb::testing::DevdbProcess server({"--memory", "--sys-password", "bench"});
    devdb::client::Connection connection("127.0.0.1", server.Port());
    connection.LogOn({"system", "bench", devdb::protocol::WireConnectMode::Normal, "bench",
                      "localhost", "devdb_round_trip"});
    std::printf("loopback round trip (Ping, no engine): %.1f us\n", PingMicroseconds(connection));
    SelectFromDual(connection);
    FillTable(connection, 100000);
    Fetch(connection, 25);
    Fetch(connection, 500);
    std::fflush(stdout);  // the figures before whatever devdb prints as it stops
    server.Stop(SIGTERM);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "devdb_round_trip: %s\n", error.what());
    return 1;
  }
  return 0;
}
