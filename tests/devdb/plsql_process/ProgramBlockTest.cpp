// The blocks the program itself sends, exactly as it writes them: the package call that sets
// the client info (and the boolean and function forms of the same builder), the listener's
// pipe wait and item-by-item unpacking, its alert registration, wait and removal, and the
// stop messages that wake a listener.
#include <gtest/gtest.h>

#include <future>

#include "PlsqlProcessTest.h"

namespace devdb::testing {
namespace {

using protocol::WireValue;

constexpr int kGenerousWait = 60;

class ProgramBlockTest : public PlsqlProcessTest {};

TEST_F(ProgramBlockTest, ApplicationInfoShowsInVSessionAtOnce) {
  auto monitor = App();
  SetClientInfo(*monitor, "VEKDEBUGSESSION#APP");
  auto other = System();
  const std::string sid = std::to_string(monitor->connection.Logon().sid);
  EXPECT_EQ(other->Scalar("select client_info from v$session where sid = " + sid),
            "VEKDEBUGSESSION#APP");
  SetClientInfo(*monitor, "second text");
  EXPECT_EQ(other->Scalar("select client_info from v$session where sid = " + sid), "second text");
  EXPECT_EQ(other->Scalar("select count(*) from v$session where client_info = 'VEKDEBUGSESSION#APP'"),
            "0");

  monitor->Run("begin dbms_application_info.set_module('pipewatch', 'arming'); end;");
  EXPECT_EQ(other->Scalar("select module || '/' || action from v$session where sid = " + sid),
            "pipewatch/arming");
  monitor->Run("begin dbms_application_info.set_action('listening'); end;");
  EXPECT_EQ(other->Scalar("select action from v$session where sid = " + sid), "listening");
  BlockResult read = Block(*monitor, "begin dbms_application_info.read_client_info(:info); end;",
                           {Variable("info", kString)});
  EXPECT_EQ(read["info"].text, "second text");
}

TEST_F(ProgramBlockTest, BooleanParametersTravelThroughDiutil) {
  auto app = App();
  Block(*app,
        "create or replace procedure flip(p1 varchar2, p2 in out boolean) is\n"
        "begin\n  if p1 = 'flip' then p2 := not p2; end if;\nend;");
  const std::string block =
      "declare\r\n  zqa__boolean1 boolean := sys.diutil.int_to_bool(:p2);\n"
      "begin\n  flip(:p1, zqa__boolean1);\n"
      "  :p2 := sys.diutil.bool_to_int(zqa__boolean1);\nend;";
  auto run = [&](const char* p1, int p2) {
    return Block(*app, block,
                 {Variable("p1", kString, WireValue::Text(p1)),
                  Variable("p2", kInteger, WireValue::Number(std::to_string(p2)))})["p2"]
        .text;
  };
  EXPECT_EQ(run("flip", 1), "0");
  EXPECT_EQ(run("flip", 0), "1");
  EXPECT_EQ(run("keep", 1), "1");
}

TEST_F(ProgramBlockTest, FunctionResultsAndNamedParametersOfTheBuilder) {
  auto app = App();
  Block(*app,
        "create or replace package calc as\n"
        "  function is_even(n number) return boolean;\n"
        "  function twice(n number, extra number default 0) return number;\nend;");
  BlockResult body = Block(*app,
                           "create or replace package body calc as\n"
                           "  function is_even(n number) return boolean is\n"
                           "  begin return mod(n, 2) = 0; end;\n"
                           "  function twice(n number, extra number default 0) return number is\n"
                           "  begin return n * 2 + extra; end;\nend;");
  EXPECT_EQ(body.warning, "");
  auto even = [&](int n) {
    return Block(*app, "begin\n  :zqa__value := sys.diutil.bool_to_int(calc.is_even(n => :n));\nend;",
                 {Variable("zqa__value", kInteger),
                  Variable("n", kInteger, WireValue::Number(std::to_string(n)))})["zqa__value"]
        .text;
  };
  EXPECT_EQ(even(4), "1");
  EXPECT_EQ(even(5), "0");
  EXPECT_EQ(Block(*app, "begin\n  :zqa__value := calc.twice(extra => :p2, n => :p1);\nend;",
                  {Variable("zqa__value", kFloat), Variable("p1", kFloat, WireValue::Number("2.5")),
                   Variable("p2", kFloat, WireValue::Number("1"))})["zqa__value"]
                .text,
            "6");
  EXPECT_EQ(Block(*app, "begin\n  :zqa__value := calc.twice(:p1, Null);\nend;",
                  {Variable("zqa__value", kFloat), Variable("p1", kFloat, WireValue::Number("3"))})
                ["zqa__value"]
                    .IsNull(),
            true)
      << "an explicit Null is passed, not the default";
}

TEST_F(ProgramBlockTest, APipeMessageOfEveryItemTypeIsUnpackedItemByItem) {
  auto sender = App();
  Block(*sender,
        "begin\n  dbms_pipe.pack_message(12.5);\n  dbms_pipe.pack_message('text');\n"
        "  dbms_pipe.pack_message_rowid('AAAAECAABAAAAgiAAA');\n"
        "  dbms_pipe.pack_message_raw(hextoraw('DEAD01'));\n"
        "  dbms_pipe.pack_message(to_date('2024-02-29 13:14:15', 'YYYY-MM-DD HH24:MI:SS'));\n"
        "  :s := dbms_pipe.send_message('ITEMS');\nend;",
        {Variable("s", kInteger)});
  auto reader = System();
  ASSERT_EQ(ReceiveMessage(*reader, "ITEMS", -1), 0) << "a waiting message ends the wait at once";
  std::vector<WireValue> items = UnpackMessage(*reader);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(Show(items[0]), "12.5");
  EXPECT_EQ(Show(items[1]), "text");
  EXPECT_EQ(Show(items[2]), "AAAAECAABAAAAgiAAA");
  EXPECT_EQ(Show(items[3]), "DEAD01");
  EXPECT_EQ(items[4], WireValue::Date({2024, 2, 29, 13, 14, 15}));
}

TEST_F(ProgramBlockTest, APipeWaitWithATimeoutReturnsOneWhenNothingCame) {
  auto reader = App();
  EXPECT_EQ(ReceiveMessage(*reader, "NOTHING", 1), 1);
  EXPECT_EQ(ReceiveMessage(*reader, "NOTHING", 0), 1);
}

TEST_F(ProgramBlockTest, ThePipeStopMessageWakesAWaitingListenerWithAnEmptyMessage) {
  auto reader = App();
  auto waiting = std::async(std::launch::async, [&] { return ReceiveMessage(*reader, "LISTENED", -1); });
  auto stopper = App();
  BlockResult sent = Block(*stopper, "begin\n  :status := sys.dbms_pipe.send_message('LISTENED');\nend;",
                           {Variable("status", kInteger)});
  EXPECT_EQ(sent["status"].text, "0");
  EXPECT_EQ(waiting.get(), 0);
  EXPECT_TRUE(UnpackMessage(*reader).empty()) << "the stop message has no items";
}

TEST_F(ProgramBlockTest, TheAlertLoopRegistersWaitsIsStoppedAndRemoves) {
  auto listener = App();
  BlockResult id = Block(*listener, "begin\n  :unique_session_id := sys.dbms_session.unique_session_id;\nend;",
                         {Variable("unique_session_id", kString)});
  std::string privateName = id["unique_session_id"].text;
  ASSERT_FALSE(privateName.empty());
  for (char& c : privateName)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  Block(*listener, "begin\n  sys.dbms_alert.register('A');\n  sys.dbms_alert.register('B');\n"
                   "  sys.dbms_alert.register('" + privateName + "');\nend;");

  const std::string waitWithTimeout =
      "begin\n  sys.dbms_alert.waitany(:name, :message, :status, :timeout);\nend;";
  auto signaller = App();
  signaller->Run("begin dbms_alert.signal('B', 'on b'); end;");
  signaller->connection.Commit();
  BlockResult alert = Block(*listener, waitWithTimeout,
                            {Variable("status", kInteger), Variable("name", kString), Variable("message", kString),
                             Variable("timeout", kString, WireValue::Text(std::to_string(kGenerousWait)))});
  EXPECT_EQ(alert["status"].text, "0");
  EXPECT_EQ(alert["name"].text, "B");
  EXPECT_EQ(alert["message"].text, "on b");

  alert = Block(*listener, waitWithTimeout,
                {Variable("status", kInteger), Variable("name", kString), Variable("message", kString),
                 Variable("timeout", kString, WireValue::Text("1"))});
  EXPECT_EQ(alert["status"].text, "1") << "nothing signalled since";

  // Stop: the private alert wakes a wait without timeout.
  auto waiting = std::async(std::launch::async, [&] {
    return Block(*listener, "begin\n  sys.dbms_alert.waitany(:name, :message, :status);\nend;",
                 {Variable("status", kInteger), Variable("name", kString), Variable("message", kString)});
  });
  auto stopper = App();
  stopper->Run("begin\n  sys.dbms_alert.signal('" + privateName + "', Null);\n  commit;\nend;");
  BlockResult stopped = waiting.get();
  EXPECT_EQ(stopped["status"].text, "0");
  EXPECT_EQ(stopped["name"].text, privateName);
  EXPECT_TRUE(stopped["message"].IsNull());

  Block(*listener, "begin\n  sys.dbms_alert.remove('A');\n  sys.dbms_alert.remove('B');\n"
                   "  sys.dbms_alert.remove('" + privateName + "');\nend;");
  signaller->Run("begin dbms_alert.signal('A', 'after removal'); end;");
  signaller->connection.Commit();
  auto error = ErrorOf([&] {
    Block(*listener, waitWithTimeout,
          {Variable("status", kInteger), Variable("name", kString), Variable("message", kString),
           Variable("timeout", kString, WireValue::Text("0"))});
  });
  ASSERT_TRUE(error) << "a wait with nothing registered is an error";
}

}  // namespace
}  // namespace devdb::testing
