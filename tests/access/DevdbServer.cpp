// The access layer's devdb: an in-memory instance of the shared test process.
#include "tests/access/DevdbServer.h"

#include <csignal>

namespace vek::testing {
namespace {

std::vector<std::string> InMemory(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {"--memory"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  return all;
}

}  // namespace

DevdbServer::DevdbServer(const std::vector<std::string>& arguments)
    : process_(InMemory(arguments)) {}

// SIGTERM lets devdb remove its in-memory instance's temporary folder.
DevdbServer::~DevdbServer() { process_.Stop(SIGTERM); }

}  // namespace vek::testing
