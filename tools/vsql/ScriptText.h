// TScriptText: reads a script file as text for vsql. Scripts in UTF-8 are taken as they are;
// anything else is read as Windows-1252, the character set of the server package text that
// the program carries, and converted to UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vek::vsql {

class TScriptText {
 public:
  // Scripts larger than this are refused rather than read without end.
  static constexpr std::size_t kMaxScriptBytes = 16 * 1024 * 1024;
  // The file's lines without their line breaks; raises std::runtime_error when it cannot be
  // read, is not a regular file (a directory, a FIFO, a device) or exceeds kMaxScriptBytes.
  static std::vector<std::string> ReadLines(const std::string& path);
  static std::string ToUtf8(const std::string& bytes);
  static bool IsValidUtf8(const std::string& bytes);
};

}  // namespace vek::vsql
