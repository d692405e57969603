// One registry hive kept in a text file, as the program uses the registry on systems that
// have none. The format is meant to be read and edited by a person:
//
//   # a comment (also lines starting with ';'); blank lines are ignored
//   [SOFTWARE\ORACLE\HOME0]
//   ORACLE_HOME_NAME=OraHome8i
//   ORACLE_HOME=/opt/oracle/product/8.1.7
//
// A line "[key path]" opens a key; each following "name=data" line is a string value of it,
// the name ending at the first "=" and the data running to the end of the line, blanks kept.
// Key paths and value names compare without regard to case, as in the Windows registry.
// Data cannot hold a line break; names cannot hold "=" or a line break and cannot start
// with "[", "#" or ";". Writes replace the whole file atomically (a temporary file renamed
// over it), so that a crash never leaves a half-written file; comments are kept.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vek {

class RegistryFileStore {
 public:
  explicit RegistryFileStore(std::string filePath);

  const std::string& FilePath() const { return filePath_; }

  // nullopt when the file, the key or the value is missing.
  std::optional<std::string> ReadValue(const std::string& keyPath,
                                       const std::string& valueName) const;
  // Creates the key, the value, the file and its folder as needed. False when the name or the
  // data cannot be stored or the file cannot be written.
  bool WriteValue(const std::string& keyPath, const std::string& valueName,
                  const std::string& data);
  // True when the value existed and is gone.
  bool DeleteValue(const std::string& keyPath, const std::string& valueName);
  // The names of the key's values in file order.
  std::vector<std::string> ValueNames(const std::string& keyPath) const;

 private:
  std::string filePath_;
};

}  // namespace vek
