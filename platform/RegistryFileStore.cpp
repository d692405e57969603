// The text-file registry hive: parsing keeps every line, so that a rewrite changes only the
// value lines it must and leaves comments and layout as the person wrote them.
#include "platform/RegistryFileStore.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/FileSystem.h"
#include "platform/TextCase.h"

namespace vek {
namespace {

namespace fs = std::filesystem;

// Reads and writes of every store in the process are serialised, so that two threads writing
// the same file never lose one another's change.
std::mutex& StoreMutex() {
  static std::mutex mutex;
  return mutex;
}

enum class LineKind { lkOther, lkKey, lkValue };

struct StoreLine {
  LineKind kind = LineKind::lkOther;
  std::string text;  // the line as read, for lines kept unchanged
  std::string key;   // lkKey: the key path; lkValue: the key it belongs to
  std::string name;  // lkValue
  std::string data;  // lkValue
};

std::vector<StoreLine> ParseStore(const std::string& path) {
  std::vector<StoreLine> lines;
  std::string currentKey;
  bool inKey = false;
  for (std::string& text : ReadTextLines(path)) {
    StoreLine line;
    if (!text.empty() && text.front() == '[' && text.back() == ']' && text.size() >= 2) {
      line.kind = LineKind::lkKey;
      line.key = text.substr(1, text.size() - 2);
      currentKey = line.key;
      inKey = true;
    } else if (inKey && !text.empty() && text.front() != '#' && text.front() != ';' &&
               text.find('=') != std::string::npos) {
      line.kind = LineKind::lkValue;
      line.key = currentKey;
      const auto equals = text.find('=');
      line.name = text.substr(0, equals);
      line.data = text.substr(equals + 1);
    }
    line.text = std::move(text);
    lines.push_back(std::move(line));
  }
  return lines;
}

bool IsValidName(const std::string& name) {
  if (name.empty()) return true;  // the key's default value, as on Windows
  if (name.front() == '[' || name.front() == '#' || name.front() == ';') return false;
  return name.find_first_of("=\r\n") == std::string::npos;
}

bool IsValidKey(const std::string& key) {
  return !key.empty() && key.find_first_of("[]\r\n") == std::string::npos;
}

std::string LineText(const StoreLine& line) {
  switch (line.kind) {
    case LineKind::lkKey: return "[" + line.key + "]";
    case LineKind::lkValue: return line.name + "=" + line.data;
    case LineKind::lkOther: return line.text;
  }
  return line.text;
}

bool WriteStoreAtomically(const std::string& path, const std::vector<StoreLine>& lines) {
  std::error_code error;
  const fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
  std::string temporary = path + ".tmp";
#ifndef _WIN32
  temporary += "." + std::to_string(::getpid());
#endif
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    for (const auto& line : lines) file << LineText(line) << '\n';
    file.flush();
    if (!file) {
      file.close();
      std::remove(temporary.c_str());
      return false;
    }
  }
  fs::rename(temporary, target, error);
  if (error) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

RegistryFileStore::RegistryFileStore(std::string filePath) : filePath_(std::move(filePath)) {}

std::optional<std::string> RegistryFileStore::ReadValue(const std::string& keyPath,
                                                        const std::string& valueName) const {
  std::lock_guard lock(StoreMutex());
  for (const auto& line : ParseStore(filePath_)) {
    if (line.kind == LineKind::lkValue && SameText(line.key, keyPath) &&
        SameText(line.name, valueName)) {
      return line.data;
    }
  }
  return std::nullopt;
}

bool RegistryFileStore::WriteValue(const std::string& keyPath, const std::string& valueName,
                                   const std::string& data) {
  if (!IsValidKey(keyPath) || !IsValidName(valueName)) return false;
  if (data.find_first_of("\r\n") != std::string::npos) return false;
  std::lock_guard lock(StoreMutex());
  auto lines = ParseStore(filePath_);
  std::optional<std::size_t> insertAfter;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto& line = lines[i];
    if (line.kind == LineKind::lkValue && SameText(line.key, keyPath) &&
        SameText(line.name, valueName)) {
      line.data = data;
      return WriteStoreAtomically(filePath_, lines);
    }
    // A key may be opened more than once in a hand-edited file; new values go to its last
    // value line (or its last opening line).
    if ((line.kind == LineKind::lkKey || line.kind == LineKind::lkValue) &&
        SameText(line.key, keyPath)) {
      insertAfter = i;
    }
  }
  StoreLine value;
  value.kind = LineKind::lkValue;
  value.key = keyPath;
  value.name = valueName;
  value.data = data;
  if (insertAfter) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1), std::move(value));
  } else {
    StoreLine key;
    key.kind = LineKind::lkKey;
    key.key = keyPath;
    lines.push_back(std::move(key));
    lines.push_back(std::move(value));
  }
  return WriteStoreAtomically(filePath_, lines);
}

bool RegistryFileStore::DeleteValue(const std::string& keyPath, const std::string& valueName) {
  std::lock_guard lock(StoreMutex());
  auto lines = ParseStore(filePath_);
  for (auto it = lines.begin(); it != lines.end(); ++it) {
    if (it->kind == LineKind::lkValue && SameText(it->key, keyPath) &&
        SameText(it->name, valueName)) {
      lines.erase(it);
      return WriteStoreAtomically(filePath_, lines);
    }
  }
  return false;
}

std::vector<std::string> RegistryFileStore::ValueNames(const std::string& keyPath) const {
  std::lock_guard lock(StoreMutex());
  std::vector<std::string> names;
  for (const auto& line : ParseStore(filePath_)) {
    if (line.kind == LineKind::lkValue && SameText(line.key, keyPath)) names.push_back(line.name);
  }
  return names;
}

}  // namespace vek
