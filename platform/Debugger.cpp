// The debugger check. On Linux a tracer (gdb, strace, an IDE's debugger) shows as a non-zero
// TracerPid in /proc/self/status.
#include "platform/Debugger.h"

#include <atomic>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vek {
namespace {

// -1: ask the system; 0 or 1: the stand-in's answer.
std::atomic<int>& Override() {
  static std::atomic<int> value{-1};
  return value;
}

bool SystemDebuggerPresent() {
#ifdef _WIN32
  return IsDebuggerPresent() != 0;
#else
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string field = "TracerPid:";
  while (std::getline(status, line)) {
    if (line.compare(0, field.size(), field) != 0) continue;
    const auto digits = line.find_first_of("0123456789", field.size());
    return digits != std::string::npos && std::stol(line.substr(digits)) != 0;
  }
  return false;
#endif
}

}  // namespace

bool DebuggerPresent() {
  const int forced = Override().load();
  return forced < 0 ? SystemDebuggerPresent() : forced != 0;
}

ScopedDebuggerPresence::ScopedDebuggerPresence(bool present) {
  const int before = Override().exchange(present ? 1 : 0);
  if (before >= 0) previous_ = before != 0;
}

ScopedDebuggerPresence::~ScopedDebuggerPresence() {
  Override().store(previous_ ? (*previous_ ? 1 : 0) : -1);
}

}  // namespace vek
