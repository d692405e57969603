// What the server knows of one logged-on session: its identity for V$SESSION, the engine
// session, and whether a call is running on it. Shared between the connection's thread,
// which runs the calls, and other threads that list, kill or break the session.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "devdb/server/WakeSignal.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::server {

class SessionEntry {
 public:
  SessionEntry(int sid, int serial, std::int64_t audsid, std::uint64_t breakToken,
               std::shared_ptr<WakeSignal> wake, int socketDescriptor)
      : sid_(sid),
        serial_(serial),
        audsid_(audsid),
        breakToken_(breakToken),
        wake_(std::move(wake)),
        socketDescriptor_(socketDescriptor) {}

  int Sid() const { return sid_; }
  int Serial() const { return serial_; }
  std::int64_t Audsid() const { return audsid_; }
  std::uint64_t BreakToken() const { return breakToken_; }
  // The client's connection, watched during calls for a client that hangs up.
  int SocketDescriptor() const { return socketDescriptor_; }

  // Set once by the connection's thread before the entry is published.
  void SetIdentity(const sql::SessionRow& identity) { identity_ = identity; }

  // The row for V$SESSION: the identity, the live status and what the session itself set.
  sql::SessionRow Row();

  // Installs the engine session after a successful logon.
  void Attach(std::unique_ptr<sql::Session> session);
  // Takes the engine session away so that its owner can end it; calls must have ended.
  std::unique_ptr<sql::Session> Detach();

  // Marks a call as running. Throws SqlError 28 after a kill and 1089 during shutdown,
  // so that no new call starts then.
  sql::Session& BeginCall(const std::atomic<bool>& shuttingDown);
  void EndCall();

  // From another thread: interrupts the running call, if any, with the given error.
  void Interrupt(int errorCode);
  // Delivers the running call's interrupt again. The engine drops an interrupt that comes
  // before it has begun the call, and the server cannot see that moment, so the interrupt
  // is repeated until the call ends.
  void RepeatPendingInterrupt();
  // Marks the session killed: the running call ends with ORA-00028, and the connection's
  // thread is woken to end the session if it is idle.
  void Kill();
  bool IsKilled();
  bool IsBusy();

 private:
  const int sid_;
  const int serial_;
  const std::int64_t audsid_;
  const std::uint64_t breakToken_;
  void InterruptLocked(int errorCode);

  const std::shared_ptr<WakeSignal> wake_;
  const int socketDescriptor_;
  sql::SessionRow identity_;

  std::mutex mutex_;  // guards everything below
  std::unique_ptr<sql::Session> session_;
  bool busy_ = false;
  int pendingInterrupt_ = 0;  // the running call's interrupt, 0 for none
  bool killed_ = false;
};

}  // namespace devdb::server
