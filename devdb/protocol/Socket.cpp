// POSIX sockets. Nagle's algorithm is switched off on every connection: the protocol is a
// strict request-reply exchange of small frames, where delayed sends only add latency.
#include "devdb/protocol/Socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace devdb::protocol {
namespace {

sockaddr_in MakeAddress(const std::string& host, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  const std::string numeric = host == "localhost" || host.empty() ? "127.0.0.1" : host;
  if (inet_pton(AF_INET, numeric.c_str(), &address.sin_addr) != 1)
    throw std::system_error(EINVAL, std::generic_category(), "not an IPv4 address: " + host);
  return address;
}

void SetNoDelay(int descriptor) {
  int on = 1;
  setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    descriptor_ = other.descriptor_;
    other.descriptor_ = -1;
  }
  return *this;
}

void Socket::Close() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
}

Socket Socket::Connect(const std::string& host, std::uint16_t port) {
  sockaddr_in address = MakeAddress(host, port);
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsOpen()) throw std::system_error(errno, std::generic_category(), "socket");
  int result;
  do {
    result = ::connect(socket.descriptor_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  if (result != 0) throw std::system_error(errno, std::generic_category(), "connect");
  SetNoDelay(socket.descriptor_);
  return socket;
}

Socket Socket::Listen(const std::string& host, std::uint16_t port) {
  sockaddr_in address = MakeAddress(host, port);
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsOpen()) throw std::system_error(errno, std::generic_category(), "socket");
  int on = 1;
  setsockopt(socket.descriptor_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(socket.descriptor_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    throw std::system_error(errno, std::generic_category(), "bind");
  if (::listen(socket.descriptor_, 64) != 0)
    throw std::system_error(errno, std::generic_category(), "listen");
  return socket;
}

Socket Socket::Accept() const {
  while (true) {
    int descriptor = ::accept4(descriptor_, nullptr, nullptr, SOCK_CLOEXEC);
    if (descriptor >= 0) {
      SetNoDelay(descriptor);
      return Socket(descriptor);
    }
    // A connection that was reset before we took it is the peer's business, not ours.
    if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
    return Socket();
  }
}

std::uint16_t Socket::LocalPort() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(descriptor_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::system_error(errno, std::generic_category(), "getsockname");
  return ntohs(address.sin_port);
}

void Socket::Shutdown() const {
  if (descriptor_ >= 0) ::shutdown(descriptor_, SHUT_RDWR);
}

}  // namespace devdb::protocol
