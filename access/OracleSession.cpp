// Logon, logoff, commit and rollback over both client interfaces, the logon-text rules, the
// property guards, the busy cursor and the registry of dependants. The settings that reach
// the server as "alter session" statements are in OracleSessionSettings.cpp.
#include "access/OracleSession.h"

#include <cstdlib>
#include <exception>
#include <string_view>

#include "access/AccessTexts.h"
#include "access/DBMS_Application_Info.h"
#include "access/OracleError.h"
#include "access/OracleQuery.h"
#include "access/ScopeGuards.h"
#include "access/SessionDependant.h"
#include "access/SessionList.h"
#include "client/ClientLibrary.h"
#include "client/ClientLibraryLocation.h"
#include "platform/Registry.h"
#include "platform/TextCase.h"

namespace vek {
namespace {

constexpr std::int32_t kPasswordWillExpire = 28002;

std::int32_t InitialMaxStringFieldSize(const TComponent* owner) {
  if (owner && UpperCase(owner->ParentClassName()).find("REMOTEDATAMODULE") != std::string::npos) {
    return 255;
  }
  return 0;
}

}  // namespace

TOracleSession::TOracleSession(TComponent* owner)
    : TComponent(owner), preferences_(this, InitialMaxStringFieldSize(owner)) {
  SessionList::Join(this);
}

TOracleSession::~TOracleSession() {
  Destroying();
  try {
    LogOff();
  } catch (...) {
    // A destructor cannot report; the connection is gone either way.
  }
  internalQuery_.reset();
  applicationInfo_.reset();
  std::vector<TSessionDependant*> dependants;
  {
    std::lock_guard<std::mutex> guard(dependantsMutex_);
    dependants.swap(dependants_);
  }
  for (TSessionDependant* dependant : dependants) dependant->SessionDestroyed();
  if (usesOCI8_ && environment_) FreeVersion8Handles();
  SessionList::Leave(this);
}

// ---- Properties -------------------------------------------------------------------------

bool TOracleSession::DesignGuard() const {
  return DesignConnection && !IsDesigning() && IsLoading();
}

void TOracleSession::SetLogonUsername(const std::string& value) {
  if (value == logonUsername_ || DesignGuard()) return;
  logonUsername_ = value;
  DetectODBC();
}

void TOracleSession::SetLogonPassword(const std::string& value) {
  if (value == logonPassword_ || DesignGuard()) return;
  logonPassword_ = value;
  DetectODBC();
}

void TOracleSession::SetLogonDatabase(const std::string& value) {
  if (value == logonDatabase_ || DesignGuard()) return;
  logonDatabase_ = value;
  DetectODBC();
}

void TOracleSession::DetectODBC() {
  odbcMode_ = UpperCase(logonDatabase_).find("ODBC:") != std::string::npos ||
              UpperCase(logonUsername_).find("ODBC:") != std::string::npos;
  oca60Present_ =
      odbcMode_ &&
      !ReadRegistryString(RegistryRoot::rrLocalMachine, "SOFTWARE\\ORACLE", "OCA60").empty();
}

void TOracleSession::SetThreadSafe(bool value) {
  if (value == threadSafe_) return;
  if (connected_) throw Exception(access_texts::kCannotChangeThreadSafe);
  threadSafe_ = value;
}

void TOracleSession::SetPooling(TSessionPoolingOption value) {
  if (value == pooling_) return;
  if (connected_) throw Exception(access_texts::kCannotChangePooling);
  pooling_ = value;
}

void TOracleSession::SetMTSOptions(TMTSOptions value) {
  if (value == mtsOptions_) return;
  if (connected_) throw Exception(access_texts::kCannotChangeMTSOptions);
  mtsOptions_ = value;
}

void TOracleSession::SetConnected(bool value) {
  if (value == connected_ || DesignGuard()) return;
  if (value) {
    LogOn();
  } else {
    LogOff();
  }
}

void TOracleSession::SetAutoCommit(bool value) {
  if (value == autoCommit_) return;
  autoCommit_ = value;
  if (!connected_ || usesOCI8_) return;  // version 8: each execution commits (statements)
  SessionLockScope lock(*this);
  LdaAutoCommit(value);
}

void TOracleSession::Loaded() {
  TComponent::Loaded();
  if (connected_) {
    FireAfterLogOn();
    FireOnChange();
  }
}

// ---- Events -----------------------------------------------------------------------------

void TOracleSession::FireBeforeLogOn() {
  if (BeforeLogOn) BeforeLogOn(*this);
}

void TOracleSession::FireAfterLogOn() {
  if (AfterLogOn) AfterLogOn(*this);
}

void TOracleSession::FireOnChange() {
  if (OnChange) OnChange(*this);
}

// ---- Logon text -------------------------------------------------------------------------

std::string TOracleSession::NormalizeLogon() {
  std::string joined = logonUsername_;
  if (!logonPassword_.empty()) joined += "/" + logonPassword_;
  if (!logonDatabase_.empty()) joined += "@" + logonDatabase_;

  const std::size_t slash = joined.find('/');
  const std::size_t at = std::min(joined.find('@'), joined.size());
  if (slash != std::string::npos) {
    logonUsername_ = joined.substr(0, slash);
    logonPassword_ = slash < at ? joined.substr(slash + 1, at - slash - 1) : std::string();
  }
  logonDatabase_ = at + 1 < joined.size() ? joined.substr(at + 1) : std::string();

  for (std::string* field : {&logonDatabase_, &logonPassword_, &logonUsername_}) {
    const std::string before = *field;
    const std::string mode = SplitConnectAs(*field);
    if (!mode.empty() || *field != before) {
      ConnectAs = ConnectAsFromText(mode);
      break;
    }
  }
  return joined;
}

void TOracleSession::ChooseODBCLibrary() {
  if (odbcMode_ && !oca60Present_ && OCIDLL().empty()) SetOCIDLL("ora73.dll");
}

bool TOracleSession::IsOracle7Server(const std::string& versionText) {
  const std::string upper = UpperCase(versionText);
  if (upper.find("ORACLE7") != std::string::npos) return true;
  const std::size_t release = upper.find("RELEASE ");
  if (release == std::string::npos) return false;
  const char* digits = upper.c_str() + release + 8;
  if (*digits < '0' || *digits > '9') return false;
  return std::strtol(digits, nullptr, 10) < 8;
}

// ---- Logon and logoff -------------------------------------------------------------------

void TOracleSession::AttachServer() {
  if (!environment_) CreateEnvironment();
  // An attachment left over is dropped on the spare error handle, unchecked: the attach that
  // follows reports for both.
  if (serverAttached_) OracleCalls.OCIServerDetach(serverHandle_, secondErrorHandle_, OCI_DEFAULT);
  serverAttached_ = false;
  ServerAttach();
  serverAttached_ = true;
  OracleCalls.OCIAttrSet(serviceContext_, OCI_HTYPE_SVCCTX, serverHandle_, 0, OCI_ATTR_SERVER,
                         secondErrorHandle_);
  OracleCalls.OCIAttrSet(serviceContext_, OCI_HTYPE_SVCCTX, sessionHandle_, 0, OCI_ATTR_SESSION,
                         secondErrorHandle_);
}

void TOracleSession::LogOnVersion8(TConnectAsOption connectAs) {
  const ub4 mode = connectAs == caSYSDBA ? OCI_SYSDBA : connectAs == caSYSOPER ? OCI_SYSOPER : 0u;
  AttachServer();
  if (!logonUsername_.empty() || !logonPassword_.empty()) {
    // The session begin that follows reports what these got wrong.
    OracleCalls.OCIAttrSet(sessionHandle_, OCI_HTYPE_SESSION, logonUsername_.data(),
                           static_cast<ub4>(logonUsername_.size()), OCI_ATTR_USERNAME,
                           errorHandle_);
    OracleCalls.OCIAttrSet(sessionHandle_, OCI_HTYPE_SESSION, logonPassword_.data(),
                           static_cast<ub4>(logonPassword_.size()), OCI_ATTR_PASSWORD,
                           errorHandle_);
    SessionBegin(OCI_CRED_RDBMS, mode);
  } else {
    // Neither name nor password: the operating system vouches for the user.
    SessionBegin(OCI_CRED_EXT, mode);
  }
  // A logon with a warning (28002) leaves a non-zero code and stays on the version-8 calls.
  if (LastErrorCode() != 0) return;
  serverVersion_ = ReadServerVersion();
  if (LastErrorCode() != 0 || !IsOracle7Server(serverVersion_)) return;
  // An Oracle7 server only understands the version-7 calls: continue through a logon data
  // area. The conversion's own failure is checked while the version-8 rules still apply.
  logonDataArea_ = Lda_Def{};
  SvcCtxToLda();
  usesOCI8_ = false;
  ldaConverted_ = true;
}

void TOracleSession::LogOn() {
  FireBeforeLogOn();
  std::exception_ptr failure;
  {
    ClientLockScope clientLock(threadSafe_);
    try {
      ChooseODBCLibrary();
      {
        BusyCursorScope busy(*this);
        InitializeClient();
      }
      LogOff();
      usesOCI8_ = UseOCI8() && !preferences_.UseOCI7() && !odbcMode_;
      ldaConverted_ = false;
      const std::string joined = NormalizeLogon();
      hostDataArea_.fill(0);
      {
        BusyCursorScope busy(*this);
        if (usesOCI8_) {
          LogOnVersion8(ConnectAs);
        } else {
          LdaLogon(joined);
        }
      }
      JudgeLogon();
      connected_ = true;
      if (autoCommit_) {
        autoCommit_ = false;
        SetAutoCommit(true);
      }
      ApplySettingsAtLogon();
    } catch (...) {
      failure = std::current_exception();
    }
  }
  RestoreCurrentDirectory();
  if (!IsLoading()) {
    FireAfterLogOn();
    FireOnChange();
  }
  if (failure) std::rethrow_exception(failure);
}

// A logon's outcome is judged once the busy cursor is back: a password that will expire soon
// still logs on, and only the warning's text is kept.
void TOracleSession::JudgeLogon() {
  if (LastErrorCode() == kPasswordWillExpire) {
    logonWarning_ = EOracleError(*this, ErrorSource()).Message();
    SetStatus(OCI_SUCCESS);
    logonDataArea_.rc = 0;
    return;
  }
  logonWarning_.clear();
  CheckLastCall();
}

// A connection that the server has already lost still ends here: the session is left
// disconnected, detached and without handles even when the client library reports the loss,
// so that the next LogOn starts afresh. The first error is raised afterwards.
void TOracleSession::LogOff() {
  std::exception_ptr failure;
  auto keepFirstFailure = [&](auto&& call) {
    try {
      call();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  };
  if (connected_) {
    if (RollbackOnDisconnect && !Shared()) {
      try {
        Rollback();
      } catch (...) {
        // The connection ends anyway.
      }
    }
    CloseDependants();
    connected_ = false;
    ForgetConnectionValues();
    {
      BusyCursorScope busy(*this);
      ClientLockScope clientLock(threadSafe_);
      if (ldaConverted_) {
        // Back to the version-8 calls for the logoff, unchecked: the session end reports.
        OracleCalls.OCILdaToSvcCtx(&serviceContext_, errorHandle_, &logonDataArea_);
        usesOCI8_ = true;
        ldaConverted_ = false;
      }
      keepFirstFailure([this] {
        if (usesOCI8_) {
          SessionEnd();
        } else {
          LdaLogoff();
        }
      });
    }
    if (!IsDestroying()) FireOnChange();
  }
  if (serverAttached_) {
    serverAttached_ = false;
    keepFirstFailure([this] { ServerDetach(); });
  }
  if (usesOCI8_ && environment_) FreeVersion8Handles();
  if (failure) std::rethrow_exception(failure);
}

void TOracleSession::FreeVersion8Handles() {
  auto release = [](auto*& handle, ub4 type) {
    if (handle) OracleCalls.OCIHandleFree(handle, type);
    handle = nullptr;
  };
  release(serverHandle_, OCI_HTYPE_SERVER);
  release(serviceContext_, OCI_HTYPE_SVCCTX);
  release(errorHandle_, OCI_HTYPE_ERROR);
  release(secondErrorHandle_, OCI_HTYPE_ERROR);
  release(sessionHandle_, OCI_HTYPE_SESSION);
  release(environment_, OCI_HTYPE_ENV);
}

void TOracleSession::CloseDependants() {
  std::vector<TSessionDependant*> dependants;
  {
    std::lock_guard<std::mutex> guard(dependantsMutex_);
    dependants = dependants_;
  }
  for (TSessionDependant* dependant : dependants) {
    try {
      dependant->SessionLoggingOff();
    } catch (...) {
      // Closing a statement must not keep the session connected.
    }
  }
}

void TOracleSession::Commit() {
  if (!connected_) return;
  SessionLockScope lock(*this);
  if (usesOCI8_) {
    TransCommit();
  } else {
    LdaCommit();
  }
}

void TOracleSession::Rollback() {
  if (!connected_) return;
  SessionLockScope lock(*this);
  if (usesOCI8_) {
    TransRollback();
  } else {
    LdaRollback();
  }
}

// ---- Locks, cursor, registry ------------------------------------------------------------

void TOracleSession::UnlockSession() {
  if (threadSafe_ && !usesOCI8_ && sessionLock_.HeldByCurrentThread()) sessionLock_.Leave();
}

void TOracleSession::ShowBusyCursor() {
  if (Cursor == crDefault) return;
  // Nested operations (a logon that logs off first) must not remember their own cursor.
  if (busyCursorDepth_++ == 0) busyCursor_.emplace(Cursor);
}

void TOracleSession::RestoreBusyCursor() {
  if (Cursor == crDefault || busyCursorDepth_ == 0) return;
  if (--busyCursorDepth_ == 0) busyCursor_.reset();
}

void TOracleSession::AddDependant(TSessionDependant* dependant) {
  std::lock_guard<std::mutex> guard(dependantsMutex_);
  dependants_.push_back(dependant);
}

void TOracleSession::RemoveDependant(TSessionDependant* dependant) {
  std::lock_guard<std::mutex> guard(dependantsMutex_);
  std::erase(dependants_, dependant);
}

TDBMS_Application_Info& TOracleSession::DBMS_Application_Info() {
  if (!applicationInfo_) applicationInfo_ = std::make_unique<TDBMS_Application_Info>(this);
  return *applicationInfo_;
}

}  // namespace vek
