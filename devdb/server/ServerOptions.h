// The devdb command line: where to listen, where the data lives (or that it lives in memory
// only), the version banner, the SYS and SYSTEM password, and the bytes per character; or,
// with --run, a script to run against a devdb that is already running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace devdb::server {

class ServerOptions {
 public:
  static constexpr std::uint16_t kDefaultPort = 15210;
  static constexpr const char* kDefaultHost = "127.0.0.1";
  static constexpr const char* kDefaultBanner =
      "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production";
  static constexpr const char* kDefaultSysPassword = "manager";

  class UsageError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  // Throws UsageError with a line that says what is wrong.
  static ServerOptions Parse(const std::vector<std::string>& arguments);
  static std::string Usage();
  // $HOME/.local/share/vek-devdb, or ./vek-devdb without a home folder.
  static std::string DefaultDataFolder();

  std::string host = kDefaultHost;
  std::uint16_t port = kDefaultPort;
  std::string dataFolder;  // empty with inMemory
  bool inMemory = false;
  std::string banner = kDefaultBanner;
  std::string sysPassword = kDefaultSysPassword;
  int bytesPerCharacter = 4;
  // A connection that has not logged on this many seconds after it opened (or after its
  // logoff) is closed.
  int logonTimeoutSeconds = 60;
  // Sessions at once; one more logon is refused with ORA-00018.
  int maxSessions = 200;
  // Bytes all database pipes may hold together; beyond them a send gets ORA-06558.
  std::size_t pipeMemoryBytes = std::size_t{64} << 20;
  bool helpWanted = false;

  // --run FILE --user USER/PASSWORD [--connect HOST:PORT]: a client run, no server.
  std::string runFile;  // empty: serve
  std::string runUser;
  std::string runPassword;
  std::string connectHost = kDefaultHost;
  std::uint16_t connectPort = kDefaultPort;
};

}  // namespace devdb::server
