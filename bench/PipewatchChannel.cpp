// The whole channel into the window: the real monitor window (offscreen) logged on to a devdb
// process through the substitute client library and armed, one sender session calling
// Vek_Debug.PRINT on a thread of its own. Prints messages per second arriving in the pane over
// 20,000 messages, the latency from PRINT's return to the line being in the pane (median and
// 99th percentile over 2,000 messages sent one at a time), the time to arm again for another
// schema (median of 50 changes of the schema box), and, in the same run, the floor: five
// executions of a trivial PL/SQL block on one session per message. Throughput and floor are
// measured in alternating rounds, so that both see the machine in the same state; the ratio
// is the median of the rounds' ratios.
#include <QApplication>
#include <QLineEdit>
#include <QTextDocument>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "monitor/F_Pipewatch.h"
#include "monitor/PipewatchApplication.h"
#include "platform/ProgramArguments.h"
#include "tests/access/Statements.h"
#include "tests/support/DevdbProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;
constexpr int kThroughputMessages = 20000;  // over all rounds
constexpr int kFloorMessages = 1000;        // per round
constexpr int kLatencyMessages = 2000;
constexpr int kSchemaChanges = 50;
const std::string kText(60, 'x');

using vek::testing::LoggedOnSession;

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Seconds per message of the floor: five trivial block executions on one session.
double FloorPerMessage(vek::TOracleQuery& trivial) {
  const auto start = Clock::now();
  for (int i = 0; i < kFloorMessages * 5; ++i) trivial.Execute();
  return Seconds(Clock::now() - start) / kFloorMessages;
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  devdb::testing::DevdbProcess server({"--memory"});
  const std::string database = "127.0.0.1:" + std::to_string(server.Port());
  vek::SetProgramArguments({"pipewatch", "OCIDLL=" VEK_DEVDB_CLNTSH, "UserId=app/app@" + database});
  vek::monitor::PipewatchApplication application(argc, argv);
  vek::testing::InstallPackageAsApp(database, VEK_PACKAGE_SCRIPT);

  vek::monitor::TFormPipewatch window;
  if (!window.FormCreate()) {
    std::fprintf(stderr, "the window did not log on\n");
    return 1;
  }
  window.show();
  QApplication::processEvents();

  auto sender = LoggedOnSession("app", "app", database);
  vek::TOracleQuery print;
  print.SetSession(sender.get());
  print.SQL = {"begin Vek_Debug.print(:text); end;"};
  print.DeclareVariable("text", 5);
  print.SetVariable("text", vek::Variant(kText));

  auto lines = [&] {
    QTextDocument* document = window.Memo->document();
    return document->isEmpty() ? 0 : document->blockCount();
  };
  // Waits as the program's event loop does: asleep until something is posted to it.
  auto serveUntil = [&](auto done) {
    while (!done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  };

  // The package's first use in the sender's session announces itself ("Debug session
  // started"): let that pass before measuring.
  print.Execute();
  serveUntil([&] { return lines() >= 2; });
  window.ActionClearExecute();

  vek::TOracleQuery trivial;
  trivial.SetSession(sender.get());
  trivial.SQL = {"begin null; end;"};
  trivial.Execute();

  // Throughput: the sender calls as fast as it can; each round is followed by the floor.
  double throughputSeconds = 0;
  std::vector<double> floors, ratios;
  for (int round = 0; round < kRounds; ++round) {
    constexpr int kPerRound = kThroughputMessages / kRounds;
    window.ActionClearExecute();
    QApplication::processEvents();
    const auto start = Clock::now();
    std::thread fast([&] {
      for (int i = 0; i < kPerRound; ++i) print.Execute();
    });
    serveUntil([&] { return lines() >= kPerRound; });
    const double seconds = Seconds(Clock::now() - start);
    fast.join();
    throughputSeconds += seconds;
    floors.push_back(FloorPerMessage(trivial));
    ratios.push_back(floors.back() / (seconds / kPerRound));
  }

  // Latency: one message at a time, from PRINT's return to the line in the pane.
  window.ActionClearExecute();
  QApplication::processEvents();
  std::vector<double> latencies;
  std::atomic<bool> sent{false};
  std::atomic<long long> returnedAt{0};
  for (int i = 0; i < kLatencyMessages; ++i) {
    const int before = lines();
    sent = false;
    std::thread one([&] {
      print.Execute();
      returnedAt = Clock::now().time_since_epoch().count();
      sent = true;
      QMetaObject::invokeMethod(qApp, [] {}, Qt::QueuedConnection);  // wakes the loop
    });
    serveUntil([&] { return sent && lines() > before; });
    const auto arrived = Clock::now().time_since_epoch().count();
    one.join();
    latencies.push_back(static_cast<double>(arrived - returnedAt.load()) / 1e3);  // µs
    if (lines() > 1000) window.ActionClearExecute();
  }

  // Arming again: changes of the schema box, each arming both listeners for a new schema.
  std::vector<double> armings;
  QLineEdit* box = window.SchemaNames->lineEdit();
  for (int i = 0; i < kSchemaChanges; ++i) {
    box->setText(QString::fromStdString(i % 2 == 0 ? "APPX" : "APP"));
    const auto start = Clock::now();
    window.SchemaNamesChange();
    armings.push_back(Seconds(Clock::now() - start) * 1e3);
  }

  std::printf("messages in the pane:    %d in %.2f s, %.0f per second\n", kThroughputMessages,
              throughputSeconds, kThroughputMessages / throughputSeconds);
  std::printf("latency PRINT -> pane:   median %.0f us, p99 %.0f us (%d messages one at a time)\n",
              Percentile(latencies, 0.5), Percentile(latencies, 0.99), kLatencyMessages);
  std::printf("arming for a schema:     median %.1f ms (%d changes of the schema box)\n",
              Percentile(armings, 0.5), kSchemaChanges);
  std::printf("floor (5 blocks/message): %.1f us per message (median of %d rounds)\n",
              Percentile(floors, 0.5) * 1e6, kRounds);
  std::printf("rounds' ratios:");
  for (double ratio : ratios) std::printf(" %.2f", ratio);
  std::printf("\nratio to floor: %.2f\n", Percentile(ratios, 0.5));
  return 0;
}
