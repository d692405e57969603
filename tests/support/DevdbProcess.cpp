// Starts devdb with posix_spawn, its standard output on a pipe from which the first line
// ("devdb listening on 127.0.0.1:PORT") is read; standard error stays the test's own.
#include "tests/support/DevdbProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace devdb::testing {

DevdbProcess::DevdbProcess(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {DEVDB_EXECUTABLE, "--listen", "127.0.0.1:0"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  int result = posix_spawn(&pid_, DEVDB_EXECUTABLE, &actions, nullptr, argv.data(), environ);
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
    Stop(SIGKILL);
    throw std::runtime_error("devdb did not start; it said: \"" + line + "\"");
  }
  port_ = static_cast<std::uint16_t>(std::stoi(line.substr(prefix.size())));
}

DevdbProcess::~DevdbProcess() {
  if (pid_ > 0) Stop(SIGKILL);
  if (output_ >= 0) ::close(output_);
}

int DevdbProcess::Stop(int signal) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, signal);
  // A server that does not end within a minute is hung; it is killed so that the test run
  // goes on, and the stop counts as failed.
  int status = 0;
  bool hung = true;
  for (int waited = 0; waited < 60000; waited += 10) {
    pid_t result = ::waitpid(pid_, &status, WNOHANG);
    if (result == pid_ || (result < 0 && errno != EINTR)) {
      hung = false;
      break;
    }
    ::usleep(10000);
  }
  if (hung) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  if (hung) return -2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunToEnd(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace devdb::testing
