// A SQL*Plus script (the monitor's package resource) cut into the statements a client sends
// one by one, for the first-use set-up of a development database.
#pragma once

#include <string>
#include <vector>

namespace devdb::oci {

class SetupScript {
 public:
  // Statements end at a line holding only "/"; a comment block before the first one is left
  // out; line ends become LF.
  static std::vector<std::string> Statements(const std::string& script);
  // Windows-1252 text as UTF-8, for the letters Latin-1 shares with it.
  static std::string Utf8FromLatin1(const std::string& bytes);
};

}  // namespace devdb::oci
