// The monitor's package script (the program's PLSQLPACKAGE resource) cut into the statements
// that a client runs one by one: the texts between its "/" lines, the leading comment left out.
#pragma once

#include <string>
#include <vector>

namespace vek::testing {

std::vector<std::string> PackageScriptStatements(const std::string& path);

}  // namespace vek::testing
