// A dynamic library loaded at run time by path, with lookup of its exports by name. The
// client binding loads the Oracle client library through it; when a load fails, the
// loader's own reason (missing file, wrong architecture, missing dependency) is kept.
#pragma once

#include <cstdint>
#include <string>

namespace vek {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Frees a library loaded before, then loads path. A path without a separator is searched
  // the system's way. False on failure, with LoadError() telling why.
  bool Load(const std::string& path);
  void Free();

  bool IsLoaded() const { return handle_ != nullptr; }
  // The module handle as a number, 0 when nothing is loaded.
  std::intptr_t HandleValue() const { return reinterpret_cast<std::intptr_t>(handle_); }
  // The address exported under name, or nullptr.
  void* Symbol(const char* name) const;
  // The loader's reason for the last failed Load; empty after a success.
  const std::string& LoadError() const { return loadError_; }

 private:
  void* handle_ = nullptr;
  std::string loadError_;
};

}  // namespace vek
