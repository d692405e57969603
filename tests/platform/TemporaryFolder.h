// A fresh folder below the system's temporary folder, removed with everything in it when the
// test ends; with helpers to create files and folders inside it.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace vek::testing {

class TemporaryFolder {
 public:
  TemporaryFolder() {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
      path_ = base / ("vek-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TemporaryFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  std::string Path() const { return path_.string(); }
  std::string PathOf(const std::string& relative) const { return (path_ / relative).string(); }

  // Creates the folders on the way; returns the full path.
  std::string MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(path_ / relative);
    return PathOf(relative);
  }
  std::string WriteFile(const std::string& relative, const std::string& content) const {
    const auto full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream file(full, std::ios::binary | std::ios::trunc);
    file << content;
    return full.string();
  }
  std::string CopyFile(const std::string& source, const std::string& relative) const {
    const auto full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::filesystem::copy_file(source, full, std::filesystem::copy_options::overwrite_existing);
    return full.string();
  }
  std::string ReadFile(const std::string& relative) const {
    std::ifstream file(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};

}  // namespace vek::testing
