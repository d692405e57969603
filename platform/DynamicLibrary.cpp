// Loading, looking up and freeing dynamic libraries: dlopen on POSIX systems, LoadLibrary on
// Windows.
#include "platform/DynamicLibrary.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vek {
namespace {

#ifdef _WIN32
std::string LastSystemErrorText() {
  const DWORD code = GetLastError();
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = length && buffer ? std::string(buffer, length) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text.empty() ? "error " + std::to_string(code) : text;
}
#endif

}  // namespace

DynamicLibrary::~DynamicLibrary() { Free(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), loadError_(std::move(other.loadError_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    Free();
    handle_ = std::exchange(other.handle_, nullptr);
    loadError_ = std::move(other.loadError_);
  }
  return *this;
}

bool DynamicLibrary::Load(const std::string& path) {
  Free();
  loadError_.clear();
#ifdef _WIN32
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (!handle_) loadError_ = LastSystemErrorText();
#else
  // Resolve every import now, as the Windows loader does, so that a missing dependency is
  // reported by the load and not by the first call.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* reason = dlerror();
    loadError_ = reason ? reason : "unknown reason";
  }
#endif
  return handle_ != nullptr;
}

void DynamicLibrary::Free() {
  if (!handle_) return;
#ifdef _WIN32
  FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (!handle_ || !name) return nullptr;
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

}  // namespace vek
