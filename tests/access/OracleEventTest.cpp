// The alert and pipe listener end to end against devdb: the name list and Start's validation,
// the started-state guards, pipe messages of every item kind (the debug message of
// Vek_Debug.PRINT among them), empty and long messages, timeouts, alerts with the private
// wake-up alert, a killed listening session, Stop right after Start and while a delivery
// waits for the main thread, names with quotes, and the removal of the Session component.
#include <gtest/gtest.h>

#include <atomic>
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
#include "tests/support/DevdbProcess.h"


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
    // What the package's installation and its code need.
    Run(system, "grant create public synonym to app");
    Run(system, "grant select on v_$session to app");
    const int installed =
        devdb::testing::RunToEnd({DEVDB_EXECUTABLE, "--run", VEK_PACKAGE_RESOURCE, "--user", "app/app",
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


TEST_P(OracleEventTest, NamesTypeAndSessionCannotChangeWhileStarted) {
  auto listener = NewListener(otPipe, "GUARDED");
  listener->Start();
  TOracleSession other;
  struct Change {
    const char* what;
    std::function<void()> change;
  };
  const std::vector<Change> changes = {
      {"Session", [&] { listener->SetSession(&other); }},
      {"ObjectType", [&] { listener->SetObjectType(otAlert); }},
      {"ObjectNames", [&] { listener->SetObjectNames("OTHER"); }},
      {"Start", [&] { listener->Start(); }},
  };
  TOracleSession* session = listener->Session();
  for (const Change& sample : changes) {
    try {
      sample.change();
      ADD_FAILURE() << sample.what << " was accepted on a started listener";
    } catch (const Exception& error) {
      EXPECT_STREQ(error.what(), "Operation not allowed on a started OracleEvent") << sample.what;
    }
  }
  EXPECT_EQ(listener->Session(), session);
  EXPECT_EQ(listener->ObjectType(), otPipe);
  EXPECT_EQ(listener->ObjectNames(), "GUARDED");
  // These may change at any time.
  listener->SetTimeOut(7);
  listener->SetSynchronized(false);
  listener->SetKeepConnection(true);
  listener->SetKeepConnection(false);
  listener->Stop();
  listener->SetObjectNames("OTHER");
  EXPECT_EQ(listener->ObjectNames(), "OTHER");
}

TEST_P(OracleEventTest, ItemsOfEveryKindArriveInPipeOrder) {
  auto listener = NewListener(otPipe, " ITEMS ");
  listener->SetSynchronized(false);
  listener->Start();
  Run(System(),
      "declare s integer; begin "
      "sys.dbms_pipe.pack_message(2.5); "
      "sys.dbms_pipe.pack_message('text'); "
      "sys.dbms_pipe.pack_message_raw(hextoraw('0A1B')); "
      "sys.dbms_pipe.pack_message(to_date('2003-04-05 06:07:08', 'YYYY-MM-DD HH24:MI:SS')); "
      "sys.dbms_pipe.pack_message(-7); "
      "s := sys.dbms_pipe.send_message(' ITEMS '); end;");
  ASSERT_TRUE(AwaitEvents(1));
  const Delivery delivery = Recorded().Events()[0];
  EXPECT_EQ(delivery.objectName, "ITEMS") << "name 0 of the list, trimmed";
  EXPECT_FALSE(delivery.onMainThread) << "Synchronized is off";
  ASSERT_TRUE(delivery.info.IsArray());
  const std::vector<Variant> expected = {
      Variant(2.5), Variant("text"), Variant("0A1B"),
      Variant::FromDateTime(EncodeDateTime({2003, 4, 5, 6, 7, 8, 0})), Variant(-7.0)};
  EXPECT_EQ(delivery.info.AsArray().lowBound, 0);
  EXPECT_EQ(delivery.info.AsArray().elements, expected);
  listener->Stop();
  EXPECT_TRUE(Recorded().Errors().empty());
}

// The stop message that a listener receives without having been asked to terminate, or any
// message sent with nothing packed.
TEST_P(OracleEventTest, AnEmptyMessageIsDeliveredWithoutItems) {
  for (const TNullValueOption nullValue : {nvUnAssigned, nvNull}) {
    auto listener = NewListener(otPipe, "EMPTY");
    listener->Session()->NullValue = nullValue;
    listener->Start();
    const std::size_t before = Recorded().EventCount();
    Run(System(), "declare s integer; begin s := sys.dbms_pipe.send_message('EMPTY'); end;");
    ASSERT_TRUE(AwaitEvents(before + 1));
    const Delivery delivery = Recorded().Events()[before];
    EXPECT_FALSE(delivery.info.IsArray());
    EXPECT_EQ(delivery.info.IsNull(), nullValue == nvNull) << "NullValue " << nullValue;
    listener->Stop();
  }
  EXPECT_TRUE(Recorded().Errors().empty());
}

TEST_P(OracleEventTest, AWaitingPipeListenerStopsPromptlyAndConsumesItsWakeUp) {
  auto listener = NewListener(otPipe, "QUIET");
  listener->Start();
  // Let the thread reach its wait inside the server (it may also still be on its way).
  Await([] { return false; }, 200ms);
  const auto before = std::chrono::steady_clock::now();
  listener->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
  EXPECT_FALSE(listener->Started());
  EXPECT_EQ(Recorded().EventCount(), 0u) << "the wake-up message is not delivered";
  EXPECT_EQ(One(System(), "select sys.dbms_pipe.receive_message('QUIET', 0) from dual"), "1")
      << "the wake-up message was left in the pipe";
  // Start may follow at once, and the next run sees only new messages.
  listener->Start();
  Run(System(),
      "declare s integer; begin sys.dbms_pipe.pack_message('again'); "
      "s := sys.dbms_pipe.send_message('QUIET'); end;");
  ASSERT_TRUE(AwaitEvents(1));
  EXPECT_EQ(Recorded().Events()[0].info, Variant::Array(0, {Variant("again")}));
  listener->Stop();
}

TEST_P(OracleEventTest, ATimeOutAnsweredWithContinueFalseEndsTheThread) {
  for (const TEventObjectType type : {otPipe, otAlert}) {
    auto listener = NewListener(type, "SILENT");
    listener->SetTimeOut(1);
    std::atomic<int> asked{0};
    listener->SetOnTimeOut([&](TOracleEvent& sender, bool& goOn) {
      EXPECT_TRUE(goOn) << "Continue comes in true";
      EXPECT_EQ(&sender, listener.get());
      goOn = asked.fetch_add(1) == 0;  // go on once, then stop
    });
    listener->Start();
    ASSERT_TRUE(Await([&] { return !listener->Started(); })) << "type " << type;
    EXPECT_EQ(asked.load(), 2);
    EXPECT_EQ(Recorded().Stops(), 0) << "the thread ended on its own";
    EXPECT_TRUE(listener->DuplicateSession()->Connected()) << "nothing disconnects it";
    listener->Stop();  // does nothing now
    EXPECT_EQ(Recorded().Stops(), 0);
  }
  EXPECT_TRUE(Recorded().Errors().empty());
}

TEST_P(OracleEventTest, AnAlertIsDeliveredWithTheNameTheServerReports) {
  auto listener = NewListener(otAlert, "First; second");
  listener->Start();
  Run(System(), "begin sys.dbms_alert.signal('SECOND', 'the message'); commit; end;");
  ASSERT_TRUE(AwaitEvents(1));
  const Delivery delivery = Recorded().Events()[0];
  EXPECT_EQ(delivery.objectName, "SECOND");
  EXPECT_EQ(delivery.info, Variant::Array(0, {Variant("the message")}));
  EXPECT_TRUE(delivery.onMainThread);
  listener->Stop();
  EXPECT_EQ(Recorded().EventCount(), 1u) << "the private wake-up alert is not delivered";
  EXPECT_TRUE(Recorded().Errors().empty());
}

TEST_P(OracleEventTest, StopInAlertModeDeliversNothingAndUndoesTheRegistration) {
  auto listener = NewListener(otAlert, "A;B");
  listener->SetKeepConnection(true);
  listener->Start();
  listener->Stop();
  EXPECT_FALSE(listener->Started());
  EXPECT_EQ(Recorded().EventCount(), 0u);
  EXPECT_EQ(Recorded().Stops(), 1);
  ASSERT_TRUE(listener->DuplicateSession()->Connected()) << "KeepConnection is on";
  ASSERT_TRUE(listener->StopSession()->Connected());
  try {
    Run(*listener->DuplicateSession(),
        "declare n varchar2(30); m varchar2(100); s integer; "
        "begin sys.dbms_alert.waitany(n, m, s, 0); end;");
    ADD_FAILURE() << "the listening session is still registered for some alert";
  } catch (const EOracleError& error) {
    EXPECT_EQ(error.ErrorCode(), 20000) << error.what();
  }
  // A kept connection is reused as it is.
  listener->Start();
  Run(System(), "begin sys.dbms_alert.signal('A', 'again'); commit; end;");
  ASSERT_TRUE(AwaitEvents(1));
  EXPECT_EQ(Recorded().Events()[0].objectName, "A");
  listener->SetKeepConnection(false);
  listener->Stop();
  EXPECT_FALSE(listener->DuplicateSession()->Connected());
}

TEST_P(OracleEventTest, AKilledListeningSessionGivesOneErrorAndEndsTheThread) {
  for (const TEventObjectType type : {otPipe, otAlert}) {
    auto listener = NewListener(type, "KILLED");
    listener->Start();
    const std::size_t errorsBefore = Recorded().Errors().size();
    // The listener's copy is the only session of APP.
    TOracleQuery query;
    query.SetSession(&System());
    query.SQL = {"select sid, serial# from v$session where username = 'APP'"};
    query.Execute();
    ASSERT_FALSE(query.Eof());
    const std::string session = query.FieldAsString(0) + "," + query.FieldAsString(1);
    query.Next();
    ASSERT_TRUE(query.Eof()) << "more than one session of APP";
    Run(System(), "alter system kill session '" + session + "'");
    ASSERT_TRUE(Await([&] { return !listener->Started(); })) << "type " << type;
    EXPECT_EQ(Recorded().Errors().size(), errorsBefore + 1);
    listener->Stop();  // does nothing now
    EXPECT_EQ(Recorded().Stops(), 0);
    listener.reset();
  }
}

// The thread hands a delivery to the main thread and waits; a Stop on that main thread must
// serve it instead of waiting for a thread that waits for it.
TEST_P(OracleEventTest, StopOnTheMainThreadServesAPendingDelivery) {
  auto listener = NewListener(otPipe, "PENDING");
  listener->Start();
  Run(System(),
      "declare s integer; begin sys.dbms_pipe.pack_message('waiting'); "
      "s := sys.dbms_pipe.send_message('PENDING'); end;");
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!HasPendingMainThreadCalls() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_TRUE(HasPendingMainThreadCalls()) << "no delivery waits for the main thread";
  listener->Stop();
  EXPECT_FALSE(listener->Started());
  EXPECT_EQ(Recorded().EventCount(), 1u) << "the pending delivery was served during Stop";
}

TEST_P(OracleEventTest, StopRightAfterStartEndsTheThread) {
  for (const TEventObjectType type : {otPipe, otAlert}) {
    auto listener = NewListener(type, "HASTY");
    for (int round = 0; round < 5; ++round) {
      listener->Start();
      listener->Stop();
      ASSERT_FALSE(listener->Started()) << "type " << type << ", round " << round;
    }
    EXPECT_EQ(Recorded().EventCount(), 0u) << "type " << type;
    listener.reset();
  }
  EXPECT_EQ(One(System(), "select sys.dbms_pipe.receive_message('HASTY', 0) from dual"), "1")
      << "a wake-up message was left in the pipe";
  EXPECT_TRUE(Recorded().Errors().empty());
}

TEST_P(OracleEventTest, DestroyingTheSessionComponentLeavesTheListenerRunning) {
  auto listener = std::make_unique<TOracleEvent>();
  Recorded().Attach(*listener);
  auto session = std::make_unique<TOracleSession>();
  session->SetLogonUsername("app");
  session->SetLogonPassword("app");
  session->SetLogonDatabase(Server().Database());
  session->Preferences().SetUseOCI7(Mode() == ClientMode::Version7Preferred);
  listener->SetSession(session.get());
  listener->SetObjectNames("ORPHAN");
  listener->Start();
  session.reset();
  EXPECT_EQ(listener->Session(), nullptr);
  EXPECT_TRUE(listener->Started());
  Run(System(),
      "declare s integer; begin sys.dbms_pipe.pack_message('still here'); "
      "s := sys.dbms_pipe.send_message('ORPHAN'); end;");
  ASSERT_TRUE(AwaitEvents(1));
  listener->Stop();
  EXPECT_EQ(StartError(*listener), "TOracleEvent: Session undefined");
}

TEST_P(OracleEventTest, NamesWithAQuoteAreTheLiteralsTheyAreMeantToBe) {
  auto pipe = NewListener(otPipe, "O'PIPE");
  pipe->Start();
  Run(System(),
      "declare s integer; begin sys.dbms_pipe.pack_message('quoted'); "
      "s := sys.dbms_pipe.send_message('O''PIPE'); end;");
  ASSERT_TRUE(AwaitEvents(1));
  pipe->Stop();  // its wake-up goes to the pipe O'PIPE
  EXPECT_FALSE(pipe->Started());
  EXPECT_EQ(One(System(), "select sys.dbms_pipe.receive_message('O''PIPE', 0) from dual"), "1");

  // A name crafted to run its own PL/SQL in the listener's session is only a name.
  auto alert = NewListener(otAlert, "O'NEIL;X'); sys.dbms_alert.signal('Y");
  alert->SetKeepConnection(true);
  alert->Start();
  Run(System(), "begin sys.dbms_alert.signal('O''NEIL', 'irish'); commit; end;");
  ASSERT_TRUE(AwaitEvents(2));
  EXPECT_EQ(Recorded().Events()[1].objectName, "O'NEIL");
  EXPECT_EQ(Recorded().Events()[1].info, Variant::Array(0, {Variant("irish")}));
  alert->Stop();
  EXPECT_TRUE(Recorded().Errors().empty()) << Recorded().Errors()[0];
  EXPECT_EQ(Recorded().EventCount(), 2u);
}

// A pipe message holds 4,096 bytes: the date, the user and a text of about 4,050 bytes.
TEST_P(OracleEventTest, ADebugTextNearThePipeLimitArrivesWhole) {
  ArmChannel();
  auto listener = NewListener(otPipe, "VEK_DEBUG#APP");
  listener->Start();
  TOracleSession& sender = LoggedOn("app", "app");
  const std::vector<int> lengths = {4001, 4050};
  for (const int length : lengths) {
    Run(sender, "begin Vek_Debug.PRINT(rpad('<', " + std::to_string(length - 1) +
                    ", 'x') || '>'); end;");
  }
  ASSERT_TRUE(AwaitEvents(lengths.size()));
  const std::vector<Delivery> events = Recorded().Events();
  for (std::size_t index = 0; index < lengths.size(); ++index) {
    const Variant& info = events[index].info;
    ASSERT_TRUE(info.IsArray());
    ASSERT_EQ(info.AsArray().elements.size(), 3u);
    const std::string& text = info.AsArray().elements[2].AsString();
    EXPECT_EQ(text.size(), static_cast<std::size_t>(lengths[index]));
    EXPECT_EQ(text.front(), '<');
    EXPECT_EQ(text.back(), '>');
  }
  listener->Stop();
  EXPECT_TRUE(Recorded().Errors().empty());
}

TEST_P(OracleEventTest, DestroyingAStartedListenerStopsIt) {
  auto listener = NewListener(otAlert, "GOING");
  listener->Start();
  listener.reset();
  EXPECT_EQ(Recorded().Stops(), 1);
  EXPECT_EQ(One(System(), "select count(*) from v$session where username = 'APP'"), "0")
      << "the listener's sessions are logged off";
}

// The stop session logs on with the listener's password, which has changed meanwhile: Stop
// fails before its wait and the listener stays started; destroying it must still end the
// thread (by breaking its wait) rather than wait for a message that may never come.
TEST_P(OracleEventTest, AFailedWakeUpLeavesTheListenerStartedAndDestructionStillEndsIt) {
  for (const TEventObjectType type : {otPipe, otAlert}) {
    Run(System(), "alter user app identified by app");
    auto listener = NewListener(type, "STUCK");
    listener->Start();
    Run(System(), "alter user app identified by changed");
    try {
      listener->Stop();
      ADD_FAILURE() << "the stop session logged on with the old password";
    } catch (const EOracleError& error) {
      EXPECT_EQ(error.ErrorCode(), 1017) << error.what();
    }
    EXPECT_TRUE(listener->Started()) << "type " << type;
    EXPECT_EQ(StartError(*listener), "Operation not allowed on a started OracleEvent");
    listener.reset();
    EXPECT_EQ(One(System(), "select count(*) from v$session where username = 'APP'"), "0");
  }
  EXPECT_TRUE(Recorded().Errors().empty()) << "the broken wait is not reported";
  EXPECT_EQ(Recorded().Stops(), 0);
}

INSTANTIATE_TEST_SUITE_P(ClientModes, OracleEventTest, VEK_ALL_CLIENT_MODES);

}  // namespace
}  // namespace vek::testing
