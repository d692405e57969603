// Scope guards for the access layer's paired actions: the session lock of a thread-safe
// version-7 session, the client lock of a thread-safe logon, a session's busy cursor, a
// statement's cursor, and a handle or descriptor of the client library held for a while. Each
// undoes its action once when its scope ends, on an error's way out as on the normal one, so
// that no code path has to remember the second half of a pair.
#pragma once

#include <cstdint>

#include "client/OracleCallTable.h"
#include "client/OracleCriticalSection.h"

namespace vek {

class TOracleQuery;
class TOracleSession;

// Holds the session lock of a thread-safe version-7 session for one group of client calls;
// any other session needs none. Scopes nest.
class SessionLockScope {
 public:
  explicit SessionLockScope(TOracleSession& session);
  ~SessionLockScope();
  SessionLockScope(const SessionLockScope&) = delete;
  SessionLockScope& operator=(const SessionLockScope&) = delete;

 private:
  TOracleCriticalSection* lock_ = nullptr;
  // The lock's entry count with this scope's entry, to tell whether it is still there.
  std::int32_t entries_ = 0;
};

// Holds ClientLock for a scope when asked to (a thread-safe session's logon and logoff).
class ClientLockScope {
 public:
  explicit ClientLockScope(bool take);
  ~ClientLockScope();
  ClientLockScope(const ClientLockScope&) = delete;
  ClientLockScope& operator=(const ClientLockScope&) = delete;

 private:
  bool taken_;
};

// Shows the session's busy cursor for a scope; nested scopes show it once.
class BusyCursorScope {
 public:
  explicit BusyCursorScope(TOracleSession& session);
  ~BusyCursorScope();
  BusyCursorScope(const BusyCursorScope&) = delete;
  BusyCursorScope& operator=(const BusyCursorScope&) = delete;

 private:
  TOracleSession& session_;
};

// Shows the statement's cursor for a scope. A failed client call puts it back earlier, before
// AfterQuery runs; the end of the scope then has nothing left to do.
class QueryCursorScope {
 public:
  explicit QueryCursorScope(TOracleQuery& query);
  ~QueryCursorScope();
  QueryCursorScope(const QueryCursorScope&) = delete;
  QueryCursorScope& operator=(const QueryCursorScope&) = delete;

 private:
  TOracleQuery& query_;
};

// Owns a handle or a descriptor of the client library and frees it at the end of the scope,
// unless Release has handed it on.
class ClientHandleScope {
 public:
  enum Kind { ckHandle, ckDescriptor };
  ClientHandleScope(void* handle, ub4 type, Kind kind = ckHandle)
      : handle_(handle), type_(type), kind_(kind) {}
  ~ClientHandleScope();
  ClientHandleScope(const ClientHandleScope&) = delete;
  ClientHandleScope& operator=(const ClientHandleScope&) = delete;

  void* Get() const { return handle_; }
  // The caller owns the handle from now on.
  void* Release() {
    void* handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  void* handle_;
  ub4 type_;
  Kind kind_;
};

}  // namespace vek
