// The alert and pipe listener end to end against devdb: the name list and Start's validation,
// the started-state guards, pipe messages of every item kind (the debug message of
// Vek_Debug.PRINT among them), empty and long messages, timeouts, alerts with the private
// wake-up alert, a killed listening session, Stop right after Start and while a delivery
// waits for the main thread, names with quotes, and the removal of the Session component.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "access/EventThread.h"
#include "access/OracleError.h"
#include "access/OracleEvent.h"
#include "access/Variables.h"
#include "platform/DateTime.h"
#include "platform/UiHooks.h"
#include "tests/access/AccessFixture.h"

extern char** environ;

namespace vek::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 20s;

// Serves the main thread's calls (the Synchronized deliveries) until the condition holds or
// the patience runs out; returns the condition.
bool Await(const std::function<bool()>& condition, std::chrono::milliseconds patience = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  ServeMainThreadCallsUntil(
      [&] { return condition() || std::chrono::steady_clock::now() >= deadline; });
  return condition();
}

// What the handlers of one listener saw, in order.
struct Delivery {
  std::string objectName;
  Variant info;
  bool onMainThread;
};

class Recorder {
 public:
  void Attach(TOracleEvent& listener) {
    listener.SetOnEvent([this](TOracleEvent&, const std::string& name, const Variant& info) {
      std::lock_guard lock(mutex_);
      events_.push_back({name, info, IsMainThread()});
    });
    listener.SetOnError([this](TOracleEvent&, const std::exception& error) {
      std::lock_guard lock(mutex_);
      errors_.push_back(error.what());
    });
    listener.SetOnStop([this](TOracleEvent&) { stops_.fetch_add(1); });
  }
  std::size_t EventCount() const {
    std::lock_guard lock(mutex_);
    return events_.size();
  }
  std::vector<Delivery> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<std::string> Errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
  }
  int Stops() const { return stops_.load(); }

 private:
  mutable std::mutex mutex_;
  std::vector<Delivery> events_;
  std::vector<std::string> errors_;
  std::atomic<int> stops_{0};
};

int RunProgram(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string StartError(TOracleEvent& listener) {
  try {
    listener.Start();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "<no error>";
}

// ---------------------------------------------------------------------------------------------
// The name list and Start's validation need no server.

struct NameListCase {
  const char* text;
  std::vector<std::string> names;
};

TEST(OracleEventNames, TheNameListSplitsAtSemicolonsAndTrimsEachName) {
  const std::vector<NameListCase> cases = {
      {"", {}},
      {"  ", {}},
      {"\t\r\n", {}},
      {"VEK_DEBUG#APP", {"VEK_DEBUG#APP"}},
      {"  A  ", {"A"}},
      {"A; B", {"A", "B"}},
      {"A;", {"A", ""}},
      {";A", {"", "A"}},
      {";", {"", ""}},
      {" ; ", {"", ""}},
      {"A;;B", {"A", "", "B"}},
      {"\tA\t;\nB C\n", {"A", "B C"}},
  };
  for (const NameListCase& sample : cases) {
    TOracleEvent listener;
    listener.SetObjectNames(sample.text);
    ASSERT_EQ(listener.ObjectNameCount(), static_cast<int>(sample.names.size()))
        << "names counted in \"" << sample.text << "\"";
    for (int index = 0; index < listener.ObjectNameCount(); ++index) {
      EXPECT_EQ(listener.ObjectName(index), sample.names[static_cast<std::size_t>(index)])
          << "name " << index << " of \"" << sample.text << "\"";
    }
  }
}

TEST(OracleEventNames, PropertiesStartWithTheirDefaults) {
  TOracleEvent listener;
  EXPECT_EQ(listener.Session(), nullptr);
  EXPECT_EQ(listener.ObjectType(), otPipe);
  EXPECT_EQ(listener.ObjectNames(), "");
  EXPECT_EQ(listener.TimeOut(), 0);
  EXPECT_TRUE(listener.Synchronized());
  EXPECT_FALSE(listener.KeepConnection());
  EXPECT_FALSE(listener.Started());
  EXPECT_EQ(listener.EventQuery().Name(), "EventQuery");
  EXPECT_EQ(listener.DuplicateSession(), nullptr);
  EXPECT_EQ(listener.StopSession(), nullptr);
  EXPECT_EQ(listener.StopQuery(), nullptr);
}

struct ValidationCase {
  bool withSession;
  TEventObjectType type;
  const char* names;
  const char* message;
};

TEST(OracleEventNames, StartValidatesInOrderAndStartsNothing) {
  const std::vector<ValidationCase> cases = {
      {false, otPipe, "", "TOracleEvent: Session undefined"},
      {false, otPipe, "A;B", "TOracleEvent: Session undefined"},
      {true, otPipe, "", "TOracleEvent: ObjectNames undefined"},
      {true, otAlert, "  ", "TOracleEvent: ObjectNames undefined"},
      {true, otPipe, "A;B", "TOracleEvent: Only one ObjectName allowed for a Pipe"},
      {true, otPipe, "A;", "TOracleEvent: Only one ObjectName allowed for a Pipe"},
      {true, otAlert, "A;", "TOracleEvent: ObjectName cannot be empty"},
      {true, otAlert, ";A", "TOracleEvent: ObjectName cannot be empty"},
      {true, otAlert, "A; ;B", "TOracleEvent: ObjectName cannot be empty"},
  };
  for (const ValidationCase& sample : cases) {
    TOracleSession session;
    TOracleEvent listener;
    bool started = false;
    listener.SetOnStart([&](TOracleEvent&) { started = true; });
    if (sample.withSession) listener.SetSession(&session);
    listener.SetObjectType(sample.type);
    listener.SetObjectNames(sample.names);
    EXPECT_EQ(StartError(listener), sample.message) << "names \"" << sample.names << "\"";
    EXPECT_FALSE(started) << "OnStart ran although validation failed";
    EXPECT_FALSE(listener.Started());
    EXPECT_EQ(listener.DuplicateSession(), nullptr);
  }
}

TEST(OracleEventNames, StopOnANeverStartedListenerDoesNothing) {
  TOracleEvent listener;
  bool stopped = false;
  listener.SetOnStop([&](TOracleEvent&) { stopped = true; });
  listener.Stop();
  EXPECT_FALSE(stopped);
  EXPECT_EQ(listener.StopSession(), nullptr);
}

TEST(OracleEventNames, DestroyingTheSessionComponentUnsetsSession) {
  TOracleEvent listener;
  {
    TOracleSession session;
    listener.SetSession(&session);
    EXPECT_EQ(listener.Session(), &session);
  }
  EXPECT_EQ(listener.Session(), nullptr);
}

TEST(OracleEventNames, QuotesAreDoubledInLiterals) {
  EXPECT_EQ(TOracleEvent::QuotedLiteral("VEK_DEBUG#APP"), "VEK_DEBUG#APP");
  EXPECT_EQ(TOracleEvent::QuotedLiteral("O'Brien"), "O''Brien");
  EXPECT_EQ(TOracleEvent::QuotedLiteral("x'); drop table t; --"), "x''); drop table t; --");
}

// ---------------------------------------------------------------------------------------------
// End to end against devdb.

class OracleEventTest : public AccessTest {
 protected:
  void SetUp() override {
    TOracleSession& system = LoggedOn();
    Run(system, "create user app identified by app");
    Run(system, "grant create session to app");
    const int installed =
        RunProgram({DEVDB_EXECUTABLE, "--run", VEK_PACKAGE_RESOURCE, "--user", "app/app",
                    "--connect", Server().Database()});
    ASSERT_EQ(installed, 0) << "devdb --run of the monitor's package";
    system_ = &system;
  }

  // A listener on a session of APP (not logged on: the listener logs on its own copy).
  std::unique_ptr<TOracleEvent> NewListener(TEventObjectType type, const std::string& names) {
    auto listener = std::make_unique<TOracleEvent>();
    listener->SetName("OraclePipeEvent");
    listener->SetSession(&NewSession("app", "app"));
    listener->SetObjectType(type);
    listener->SetObjectNames(names);
    recorder_.Attach(*listener);
    return listener;
  }

  // Marks a session of APP as the monitor and enables its senders.
  void ArmChannel() {
    Run(*system_,
        "begin sys.dbms_application_info.set_client_info('VEKDEBUGSESSION#APP'); end;");
  }

  TOracleSession& System() { return *system_; }
  TDateTime ServerDate() {
    TOracleQuery query;
    query.SetSession(system_);
    query.SQL = {"select sysdate from dual"};
    query.Execute();
    return query.FieldAsDate(0);
  }
  Recorder& Recorded() { return recorder_; }

  bool AwaitEvents(std::size_t count) {
    return Await([&] { return recorder_.EventCount() >= count; });
  }

 private:
  TOracleSession* system_ = nullptr;
  Recorder recorder_;
};

TEST_P(OracleEventTest, TheDebugMessageArrivesAsADateAndTwoStrings) {
  ArmChannel();
  auto listener = NewListener(otPipe, "VEK_DEBUG#APP");
  listener->Start();
  ASSERT_TRUE(listener->Started());
  EXPECT_EQ(listener->DuplicateSession()->Name(), "OraclePipeEvent_DuplicateSession");
  TOracleSession& sender = LoggedOn("app", "app");
  const TDateTime before = ServerDate();
  Run(sender, "begin Vek_Debug.PRINT('hello from APP'); end;");
  ASSERT_TRUE(AwaitEvents(1)) << "no event within " << kPatience.count() << " s";
  const Delivery delivery = Recorded().Events()[0];
  EXPECT_EQ(delivery.objectName, "VEK_DEBUG#APP");
  EXPECT_TRUE(delivery.onMainThread) << "Synchronized is on";
  ASSERT_TRUE(delivery.info.IsArray());
  const VariantArray& items = delivery.info.AsArray();
  ASSERT_EQ(items.lowBound, 0);
  ASSERT_EQ(items.elements.size(), 3u);
  EXPECT_EQ(items.elements[0].Kind(), VariantKind::vkDateTime);
  EXPECT_NEAR(items.elements[0].AsDateTime(), before, 2.0 / 86400) << "SYSDATE of the sender";
  EXPECT_EQ(items.elements[1], Variant("APP"));
  EXPECT_EQ(items.elements[2], Variant("hello from APP"));
  listener->Stop();
  EXPECT_FALSE(listener->Started());
  EXPECT_EQ(Recorded().Stops(), 1);
  EXPECT_TRUE(Recorded().Errors().empty());
  EXPECT_FALSE(listener->DuplicateSession()->Connected()) << "KeepConnection is off";
  EXPECT_FALSE(listener->StopSession()->Connected());
  EXPECT_EQ(listener->StopSession()->Name(), "OraclePipeEvent_StopSession");
  EXPECT_EQ(listener->StopQuery()->Name(), "StopQuery");
}

INSTANTIATE_TEST_SUITE_P(ClientModes, OracleEventTest, VEK_ALL_CLIENT_MODES);

}  // namespace
}  // namespace vek::testing
