// A descriptor that another thread can make readable, to wake a connection's thread from its
// wait for the next frame (after a kill, or at shutdown). An eventfd, closed with its owner.
#pragma once

#include <atomic>

namespace devdb::server {

class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  void Signal() const;
  void Drain() const;
  // Drain, but without a signal since the last drain it costs no call. A signal that races
  // with it may stay readable: the next wait then wakes once and drains it.
  void DrainIfSignalled() const;
  int Descriptor() const { return descriptor_; }

 private:
  int descriptor_;
  mutable std::atomic<bool> signalled_{false};
};

}  // namespace devdb::server
