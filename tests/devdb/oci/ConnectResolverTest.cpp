// Resolving the database text of a logon: tnsnames.ora aliases (in TNS_ADMIN, with
// domains, several names, comments, includes), full descriptors, EZConnect texts and the
// local default, and ORA-12154 for a name nothing resolves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "devdb/client/ServerError.h"
#include "devdb/oci/ConnectResolver.h"

namespace devdb::oci {
namespace {

class ConnectResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = std::filesystem::temp_directory_path() / ("vek-tns-" + std::to_string(random()));
    std::filesystem::create_directories(folder_);
    std::ofstream(folder_ / "tnsnames.ora")
        << "# a comment line: NOTME = (DESCRIPTION=(ADDRESS=(HOST=x)(PORT=1)))\n"
        << "ORCL.WORLD =\n"
        << "  (DESCRIPTION =\n"
        << "    (ADDRESS_LIST = (ADDRESS = (PROTOCOL = TCP)(HOST = db.example.com)(PORT = 1522)))\n"
        << "    (CONNECT_DATA = (SID = ORCL)))\n"
        << "alpha, beta = (DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(host=10.0.0.2)(port=2000)))\n"
        << "NOPORT = (DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=h)))\n"
        << "IFILE = more.ora\n";
    std::ofstream(folder_ / "more.ora")
        << "INCLUDED = (DESCRIPTION=(ADDRESS=(HOST=inc)(PORT=3000)))\n";
    ::setenv("TNS_ADMIN", folder_.c_str(), 1);
    ::unsetenv("TWO_TASK");
  }
  void TearDown() override {
    ::unsetenv("TNS_ADMIN");
    ::unsetenv("TWO_TASK");
    std::filesystem::remove_all(folder_);
  }
  std::filesystem::path folder_;
};

struct ResolveCase {
  const char* database;
  const char* host;
  std::uint16_t port;
};

TEST_F(ConnectResolverTest, ResolvesEveryForm) {
  const ResolveCase cases[] = {
      {"ORCL", "db.example.com", 1522},
      {"orcl.world", "db.example.com", 1522},
      {"alpha", "10.0.0.2", 2000},
      {"BETA", "10.0.0.2", 2000},
      {"noport", "h", 1521},
      {"included", "inc", 3000},
      {"host.example.com", "host.example.com", 1521},
      {"127.0.0.1:15999", "127.0.0.1", 15999},
      {"//myhost:4000/service", "myhost", 4000},
      {"myhost/service:dedicated", "myhost", 1521},
      {"[::1]:5000/svc", "::1", 5000},
      {"(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=d)(PORT=7)))", "d", 7},
      {"", "127.0.0.1", 15210},
      {"   ", "127.0.0.1", 15210},
  };
  for (const auto& c : cases) {
    const auto address = ConnectResolver::Resolve(c.database);
    EXPECT_EQ(address.host, c.host) << "\"" << c.database << "\"";
    EXPECT_EQ(address.port, c.port) << "\"" << c.database << "\"";
  }
}

TEST_F(ConnectResolverTest, EmptyTextTakesTwoTask) {
  ::setenv("TWO_TASK", "alpha", 1);
  EXPECT_EQ(ConnectResolver::Resolve("").port, 2000);
}

TEST_F(ConnectResolverTest, UnresolvableNamesAreOra12154) {
  for (const char* database :
       {"NOTME", "unknown", "host:99999", "host:abc", "(DESCRIPTION=(PORT=1))"}) {
    try {
      ConnectResolver::Resolve(database);
      ADD_FAILURE() << database << " resolved";
    } catch (const client::ServerError& error) {
      EXPECT_EQ(error.Code(), 12154) << database;
      EXPECT_STREQ(error.what(),
                   "ORA-12154: TNS:could not resolve the connect identifier specified");
    }
  }
}

TEST_F(ConnectResolverTest, WithoutTnsAdminTheOracleHomeIsSearched) {
  ::unsetenv("TNS_ADMIN");
  const auto home = folder_ / "home";
  std::filesystem::create_directories(home / "network" / "admin");
  std::ofstream(home / "network" / "admin" / "tnsnames.ora")
      << "HOMEDB = (DESCRIPTION=(ADDRESS=(HOST=hh)(PORT=9)))\n";
  ::setenv("ORACLE_HOME", home.c_str(), 1);
  EXPECT_EQ(ConnectResolver::Resolve("homedb").host, "hh");
  ::unsetenv("ORACLE_HOME");
}

}  // namespace
}  // namespace devdb::oci
