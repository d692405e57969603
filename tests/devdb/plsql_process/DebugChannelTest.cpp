// The debug channel between the monitor's package and a monitor, at the server: a session
// whose client info holds the marker stands in for the monitor, another session reads the
// pipe with the listener's own blocks, and senders log on as APP and call Vek_Debug.PRINT.
#include <gtest/gtest.h>

#include <regex>

#include "PlsqlProcessTest.h"

namespace devdb::testing {
namespace {

using protocol::WireValue;

constexpr const char* kChannel = "VEK_DEBUG#APP";
constexpr int kGenerousWait = 60;  // seconds; only keeps a broken server from hanging the test

class DebugChannelTest : public PlsqlProcessTest {
 protected:
  void SetUp() override {
    PlsqlProcessTest::SetUp();
    InstallPackage();
  }
  static void Print(TestClient& sender, const std::string& text) {
    Block(sender, "begin Vek_Debug.PRINT(:msg); end;",
          {Variable("msg", kString, WireValue::Text(text))});
  }
  // The text of the next message, checked to be the package's three items.
  static std::string NextText(TestClient& reader) {
    EXPECT_EQ(ReceiveMessage(reader, kChannel, kGenerousWait), 0);
    std::vector<WireValue> items = UnpackMessage(reader);
    EXPECT_EQ(items.size(), 3u);
    if (items.size() != 3) return "<" + std::to_string(items.size()) + " items>";
    EXPECT_EQ(items[0].kind, WireValue::Kind::Date);
    EXPECT_EQ(items[1], WireValue::Text("APP"));
    return items[2].text;
  }
};

TEST_F(DebugChannelTest, AnArmedMonitorGetsThreeItemsPerPrint) {
  auto monitor = System();
  Arm(*monitor, "APP");
  auto reader = System();
  auto sender = App();
  Print(*sender, "first");
  Block(*sender, "begin vek_debug.print('second'); end;");
  EXPECT_EQ(NextText(*reader), "first");
  EXPECT_EQ(NextText(*reader), "second");
  EXPECT_EQ(ReceiveMessage(*reader, kChannel, 0), 1) << "one message per call";
}

// What developers write to time their code: the clock's time in the message text.
TEST_F(DebugChannelTest, AMessageCarriesTheTimeFromSystimestamp) {
  auto monitor = System();
  Arm(*monitor, "APP");
  auto reader = System();
  auto sender = App();
  Block(*sender,
        "begin Vek_Debug.print('at ' || to_char(systimestamp, 'HH24:MI:SS.FF3')); "
        "Vek_Debug.print('started ' || systimestamp); end;");
  const std::string timed = NextText(*reader);
  EXPECT_TRUE(std::regex_match(timed, std::regex(R"(at \d{2}:\d{2}:\d{2}\.\d{3})"))) << timed;
  const std::string started = NextText(*reader);
  EXPECT_TRUE(std::regex_match(
      started,
      std::regex(
          R"(started \d{2}-[A-Z]{3}-\d{2} \d{2}\.\d{2}\.\d{2}\.\d{6} [AP]M [+-]\d{2}:\d{2})")))
      << started;
}

TEST_F(DebugChannelTest, ASenderStartedBeforeTheMarkerIsSilentUntilEnable) {
  auto sender = App();
  Print(*sender, "unseen");
  auto reader = System();
  EXPECT_EQ(ReceiveMessage(*reader, kChannel, 0), 1) << "no monitor was marked at the first call";
  Print(*sender, "still unseen");
  EXPECT_EQ(ReceiveMessage(*reader, kChannel, 0), 1);

  auto monitor = System();
  Arm(*monitor, "APP");
  Print(*sender, "seen");
  EXPECT_EQ(NextText(*reader), "seen");
}

TEST_F(DebugChannelTest, AFullPipeLeavesOnlyThePurgeNoticeAndSilencesTheSender) {
  auto monitor = System();
  Arm(*monitor, "APP");
  auto sender = App();
  const std::string sessionName = Block(*sender, "begin :n := dbms_pipe.unique_session_name; end;",
                                        {Variable("n", kString)})["n"]
                                      .text;
  ASSERT_FALSE(sessionName.empty());
  // Nobody reads: a few of these fill the pipe, one send then times out after a second.
  const std::string text(1000, 'x');
  for (int i = 0; i < 30; ++i) Print(*sender, text);

  auto reader = System();
  EXPECT_EQ(NextText(*reader),
            "** Message queue purged AND debugging disabled FOR process " + sessionName);
  EXPECT_EQ(ReceiveMessage(*reader, kChannel, 0), 1) << "the notice is the only message left";
  Print(*sender, "after the purge");
  EXPECT_EQ(ReceiveMessage(*reader, kChannel, 0), 1) << "the sender stays silent";

  Arm(*monitor, "APP");
  Print(*sender, "enabled again");
  EXPECT_EQ(NextText(*reader), "enabled again");
}

TEST_F(DebugChannelTest, ASecondSendersStartedReachesTheAlertListener) {
  auto monitor = System();
  Arm(*monitor, "APP");
  auto reader = System();
  auto first = App();
  Print(*first, "one");
  EXPECT_EQ(NextText(*reader), "one");

  auto listener = System();
  Block(*listener, std::string("begin\n  sys.dbms_alert.register('") + kChannel + "');\nend;");
  auto second = App();
  Print(*second, "two");
  BlockResult alert =
      Block(*listener, "begin\n  sys.dbms_alert.waitany(:name, :message, :status, :timeout);\nend;",
            {Variable("status", kInteger), Variable("name", kString), Variable("message", kString),
             Variable("timeout", kString, WireValue::Text(std::to_string(kGenerousWait)))});
  EXPECT_EQ(alert["status"].text, "0");
  EXPECT_EQ(alert["name"].text, kChannel);
  EXPECT_EQ(alert["message"].text, "STARTED");
  EXPECT_EQ(NextText(*reader), "two") << "the marker was there when the second sender started";

  // The monitor's answer makes "ENABLE" the latest message again.
  Arm(*monitor, "APP");
  alert =
      Block(*listener, "begin\n  sys.dbms_alert.waitany(:name, :message, :status, :timeout);\nend;",
            {Variable("status", kInteger), Variable("name", kString), Variable("message", kString),
             Variable("timeout", kString, WireValue::Text("0"))});
  EXPECT_EQ(alert["message"].text, "ENABLE");
}

}  // namespace
}  // namespace devdb::testing
