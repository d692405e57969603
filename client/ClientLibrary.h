// The loaded Oracle client library: loading it from the file the search chose, binding its
// entry points into OracleCalls, the family flags that tell which interface may be used,
// the one-time initialisation, the failed-load report, and unloading everything again.
// Every part of the access layer calls InitializeClient before its first client call.
#pragma once

#include <atomic>
#include <string>

#include "client/OracleCriticalSection.h"

namespace vek {

// Serialises loading, initialising and unloading the library, and the logon and logoff of
// thread-safe sessions.
TOracleCriticalSection& ClientLock();

// The interface families of the loaded library. BindOracleCalls sets them under ClientLock
// while loading and UnloadClientLibrary clears them; each is read on its own, without the lock.
struct ClientFamilyFlags {
  std::atomic<bool> hasOCI7{false};    // all 20 version-7 names
  std::atomic<bool> hasOLog{false};    // olog, and hasOCI7
  std::atomic<bool> hasOPInit{false};  // opinit, and hasOLog
  std::atomic<bool> hasOCI8{false};    // all 114 version-8 names
  std::atomic<bool> useOCI8{false};    // hasOCI8 and not DisableOCI8
  std::atomic<bool> hasErrorPosition{false};
  std::atomic<bool> hasOCI81{false};  // OCIEnvCreate and the direct-path names
  std::atomic<bool> hasMTS{false};    // the transaction-coordinator library; never loaded here
};

// The flags themselves, for the binding that sets them and for tests that stage a family.
ClientFamilyFlags& ClientFamilies();

bool HasOCI7();
bool HasOLog();
bool HasOPInit();
bool HasOCI8();
bool UseOCI8();
bool HasErrorPosition();
bool HasOCI81();
bool HasMTS();

// The host's switch that keeps the version-8 interface unused; an unload keeps it.
bool DisableOCI8();
void SetDisableOCI8(bool disable);

// True while a client library is loaded.
bool ClientLibraryLoaded();

// 0 loaded (or already loaded); 1 no library found or it would not load; 2 neither
// interface family usable; 3 no Oracle home. Only InitializeClient calls it, under ClientLock.
int LoadClientLibrary();

// Loads, binds and initialises the library unless it is loaded. Raises Exception with the
// "Initialization error" report, after unloading, when that fails.
void InitializeClient();

// Frees the library and resets the state of the search and of the binding.
void UnloadClientLibrary();

// Puts back the working folder that a second load attempt changed; the session calls it at
// the end of every logon.
void RestoreCurrentDirectory();

// The working folder before a second load attempt changed it.
std::string SavedCurrentDirectoryForTesting();

// Called at program end before the library is unloaded: the access layer installs the step
// that logs off every remaining session. Errors it raises are ignored.
using TClientShutdownStep = void (*)();
void SetSessionShutdownStep(TClientShutdownStep step);

// What happens at program end (registered with the first load): the session step, then
// UnloadClientLibrary. Safe to call more than once.
void ShutDownClient();

}  // namespace vek
