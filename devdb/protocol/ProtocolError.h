// The exception for a frame or message that breaks the wire rules: a bad length, an unknown
// message type, a truncated or surplus field. Whoever reads such a frame drops the connection,
// since nothing after it can be trusted to start on a frame boundary.
#pragma once

#include <stdexcept>
#include <string>

namespace devdb::protocol {

class ProtocolError : public std::runtime_error {
 public:
  explicit ProtocolError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace devdb::protocol
