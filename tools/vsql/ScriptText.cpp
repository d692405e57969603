// Reading a script file and deciding its character set.
#include "tools/vsql/ScriptText.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/TextEncoding.h"

namespace vek::vsql {

bool TScriptText::IsValidUtf8(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t continuation = 0;
    if (c < 0x80) {
      continuation = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      continuation = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      continuation = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      continuation = 3;
    } else {
      return false;
    }
    if (i + continuation >= bytes.size()) return false;
    for (std::size_t k = 1; k <= continuation; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += continuation + 1;
  }
  return true;
}

std::string TScriptText::ToUtf8(const std::string& bytes) {
  return IsValidUtf8(bytes) ? bytes : Windows1252ToUtf8(bytes);
}

std::vector<std::string> TScriptText::ReadLines(const std::string& path) {
  // Only a regular file: a directory cannot be read, a FIFO or a device such as /dev/zero
  // may block or never end.
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status))
    throw std::runtime_error("Cannot open script file " + path);
  if (!std::filesystem::is_regular_file(status))
    throw std::runtime_error("Script " + path + " is not a regular file");
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("Cannot open script file " + path);
  std::string bytes;
  char chunk[65536];
  while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(file.gcount()));
    if (bytes.size() > kMaxScriptBytes)
      throw std::runtime_error("Script " + path + " is larger than " +
                               std::to_string(kMaxScriptBytes / (1024 * 1024)) + " MiB");
  }
  const std::string text = ToUtf8(bytes);
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) {
    if (line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace vek::vsql
