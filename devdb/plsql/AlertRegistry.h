// The server's database alerts, shared by every session of the process: who is registered
// for which name, and the latest committed message each registered session has not yet
// waited for. Signals reach it only when the signalling transaction commits.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "devdb/plsql/WaitRoom.h"

namespace devdb::plsql {

class AlertRegistry {
 public:
  static constexpr double kMaxWait = 86400000;
  enum Status { kAlerted = 0, kTimedOut = 1 };
  using SessionKey = std::uint64_t;
  using Message = std::optional<std::string>;  // a signal may carry NULL
  using InterruptCheck = std::function<void()>;

  explicit AlertRegistry(WaitRoom& room) : room_(room) {}

  void Register(SessionKey session, const std::string& name);
  void Remove(SessionKey session, const std::string& name);
  void RemoveAll(SessionKey session);
  // Committed signals, in commit order: each registered session keeps only the latest.
  void Deliver(const std::vector<std::pair<std::string, Message>>& signals);

  // A name the session has not registered waits the whole timeout and reports kTimedOut.
  int WaitOne(SessionKey session, const std::string& name, double timeoutSeconds,
              const InterruptCheck& checkInterrupt, Message& message);
  // Throws ORA-20000 (ORU-10024) when the session has registered nothing.
  int WaitAny(SessionKey session, double timeoutSeconds, const InterruptCheck& checkInterrupt,
              std::string& name, Message& message);
  std::size_t RegistrationCount(SessionKey session);

  static std::string Key(const std::string& name);

 private:
  struct Slot {
    bool signalled = false;
    Message message;
  };
  // name -> session -> slot
  std::map<std::string, std::map<SessionKey, Slot>> alerts_;
  std::map<SessionKey, std::set<std::string>> registrations_;
  WaitRoom& room_;
};

}  // namespace devdb::plsql
