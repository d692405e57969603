// Loading, initialising and unloading the client library. A failed load leaves nothing
// behind: the state is reset and one exception carries the reason and the search log.
#include "client/ClientLibrary.h"

#include <cstdlib>
#include <mutex>

#include "client/ClientLibraryLocation.h"
#include "client/ClientTexts.h"
#include "client/OracleCallTable.h"
#include "platform/DynamicLibrary.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/ScopeGuards.h"

namespace vek {
namespace {

namespace texts = client_texts;

constinit ClientFamilyFlags Families;
constinit std::atomic<bool> DisableOCI8Switch{false};

DynamicLibrary& Library() {
  static DynamicLibrary library;
  return library;
}

std::string SavedCurrentDirectory;
// The folder the second attempt changed to, as the system spells it, so that a relative
// OCIDLL compares as well as an absolute one.
std::string ChangedToDirectory;
std::atomic<TClientShutdownStep> SessionShutdownStep{nullptr};

void RunShutdownAtExit() { ShutDownClient(); }

// Registered on the first load, after every object the shutdown touches has been built, so
// that it runs before any of them is destroyed.
void RegisterShutdownOnce() {
  static std::once_flag registered;
  std::call_once(registered, [] { std::atexit(RunShutdownAtExit); });
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string ReasonText(int result) {
  switch (result) {
    case kClientLibraryNotFound:
      return OCIDLL().empty() ? std::string(texts::kCouldNotLocate)
                              : texts::kCouldNotLoad + Quoted(OCIDLL());
    case kClientLibraryUnusable: return texts::kCouldNotInitialize + Quoted(OCIDLL());
    case kOracleHomeMissing: return texts::kNotInstalled;
    default: return {};
  }
}

bool LoadFromOCIDLL() {
  DynamicLibrary& library = Library();
  const std::string path = OCIDLL();
  if (library.Load(path)) return true;
  // Libraries the client depends on may lie beside it; a second attempt from its own folder
  // lets the loader find them there.
  WorkingFolderChange change(DirectoryPart(path));
  if (!change.Changed()) return library.Load(path);
  const std::string changedTo = CurrentDirectory();
  // A change that served no purpose is undone: leaving the process in a foreign folder would
  // only surprise the user.
  if (!library.Load(path)) return false;
  change.Keep();
  // An earlier change that no logon has put back yet keeps the folder to return to.
  if (SavedCurrentDirectory.empty()) SavedCurrentDirectory = change.Previous();
  ChangedToDirectory = changedTo;
  return true;
}

}  // namespace

TOracleCriticalSection& ClientLock() {
  static TOracleCriticalSection lock;
  return lock;
}

ClientFamilyFlags& ClientFamilies() { return Families; }

bool HasOCI7() { return Families.hasOCI7.load(); }
bool HasOLog() { return Families.hasOLog.load(); }
bool HasOPInit() { return Families.hasOPInit.load(); }
bool HasOCI8() { return Families.hasOCI8.load(); }
bool UseOCI8() { return Families.useOCI8.load(); }
bool HasErrorPosition() { return Families.hasErrorPosition.load(); }
bool HasOCI81() { return Families.hasOCI81.load(); }
bool HasMTS() { return Families.hasMTS.load(); }

bool DisableOCI8() { return DisableOCI8Switch.load(); }
void SetDisableOCI8(bool disable) { DisableOCI8Switch.store(disable); }

bool ClientLibraryLoaded() { return Library().IsLoaded(); }

std::string SavedCurrentDirectoryForTesting() { return SavedCurrentDirectory; }

int LoadClientLibrary() {
  if (Library().IsLoaded()) return kClientLibraryFound;
  ClearClientSearchLog();
  const int located = LocateClientLibrary();
  if (located != kClientLibraryFound) return located;

  if (!LoadFromOCIDLL()) {
    AddLogLine(texts::kLogLoadLibrary + OCIDLL() + texts::kLogReturned +
               std::to_string(Library().HandleValue()));
    // The operating system's own reason: a missing file, a wrong architecture, a missing
    // dependency of the client library.
    AddLogLine(Library().LoadError());
    return kClientLibraryNotFound;
  }
  RegisterShutdownOnce();
  BindOracleCalls(Library());
  return HasOCI7() || UseOCI8() ? kClientLibraryFound : kClientLibraryUnusable;
}

void InitializeClient() {
  std::lock_guard lock(ClientLock());
  if (Library().IsLoaded()) return;
  const int result = LoadClientLibrary();
  if (result != kClientLibraryFound) {
    const std::string message = std::string(texts::kInitializationError) + "\r\n" +
                                ReasonText(result) + "\r\n\r\n" + ClientSearchLog();
    UnloadClientLibrary();
    throw Exception(message);
  }
  if (HasOPInit() && !UseOCI8()) OracleCalls.opinit(OCI_EV_DEF);
  if (UseOCI8() && !HasOCI81()) {
    OracleCalls.OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr);
  }
}

void UnloadClientLibrary() {
  std::lock_guard lock(ClientLock());
  Library().Free();
  ForgetClientSearch();
  Families.hasOCI7 = false;
  Families.hasOLog = false;
  Families.hasOPInit = false;
  Families.useOCI8 = false;
  Families.hasOCI81 = false;
  Families.hasOCI8 = false;
  Families.hasErrorPosition = false;
  Families.hasMTS = false;
}

void RestoreCurrentDirectory() {
  // Only while the process still stands where the load put it: a folder the host chose since
  // then is left alone.
  if (!SavedCurrentDirectory.empty() && SameFolder(CurrentDirectory(), ChangedToDirectory)) {
    ChangeCurrentDirectory(SavedCurrentDirectory);
  }
  SavedCurrentDirectory.clear();
  ChangedToDirectory.clear();
}

void SetSessionShutdownStep(TClientShutdownStep step) { SessionShutdownStep.store(step); }

void ShutDownClient() {
  if (const TClientShutdownStep step = SessionShutdownStep.load()) {
    try {
      step();
    } catch (...) {
      // Program end: a session that cannot log off cleanly must not keep the rest from running.
    }
  }
  UnloadClientLibrary();
}

}  // namespace vek
