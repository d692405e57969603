// TOracleSession: one connection to an Oracle database. It holds the logon values, the
// preferences and settings of the connection and its client handles; it logs on and off
// over the version-8 or the version-7 client interface, commits and rolls back, keeps the
// statements and other objects attached to it, and tells its handlers when it changes.
// Every session is on the process-wide list that is logged off at program end.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "access/Component.h"
#include "access/ConnectAs.h"
#include "access/ErrorReportingSession.h"
#include "access/OracleConstants.h"
#include "access/SessionPreferences.h"
#include "client/OracleCallTable.h"
#include "client/OracleCriticalSection.h"
#include "platform/ScopeGuards.h"
#include "platform/UiHooks.h"

namespace vek {

class TDBMS_Application_Info;
class TOracleQuery;
class TSessionDependant;

enum TSessionPoolingOption { spNone = 0, spInternal = 1, spMTS = 2 };
enum TMTSOption : unsigned { moImplicit = 1, moUniqueServer = 2 };
using TMTSOptions = unsigned;
enum TNullValueOption { nvUnAssigned = 0, nvNull = 1 };
enum TSQLTraceOption { stUnchanged = 0, stTrue = 1, stFalse = 2 };
enum TOptimizerGoalOption {
  ogUnchanged = 0,
  ogChoose = 1,
  ogFirstRows = 2,
  ogAllRows = 3,
  ogRule = 4
};
enum TIsolationLevelOption { ilUnchanged = 0, ilReadCommitted = 1, ilSerializable = 2 };
enum TBytesPerCharacterOption {
  bcAutoDetect = 0,
  bc1Byte = 1,
  bc2Bytes = 2,
  bc3Bytes = 3,
  bc4Bytes = 4
};

class TOracleSession;
using TOracleSessionEvent = std::function<void(TOracleSession& sender)>;

class TOracleSession : public TComponent, public TErrorReportingSession {
 public:
  explicit TOracleSession(TComponent* owner = nullptr);
  ~TOracleSession() override;

  // Events.
  TOracleSessionEvent OnChange;
  TOracleSessionEvent BeforeLogOn;
  TOracleSessionEvent AfterLogOn;

  // Published properties.
  TCursor Cursor = crHourGlass;
  bool DesignConnection = false;
  const std::string& LogonUsername() const { return logonUsername_; }
  void SetLogonUsername(const std::string& value);
  const std::string& LogonPassword() const { return logonPassword_; }
  void SetLogonPassword(const std::string& value);
  const std::string& LogonDatabase() const { return logonDatabase_; }
  void SetLogonDatabase(const std::string& value);
  TConnectAsOption ConnectAs = caNormal;
  bool ThreadSafe() const { return threadSafe_; }
  void SetThreadSafe(bool value);
  TSessionPreferences& Preferences() { return preferences_; }
  const TSessionPreferences& Preferences() const { return preferences_; }
  void SetPreferences(const TSessionPreferences& value) { preferences_ = value; }
  TSessionPoolingOption Pooling() const { return pooling_; }
  void SetPooling(TSessionPoolingOption value);
  TMTSOptions MTSOptions() const { return mtsOptions_; }
  void SetMTSOptions(TMTSOptions value);
  bool Connected() const override { return connected_; }
  void SetConnected(bool value);
  bool RollbackOnDisconnect = false;
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool value);
  TNullValueOption NullValue = nvUnAssigned;
  TSQLTraceOption SQLTrace() const { return sqlTrace_; }
  void SetSQLTrace(TSQLTraceOption value);
  TOptimizerGoalOption OptimizerGoal() const { return optimizerGoal_; }
  void SetOptimizerGoal(TOptimizerGoalOption value);
  TIsolationLevelOption IsolationLevel() const { return isolationLevel_; }
  void SetIsolationLevel(TIsolationLevelOption value);
  TBytesPerCharacterOption BytesPerCharacter() const { return bytesPerCharacter_; }
  void SetBytesPerCharacter(TBytesPerCharacterOption value);
  std::string MessageTable;
  // Shared connections (ExternalLDA, ExternalSVC) and the pooled modes are outside this
  // program's use: a session never shares.
  bool Shared() const { return false; }

  // Main operations.
  void LogOn();
  void LogOff();
  void Commit();
  void Rollback();

  // Session settings and queries.
  std::int32_t EffectiveBytesPerCharacter();
  std::int32_t MaxStringLength();
  std::int32_t DateFormatLength();
  std::string SessionId();
  void ChangePassword(const std::string& newPassword);

  // Stored-form support.
  void Loaded() override;

  // For the other parts of the access layer.
  bool UsesOCI8() const override { return usesOCI8_; }
  OCIError* ErrorHandle() const override { return errorHandle_; }
  Lda_Def* LogonDataArea() override { return &logonDataArea_; }
  // Taken through SessionLockScope; given back here when an error leaves while it is held.
  void UnlockSession() override;
  // Builds the joined logon text and splits it back into the three fields and ConnectAs.
  std::string NormalizeLogon();
  void AttachServer();
  void ChooseODBCLibrary();
  bool ServerAttached() const { return serverAttached_; }
  bool ODBCMode() const { return odbcMode_; }
  bool OCA60Present() const { return oca60Present_; }
  bool LdaConverted() const { return ldaConverted_; }
  const std::string& LogonWarning() const { return logonWarning_; }
  // The server's version text as the last version-8 logon read it.
  const std::string& ServerVersion() const { return serverVersion_; }

  OCIEnv* EnvironmentHandle() const { return environment_; }
  OCISvcCtx* ServiceContext() const { return serviceContext_; }
  OCIError* SecondErrorHandle() const { return secondErrorHandle_; }
  OCIServer* ServerHandle() const { return serverHandle_; }
  OCISession* SessionHandle() const { return sessionHandle_; }

  // The registry of statements and other dependants.
  void AddDependant(TSessionDependant* dependant);
  void RemoveDependant(TSessionDependant* dependant);

  // Runs a text on the session's own statement, with the busy cursor when asked.
  void RunInternalStatement(const std::string& text, bool withBusyCursor);
  TOracleQuery& InternalQuery();
  // The session's dbms_application_info wrapper, created at the first call.
  TDBMS_Application_Info& DBMS_Application_Info();

  // True when the server's version text names an Oracle7 server, which needs the version-7
  // calls; every later release keeps the version-8 interface.
  static bool IsOracle7Server(const std::string& versionText);

  virtual void FireBeforeLogOn();
  virtual void FireAfterLogOn();

 private:
  friend class SessionLockScope;
  friend class BusyCursorScope;

  bool DesignGuard() const;
  // Through BusyCursorScope.
  void ShowBusyCursor();
  void RestoreBusyCursor();
  void DetectODBC();
  void FireOnChange();
  void CloseDependants();
  void FreeVersion8Handles();
  void CreateEnvironment();
  void LogOnVersion8(TConnectAsOption mode);
  void JudgeLogon();

  // The session's client calls, one wrapper each (OracleSessionCalls.cpp). A version-8
  // wrapper records the call's status and checks it by the session's rule (CheckLastCall); a
  // version-7 wrapper checks the logon data area's return code by the same rule. Calls whose
  // outcome does not matter are made in place, unchecked.
  void Checked(sword status);
  // The environment and the allocations from it report on the environment handle itself: a
  // failure gives back every handle made so far.
  void CheckedOnEnvironment(sword status);
  void EnvironmentCreate(ub4 mode);
  void EnvironmentInit(ub4 mode);
  template <class Handle>
  void HandleAlloc(Handle*& handle, ub4 type);
  void ServerAttach();
  void ServerDetach();
  // Both only record their outcome, for JudgeLogon: a password that will expire soon is a
  // warning, not a failure.
  void SessionBegin(ub4 credentials, ub4 mode);
  std::string ReadServerVersion();
  void SvcCtxToLda();
  void SessionEnd();
  void TransCommit();
  void TransRollback();
  void PasswordChange(const std::string& newPassword);
  // Leaves its outcome in the logon data area, for JudgeLogon.
  void LdaLogon(const std::string& joined);
  void LdaAutoCommit(bool on);
  void LdaCommit();
  void LdaRollback();
  void LdaLogoff();
  void ApplySettingsAtLogon();
  void ForgetConnectionValues();
  template <class Option>
  void ApplySetting(Option& stored, Option value, const char* prefix, const char* word);

  std::string logonUsername_;
  std::string logonPassword_;
  std::string logonDatabase_;
  bool threadSafe_ = false;
  TSessionPreferences preferences_;
  TSessionPoolingOption pooling_ = spNone;
  TMTSOptions mtsOptions_ = moImplicit | moUniqueServer;
  bool connected_ = false;
  bool autoCommit_ = false;
  TSQLTraceOption sqlTrace_ = stUnchanged;
  TOptimizerGoalOption optimizerGoal_ = ogUnchanged;
  TIsolationLevelOption isolationLevel_ = ilUnchanged;
  TBytesPerCharacterOption bytesPerCharacter_ = bc1Byte;

  bool usesOCI8_ = false;
  bool odbcMode_ = false;
  bool oca60Present_ = false;
  bool serverAttached_ = false;
  bool ldaConverted_ = false;
  std::string logonWarning_;
  std::string serverVersion_;

  OCIEnv* environment_ = nullptr;
  OCISvcCtx* serviceContext_ = nullptr;
  OCIError* errorHandle_ = nullptr;
  OCIError* secondErrorHandle_ = nullptr;
  OCIServer* serverHandle_ = nullptr;
  OCISession* sessionHandle_ = nullptr;
  // Sized as the client library of this platform expects (88 bytes on 64-bit builds).
  Lda_Def logonDataArea_{};
  alignas(8) std::array<ub1, HDA_SIZE> hostDataArea_{};

  TOracleCriticalSection sessionLock_;
  std::mutex dependantsMutex_;
  std::vector<TSessionDependant*> dependants_;
  std::unique_ptr<TOracleQuery> internalQuery_;
  std::unique_ptr<TDBMS_Application_Info> applicationInfo_;

  std::int32_t effectiveBytesPerCharacter_ = 0;
  std::int32_t dateFormatLength_ = -1;
  std::string sessionId_;

  std::optional<ShownCursor> busyCursor_;
  int busyCursorDepth_ = 0;
};

static_assert(sizeof(Lda_Def) == (sizeof(void*) == 8 ? 88 : 64),
              "the logon and cursor data areas must have the client library's size");
static_assert(HDA_SIZE >= (sizeof(void*) == 8 ? 512 : 256),
              "the host data area must have the client library's size");

}  // namespace vek
