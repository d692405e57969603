// vwatch run as a process against a devdb of its own, loading the substitute client library
// through the OCIDLL argument: lines arrive live and in order on a pipe, notices stay on
// standard error, --count, --timeout, --schema and --iso end or shape the watch, SIGTERM ends
// it cleanly, and wrong arguments, a wrong password and a missing library give their statuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "client/ClientLibrary.h"
#include "platform/ProgramArguments.h"
#include "tests/access/DevdbServer.h"
#include "tests/platform/TemporaryFolder.h"
#include "tests/support/PackageScript.h"

extern char** environ;

namespace vek::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kBound = std::chrono::seconds(20);

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Waits for the condition, looking every 20 ms, at most for the bound.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound = kBound) {
  const auto end = Clock::now() + bound;
  while (!condition()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// One vwatch process: standard output on a pipe that the test reads line by line as it
// arrives, standard error in a file.
class VwatchProcess {
 public:
  VwatchProcess(std::vector<std::string> arguments, const std::string& inputPath,
                std::string errorPath)
      : errorPath_(std::move(errorPath)) {
    arguments.insert(arguments.begin(), VWATCH_EXECUTABLE);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int spawned =
        posix_spawn(&pid_, VWATCH_EXECUTABLE, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
    if (spawned != 0) throw std::runtime_error("vwatch did not start");
  }
  ~VwatchProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      Wait(kBound);
    }
    close(out_);
  }

  // The next line of standard output without its line end, or nothing once the bound
  // passes or the output ends.
  std::optional<std::string> NextLine(std::chrono::milliseconds bound = kBound) {
    const auto end = Clock::now() + bound;
    while (true) {
      const std::size_t newline = buffer_.find('\n');
      if (newline != std::string::npos) {
        std::string line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd fd{out_, POLLIN, 0};
      if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[4096];
      const ssize_t got = read(out_, chunk, sizeof chunk);
      if (got == 0) return std::nullopt;
      if (got > 0) buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }
  // The rest of standard output after the process has ended.
  std::string Rest() {
    std::string rest = buffer_;
    buffer_.clear();
    char chunk[4096];
    ssize_t got = 0;
    while ((got = read(out_, chunk, sizeof chunk)) > 0)
      rest.append(chunk, static_cast<std::size_t>(got));
    return rest;
  }
  // The exit status once the process has ended within the bound; -1 otherwise.
  int Wait(std::chrono::milliseconds bound = kBound) {
    if (exited_) return status_;
    const auto end = Clock::now() + bound;
    while (true) {
      int status = 0;
      const pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        exited_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
      }
      if (Clock::now() > end) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  void Signal(int signal) const { kill(pid_, signal); }
  std::string Errors() const {
    std::ifstream file(errorPath_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

 private:
  std::string errorPath_;
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
  bool exited_ = false;
  int status_ = -1;
};

class VwatchProcessTest : public ::testing::Test {
 protected:
  VwatchProcessTest() {
    SetProgramArguments({"vwatch-test", "OCIDLL=" VEK_DEVDB_CLNTSH});
    TOracleSession& system = Session("system", "manager");
    Run(system, "create user app identified by app");
    Run(system, "grant create session to app");
    Run(system, "grant create public synonym to app");
    Run(system, "grant select on v_$session to app");
    Run(system, "create user scott identified by tiger");
    Run(system, "grant create session to scott");
    TOracleSession& owner = Session("app", "app");
    for (const std::string& statement : PackageScriptStatements(VEK_PACKAGE_SCRIPT)) {
      Run(owner, statement);
    }
    owner.LogOff();
  }
  ~VwatchProcessTest() override {
    sessions_.clear();
    UnloadClientLibrary();
    SetProgramArguments({"vwatch-test"});
  }

  std::string Database() const { return server_.Database(); }
  std::string Library() const { return "OCIDLL=" VEK_DEVDB_CLNTSH; }

  std::unique_ptr<VwatchProcess> Start(const std::vector<std::string>& arguments,
                                       const std::string& input = "") {
    ++runs_;
    const std::string inputPath = folder_.WriteFile("input-" + std::to_string(runs_), input);
    return std::make_unique<VwatchProcess>(arguments, inputPath,
                                           folder_.PathOf("errors-" + std::to_string(runs_)));
  }

  TOracleSession& Session(const std::string& user, const std::string& password) {
    auto session = std::make_unique<TOracleSession>();
    session->Cursor = crDefault;
    session->SetLogonUsername(user);
    session->SetLogonPassword(password);
    session->SetLogonDatabase(Database());
    session->LogOn();
    sessions_.push_back(std::move(session));
    return *sessions_.back();
  }
  static void Run(TOracleSession& session, const std::string& sql) {
    TOracleQuery query;
    query.SetSession(&session);
    query.SQL = {sql};
    query.Execute();
  }
  static std::string One(TOracleSession& session, const std::string& sql) {
    TOracleQuery query;
    query.SetSession(&session);
    query.SQL = {sql};
    query.Execute();
    return query.Eof() ? std::string("<no row>") : query.FieldAsString(0);
  }
  static void Print(TOracleSession& sender, const std::string& text) {
    TOracleQuery query;
    query.SetSession(&sender);
    query.SQL = {"begin Vek_Debug.print(:text); end;"};
    query.DeclareVariable("text", 10);  // otPLSQLString
    query.SetVariable("text", Variant(text));
    query.Execute();
  }
  int Marked(const std::string& schema) {
    return std::stoi(
        One(*sessions_.front(),
            "select count(*) from v$session where client_info = 'VEKDEBUGSESSION#" + schema + "'"));
  }
  // Waits until the watcher has armed completely: a sender that started before it, and so is
  // silent, resumes only on the "ENABLE" that comes after both listeners have started. What
  // that sender printed meanwhile is read off, so the next line is the test's own.
  void WaitArmed(VwatchProcess& watch, TOracleSession& silentSender) {
    bool resumed = false;
    for (int i = 0; i < 500 && !resumed; ++i) {
      Print(silentSender, "ready");
      resumed = watch.NextLine(std::chrono::milliseconds(40)).has_value();
    }
    ASSERT_TRUE(resumed) << watch.Errors();
    Print(silentSender, "ready end");
    for (int i = 0; i < 600; ++i) {
      const auto line = watch.NextLine();
      ASSERT_TRUE(line) << watch.Errors();
      if (EndsWith(*line, "\tready end\t")) return;
    }
    FAIL() << "the end of the start-up lines did not come";
  }

  TemporaryFolder folder_;
  ScopedEnvironmentVariable registry_{"VEK_REGISTRY_DIR", folder_.MakeFolder("registry")};
  // The locale's short date of the C locale, whatever the machine's own.
  ScopedEnvironmentVariable locale_{"LC_ALL", std::string("C")};
  DevdbServer server_;
  std::vector<std::unique_ptr<TOracleSession>> sessions_;
  int runs_ = 0;
};

TEST_F(VwatchProcessTest, LinesArriveLiveAndInOrderNoticesGoToErrorsAndSigtermEndsCleanly) {
  TOracleSession& early = Session("app", "app");
  Print(early, "before vwatch");  // silent: no monitor was marked when it started
  auto watch = Start({Library(), "app/app@" + Database()});
  WaitArmed(*watch, early);

  TOracleSession& sender = Session("app", "app");
  const std::string today = One(sender, "select to_char(sysdate, 'MM/DD/YY') from dual");
  for (int k = 1; k <= 5; ++k) {
    Print(sender, "line " + std::to_string(k));
    // The reader has line k before the sender sends k + 1.
    const auto line = watch->NextLine();
    ASSERT_TRUE(line) << "line " << k << " did not arrive\n" << watch->Errors();
    EXPECT_TRUE(EndsWith(*line, "\tAPP\tline " + std::to_string(k) + "\t")) << *line;
    EXPECT_EQ(line->rfind(today + " ", 0), 0u) << "the C locale's short date first: " << *line;
  }
  ASSERT_TRUE(WaitUntil([&] { return Contains(watch->Errors(), "Debug session started"); }))
      << "a sender starting while vwatch listens is answered\n"
      << watch->Errors();

  const auto signalled = Clock::now();
  watch->Signal(SIGTERM);
  EXPECT_EQ(watch->Wait(std::chrono::seconds(1)), 0)
      << "SIGTERM during a wait ends vwatch within a second\n"
      << watch->Errors();
  EXPECT_EQ(watch->Wait(), 0) << watch->Errors();
  std::cerr
      << "SIGTERM to exit: "
      << std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - signalled).count()
      << " ms\n";
  EXPECT_EQ(watch->Rest(), "") << "standard output holds only debug messages";
  EXPECT_TRUE(WaitUntil([&] { return Marked("APP") == 0; })) << "the main session logged off";
}

TEST_F(VwatchProcessTest, LostSessionsAreNoticedOnErrorsAndTheChannelComesBack) {
  TOracleSession& early = Session("app", "app");
  Print(early, "before vwatch");
  auto watch = Start({Library(), "app/app@" + Database()});
  WaitArmed(*watch, early);
  // The sessions of APP in the order they logged on: the early sender, then vwatch's main
  // session and its two listeners'.
  TOracleQuery query;
  query.SetSession(sessions_.front().get());
  query.SQL = {"select sid, serial# from v$session where username = 'APP' order by sid"};
  query.Execute();
  std::vector<std::string> addresses;
  for (; !query.Eof(); query.Next()) {
    addresses.push_back(query.FieldAsString(0) + "," + query.FieldAsString(1));
  }
  ASSERT_EQ(addresses.size(), 4u);
  for (std::size_t i = 1; i < addresses.size(); ++i) {
    Run(*sessions_.front(), "alter system kill session '" + addresses[i] + "'");
  }
  ASSERT_TRUE(WaitUntil([&] { return Contains(watch->Errors(), "Listening stopped: "); }))
      << watch->Errors();
  ASSERT_TRUE(WaitUntil([&] { return Contains(watch->Errors(), "Listening again"); },
                        std::chrono::seconds(60)))
      << watch->Errors();
  Print(early, "after recovery");
  const auto line = watch->NextLine();
  ASSERT_TRUE(line) << watch->Errors();
  EXPECT_TRUE(EndsWith(*line, "\tAPP\tafter recovery\t")) << *line;
  watch->Signal(SIGINT);
  EXPECT_EQ(watch->Wait(), 0) << watch->Errors();
}

TEST_F(VwatchProcessTest, CountEndsAfterThatManyMessages) {
  auto watch = Start({"app/app@" + Database(), "--count", "2", Library()});
  ASSERT_TRUE(WaitUntil([&] { return Marked("APP") == 1; })) << watch->Errors();
  // A sender starting after the marking sends at once; the pipe keeps what arrives before
  // the listener reads.
  TOracleSession& sender = Session("app", "app");
  for (const char* text : {"one", "two", "three"}) Print(sender, text);
  EXPECT_EQ(watch->Wait(), 0) << watch->Errors();
  const std::string all = watch->Rest();
  std::vector<std::string> lines;
  std::istringstream stream(all);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u) << all;
  EXPECT_TRUE(EndsWith(lines[0], "\tAPP\tone\t")) << lines[0];
  EXPECT_TRUE(EndsWith(lines[1], "\tAPP\ttwo\t")) << lines[1];
}

TEST_F(VwatchProcessTest, TimeoutEndsAQuietWatchAndAMissingPasswordIsRead) {
  // No terminal here: the password comes from standard input.
  auto watch = Start({Library(), "app@" + Database(), "--timeout", "0.5"}, "app\n");
  EXPECT_EQ(watch->Wait(), 0) << watch->Errors();
  EXPECT_EQ(watch->Rest(), "");
  EXPECT_EQ(watch->Errors(), "Listening for debug output of APP\n");
}

TEST_F(VwatchProcessTest, AnotherSchemaWithIsoDatesTabsAndNonAsciiText) {
  auto watch = Start(
      {Library(), "system/manager@" + Database(), "--schema", "scott", "--iso", "--count", "1"});
  ASSERT_TRUE(WaitUntil([&] { return Marked("SCOTT") == 1; }))
      << "the schema is upper-cased as the window does\n"
      << watch->Errors();
  TOracleSession& sender = Session("scott", "tiger");
  const std::string today = One(sender, "select to_char(sysdate, 'YYYY-MM-DD') from dual");
  const std::string text = "tab\there\tand \xC3\x86\xC3\xB8\xC3\xA5 \xE2\x82\xAC";
  Print(sender, text);
  const auto line = watch->NextLine();
  ASSERT_TRUE(line) << watch->Errors();
  EXPECT_TRUE(std::regex_match(*line, std::regex(today + " \\d\\d:\\d\\d:\\d\\d\t.*"))) << *line;
  EXPECT_TRUE(EndsWith(*line, "\tSCOTT\t" + text + "\t")) << *line;
  EXPECT_EQ(watch->Wait(), 0) << watch->Errors();
}

TEST_F(VwatchProcessTest, WrongArgumentsAWrongPasswordAndAMissingLibrary) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string errors;  // what standard error must hold
  };
  const std::string logon = "app/app@" + Database();
  const std::vector<Case> cases = {
      {{Library()}, 2, "vwatch: No logon given\nUsage: vwatch"},
      {{Library(), logon, "--count", "none"}, 2, "--count wants a whole number"},
      {{Library(), logon, "--verbose"}, 2, "Unknown option: --verbose"},
      {{Library(), "app/wrong@" + Database()}, 3, "ORA-01017"},
      {{"OCIDLL=/no/such/libclntsh.so", logon}, 3, "Initialization error"},
  };
  for (const Case& c : cases) {
    auto watch = Start(c.arguments);
    EXPECT_EQ(watch->Wait(), c.status) << ::testing::PrintToString(c.arguments);
    EXPECT_TRUE(Contains(watch->Errors(), c.errors)) << watch->Errors();
    EXPECT_EQ(watch->Rest(), "") << ::testing::PrintToString(c.arguments);
  }
  auto help = Start({"--help"});
  EXPECT_EQ(help->Wait(), 0);
  EXPECT_EQ(help->Rest().rfind("Usage: vwatch", 0), 0u);
}

}  // namespace
}  // namespace vek::testing
