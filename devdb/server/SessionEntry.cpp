// The session's state machine between threads. The engine session is only ever ended by the
// connection's thread, and only while no other thread holds the lock, so that a V$SESSION
// listing or a kill from another session never touches a session being destroyed.
#include "devdb/server/SessionEntry.h"

#include "devdb/server/ServerTexts.h"

namespace devdb::server {

sql::SessionRow SessionEntry::Row() {
  std::lock_guard lock(mutex_);
  sql::SessionRow row = identity_;
  row.sid = sid_;
  row.serial = serial_;
  row.audsid = audsid_;
  if (session_) {
    try {
      sql::SessionRow live = session_->Describe();
      row.module = live.module;
      row.action = live.action;
      row.clientInfo = live.clientInfo;
      if (!live.schemaName.empty()) row.schemaName = live.schemaName;
    } catch (const std::exception&) {
      // A session that cannot describe itself (it is being killed) is still listed.
    }
  }
  row.status = killed_ ? "KILLED" : busy_ ? "ACTIVE" : "INACTIVE";
  return row;
}

void SessionEntry::Attach(std::unique_ptr<sql::Session> session) {
  std::lock_guard lock(mutex_);
  session_ = std::move(session);
}

std::unique_ptr<sql::Session> SessionEntry::Detach() {
  std::lock_guard lock(mutex_);
  return std::move(session_);
}

sql::Session& SessionEntry::BeginCall(const std::atomic<bool>& shuttingDown) {
  std::lock_guard lock(mutex_);
  if (killed_ || !session_) throw sql::SqlError(texts::kSessionKilledCode, texts::kSessionKilled);
  if (shuttingDown.load()) throw sql::SqlError(texts::kShutdownCode, texts::kShutdown);
  busy_ = true;
  return *session_;
}

void SessionEntry::EndCall() {
  std::lock_guard lock(mutex_);
  busy_ = false;
  pendingInterrupt_ = 0;
}

void SessionEntry::Interrupt(int errorCode) {
  std::lock_guard lock(mutex_);
  InterruptLocked(errorCode);
}

void SessionEntry::RepeatPendingInterrupt() {
  std::lock_guard lock(mutex_);
  if (pendingInterrupt_ != 0) InterruptLocked(pendingInterrupt_);
}

void SessionEntry::InterruptLocked(int errorCode) {
  if (!busy_ || !session_) return;
  // A kill stays a kill whatever comes after it.
  if (pendingInterrupt_ != texts::kSessionKilledCode) pendingInterrupt_ = errorCode;
  try {
    session_->Interrupt(pendingInterrupt_);
  } catch (const std::exception&) {
    // Interrupting is called from other threads (a break, a kill, the hang-up watch, the
    // shutdown); a failure there must not end the server. The call then simply runs on.
  }
}

void SessionEntry::Kill() {
  {
    std::lock_guard lock(mutex_);
    if (killed_) return;
    killed_ = true;
    InterruptLocked(texts::kSessionKilledCode);
  }
  if (wake_) wake_->Signal();
}

bool SessionEntry::IsKilled() {
  std::lock_guard lock(mutex_);
  return killed_;
}

}  // namespace devdb::server

namespace devdb::server {

bool SessionEntry::IsBusy() {
  std::lock_guard lock(mutex_);
  return busy_;
}

}  // namespace devdb::server
