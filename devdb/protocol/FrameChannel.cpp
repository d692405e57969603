// Blocking frame transfer with poll(), so that a wait can end for a second reason besides
// data. Writes use MSG_NOSIGNAL: a vanished peer is an error to report, not a SIGPIPE.
#include "devdb/protocol/FrameChannel.h"

#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "devdb/protocol/ConnectionLost.h"

namespace devdb::protocol {
namespace {

enum class Wait { Ready, Woken, TimedOut };

// Waits until the socket is ready for events, the wake descriptor is readable or the
// deadline (if any) has passed.
Wait WaitFor(int socket, short events, int wakeDescriptor,
             std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt) {
  while (true) {
    pollfd fds[2] = {{socket, events, 0}, {wakeDescriptor, POLLIN, 0}};
    int count = wakeDescriptor >= 0 ? 2 : 1;
    int timeout = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(
          *deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return Wait::TimedOut;
      timeout = static_cast<int>(std::min<std::int64_t>(left.count(), 60'000));
    }
    int result = ::poll(fds, static_cast<nfds_t>(count), timeout);
    if (result < 0) {
      if (errno == EINTR) continue;
      throw ConnectionLost(std::string("poll: ") + std::strerror(errno));
    }
    if (count == 2 && (fds[1].revents & POLLIN)) return Wait::Woken;
    if (fds[0].revents != 0) return Wait::Ready;
  }
}

// How long a reader looks for data before it sleeps. A reply to a short call, or the next call
// of a busy client, usually comes within microseconds; a thread that sleeps instead lets its
// CPU go idle, and on a virtual machine waking that CPU again costs tens of microseconds, more
// than most calls take. The reader yields between looks, so that a peer sharing its CPU runs
// first; a longer wait then sleeps as before and costs no CPU.
std::chrono::microseconds SpinBeforeSleeping() {
  static const std::chrono::microseconds spin = [] {
    const char* setting = std::getenv("DEVDB_SPIN_MICROSECONDS");
    return std::chrono::microseconds(setting != nullptr ? std::atol(setting) : 100);
  }();
  return spin;
}

}  // namespace

bool FrameChannel::ReceiveWithoutSleeping(
    std::optional<std::chrono::steady_clock::time_point> deadline) {
  const std::chrono::microseconds spin = SpinBeforeSleeping();
  if (spin.count() <= 0) return false;
  auto until = std::chrono::steady_clock::now() + spin;
  if (deadline && *deadline < until) until = *deadline;
  std::uint8_t chunk[16 * 1024];
  do {
    const ssize_t received = ::recv(socket_.Descriptor(), chunk, sizeof chunk, MSG_DONTWAIT);
    if (received > 0) {
      buffer_.insert(buffer_.end(), chunk, chunk + received);
      return true;
    }
    // The end of the stream and errors are left to the sleeping receive, which reports them.
    if (received == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return false;
    sched_yield();
  } while (std::chrono::steady_clock::now() < until);
  return false;
}

FrameChannel::ReadResult FrameChannel::Read(
    int wakeDescriptor, std::optional<std::chrono::steady_clock::time_point> deadline) {
  std::uint8_t chunk[64 * 1024];
  while (true) {
    if (auto frame = FrameCodec::Extract(buffer_, maximumBody_))
      return {ReadStatus::Frame, std::move(*frame)};
    if (ReceiveWithoutSleeping(deadline)) continue;
    // With nothing else to wait for, the receive itself waits: one call fewer per frame.
    if (wakeDescriptor >= 0 || deadline) {
      switch (WaitFor(socket_.Descriptor(), POLLIN, wakeDescriptor, deadline)) {
        case Wait::Ready: break;
        case Wait::Woken: return {ReadStatus::Woken, {}};
        case Wait::TimedOut: return {ReadStatus::TimedOut, {}};
      }
    }
    ssize_t received = ::recv(socket_.Descriptor(), chunk, sizeof chunk, 0);
    if (received < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      throw ConnectionLost(std::string("recv: ") + std::strerror(errno));
    }
    if (received == 0) {
      if (buffer_.empty()) return {ReadStatus::Closed, {}};
      throw ConnectionLost("connection ended inside a frame");
    }
    buffer_.insert(buffer_.end(), chunk, chunk + received);
  }
}

void FrameChannel::Hold(const Frame& frame) {
  const auto header = FrameCodec::EncodeHeader(frame);
  held_.insert(held_.end(), header.begin(), header.end());
  held_.insert(held_.end(), frame.body.begin(), frame.body.end());
}

bool FrameChannel::HasWholeFrame() const {
  if (buffer_.size() < FrameCodec::kHeaderSize) return false;
  std::uint32_t length = 0;
  for (std::size_t i = 0; i < 4; ++i) length = (length << 8) | buffer_[i];
  return buffer_.size() - FrameCodec::kHeaderSize >= length;
}

bool FrameChannel::Write(const Frame& frame, int wakeDescriptor) {
  // The held frames, the header and the body go out in one gathered send, without first being
  // copied together.
  const auto header = FrameCodec::EncodeHeader(frame);
  std::vector<std::uint8_t> held;
  held.swap(held_);
  iovec parts[3] = {{held.data(), held.size()},
                    {const_cast<std::uint8_t*>(header.data()), header.size()},
                    {const_cast<std::uint8_t*>(frame.body.data()), frame.body.size()}};
  iovec* next = parts;
  std::size_t left = 3;
  while (true) {
    while (left > 0 && next->iov_len == 0) {
      ++next;
      --left;
    }
    if (left == 0) break;
    msghdr message{};
    message.msg_iov = next;
    message.msg_iovlen = left;
    const ssize_t result = ::sendmsg(socket_.Descriptor(), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (result >= 0) {
      // Steps over what went out: whole parts, then into the part that went out in part.
      auto sent = static_cast<std::size_t>(result);
      while (sent > 0) {
        const std::size_t step = std::min(sent, next->iov_len);
        next->iov_base = static_cast<std::uint8_t*>(next->iov_base) + step;
        next->iov_len -= step;
        sent -= step;
        if (next->iov_len == 0) {
          ++next;
          --left;
        }
      }
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK)
      throw ConnectionLost(std::string("send: ") + std::strerror(errno));
    if (WaitFor(socket_.Descriptor(), POLLOUT, wakeDescriptor) == Wait::Woken) return false;
  }
  // The held frames' storage serves the next ones.
  held.clear();
  held_.swap(held);
  return true;
}

}  // namespace devdb::protocol
