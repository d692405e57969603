// The debug channel's speed on devdb over loopback: Vek_Debug.PRINT calls per second from one
// sender while a reader drains the pipe with the listener's own blocks, and the latency from
// PRINT's return in the sender to the reader's return from its pipe wait (median and 99th
// percentile), each next to the bare loopback round trip (Ping) measured in the same run.
// Starts its own devdb --memory and installs the monitor's package with devdb --run.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "devdb/client/Connection.h"
#include "tests/support/DevdbProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
using devdb::client::Connection;
using devdb::protocol::ExecuteRequest;
using devdb::protocol::WireBind;
using devdb::protocol::WireValue;
using devdb::testing::RunToEnd;

constexpr const char* kChannel = "VEK_DEBUG#APP";
constexpr int kThroughputPrints = 3000;
constexpr int kWindow = 50;  // the sender stays at most this many messages ahead of the reader
constexpr int kLatencyPrints = 1000;

double Microseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::micro>(duration).count();
}

double PingMicroseconds(Connection& connection) {
  const int count = 3000;
  auto start = Clock::now();
  for (int i = 0; i < count; ++i) connection.Ping();
  return Microseconds(Clock::now() - start) / count;
}

std::unique_ptr<Connection> LogOn(std::uint16_t port, const char* user, const char* password) {
  auto connection = std::make_unique<Connection>("127.0.0.1", port);
  connection->LogOn({user, password, devdb::protocol::WireConnectMode::Normal, "bench",
                     "localhost", "bench_devdb_print_channel"});
  return connection;
}

void Run(Connection& connection, const std::string& sql, std::vector<WireBind> binds = {}) {
  auto prepared = connection.Prepare(sql);
  ExecuteRequest request;
  request.cursor = prepared.cursor;
  request.binds = std::move(binds);
  connection.Execute(request);
  connection.CloseCursor(prepared.cursor);
}

WireBind Variable(const std::string& name, int type, WireValue value = WireValue::Null()) {
  WireBind bind{name, true, 4000, {std::move(value)}};
  bind.declaredType = type;
  return bind;
}

// The pipe listener's loop, as the monitor's listener thread runs it: a wait, then one call
// per item and one for the end of the message. Notes the time each wait returned a message.
class Reader {
 public:
  explicit Reader(std::uint16_t port) : connection_(LogOn(port, "system", "bench")) {
    receive_ = connection_->Prepare(
        "begin\n  :status := sys.dbms_pipe.receive_message(:pipename, :timeout);\nend;").cursor;
    unpack_ = connection_->Prepare(
        "begin\n  :item_type := sys.dbms_pipe.next_item_type;\n"
        "  if :item_type = 6 then\n    sys.dbms_pipe.unpack_message(:number_item);\n  end if;\n"
        "  if :item_type = 9 then\n    sys.dbms_pipe.unpack_message(:varchar2_item);\n  end if;\n"
        "  if :item_type = 12 then\n    sys.dbms_pipe.unpack_message(:date_item);\n  end if;\n"
        "end;").cursor;
  }

  // Receives until a message with the text "stop"; returns the arrival time of each message
  // by the number in its text.
  std::vector<Clock::time_point> Drain(int expected, std::atomic<int>& received) {
    std::vector<Clock::time_point> arrivals(static_cast<std::size_t>(expected));
    for (;;) {
      ExecuteRequest wait;
      wait.cursor = receive_;
      wait.binds = {Variable("status", 3), Variable("pipename", 5, WireValue::Text(kChannel)),
                    Variable("timeout", 5, WireValue::Text("30"))};
      auto reply = connection_->Execute(wait);
      const Clock::time_point arrived = Clock::now();
      if (reply.outValues[0][0].text != "0") throw std::runtime_error("the reader's wait ran out");
      std::string text;
      for (;;) {
        ExecuteRequest unpack;
        unpack.cursor = unpack_;
        unpack.binds = {Variable("item_type", 3), Variable("number_item", 4),
                        Variable("varchar2_item", 5), Variable("date_item", 12)};
        auto items = connection_->Execute(unpack);
        const std::string type = items.outValues[0][0].text;
        if (type == "9") text = items.outValues[2][0].text;  // the last text item is PRINT's
        else if (type != "6" && type != "12") break;
      }
      if (text == "stop") return arrivals;
      if (text.starts_with("**")) throw std::runtime_error("the pipe was purged: " + text);
      const int number = std::stoi(text);
      if (number >= 0 && number < expected) arrivals[static_cast<std::size_t>(number)] = arrived;
      received.fetch_add(1);
      received.notify_all();
    }
  }

 private:
  std::unique_ptr<Connection> connection_;
  std::uint32_t receive_ = 0;
  std::uint32_t unpack_ = 0;
};

struct Sender {
  explicit Sender(std::uint16_t port) : connection(LogOn(port, "app", "app")) {
    print = connection->Prepare("begin Vek_Debug.PRINT(:msg); end;").cursor;
  }
  void Print(const std::string& text) {
    ExecuteRequest request;
    request.cursor = print;
    request.binds = {Variable("msg", 5, WireValue::Text(text))};
    connection->Execute(request);
  }
  std::unique_ptr<Connection> connection;
  std::uint32_t print = 0;
};

void Throughput(std::uint16_t port, Connection& pinger) {
  Reader reader(port);
  Sender sender(port);
  std::atomic<int> received{0};
  std::thread draining([&] { reader.Drain(kThroughputPrints, received); });
  auto start = Clock::now();
  for (int i = 0; i < kThroughputPrints; ++i) {
    for (int seen = received.load(); i - seen >= kWindow; seen = received.load()) received.wait(seen);
    sender.Print(std::to_string(i));
  }
  for (int seen = received.load(); seen < kThroughputPrints; seen = received.load()) received.wait(seen);
  const double seconds = Microseconds(Clock::now() - start) / 1e6;
  sender.Print("stop");
  draining.join();
  std::printf(
      "Vek_Debug.PRINT from one sender, drained by the listener's blocks (window %d): "
      "%.0f calls/s (%.1f us each; loopback round trip %.1f us)\n",
      kWindow, kThroughputPrints / seconds, seconds / kThroughputPrints * 1e6,
      PingMicroseconds(pinger));
}

void Latency(std::uint16_t port, Connection& pinger) {
  Reader reader(port);
  Sender sender(port);
  std::atomic<int> received{0};
  std::vector<Clock::time_point> arrivals;
  std::thread draining([&] { arrivals = reader.Drain(kLatencyPrints, received); });
  std::vector<Clock::time_point> returns(kLatencyPrints);
  for (int i = 0; i < kLatencyPrints; ++i) {
    sender.Print(std::to_string(i));
    returns[static_cast<std::size_t>(i)] = Clock::now();
    // One message at a time, so that no message waits behind another.
    for (int seen = received.load(); seen <= i; seen = received.load()) received.wait(seen);
  }
  sender.Print("stop");
  draining.join();
  std::vector<double> latencies;
  for (int i = 0; i < kLatencyPrints; ++i)
    latencies.push_back(Microseconds(arrivals[static_cast<std::size_t>(i)] - returns[static_cast<std::size_t>(i)]));
  std::sort(latencies.begin(), latencies.end());
  auto at = [&](double share) {
    return latencies[std::min(latencies.size() - 1, static_cast<std::size_t>(share * latencies.size()))];
  };
  std::printf(
      "latency from PRINT's return to the reader's receive, %d messages one at a time: "
      "median %.1f us, 99th percentile %.1f us (negative: the reader had it before the sender's "
      "reply arrived; loopback round trip %.1f us)\n",
      kLatencyPrints, at(0.5), at(0.99), PingMicroseconds(pinger));
}

}  // namespace

int main() {
  try {
    devdb::testing::DevdbProcess server({"--memory", "--sys-password", "bench"});
    const std::string connect = "127.0.0.1:" + std::to_string(server.Port());
    char setup[] = "/tmp/bench-devdb-print-XXXXXX";
    const int descriptor = mkstemp(setup);
    if (descriptor < 0) throw std::runtime_error("cannot write the set-up script");
    ::close(descriptor);
    std::ofstream(setup) << "create user app identified by app;\ngrant create session to app;\n"
                         "grant create public synonym to app;\ngrant select on v_$session to app;\n";
    const int created = RunToEnd({DEVDB_EXECUTABLE, "--run", setup, "--user", "system/bench",
                                  "--connect", connect});
    std::remove(setup);
    if (created != 0) throw std::runtime_error("cannot create the user APP");
    if (RunToEnd({DEVDB_EXECUTABLE, "--run", VEK_PACKAGE_RESOURCE, "--user", "app/app",
                  "--connect", connect}) != 0)
      throw std::runtime_error("cannot install the package");

    auto monitor = LogOn(server.Port(), "system", "bench");
    Run(*monitor, "begin\n  sys.dbms_application_info.set_client_info(client_info => :client_info);\nend;",
        {Variable("client_info", 5, WireValue::Text("VEKDEBUGSESSION#APP"))});
    Run(*monitor, std::string("begin dbms_alert.signal('") + kChannel + "', 'ENABLE');end;");
    monitor->Commit();
    std::printf("loopback round trip (Ping, no engine): %.1f us\n", PingMicroseconds(*monitor));
    Throughput(server.Port(), *monitor);
    Latency(server.Port(), *monitor);
    std::fflush(stdout);
    server.Stop(SIGTERM);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "devdb_print_channel: %s\n", error.what());
    return 1;
  }
  return 0;
}
