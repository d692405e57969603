// eventfd in non-blocking mode: signalling never blocks, draining never waits.
#include "devdb/server/WakeSignal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace devdb::server {

WakeSignal::WakeSignal() : descriptor_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (descriptor_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

WakeSignal::~WakeSignal() { ::close(descriptor_); }

void WakeSignal::Signal() const {
  std::uint64_t one = 1;
  signalled_.store(true);
  [[maybe_unused]] ssize_t written = ::write(descriptor_, &one, sizeof one);
}

void WakeSignal::Drain() const {
  signalled_.store(false);
  std::uint64_t count = 0;
  [[maybe_unused]] ssize_t read = ::read(descriptor_, &count, sizeof count);
}

void WakeSignal::DrainIfSignalled() const {
  if (signalled_.exchange(false)) Drain();
}

}  // namespace devdb::server
