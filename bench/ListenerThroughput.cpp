// The pipe listener's speed on devdb: one sender calls Vek_Debug.PRINT with a 60-character
// text as fast as it can while a Synchronized TOracleEvent receives, its main thread serving
// the deliveries in a plain loop. Prints the messages received per second, the latency from
// PRINT's return to OnEvent (median and 99th percentile, one message at a time), the process
// CPU time while the listener waits idle, and, measured in the same run, the floor: five
// executions of a trivial block on one session, the calls one message costs at the least.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "access/OracleEvent.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/VariableTypes.h"
#include "platform/ProgramArguments.h"
#include "platform/UiHooks.h"
#include "tests/support/DevdbProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kChannel = "VEK_DEBUG#APP";
constexpr int kRounds = 7;
constexpr int kThroughputPrints = 1000;  // per round
constexpr int kLatencyPrints = 2000;
constexpr int kFloorRounds = 300;    // per round
constexpr int kCallsPerMessage = 5;  // one receive, three items, one final check

double Microseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::micro>(duration).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::unique_ptr<vek::TOracleSession> Session(const std::string& database, const char* user,
                                             const char* password) {
  auto session = std::make_unique<vek::TOracleSession>();
  session->Cursor = vek::crDefault;
  session->SetLogonUsername(user);
  session->SetLogonPassword(password);
  session->SetLogonDatabase(database);
  return session;
}

void Run(vek::TOracleSession& session, const std::string& sql) {
  vek::TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {sql};
  query.Execute();
}

// The 60-character text of message number i.
std::string Text(int number) {
  std::string text = std::to_string(number) + " ";
  text.resize(60, 'x');
  return text;
}

class Sender {
 public:
  explicit Sender(const std::string& database) : session_(Session(database, "app", "app")) {
    session_->LogOn();
    print_.SetSession(session_.get());
    print_.SQL = {"begin Vek_Debug.PRINT(:msg); end;"};
    print_.DeclareVariable("msg", vek::otString);
  }
  void Print(const std::string& text) {
    print_.SetVariable("msg", vek::Variant(text));
    print_.Execute();
  }

 private:
  std::unique_ptr<vek::TOracleSession> session_;
  vek::TOracleQuery print_;
};

// Arrival times of the deliveries by the number at the start of their text.
struct Arrivals {
  explicit Arrivals(int count) : times(static_cast<std::size_t>(count)) {}
  std::vector<Clock::time_point> times;
  std::atomic<int> received{0};
  std::atomic<bool> purged{false};
};

// The main thread's plain loop: serves the deliveries until the condition holds.
// Looks at the condition at least every millisecond: a round ends within a millisecond of its
// last delivery.
void ServeUntil(const std::function<bool()>& done) { vek::ServeMainThreadCallsUntil(done, 1ms); }

double FloorMicroseconds(vek::TOracleSession& session) {
  vek::TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"begin :n := 0; end;"};
  query.DeclareVariable("n", vek::otInteger);
  query.Execute();
  const auto start = Clock::now();
  for (int round = 0; round < kFloorRounds; ++round) {
    for (int call = 0; call < kCallsPerMessage; ++call) query.Execute();
  }
  return Microseconds(Clock::now() - start) / kFloorRounds;
}

}  // namespace

int main() {
  try {
    devdb::testing::DevdbProcess server({"--memory"});
    const std::string database = "127.0.0.1:" + std::to_string(server.Port());
    vek::SetProgramArguments({"bench_listener", std::string("OCIDLL=") + VEK_DEVDB_CLNTSH});

    auto monitor = Session(database, "system", "manager");
    monitor->LogOn();
    Run(*monitor, "create user app identified by app");
    Run(*monitor, "grant create session to app");
    Run(*monitor, "grant create public synonym to app");
    Run(*monitor, "grant select on v_$session to app");
    if (devdb::testing::RunToEnd({DEVDB_EXECUTABLE, "--run", VEK_PACKAGE_RESOURCE, "--user",
                                  "app/app", "--connect", database}) != 0) {
      throw std::runtime_error("cannot install the package");
    }
    Run(*monitor, "begin sys.dbms_application_info.set_client_info('VEKDEBUGSESSION#APP'); end;");
    Run(*monitor, std::string("begin dbms_alert.signal('") + kChannel + "', 'ENABLE');end;");
    monitor->Commit();

    auto listenerSession = Session(database, "app", "app");
    vek::TOracleEvent listener;
    listener.SetName("OraclePipeEvent");
    listener.SetSession(listenerSession.get());
    listener.SetObjectNames(kChannel);
    Arrivals* current = nullptr;
    listener.SetOnEvent([&](vek::TOracleEvent&, const std::string&, const vek::Variant& info) {
      const Clock::time_point now = Clock::now();
      if (!current || !info.IsArray() || info.AsArray().elements.size() != 3) return;
      const std::string& text = info.AsArray().elements[2].AsString();
      if (text.starts_with("**")) current->purged = true;
      const int number = std::atoi(text.c_str());
      if (number >= 0 && number < static_cast<int>(current->times.size()))
        current->times[static_cast<std::size_t>(number)] = now;
      current->received.fetch_add(1);
      current->received.notify_all();
    });
    listener.Start();

    // Throughput and floor in alternating rounds, so that both see the same load on a
    // noisy machine; the ratio is the median of the rounds' ratios.
    Sender sender(database);
    std::vector<double> perMessage, floors, ratios;
    for (int round = 0; round < kRounds; ++round) {
      Arrivals throughput(kThroughputPrints);
      current = &throughput;
      const auto throughputStart = Clock::now();
      std::thread sending([&] {
        for (int i = 0; i < kThroughputPrints; ++i) sender.Print(Text(i));
      });
      ServeUntil(
          [&] { return throughput.received.load() >= kThroughputPrints || throughput.purged; });
      perMessage.push_back(Microseconds(Clock::now() - throughputStart) / kThroughputPrints);
      sending.join();
      current = nullptr;
      if (throughput.purged) throw std::runtime_error("the sender overran the pipe (purged)");
      floors.push_back(FloorMicroseconds(*monitor));
      ratios.push_back(floors.back() / perMessage.back());
    }
    const double measured = Median(perMessage);
    const double perSecond = 1e6 / measured;

    // Latency: one message at a time.
    Arrivals latency(kLatencyPrints);
    current = &latency;
    std::vector<Clock::time_point> returns(kLatencyPrints);
    std::atomic<bool> sent{false};
    std::thread sending([&] {
      for (int i = 0; i < kLatencyPrints; ++i) {
        sender.Print(Text(i));
        returns[static_cast<std::size_t>(i)] = Clock::now();
        for (int seen = latency.received.load(); seen <= i; seen = latency.received.load())
          latency.received.wait(seen);
      }
      sent = true;
    });
    ServeUntil([&] { return sent.load(); });
    sending.join();
    std::vector<double> latencies;
    for (std::size_t i = 0; i < returns.size(); ++i)
      latencies.push_back(Microseconds(latency.times[i] - returns[i]));
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double share) {
      return latencies[std::min(latencies.size() - 1,
                                static_cast<std::size_t>(share * latencies.size()))];
    };
    current = nullptr;

    // Idle: the listener waits inside the server; the process should use no CPU meanwhile.
    // The main thread sleeps, so that its own serving loop (which wakes every 10 ms to look
    // at its condition) does not count; nothing is delivered while idle.
    const double cpuBefore = ProcessCpuSeconds();
    std::this_thread::sleep_for(3s);
    const double idleCpuMs = (ProcessCpuSeconds() - cpuBefore) * 1e3;
    listener.Stop();

    std::printf(
        "messages received: %.0f per second (%.1f us each; median of %d rounds of %d PRINT "
        "calls from one sender)\n",
        perSecond, measured, kRounds, kThroughputPrints);
    std::printf(
        "latency from PRINT's return to OnEvent, %d messages one at a time: median %.1f us, "
        "99th percentile %.1f us (below zero: shown before PRINT had returned to the sender)\n",
        kLatencyPrints, at(0.5), at(0.99));
    std::printf("CPU time of the process over 3 s with the listener waiting: %.1f ms\n", idleCpuMs);
    std::printf("floor: %d executions of a trivial block on one session: %.1f us (median)\n",
                kCallsPerMessage, Median(floors));
    std::printf("rounds' ratios:");
    for (double ratio : ratios) std::printf(" %.2f", ratio);
    std::printf("\nratio to floor: %.2f\n", Median(ratios));
    std::fflush(stdout);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_listener: %s\n", error.what());
    return 1;
  }
  return 0;
}
