// Sorting vsql's arguments into the logon, the script and the program's NAME=value arguments.
#include "tools/vsql/VsqlCommandLine.h"

#include <cctype>

namespace vek::vsql {

bool TVsqlCommandLine::IsProgramArgument(const std::string& argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  for (std::size_t i = 0; i < equals; ++i) {
    const auto c = static_cast<unsigned char>(argument[i]);
    if (!(std::isalnum(c) || c == '_') || (i == 0 && std::isdigit(c))) return false;
  }
  return true;
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
