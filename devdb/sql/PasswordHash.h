// Salted, iterated SHA-256 password hashes, so that the data folder never holds a password
// in clear. Comparison is case-sensitive, as Oracle's has been since 11g.
#pragma once

#include <string>

namespace devdb::sql {

class PasswordHash {
 public:
  // "salt-hex$hash-hex" with a fresh random salt.
  static std::string Make(const std::string& password);
  static bool Matches(const std::string& stored, const std::string& password);
  static std::string Sha256Hex(const std::string& data);
};

}  // namespace devdb::sql
