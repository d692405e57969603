// TSessionDependant: what a session asks of the objects that attach to it (statements,
// package objects, listeners): to close when it logs off, and to let go of it when it is
// destroyed. Each dependant joins and leaves its session's registry itself.
#pragma once

namespace vek {

class TSessionDependant {
 public:
  virtual ~TSessionDependant() = default;
  // The session is logging off; errors raised here are ignored.
  virtual void SessionLoggingOff() {}
  // The session is being destroyed: the dependant's session becomes none.
  virtual void SessionDestroyed() = 0;
};

}  // namespace vek
