// vwatch into a pipe: a devdb process, vwatch started as a process with its standard output on
// a pipe that this program reads, one sender session calling Vek_Debug.PRINT as fast as it can.
// Prints messages per second read from the pipe over 20,000 messages and, in the same run, the
// floor: five executions of a trivial PL/SQL block on one session per message.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "platform/ProgramArguments.h"
#include "tests/access/Statements.h"
#include "tests/support/DevdbProcess.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMessages = 20000;
const std::string kText(60, 'x');

using vek::testing::LoggedOnSession;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Reads the pipe until the line holding the text has been seen count times or the bound passes;
// returns how many were seen.
int ReadLines(int fd, const std::string& text, int count, Clock::time_point bound) {
  std::string buffer;
  int seen = 0;
  char chunk[65536];
  while (seen < count && Clock::now() < bound) {
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, 100) <= 0) continue;
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got <= 0) break;
    buffer.append(chunk, static_cast<std::size_t>(got));
    std::size_t start = 0;
    for (std::size_t newline; (newline = buffer.find('\n', start)) != std::string::npos;
         start = newline + 1) {
      if (buffer.find(text, start) < newline) ++seen;
    }
    buffer.erase(0, start);
  }
  return seen;
}

}  // namespace

int main() {
  devdb::testing::DevdbProcess server({"--memory"});
  const std::string database = "127.0.0.1:" + std::to_string(server.Port());
  vek::SetProgramArguments({"bench_vwatch_pipe", "OCIDLL=" VEK_DEVDB_CLNTSH});
  vek::testing::InstallPackageAsApp(database, VEK_PACKAGE_SCRIPT);

  int out[2];
  int errors[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0) return 1;
  std::vector<std::string> arguments = {VWATCH_EXECUTABLE, "OCIDLL=" VEK_DEVDB_CLNTSH,
                                        "app/app@" + database};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
  pid_t pid = -1;
  if (posix_spawn(&pid, VWATCH_EXECUTABLE, &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "vwatch did not start\n");
    return 1;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(errors[1]);
  // Armed once it says it listens.
  if (ReadLines(errors[0], "Listening for", 1, Clock::now() + std::chrono::seconds(20)) != 1) {
    std::fprintf(stderr, "vwatch did not arm\n");
    return 1;
  }

  auto sender = LoggedOnSession("app", "app", database);
  vek::TOracleQuery print;
  print.SetSession(sender.get());
  print.SQL = {"begin Vek_Debug.print(:text); end;"};
  print.DeclareVariable("text", 5);
  print.SetVariable("text", vek::Variant(kText));
  print.Execute();  // the package's first use in this session
  ReadLines(out[0], kText, 1, Clock::now() + std::chrono::seconds(20));

  const auto start = Clock::now();
  std::thread fast([&] {
    for (int i = 0; i < kMessages; ++i) print.Execute();
  });
  const int seen = ReadLines(out[0], kText, kMessages, Clock::now() + std::chrono::seconds(120));
  const double elapsed = Seconds(Clock::now() - start);
  fast.join();
  const double measuredPerMessage = elapsed / kMessages;

  vek::TOracleQuery trivial;
  trivial.SetSession(sender.get());
  trivial.SQL = {"begin null; end;"};
  const auto floorStart = Clock::now();
  for (int i = 0; i < 5 * kMessages; ++i) trivial.Execute();
  const double floorPerMessage = Seconds(Clock::now() - floorStart) / kMessages;

  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  std::printf("lines through vwatch:     %d of %d in %.2f s, %.0f per second\n", seen, kMessages,
              elapsed, seen / elapsed);
  std::printf("floor (5 blocks/message): %.1f us per message\n", floorPerMessage * 1e6);
  std::printf("ratio to floor: %.2f\n", floorPerMessage / measuredPerMessage);
  std::printf("vwatch exit status after SIGTERM: %d\n",
              WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  return seen == kMessages ? 0 : 1;
}
