// Turns the database text of a logon into the address of a devdb server, as a genuine
// client resolves a connect identifier: a net service name from tnsnames.ora (in TNS_ADMIN,
// else $ORACLE_HOME/network/admin, else the network/admin folder of the home this library
// lies in), a full connect descriptor, an EZConnect text host[:port][/service], or nothing
// at all for the local default (TWO_TASK when set, else devdb's own 127.0.0.1:15210).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace devdb::oci {

class ConnectResolver {
 public:
  struct Address {
    std::string host;
    std::uint16_t port = 0;
  };

  static constexpr const char* kLocalHost = "127.0.0.1";
  static constexpr std::uint16_t kLocalPort = 15210;
  static constexpr std::uint16_t kListenerPort = 1521;

  // Raises ORA-12154 when the text names nothing that can be resolved.
  static Address Resolve(const std::string& database);

  // The folders searched for tnsnames.ora, in order.
  static std::vector<std::string> ConfigFolders();
  // The descriptor of alias in the file (and the files it includes); empty when absent.
  static std::string FindAlias(const std::string& file, const std::string& alias, int depth = 0);
  // HOST and PORT of a connect descriptor; port 1521 when it names none.
  static Address FromDescriptor(const std::string& descriptor);
  static bool FromEasyConnect(const std::string& text, Address& address);
};

}  // namespace devdb::oci
