// Reading a SQL*Plus script for the development set-up: statement ends, the header comment,
// and the character set of the program's resource.
#include "devdb/oci/SetupScript.h"

#include <sstream>

namespace devdb::oci {

// The resource is Windows-1252 text; the server takes UTF-8. Its non-ASCII letters are all
// in the range Latin-1 shares with Windows-1252.
std::string SetupScript::Utf8FromLatin1(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return text;
}

// Statements of a SQL*Plus script: each ends at a line holding only "/". A comment block
// before the first statement is left out.
std::vector<std::string> SetupScript::Statements(const std::string& script) {
  std::vector<std::string> statements;
  std::istringstream in(script);
  std::string line, current;
  bool inHeaderComment = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (current.empty() && statements.empty()) {
      if (line.rfind("/*", 0) == 0) inHeaderComment = true;
      if (inHeaderComment) {
        if (line.find("*/") != std::string::npos) inHeaderComment = false;
        continue;
      }
      if (line.find_first_not_of(" \t") == std::string::npos) continue;
    }
    if (line == "/") {
      if (current.find_first_not_of(" \t\n") != std::string::npos) statements.push_back(current);
      current.clear();
      continue;
    }
    if (current.empty() && line.find_first_not_of(" \t") == std::string::npos) continue;
    current += line + "\n";
  }
  if (current.find_first_not_of(" \t\n") != std::string::npos) statements.push_back(current);
  return statements;
}

}  // namespace devdb::oci
