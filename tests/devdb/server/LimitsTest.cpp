// What a client can make the server spend, and what the server keeps to itself: work before
// logon is small and short, sessions are capped, break tokens cannot be foreseen, and a
// data folder belongs to one server and its owner.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include "DevdbServerTest.h"
#include "devdb/protocol/FrameChannel.h"
#include "devdb/protocol/Messages.h"

namespace devdb::testing {
namespace {

using namespace devdb::protocol;

class LimitsTest : public DevdbServerTest {
 protected:
  // A connection that has said Hello and nothing more.
  FrameChannel Greeted() {
    FrameChannel channel(Socket::Connect("127.0.0.1", Port()));
    channel.Write(ToFrame(HelloRequest{}));
    EXPECT_EQ(channel.Read().status, FrameChannel::ReadStatus::Frame);
    return channel;
  }
};

TEST_F(LimitsTest, AHugeLogonEndsItsConnectionAtOnceWithoutBeingChecked) {
  FrameChannel channel = Greeted();
  std::thread sender([&] {
    try {
      channel.Write(ToFrame(LogonRequest{"system", std::string(8 << 20, 'x'), {}, "", "", ""}));
    } catch (const std::exception&) {
      // the server may close the connection before it has read everything
    }
  });
  EXPECT_TRUE(ServerClosed(channel.Connection())) << "the server read and checked the logon";
  sender.join();
  EXPECT_EQ(System()->Scalar("select 1 from dual"), "1");
}

TEST_F(LimitsTest, PasswordsLongerThanOracleTakesAreRefused) {
  auto client = Connect();
  auto error = ErrorOf([&] { client->LogOn("system", std::string(20000, 'x')); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 1017);
  auto system = System();
  error = ErrorOf([&] { system->Run("create user longpw identified by a" + std::string(1100, 'x')); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 988);
  system->Run("create user longpw identified by a" + std::string(1000, 'x'));
}

TEST_F(LimitsTest, AConnectionThatDoesNotLogOnInTimeIsClosed) {
  Server().Stop(SIGTERM);
  Start({"--memory", "--logon-timeout", "1"});
  FrameChannel idle = Greeted();
  auto session = System();
  EXPECT_TRUE(ServerClosed(idle.Connection())) << "the idle connection stayed open";
  // A session may idle as long as it likes, and may log on again after a logoff.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(session->Scalar("select 1 from dual"), "1");
  session->connection.LogOff();
  session->LogOn("SYSTEM", kSysPassword);
  EXPECT_EQ(session->Scalar("select 2 from dual"), "2");
}

TEST_F(LimitsTest, SessionsBeyondTheCapAreRefusedWithOra00018) {
  Server().Stop(SIGTERM);
  Start({"--memory", "--max-sessions", "2"});
  auto first = System();
  auto second = System();
  auto third = Connect();
  auto error = ErrorOf([&] { third->LogOn("SYSTEM", kSysPassword); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Code(), 18);
  EXPECT_STREQ(error->what(), "ORA-00018: maximum number of sessions exceeded");
  first->connection.LogOff();
  third->LogOn("SYSTEM", kSysPassword);
  EXPECT_EQ(third->Scalar("select 1 from dual"), "1");
}

// The next output of a 64-bit Mersenne Twister, from the 312 outputs before it.
std::uint64_t NextOfMersenneTwister(const std::vector<std::uint64_t>& outputs) {
  auto untemper = [](std::uint64_t y) {
    y ^= y >> 43;
    y ^= (y << 37) & 0xFFF7EEE000000000ULL;
    std::uint64_t x = y;
    for (int i = 0; i < 4; ++i) x = y ^ ((x << 17) & 0x71D67FFFEDA60000ULL);
    y = x;
    for (int i = 0; i < 3; ++i) x = y ^ ((x >> 29) & 0x5555555555555555ULL);
    return x;
  };
  std::vector<std::uint64_t> state;
  for (std::uint64_t output : outputs) state.push_back(untemper(output));
  const std::uint64_t mixed = (state[0] & 0xFFFFFFFF80000000ULL) | (state[1] & 0x7FFFFFFFULL);
  std::uint64_t next = state[156] ^ (mixed >> 1) ^ ((mixed & 1) ? 0xB5026F5AA96619E9ULL : 0);
  next ^= (next >> 29) & 0x5555555555555555ULL;
  next ^= (next << 17) & 0x71D67FFFEDA60000ULL;
  next ^= (next << 37) & 0xFFF7EEE000000000ULL;
  next ^= next >> 43;
  return next;
}

TEST_F(LimitsTest, BreakTokensOfEarlierSessionsDoNotForetellTheNext) {
  // The predictor is right about the generator it models...
  std::mt19937_64 model(12345);
  std::vector<std::uint64_t> outputs;
  for (int i = 0; i < 312; ++i) outputs.push_back(model());
  ASSERT_EQ(NextOfMersenneTwister(outputs), model());
  // ...and must be wrong about the server's tokens.
  auto client = Connect();
  std::vector<std::uint64_t> tokens;
  for (int i = 0; i < 313; ++i) {
    tokens.push_back(client->LogOn("SYSTEM", kSysPassword).breakToken);
    client->connection.LogOff();
  }
  const std::uint64_t last = tokens.back();
  tokens.pop_back();
  EXPECT_NE(NextOfMersenneTwister(tokens), last) << "the next break token was predictable";
}

TEST_F(LimitsTest, ADataFolderServesOneServerAndOnlyItsOwner) {
  StartWithDataFolder();
  Server().Stop(SIGTERM);
  const std::filesystem::path folder = dataFolder_ / "fresh";
  Start({"--data", folder.string()});
  EXPECT_EQ(System()->Scalar("select 1 from dual"), "1");
  auto modeOf = [](const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 07777u;
  };
  EXPECT_EQ(modeOf(folder), 0700u);
  EXPECT_EQ(modeOf(folder / "devdb.sqlite"), 0600u);
  EXPECT_EQ(modeOf(folder / "devdb.sqlite-wal"), 0600u);

  std::vector<std::string> second = {"--data", folder.string(), "--sys-password", kSysPassword};
  EXPECT_THROW({ DevdbProcess taker(second); }, std::runtime_error)
      << "a second server took the folder";
  EXPECT_EQ(System()->Scalar("select 2 from dual"), "2");
}

}  // namespace
}  // namespace devdb::testing
