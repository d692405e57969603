// File-system services on top of std::filesystem, with the wildcard and line rules written out
// here so that they behave the same on every platform.
#include "platform/FileSystem.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/ProgramArguments.h"
#include "platform/TextCase.h"

namespace vek {
namespace {

namespace fs = std::filesystem;

bool SameFileNameCharacter(char a, char b) {
  if constexpr (kIsWindows) {
    return UpperCase(std::string_view(&a, 1)) == UpperCase(std::string_view(&b, 1));
  }
  return a == b;
}

}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  const auto status = fs::status(path, error);
  return !error && fs::exists(status) && !fs::is_directory(status);
}

bool FolderExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::is_directory(path, error);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matcher with one back-tracking point per "*": linear in practice, no recursion.
  std::size_t p = 0, n = 0;
  std::size_t starPattern = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = p++;
      starName = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || SameFileNameCharacter(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator entries(folder.empty() ? fs::path(".") : fs::path(folder), error);
  if (error) return names;
  for (const auto& entry : entries) {
    std::error_code statusError;
    if (entry.is_directory(statusError)) continue;
    std::string name = entry.path().filename().string();
    if (WildcardMatch(pattern, name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  std::vector<std::string> lines;
  if (!FileExists(path)) return lines;
  std::ifstream file(path, std::ios::binary);
  if (!file) return lines;
  const std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::string line;
  for (std::size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string UserConfigurationFolder() {
#ifdef _WIN32
  return GetEnvironmentVariable("APPDATA") + "\\VEK";
#else
  const std::string xdg = GetEnvironmentVariable("XDG_CONFIG_HOME");
  if (!xdg.empty()) return xdg + "/vek";
  return GetEnvironmentVariable("HOME") + "/.config/vek";
#endif
}

std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(absolute, error);
  return (error ? absolute.lexically_normal() : canonical).string();
}

std::string CurrentDirectory() {
  std::error_code error;
  const fs::path current = fs::current_path(error);
  return error ? std::string() : current.string();
}

bool ChangeCurrentDirectory(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  fs::current_path(folder, error);
  return !error;
}

bool SameFolder(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code error;
  const bool same = fs::equivalent(a, b, error);
  return !error && same;
}

bool IsPathSeparator(char c) {
  if constexpr (kIsWindows) return c == '\\' || c == '/';
  return c == '/';
}

std::string DirectoryPart(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1])) return i == 1 ? path.substr(0, 1) : path.substr(0, i - 1);
  }
  return {};
}

std::string FileNamePart(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1])) return path.substr(i);
  }
  return path;
}

}  // namespace vek
