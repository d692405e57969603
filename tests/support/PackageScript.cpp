// Splitting the package script into statements.
#include "tests/support/PackageScript.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vek::testing {

std::vector<std::string> PackageScriptStatements(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path);
  std::stringstream whole;
  whole << file.rdbuf();
  std::vector<std::string> statements;
  std::string current;
  std::string line;
  bool inComment = false;
  while (std::getline(whole, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (statements.empty() && current.empty() && line.rfind("/*", 0) == 0) inComment = true;
    if (inComment) {
      if (line.find("*/") != std::string::npos) inComment = false;
      continue;
    }
    if (line == "/") {
      if (current.find_first_not_of(" \n") != std::string::npos) statements.push_back(current);
      current.clear();
      continue;
    }
    current += line + "\n";
  }
  return statements;
}

}  // namespace vek::testing
