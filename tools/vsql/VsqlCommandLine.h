// TVsqlCommandLine: vsql's arguments: the logon string user/password@database, an optional
// @script, and NAME=value program arguments (OCIDLL, ORACLEHOME) that are left for the
// client library search to read, as the monitor does.
#pragma once

#include <string>
#include <vector>

namespace vek::vsql {

struct TVsqlCommandLine {
  std::string logon;
  std::string script;  // empty: read standard input
  bool help = false;
  std::string error;  // not empty when the arguments make no sense

  static TVsqlCommandLine Parse(const std::vector<std::string>& arguments);
  // NAME=value with a plain name: such arguments belong to the program, not to vsql.
  static bool IsProgramArgument(const std::string& argument);
  static const char* Usage();
};

}  // namespace vek::vsql
