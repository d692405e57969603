// Sorting vsql's arguments into the logon, the script and the program's NAME=value arguments.
#include "tools/vsql/VsqlCommandLine.h"

#include "tools/common/ToolSupport.h"

namespace vek::vsql {

bool TVsqlCommandLine::IsProgramArgument(const std::string& argument) {
  return tools::IsProgramArgument(argument);
}

TVsqlCommandLine TVsqlCommandLine::Parse(const std::vector<std::string>& arguments) {
  TVsqlCommandLine line;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h" || argument == "--help" || argument == "-?") {
      line.help = true;
    } else if (IsProgramArgument(argument)) {
      continue;
    } else if (!argument.empty() && argument[0] == '@') {
      if (!line.script.empty()) line.error = "Only one script can be given: " + argument;
      line.script = argument.substr(1);
      if (line.script.empty()) line.error = "A script name must follow @";
    } else if (line.logon.empty()) {
      line.logon = argument;
    } else {
      line.error = "Unexpected argument: " + argument;
    }
  }
  if (!line.help && line.error.empty() && line.logon.empty()) {
    line.error = "No logon given";
  }
  return line;
}

const char* TVsqlCommandLine::Usage() {
  return "Usage: vsql user/password@database [@script.sql] [OCIDLL=library] "
         "[ORACLEHOME=name]\n"
         "Without a script, statements are read from standard input. A statement ends with\n"
         "\";\" or, for PL/SQL blocks and stored code, a line holding only \"/\".\n";
}

}  // namespace vek::vsql
