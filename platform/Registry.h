// The registry seam: string values under the local machine's and the current user's hives.
// On Windows the system registry; elsewhere one RegistryFileStore per hive, in the folder
// named by VEK_REGISTRY_DIR, or else /etc/vek (local machine) and $XDG_CONFIG_HOME/vek or
// ~/.config/vek (current user), as "local-machine.reg" and "current-user.reg".
#pragma once

#include <string>
#include <vector>

namespace vek {

enum class RegistryRoot { rrLocalMachine, rrCurrentUser };

// The environment variable that moves both hive files into one folder.
inline constexpr const char* kRegistryDirVariable = "VEK_REGISTRY_DIR";

// A string value read through a 1024-byte buffer: empty text when the key or the value is
// missing, or when the value and its terminating zero do not fit. Where there is no system
// registry, a missing "ORACLE_HOME" under "SOFTWARE\ORACLE" on the local machine is answered
// by the ORACLE_HOME environment variable, so that an installed Oracle home is found with no
// set-up.
std::string ReadRegistryString(RegistryRoot root, const std::string& keyPath,
                               const std::string& valueName);

// Writes a string value, creating the key. The program writes only under rrCurrentUser; the
// local machine's hive is not written where it would need an administrator.
bool WriteRegistryString(RegistryRoot root, const std::string& keyPath,
                         const std::string& valueName, const std::string& data);
// True when the value existed and is gone.
bool DeleteRegistryValue(RegistryRoot root, const std::string& keyPath,
                         const std::string& valueName);
std::vector<std::string> RegistryValueNames(RegistryRoot root, const std::string& keyPath);

// The file that holds a hive where there is no system registry (empty on Windows).
std::string RegistryStorePath(RegistryRoot root);

}  // namespace vek
