// The devdb command line: its documented defaults, every option, and the mistakes it refuses
// with a line that says what is wrong.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "devdb/server/ServerOptions.h"

namespace {

using devdb::server::ServerOptions;

TEST(ServerOptions, DefaultsAreLoopbackTheDocumentedPortAndTheHomeDataFolder) {
  ServerOptions options = ServerOptions::Parse({});
  EXPECT_EQ(options.host, "127.0.0.1");
  EXPECT_EQ(options.port, 15210);
  EXPECT_FALSE(options.inMemory);
  EXPECT_EQ(options.dataFolder, ServerOptions::DefaultDataFolder());
  EXPECT_EQ(options.sysPassword, "manager");
  EXPECT_EQ(options.banner,
            "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
  EXPECT_EQ(options.bytesPerCharacter, 4);
  EXPECT_EQ(options.pipeMemoryBytes, 64u << 20);
}

TEST(ServerOptions, TakesEveryOption) {
  ServerOptions options = ServerOptions::Parse({"--listen", "127.0.0.2:0", "--memory", "--banner",
                                                "Oracle8i Release 8.1.7", "--sys-password",
                                                "Secret#1", "--bytes-per-character", "1"});
  EXPECT_EQ(options.host, "127.0.0.2");
  EXPECT_EQ(options.port, 0);
  EXPECT_TRUE(options.inMemory);
  EXPECT_TRUE(options.dataFolder.empty());
  EXPECT_EQ(options.banner, "Oracle8i Release 8.1.7");
  EXPECT_EQ(options.sysPassword, "Secret#1");
  EXPECT_EQ(options.bytesPerCharacter, 1);
}

TEST(ServerOptions, APortAloneKeepsTheLoopbackAddress) {
  ServerOptions options = ServerOptions::Parse({"--listen", "1521", "--data", "/tmp/x"});
  EXPECT_EQ(options.host, "127.0.0.1");
  EXPECT_EQ(options.port, 1521);
  EXPECT_EQ(options.dataFolder, "/tmp/x");
}

TEST(ServerOptions, PipeMemoryIsBytesWithAnOptionalBinarySuffix) {
  struct Case {
    const char* text;
    std::size_t bytes;
  };
  for (const Case& c : {Case{"65536", 65536}, Case{"64K", 64u << 10}, Case{"100k", 100u << 10},
                        Case{"3M", 3u << 20}, Case{"2G", std::size_t{2} << 30}}) {
    EXPECT_EQ(ServerOptions::Parse({"--pipe-memory", c.text}).pipeMemoryBytes, c.bytes)
        << "--pipe-memory " << c.text;
  }
}

TEST(ServerOptions, RunTakesAScriptAUserAndOptionallyWhereDevdbRuns) {
  ServerOptions plain = ServerOptions::Parse({"--run", "setup.sql", "--user", "app/a/b"});
  EXPECT_EQ(plain.runFile, "setup.sql");
  EXPECT_EQ(plain.runUser, "app");
  EXPECT_EQ(plain.runPassword, "a/b");  // the first slash separates
  EXPECT_EQ(plain.connectHost, "127.0.0.1");
  EXPECT_EQ(plain.connectPort, ServerOptions::kDefaultPort);

  ServerOptions elsewhere =
      ServerOptions::Parse({"--connect", "db.local:1600", "--user", "system/x", "--run", "s.sql"});
  EXPECT_EQ(elsewhere.connectHost, "db.local");
  EXPECT_EQ(elsewhere.connectPort, 1600);
  EXPECT_EQ(ServerOptions::Parse({"--run", "s", "--user", "u/p", "--connect", "1700"}).connectPort,
            1700);
  EXPECT_TRUE(ServerOptions::Parse({}).runFile.empty());
}

struct BadCommandLine {
  const char* description;
  std::vector<std::string> arguments;
};

void PrintTo(const BadCommandLine& c, std::ostream* out) { *out << c.description; }

class ServerOptionsRefused : public testing::TestWithParam<BadCommandLine> {};

TEST_P(ServerOptionsRefused, WithAUsageError) {
  EXPECT_THROW(ServerOptions::Parse(GetParam().arguments), ServerOptions::UsageError)
      << GetParam().description;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerOptionsRefused,
    testing::Values(BadCommandLine{"unknown option", {"--fast"}},
                    BadCommandLine{"option without its value", {"--data"}},
                    BadCommandLine{"port beyond 65535", {"--listen", "127.0.0.1:65536"}},
                    BadCommandLine{"port that is not a number", {"--listen", "127.0.0.1:http"}},
                    BadCommandLine{"negative port", {"--listen", "-1"}},
                    BadCommandLine{"host without port", {"--listen", "127.0.0.1:"}},
                    BadCommandLine{"port without host before the colon", {"--listen", ":1521"}},
                    BadCommandLine{"both data folder and memory", {"--data", "/tmp/x", "--memory"}},
                    BadCommandLine{"empty SYS password", {"--sys-password", ""}},
                    BadCommandLine{"zero bytes per character", {"--bytes-per-character", "0"}},
                    BadCommandLine{"five bytes per character", {"--bytes-per-character", "5"}},
                    BadCommandLine{"pipe memory below 64 KiB", {"--pipe-memory", "65535"}},
                    BadCommandLine{"pipe memory beyond 1 TiB", {"--pipe-memory", "1025G"}},
                    BadCommandLine{"pipe memory with an unknown suffix", {"--pipe-memory", "8T"}},
                    BadCommandLine{"pipe memory of a suffix alone", {"--pipe-memory", "M"}},
                    BadCommandLine{"negative pipe memory", {"--pipe-memory", "-1M"}},
                    BadCommandLine{"script without user", {"--run", "s.sql"}},
                    BadCommandLine{"user without password", {"--run", "s.sql", "--user", "app"}},
                    BadCommandLine{"password without user", {"--run", "s.sql", "--user", "/app"}},
                    BadCommandLine{"user without script", {"--user", "app/app"}},
                    BadCommandLine{"connect without script", {"--connect", "127.0.0.1:1521"}},
                    BadCommandLine{"connect to port 0",
                                   {"--run", "s", "--user", "a/b", "--connect", "0"}}));

}  // namespace
