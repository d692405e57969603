// TVwatchCommandLine: vwatch's arguments: the logon string, --schema, --count, --timeout,
// --iso and --help, with NAME=value program arguments (OCIDLL, ORACLEHOME) left for the
// client library search.
#pragma once

#include <string>
#include <vector>

namespace vek::vwatch {

struct TVwatchCommandLine {
  std::string logon;
  std::string schema;  // empty: the logged-on user's own
  long count = 0;      // 0: no bound on the number of messages
  double timeout = 0;  // seconds; 0: no bound on the time
  bool iso = false;
  bool help = false;
  std::string error;  // not empty when the arguments make no sense

  static TVwatchCommandLine Parse(const std::vector<std::string>& arguments);
  static const char* Usage();
};

}  // namespace vek::vwatch
