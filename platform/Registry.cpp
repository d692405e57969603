// The registry seam: the Windows registry API, or one RegistryFileStore per hive.
#include "platform/Registry.h"

#include "platform/FileSystem.h"
#include "platform/ProgramArguments.h"
#include "platform/TextCase.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/RegistryFileStore.h"
#endif

namespace vek {
namespace {

constexpr std::size_t kRegistryBufferSize = 1024;

#ifdef _WIN32

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::rrLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

class OpenKey {
 public:
  OpenKey(RegistryRoot root, const std::string& keyPath, REGSAM access, bool create) {
    const LONG result = create ? RegCreateKeyExA(RootKey(root), keyPath.c_str(), 0, nullptr, 0,
                                                 access, nullptr, &key_, nullptr)
                               : RegOpenKeyExA(RootKey(root), keyPath.c_str(), 0, access, &key_);
    if (result != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

#else

#endif

}  // namespace

std::string RegistryStorePath(RegistryRoot root) {
#ifdef _WIN32
  (void)root;
  return {};
#else
  const bool localMachine = root == RegistryRoot::rrLocalMachine;
  const std::string fileName = localMachine ? "local-machine.reg" : "current-user.reg";
  const std::string folder = GetEnvironmentVariable(kRegistryDirVariable);
  if (!folder.empty()) return folder + "/" + fileName;
  return (localMachine ? std::string("/etc/vek") : UserConfigurationFolder()) + "/" + fileName;
#endif
}

std::string ReadRegistryString(RegistryRoot root, const std::string& keyPath,
                               const std::string& valueName) {
#ifdef _WIN32
  OpenKey key(root, keyPath, KEY_READ, false);
  if (!key.get()) return {};
  char buffer[kRegistryBufferSize];
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
    return {};
  }
  std::string value(buffer, size);
  if (!value.empty() && value.back() == '\0') value.pop_back();
  return value;
#else
  auto value = RegistryFileStore(RegistryStorePath(root)).ReadValue(keyPath, valueName);
  if (value && value->size() + 1 > kRegistryBufferSize) return {};
  if ((!value || value->empty()) && root == RegistryRoot::rrLocalMachine &&
      SameText(keyPath, "SOFTWARE\\ORACLE") && SameText(valueName, "ORACLE_HOME")) {
    value = GetEnvironmentVariable("ORACLE_HOME");
    if (value->size() + 1 > kRegistryBufferSize) return {};
  }
  return value.value_or(std::string());
#endif
}

bool WriteRegistryString(RegistryRoot root, const std::string& keyPath,
                         const std::string& valueName, const std::string& data) {
#ifdef _WIN32
  OpenKey key(root, keyPath, KEY_WRITE, true);
  if (!key.get()) return false;
  return RegSetValueExA(key.get(), valueName.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
#else
  return RegistryFileStore(RegistryStorePath(root)).WriteValue(keyPath, valueName, data);
#endif
}

bool DeleteRegistryValue(RegistryRoot root, const std::string& keyPath,
                         const std::string& valueName) {
#ifdef _WIN32
  OpenKey key(root, keyPath, KEY_WRITE, false);
  return key.get() && RegDeleteValueA(key.get(), valueName.c_str()) == ERROR_SUCCESS;
#else
  return RegistryFileStore(RegistryStorePath(root)).DeleteValue(keyPath, valueName);
#endif
}

std::vector<std::string> RegistryValueNames(RegistryRoot root, const std::string& keyPath) {
#ifdef _WIN32
  std::vector<std::string> names;
  OpenKey key(root, keyPath, KEY_READ, false);
  if (!key.get()) return names;
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD length = sizeof name;
    if (RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
#else
  return RegistryFileStore(RegistryStorePath(root)).ValueNames(keyPath);
#endif
}

}  // namespace vek
