// The exception for a connection that ended or failed under a reader or writer: the peer
// closed it in the middle of a frame, or the operating system reported an error.
#pragma once

#include <stdexcept>
#include <string>

namespace devdb::protocol {

class ConnectionLost : public std::runtime_error {
 public:
  explicit ConnectionLost(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace devdb::protocol
