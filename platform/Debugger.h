// Whether the process runs under a debugger: on Windows the system's debugger-present flag,
// elsewhere a tracer attached to the process. The access layer reads its optional list of
// warning numbers only then; tests stand in for the flag with ScopedDebuggerPresence.
#pragma once

#include <optional>

namespace vek {

bool DebuggerPresent();

// While it lives, DebuggerPresent() answers the given value instead of asking the system.
class ScopedDebuggerPresence {
 public:
  explicit ScopedDebuggerPresence(bool present);
  ~ScopedDebuggerPresence();
  ScopedDebuggerPresence(const ScopedDebuggerPresence&) = delete;
  ScopedDebuggerPresence& operator=(const ScopedDebuggerPresence&) = delete;

 private:
  std::optional<bool> previous_;
};

}  // namespace vek
