// Starts devdb with posix_spawn and reads the address it announces on its first line of
// standard output; the first line is the signal that it listens, so no waiting by time.
#include "DevdbInstance.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

extern char** environ;

namespace devdb::oci::testing {

DevdbInstance::DevdbInstance(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {DEVDB_EXECUTABLE, "--listen", "127.0.0.1:0"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  const int result = posix_spawn(&pid_, DEVDB_EXECUTABLE, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  output_ = ends[0];
  if (result != 0) {
    pid_ = -1;
    throw std::runtime_error(std::string("cannot start devdb: ") + std::strerror(result));
  }
  std::string line;
  char c;
  while (::read(output_, &c, 1) == 1 && c != '\n') line += c;
  const std::string prefix = "devdb listening on 127.0.0.1:";
  if (line.rfind(prefix, 0) != 0) throw std::runtime_error("devdb did not start: " + line);
  port_ = static_cast<std::uint16_t>(std::stoi(line.substr(prefix.size())));

  std::random_device random;
  folder_ = std::filesystem::temp_directory_path() /
            ("vek-oci-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(folder_);
  std::ofstream(folder_ / "tnsnames.ora")
      << "# made by the test\n"
      << "DEV, DEV.WORLD =\n  (DESCRIPTION =\n    (ADDRESS = (PROTOCOL = TCP)(HOST = 127.0.0.1)"
      << "(PORT = " << port_ << "))\n    (CONNECT_DATA = (SERVICE_NAME = DEV)))\n";
}

DevdbInstance::~DevdbInstance() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (output_ >= 0) ::close(output_);
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

std::string DevdbInstance::EasyConnect() const { return "127.0.0.1:" + std::to_string(port_); }

}  // namespace devdb::oci::testing
