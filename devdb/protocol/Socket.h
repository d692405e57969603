// An owned TCP socket descriptor, closed with its owner, and the few ways to open one that
// the server and the client need: listen on an address, accept, connect.
#pragma once

#include <cstdint>
#include <string>

namespace devdb::protocol {

class Socket {
 public:
  Socket() = default;
  explicit Socket(int descriptor) : descriptor_(descriptor) {}
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // host is a numeric IPv4 address or "localhost". Throw std::system_error on failure.
  static Socket Connect(const std::string& host, std::uint16_t port);
  static Socket Listen(const std::string& host, std::uint16_t port);

  // Waits for a connection; returns a closed socket when the listener was shut down.
  Socket Accept() const;
  std::uint16_t LocalPort() const;
  // Ends both directions, so that a thread blocked on this socket wakes up.
  void Shutdown() const;

  int Descriptor() const { return descriptor_; }
  bool IsOpen() const { return descriptor_ >= 0; }
  void Close();

 private:
  int descriptor_ = -1;
};

}  // namespace devdb::protocol
