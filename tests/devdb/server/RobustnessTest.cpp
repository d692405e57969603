// Hostile and broken clients: malformed frames close only their own connection, a client
// that vanishes in the middle of a call or of a frame leaves the server serving the others,
// and a client of another protocol version is told so.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <functional>

#include "DevdbServerTest.h"
#include "devdb/protocol/FrameChannel.h"
#include "devdb/protocol/Messages.h"

namespace devdb::testing {
namespace {

using namespace devdb::protocol;

std::vector<std::uint8_t> Bytes(const Frame& frame) { return FrameCodec::Encode(frame); }

std::vector<std::uint8_t> Header(std::uint32_t length, std::uint16_t type) {
  return {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
          static_cast<std::uint8_t>(length >> 8),  static_cast<std::uint8_t>(length),
          static_cast<std::uint8_t>(type >> 8),    static_cast<std::uint8_t>(type)};
}

void SendAll(const Socket& socket, const std::vector<std::uint8_t>& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(socket.Descriptor(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the server may already have closed the connection
    sent += static_cast<std::size_t>(n);
  }
}

std::vector<std::uint8_t> Hello() { return Bytes(ToFrame(HelloRequest{})); }

std::vector<std::uint8_t> Join(std::vector<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct HostileInput {
  const char* description;
  std::function<std::vector<std::uint8_t>()> bytes;
  bool hangUp = false;  // the client closes its side after sending
};

void PrintTo(const HostileInput& c, std::ostream* out) { *out << c.description; }

class HostileClient : public DevdbServerTest, public ::testing::WithParamInterface<HostileInput> {};

TEST_P(HostileClient, LosesItsConnectionAndNobodyElseNotices) {
  auto bystander = System();
  bystander->Run("create table t (n number)");
  bystander->Run("insert into t values (1)");  // uncommitted: the bystander's session must live on

  Socket hostile = Socket::Connect("127.0.0.1", Port());
  SendAll(hostile, GetParam().bytes());
  if (GetParam().hangUp) ::shutdown(hostile.Descriptor(), SHUT_WR);
  EXPECT_TRUE(ServerClosed(hostile)) << GetParam().description << ": the connection stayed open";

  EXPECT_EQ(bystander->Scalar("select count(*) from t"), "1")
      << "the bystander's session was harmed";
  EXPECT_EQ(System()->Scalar("select 1 from dual"), "1") << "the server stopped taking logons";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileClient,
    ::testing::Values(
        HostileInput{"text instead of Hello",
                     [] {
                       std::string text = "GET / HTTP/1.0\r\n\r\n";
                       return std::vector<std::uint8_t>(text.begin(), text.end());
                     }},
        HostileInput{"Hello with the wrong magic",
                     [] {
                       HelloRequest hello;
                       hello.magic = 0x12345678;
                       return Bytes(ToFrame(hello));
                     }},
        HostileInput{"a request before Hello", [] { return Bytes(ToFrame(PingRequest{})); }},
        HostileInput{"length of 4 GiB",
                     [] {
                       return Join({Hello(), Header(0xFFFFFFFF, 14)});
                     }},
        HostileInput{"length just over the limit",
                     [] {
                       return Join({Hello(), Header(FrameCodec::kMaximumBody + 1, 20)});
                     }},
        HostileInput{"unknown message type",
                     [] {
                       return Join({Hello(), Header(0, 77)});
                     }},
        HostileInput{"a reply type sent by a client",
                     [] {
                       return Join({Hello(), Bytes(ToFrame(OkReply{}))});
                     }},
        HostileInput{"text field longer than its frame",
                     [] {
                       PayloadWriter body;
                       body.U32(1000);
                       body.U8('x');
                       return Join({Hello(), Bytes(Frame{MessageType::Prepare, body.Take()})});
                     }},
        HostileInput{"surplus bytes after the last field",
                     [] {
                       Frame ping = ToFrame(PingRequest{});
                       ping.body.push_back(0);
                       return Join({Hello(), Bytes(ping)});
                     }},
        HostileInput{"logon with an unknown connect mode",
                     [] {
                       Frame logon = ToFrame(LogonRequest{"system", kSysPassword, {}, "", "", ""});
                       logon.body[4 + 6 + 4 + std::string(kSysPassword).size()] = 9;
                       return Join({Hello(), Bytes(logon)});
                     }},
        HostileInput{"half a frame, then gone",
                     [] {
                       auto prepare = Bytes(ToFrame(PrepareRequest{"select 1 from dual"}));
                       prepare.resize(prepare.size() / 2);
                       return Join({Hello(), prepare});
                     },
                     true}));

TEST_F(DevdbServerTest, AnotherProtocolVersionIsToldSoAndDisconnected) {
  Socket socket = Socket::Connect("127.0.0.1", Port());
  FrameChannel channel(std::move(socket));
  HelloRequest hello;
  hello.version = 99;
  channel.Write(ToFrame(hello));
  auto reply = channel.Read();
  ASSERT_EQ(reply.status, FrameChannel::ReadStatus::Frame);
  ASSERT_EQ(reply.frame.type, MessageType::Error);
  EXPECT_EQ(FromFrame<ErrorReply>(reply.frame).error.code, 3134);
  EXPECT_EQ(channel.Read().status, FrameChannel::ReadStatus::Closed);
}

TEST_F(DevdbServerTest, AClientThatVanishesMidCallLeavesTheServerServingOthers) {
  auto system = System();
  system->Run("create table big (n number)");
  WireBind values{"n", false, 22, {}};
  for (int i = 0; i < 1000; ++i) values.values.push_back(WireValue::Number(std::to_string(i)));
  system->Run("insert into big values (:n)", {values}, 1000, 0, true);
  std::uint32_t sid = 0;
  {
    FrameChannel raw(Socket::Connect("127.0.0.1", Port()));
    raw.Write(ToFrame(HelloRequest{}));
    raw.Read();
    raw.Write(ToFrame(LogonRequest{"system", kSysPassword, {}, "", "", ""}));
    sid = FromFrame<LogonReply>(raw.Read().frame).sid;
    raw.Write(ToFrame(PrepareRequest{"insert into big values (-1)"}));
    ExecuteRequest insert;
    insert.cursor = FromFrame<PrepareReply>(raw.Read().frame).cursor;
    raw.Write(ToFrame(insert));
    raw.Read();
    raw.Write(ToFrame(PrepareRequest{"select count(*) from big a, big b, big c, big d"}));
    auto prepared = FromFrame<PrepareReply>(raw.Read().frame);
    ExecuteRequest execute;
    execute.cursor = prepared.cursor;
    execute.prefetchRows = 1;
    raw.Write(ToFrame(execute));
    // Gone without waiting for the answer, while the query (10^12 rows, hours of work) runs on.
    ASSERT_TRUE(WaitUntil([&] {
      return system->Scalar("select status from v$session where sid = " + std::to_string(sid)) ==
             "ACTIVE";
    }));
  }
  EXPECT_EQ(system->Scalar("select 1 from dual"), "1");
  EXPECT_EQ(System()->Scalar("select user from dual"), "SYSTEM");
  // The server notices the hang-up, ends the abandoned call and rolls its session back.
  EXPECT_TRUE(WaitUntil([&] {
    return system->Scalar("select count(*) from v$session where sid = " + std::to_string(sid)) ==
           "0";
  })) << "the vanished client's session never ended";
  EXPECT_EQ(system->Scalar("select count(*) from big where n = -1"), "0");
}

TEST_F(DevdbServerTest, VersionAndHelloCarryTheBanner) {
  server_->Stop(SIGTERM);
  Start({"--memory", "--banner",
         "Oracle Database 11g Enterprise Edition Release 11.2.0.4.0 - 64bit Production"});
  TestClient client(Port());
  EXPECT_EQ(client.connection.Banner(),
            "Oracle Database 11g Enterprise Edition Release 11.2.0.4.0 - 64bit Production");
  EXPECT_EQ(client.connection.Version(), client.connection.Banner());
  client.connection.Ping();
}

TEST_F(DevdbServerTest, TheDefaultBannerNamesACurrentRelease) {
  TestClient client(Port());
  EXPECT_EQ(client.connection.Banner(),
            "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
}

TEST(DevdbClient, ReportsNoListenerWhenNothingListens) {
  // A port that was just free: bind one, learn its number, close it again.
  std::uint16_t port = 0;
  {
    Socket probe = Socket::Listen("127.0.0.1", 0);
    port = probe.LocalPort();
  }
  auto error = ErrorOf([&] { client::Connection connection("127.0.0.1", port); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 12541);
}

TEST_F(DevdbServerTest, ACallAfterTheServerStoppedIsEndOfFileThenNotConnected) {
  auto client = System();
  server_->Stop(SIGTERM);
  server_.reset();
  auto first = ErrorOf([&] { client->connection.Ping(); });
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Code(), 3113);
  auto second = ErrorOf([&] { client->connection.Ping(); });
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Code(), 3114);
}

}  // namespace
}  // namespace devdb::testing
