// A descriptor that another thread can make readable, to wake a connection's thread from its
// wait for the next frame (after a kill, or at shutdown). An eventfd, closed with its owner.
#pragma once

namespace devdb::server {

class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  void Signal() const;
  void Drain() const;
  int Descriptor() const { return descriptor_; }

 private:
  int descriptor_;
};

}  // namespace devdb::server
