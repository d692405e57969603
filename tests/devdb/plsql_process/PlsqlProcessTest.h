// The fixture of the PL/SQL process tests: a throwaway devdb with the user APP, the monitor's
// package installed from the program's own resource by devdb --run, and helpers to run
// blocks with the variables the access layer would bind (all of them in and out, with the
// client's declared types) and to read what comes back by name.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "DevdbServerTest.h"

namespace devdb::testing {

// The access layer's variable types as Oracle external type codes.
inline constexpr int kInteger = 3;
inline constexpr int kFloat = 4;
inline constexpr int kString = 5;
inline constexpr int kDate = 12;

struct BlockResult {
  std::map<std::string, protocol::WireValue> values;  // by upper-case name, no colon
  std::map<std::string, std::vector<protocol::WireValue>> tables;
  std::vector<std::uint32_t> cursors;
  std::string warning;
  const protocol::WireValue& operator[](const std::string& name) const;
};

// A variable as the access layer binds one in a block: in and out, with its declared type.
protocol::WireBind Variable(const std::string& name, int declaredType,
                            protocol::WireValue value = protocol::WireValue::Null(),
                            int maxLength = 4000);

// What a run of devdb --run printed and how it ended.
struct ScriptOutcome {
  int status = -1;
  std::string output;  // standard output and standard error together
};

class PlsqlProcessTest : public DevdbServerTest {
 protected:
  void SetUp() override;

  // Runs a block (or any statement) and gathers its out values, tables and cursors.
  static BlockResult Block(TestClient& client, const std::string& text,
                           std::vector<protocol::WireBind> binds = {});
  // Runs devdb --run on a script file against this test's devdb.
  ScriptOutcome RunScript(const std::string& file, const std::string& userAndPassword);
  // Starts devdb --run in the background with its output discarded; returns its process id.
  int StartScript(const std::string& file, const std::string& userAndPassword);
  // A script file of this test's own, removed after the test.
  std::string WriteScript(const std::string& bytes);
  // Installs the monitor's package as APP from the program's resource file.
  void InstallPackage();
  // What installing the package takes: its public synonym, and V$SESSION granted directly,
  // since the package's code runs with its owner's rights.
  void GrantPackageOwnerPrivileges(const std::string& user);
  std::unique_ptr<TestClient> App() { return LogOnAs("APP", "app"); }

  // The listener's blocks, as the listener thread writes them.
  // A pipe wait; timeoutSeconds < 0 waits without a timeout. Returns the status.
  static int ReceiveMessage(TestClient& client, const std::string& pipe, int timeoutSeconds);
  // Unpacks the received message item by item, as the listener does.
  static std::vector<protocol::WireValue> UnpackMessage(TestClient& client);
  // The monitor's arming for a schema: its session's client info becomes the marker, and
  // "ENABLE" is signalled and committed.
  static void Arm(TestClient& monitor, const std::string& schema);
  // The package call block that sets a session's client info.
  static void SetClientInfo(TestClient& client, const std::string& text);
  void TearDown() override;

 private:
  std::vector<std::string> scripts_;
};

}  // namespace devdb::testing
