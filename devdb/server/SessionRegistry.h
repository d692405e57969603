// The server's list of sessions and the engine's view of it (V$SESSION, ALTER SYSTEM KILL
// SESSION). Hands out SID, SERIAL# and AUDSID, finds a session for a break, and interrupts
// every running call at shutdown.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "devdb/server/SessionEntry.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::server {

class SessionRegistry : public sql::SessionDirectory {
 public:
  SessionRegistry();

  // Sessions at once (reserved or published); Reserve refuses one more with ORA-00018.
  void SetMaxSessions(int maxSessions) { maxSessions_ = maxSessions; }

  // Reserves a SID and the other numbers for a logon in progress; the entry stays out of
  // V$SESSION until Publish.
  std::shared_ptr<SessionEntry> Reserve(std::shared_ptr<WakeSignal> wake, int socketDescriptor);
  void Publish(const std::shared_ptr<SessionEntry>& entry);
  // Frees the SID of a reserved or published entry.
  void Remove(const std::shared_ptr<SessionEntry>& entry);

  // Tells the registry which session the calling thread serves, so that a session cannot
  // kill itself (0 for none).
  static void SetCurrentSid(int sid);

  std::vector<sql::SessionRow> Sessions() override;
  void KillSession(int sid, int serial) override;

  // Interrupts the running call of the session with this SID when the token matches; a
  // break with a wrong token does nothing.
  void Break(int sid, std::uint64_t breakToken);

  // The sessions with a call running, for the hang-up watch.
  std::vector<std::shared_ptr<SessionEntry>> BusySessions();

  void BeginShutdown();
  const std::atomic<bool>& ShuttingDown() const { return shuttingDown_; }

 private:
  struct Slot {
    std::shared_ptr<SessionEntry> entry;
    bool published = false;
  };

  std::mutex mutex_;  // guards everything below
  std::map<int, Slot> slots_;
  std::map<int, int> lastSerial_;
  std::int64_t nextAudsid_;
  std::atomic<int> maxSessions_{200};
  std::atomic<bool> shuttingDown_{false};
};

}  // namespace devdb::server
