// The exception the devdb client throws for every failed call: an Oracle error number, the
// full message ("ORA-00942: table or view does not exist") and the parse error offset.
#pragma once

#include <stdexcept>
#include <string>

namespace devdb::client {

class ServerError : public std::runtime_error {
 public:
  ServerError(int code, const std::string& message, int offset = 0)
      : std::runtime_error(message), code_(code), offset_(offset) {}
  int Code() const { return code_; }
  int Offset() const { return offset_; }

 private:
  int code_;
  int offset_;
};

}  // namespace devdb::client
