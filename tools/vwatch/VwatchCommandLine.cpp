// Sorting vwatch's arguments; both "--name value" and "--name=value" are accepted.
#include "tools/vwatch/VwatchCommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/common/ToolSupport.h"

namespace vek::vwatch {
namespace {

bool WholeNumber(const std::string& text, long& value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && end && *end == '\0' && value > 0;
}

bool Seconds(const std::string& text, double& value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return errno == 0 && end && *end == '\0' && std::isfinite(value) && value > 0 &&
         value <= 365.0 * 24 * 3600;
}

}  // namespace

TVwatchCommandLine TVwatchCommandLine::Parse(const std::vector<std::string>& arguments) {
  TVwatchCommandLine line;
  auto fail = [&line](const std::string& text) {
    if (line.error.empty()) line.error = text;
  };
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    std::string argument = arguments[i];
    if (argument == "-h" || argument == "--help" || argument == "-?") {
      line.help = true;
      continue;
    }
    if (argument == "--iso") {
      line.iso = true;
      continue;
    }
    if (argument.rfind("--", 0) == 0) {
      std::string name = argument;
      std::string value;
      bool hasValue = false;
      const std::size_t equals = argument.find('=');
      if (equals != std::string::npos) {
        name = argument.substr(0, equals);
        value = argument.substr(equals + 1);
        hasValue = true;
      }
      if (name != "--schema" && name != "--count" && name != "--timeout") {
        fail("Unknown option: " + argument);
        continue;
      }
      if (!hasValue) {
        if (i + 1 >= arguments.size()) {
          fail(name + " wants a value");
          continue;
        }
        value = arguments[++i];
      }
      if (name == "--schema") {
        line.schema = value;
        if (value.empty()) fail("--schema wants a schema name");
      } else if (name == "--count") {
        if (!WholeNumber(value, line.count)) fail("--count wants a whole number above 0: " + value);
      } else if (!Seconds(value, line.timeout)) {
        fail("--timeout wants a number of seconds above 0: " + value);
      }
      continue;
    }
    if (tools::IsProgramArgument(argument)) continue;
    if (line.logon.empty() && !argument.empty() && argument[0] != '-') {
      line.logon = argument;
    } else {
      fail("Unexpected argument: " + argument);
    }
  }
  if (!line.help && line.logon.empty()) fail("No logon given");
  return line;
}

const char* TVwatchCommandLine::Usage() {
  return "Usage: vwatch [OCIDLL=library] [ORACLEHOME=name] user[/password]@database [options]\n"
         "Prints the debug messages of a schema (Vek_Debug.PRINT) as they arrive, one line\n"
         "each. Without a password in the logon string it is asked for on the terminal.\n"
         "Options:\n"
         "  --schema NAME      whose messages to show (default: the logged-on user)\n"
         "  --count N          end after N messages\n"
         "  --timeout SECONDS  end after that long\n"
         "  --iso              dates as YYYY-MM-DD HH:MM:SS instead of the locale's\n"
         "  --help             this text\n"
         "Notices (\"Listening for debug output of S\" once armed, \"Debug session started\",\n"
         "lost and regained connections) go to standard error.\n"
         "Exit status: 0 after --count, --timeout, SIGINT or SIGTERM; 1 when the channel\n"
         "cannot be armed; 2 for wrong arguments; 3 when the logon fails.\n";
}

}  // namespace vek::vwatch
