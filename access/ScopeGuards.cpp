// The access layer's scope guards. The session lock is the one that needs care: an error
// raised while it is held may already have given the scope's entry back (EOracleError does
// so as it is built), and a scope must then not give back an entry of an enclosing one.
#include "access/ScopeGuards.h"

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "client/ClientLibrary.h"

namespace vek {

SessionLockScope::SessionLockScope(TOracleSession& session) {
  if (!session.threadSafe_ || session.usesOCI8_) return;
  lock_ = &session.sessionLock_;
  lock_->Enter();
  entries_ = lock_->EntryCount();
}

SessionLockScope::~SessionLockScope() {
  if (lock_ && lock_->HeldByCurrentThread() && lock_->EntryCount() >= entries_) lock_->Leave();
}

ClientLockScope::ClientLockScope(bool take) : taken_(take) {
  if (taken_) ClientLock().Enter();
}

ClientLockScope::~ClientLockScope() {
  if (taken_) ClientLock().Leave();
}

BusyCursorScope::BusyCursorScope(TOracleSession& session) : session_(session) {
  session_.ShowBusyCursor();
}

BusyCursorScope::~BusyCursorScope() { session_.RestoreBusyCursor(); }

QueryCursorScope::QueryCursorScope(TOracleQuery& query) : query_(query) {
  query_.ShowQueryCursor();
}

QueryCursorScope::~QueryCursorScope() { query_.RestoreQueryCursor(); }

ClientHandleScope::~ClientHandleScope() {
  if (!handle_) return;
  if (kind_ == ckDescriptor) {
    OracleCalls.OCIDescriptorFree(handle_, type_);
  } else {
    OracleCalls.OCIHandleFree(handle_, type_);
  }
}

}  // namespace vek
