// The fixture's helpers. devdb --run is started as a child process with its output read
// through a pipe, so that a test sees exactly what a user at the terminal would see.
#include "PlsqlProcessTest.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace devdb::testing {

using protocol::WireBind;
using protocol::WireBindForm;
using protocol::WireValue;

namespace {

std::string Key(std::string name) {
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace

const WireValue& BlockResult::operator[](const std::string& name) const {
  auto found = values.find(Key(name));
  if (found == values.end()) throw std::out_of_range("no out value " + name);
  return found->second;
}

WireBind Variable(const std::string& name, int declaredType, WireValue value, int maxLength) {
  WireBind bind{name, true, maxLength, {std::move(value)}};
  bind.declaredType = declaredType;
  return bind;
}

void PlsqlProcessTest::SetUp() {
  DevdbServerTest::SetUp();
  CreateUser("APP", "app");
  GrantPackageOwnerPrivileges("APP");
}

void PlsqlProcessTest::GrantPackageOwnerPrivileges(const std::string& user) {
  auto system = System();
  system->Run("grant create public synonym to " + user);
  system->Run("grant select on v_$session to " + user);
}

void PlsqlProcessTest::TearDown() {
  DevdbServerTest::TearDown();
  for (const auto& script : scripts_) std::filesystem::remove(script);
}

BlockResult PlsqlProcessTest::Block(TestClient& client, const std::string& text,
                                    std::vector<WireBind> binds) {
  protocol::ExecuteReply reply = client.Run(text, binds);
  BlockResult result;
  result.warning = reply.warning;
  result.cursors = reply.refCursors;
  std::size_t out = 0;
  for (const WireBind& bind : binds) {
    if (!bind.out) continue;
    if (out >= reply.outValues.size()) break;
    const auto& values = reply.outValues[out++];
    if (bind.form == WireBindForm::Table)
      result.tables[Key(bind.name)] = values;
    else if (bind.form == WireBindForm::Scalar)
      result.values[Key(bind.name)] = values.empty() ? WireValue::Null() : values.front();
  }
  return result;
}

std::string PlsqlProcessTest::WriteScript(const std::string& bytes) {
  std::random_device random;
  const auto path = std::filesystem::temp_directory_path() /
                    ("devdb-script-" + std::to_string(random()) + std::to_string(random()) + ".sql");
  std::ofstream(path, std::ios::binary) << bytes;
  scripts_.push_back(path.string());
  return path.string();
}

ScriptOutcome PlsqlProcessTest::RunScript(const std::string& file,
                                          const std::string& userAndPassword) {
  int output[2];
  if (pipe(output) != 0) throw std::runtime_error("pipe failed");
  const std::string connect = "127.0.0.1:" + std::to_string(Port());
  std::vector<std::string> arguments = {DEVDB_EXECUTABLE, "--run",     file,
                                        "--user",         userAndPassword, "--connect", connect};
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    dup2(output[1], STDOUT_FILENO);
    dup2(output[1], STDERR_FILENO);
    close(output[0]);
    close(output[1]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(output[1]);
  ScriptOutcome outcome;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(output[0], buffer, sizeof buffer);
    if (got > 0) outcome.output.append(buffer, static_cast<std::size_t>(got));
    else if (got == 0 || errno != EINTR) break;
  }
  close(output[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

int PlsqlProcessTest::ReceiveMessage(TestClient& client, const std::string& pipe,
                                     int timeoutSeconds) {
  std::vector<WireBind> binds = {Variable("status", kInteger),
                                 Variable("pipename", kString, WireValue::Text(pipe))};
  std::string call = "  :status := sys.dbms_pipe.receive_message(:pipename);\n";
  if (timeoutSeconds >= 0) {
    call = "  :status := sys.dbms_pipe.receive_message(:pipename, :timeout);\n";
    binds.push_back(Variable("timeout", kString, WireValue::Text(std::to_string(timeoutSeconds))));
  }
  BlockResult result = Block(client, "begin\n" + call + "end;", binds);
  return std::stoi(result["status"].text);
}

std::vector<WireValue> PlsqlProcessTest::UnpackMessage(TestClient& client) {
  const std::string block =
      "begin\n"
      "  :item_type := sys.dbms_pipe.next_item_type;\n"
      "  if :item_type = 6 then\n"
      "    sys.dbms_pipe.unpack_message(:number_item);\n"
      "  end if;\n"
      "  if :item_type = 9 then\n"
      "    sys.dbms_pipe.unpack_message(:varchar2_item);\n"
      "  end if;\n"
      "  if :item_type = 11 then\n"
      "    sys.dbms_pipe.unpack_message_rowid(:varchar2_item);\n"
      "  end if;\n"
      "  if :item_type = 23 then\n"
      "    sys.dbms_pipe.unpack_message_raw(:varchar2_item);\n"
      "  end if;\n"
      "  if :item_type = 12 then\n"
      "    sys.dbms_pipe.unpack_message(:date_item);\n"
      "  end if;\n"
      "end;";
  std::vector<WireValue> items;
  for (;;) {
    BlockResult result = Block(client, block,
                               {Variable("item_type", kInteger), Variable("number_item", kFloat),
                                Variable("varchar2_item", kString), Variable("date_item", kDate)});
    const int type = result["item_type"].IsNull() ? 0 : std::stoi(result["item_type"].text);
    if (type == 6) items.push_back(result["number_item"]);
    else if (type == 9 || type == 11 || type == 23) items.push_back(result["varchar2_item"]);
    else if (type == 12) items.push_back(result["date_item"]);
    else break;
  }
  return items;
}

void PlsqlProcessTest::SetClientInfo(TestClient& client, const std::string& text) {
  Block(client,
        "begin\n  sys.dbms_application_info.set_client_info(client_info => :client_info);\nend;",
        {Variable("client_info", kString, WireValue::Text(text))});
}

void PlsqlProcessTest::Arm(TestClient& monitor, const std::string& schema) {
  SetClientInfo(monitor, "VEKDEBUGSESSION#" + schema);
  monitor.Run("begin dbms_alert.signal('VEK_DEBUG#" + schema + "', 'ENABLE');end;");
  monitor.connection.Commit();
}

int PlsqlProcessTest::StartScript(const std::string& file, const std::string& userAndPassword) {
  const std::string connect = "127.0.0.1:" + std::to_string(Port());
  std::vector<std::string> arguments = {DEVDB_EXECUTABLE, "--run",     file,
                                        "--user",         userAndPassword, "--connect", connect};
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

void PlsqlProcessTest::InstallPackage() {
  ScriptOutcome outcome = RunScript(VEK_PACKAGE_RESOURCE, "app/app");
  ASSERT_EQ(outcome.status, 0) << outcome.output;
}

}  // namespace devdb::testing
