// The process-wide list of sessions. Every session joins it when created and leaves it when
// destroyed; at program end the client binding's shutdown step logs off every session still
// on it, ignoring errors, before the client library is unloaded.
#pragma once

#include <vector>

namespace vek {

class TOracleSession;

class SessionList {
 public:
  // Joining (re)installs the shutdown step.
  static void Join(TOracleSession* session);
  static void Leave(TOracleSession* session);
  static std::vector<TOracleSession*> Sessions();
  // Logs off every listed session; errors are ignored.
  static void LogOffAll();
};

}  // namespace vek
