// Starts devdb with posix_spawn; its first output line names the address it listens on.
#include "tests/access/DevdbServer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace vek::testing {

DevdbServer::DevdbServer(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {DEVDB_EXECUTABLE, "--listen", "127.0.0.1:0", "--memory"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  const int result = posix_spawn(&pid_, DEVDB_EXECUTABLE, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  output_ = pipeEnds[0];
  if (result != 0) {
    pid_ = -1;
    throw std::runtime_error(std::string("cannot start devdb: ") + std::strerror(result));
  }
  std::string line;
  char c;
  while (::read(output_, &c, 1) == 1 && c != '\n') line += c;
  const std::string prefix = "devdb listening on 127.0.0.1:";
  if (line.rfind(prefix, 0) != 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    throw std::runtime_error("devdb did not start; it said: \"" + line + "\"");
  }
  port_ = static_cast<std::uint16_t>(std::stoi(line.substr(prefix.size())));
}

DevdbServer::~DevdbServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (output_ >= 0) ::close(output_);
}

}  // namespace vek::testing
