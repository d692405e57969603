// vsql, the project's command-line SQL client: logs on through the access layer (loading the
// client library as the monitor does), then runs a script or standard input. The exit status
// is 0 when every statement succeeded, 1 when one failed, or what EXIT or WHENEVER SQLERROR
// EXIT asked for; 2 when the arguments are wrong, 3 when the logon fails.
#include <unistd.h>

#include <iostream>

#include "access/OracleSession.h"
#include "platform/ProgramArguments.h"
#include "tools/common/ToolSupport.h"
#include "tools/vsql/SqlClient.h"
#include "tools/vsql/VsqlCommandLine.h"

int main(int argc, char** argv) {
  vek::SetProgramArguments(argc, argv);
  const auto line = vek::vsql::TVsqlCommandLine::Parse(vek::ProgramArguments());
  if (line.help) {
    std::cout << vek::vsql::TVsqlCommandLine::Usage();
    return 0;
  }
  if (!line.error.empty()) {
    std::cerr << "vsql: " << line.error << '\n' << vek::vsql::TVsqlCommandLine::Usage();
    return vek::tools::kBadArguments;
  }

  vek::TOracleSession session;
  session.SetName("vsql");
  // A failed load reports every step of the library search in its one text.
  if (!vek::tools::LogOnReporting(session, line.logon, std::cerr)) return vek::tools::kLogonFailed;

  vek::vsql::TSqlClient client(session, std::cout);
  if (!line.script.empty()) {
    client.RunScript(line.script);
  } else {
    client.RunStream(std::cin, isatty(STDIN_FILENO) != 0);
  }
  if (!client.ExitRequested()) client.Finish();
  const int status = client.ExitStatus();
  try {
    session.LogOff();
  } catch (const std::exception& error) {
    std::cerr << error.what() << '\n';
  }
  return status;
}
