// Per-session PL/SQL state and the hooks through which the SQL engine tells it about commits,
// rollbacks, the end of the session and interrupts.
#include "devdb/plsql/ProceduralSession.h"

#include <cstdio>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"
#include "devdb/plsql/ProceduralEngine.h"

namespace devdb::plsql {
namespace {

std::string Truncated(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t cut = limit;
  // Never split a UTF-8 character.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

}  // namespace

ProceduralSession::ProceduralSession(ProceduralEngine& engine, sql::Session& session,
                                     SessionIdentity identity, SessionOpener openAutonomousSession)
    : engine_(engine),
      session_(session),
      identity_(std::move(identity)),
      openAutonomousSession_(std::move(openAutonomousSession)),
      key_(engine.NextSessionKey()) {
  main_.session = &session_;
  engine_.Attach(this);
}

ProceduralSession::~ProceduralSession() {
  OnSessionEnd();
  engine_.Detach(this);
}

void ProceduralSession::OnCommit() {
  engine_.Alerts().Deliver(main_.pendingSignals);
  main_.pendingSignals.clear();
  main_.hasChanges = false;
  main_.hasWrites = false;
}

void ProceduralSession::OnRollback() {
  main_.pendingSignals.clear();
  main_.hasChanges = false;
  main_.hasWrites = false;
}

void ProceduralSession::OnSessionEnd() {
  if (ended_) return;
  ended_ = true;
  main_.pendingSignals.clear();
  engine_.Alerts().RemoveAll(key_);
  pipeBuffer_.Reset();
  packages_.clear();
  spareSessions_.clear();
}

void ProceduralSession::Interrupt(int errorCode) {
  {
    std::lock_guard lock(engine_.Room().Mutex());
    // A kill is final: a later break must not replace it.
    if (interruptCode_ != texts::kSessionKilled.code) interruptCode_ = errorCode;
  }
  engine_.Room().WakeAll();
}

void ProceduralSession::BeginCall() {
  int code = interruptCode_;
  if (code != texts::kSessionKilled.code && code != texts::kShutdown.code)
    interruptCode_.compare_exchange_strong(code, 0);
}

void ProceduralSession::ThrowIfInterrupted() {
  int code = interruptCode_;
  if (code == 0 && engine_.IsShutDown()) code = texts::kShutdown.code;
  if (code == 0) return;
  switch (code) {
    case texts::kSessionKilled.code: throw PlsqlError(texts::kSessionKilled);
    case texts::kUserCancel.code: throw PlsqlError(texts::kUserCancel);
    case texts::kShutdown.code: throw PlsqlError(texts::kShutdown);
    default: throw PlsqlError(code, texts::Prefix(code) + texts::kOperationInterrupted);
  }
}

ApplicationInfo ProceduralSession::Application() const {
  std::lock_guard lock(applicationMutex_);
  return application_;
}

void ProceduralSession::SetApplicationInfoListener(ApplicationInfoListener listener) {
  std::lock_guard lock(applicationMutex_);
  applicationListener_ = std::move(listener);
}

void ProceduralSession::SetClientInfo(const std::string& text) {
  std::lock_guard lock(applicationMutex_);
  application_.clientInfo = Truncated(text, 64);
  if (applicationListener_) applicationListener_(application_);
}

void ProceduralSession::SetModule(const std::string& module, const std::string& action) {
  std::lock_guard lock(applicationMutex_);
  application_.module = Truncated(module, 48);
  application_.action = Truncated(action, 32);
  if (applicationListener_) applicationListener_(application_);
}

void ProceduralSession::SetAction(const std::string& action) {
  std::lock_guard lock(applicationMutex_);
  application_.action = Truncated(action, 32);
  if (applicationListener_) applicationListener_(application_);
}

std::string ProceduralSession::UniqueSessionId() const {
  char text[16];
  std::snprintf(text, sizeof text, "%04X%04X%04X", static_cast<unsigned>(identity_.sid) & 0xFFFF,
                static_cast<unsigned>(identity_.serial) & 0xFFFF,
                static_cast<unsigned>(key_) & 0xFFFF);
  return text;
}

void ProceduralSession::Commit(TransactionContext& transaction) {
  transaction.session->Commit();
  engine_.Alerts().Deliver(transaction.pendingSignals);
  transaction.pendingSignals.clear();
  transaction.hasChanges = false;
  transaction.hasWrites = false;
}

void ProceduralSession::Rollback(TransactionContext& transaction) {
  transaction.session->Rollback();
  transaction.pendingSignals.clear();
  transaction.hasChanges = false;
  transaction.hasWrites = false;
}

std::unique_ptr<sql::Session> ProceduralSession::AcquireAutonomousSession() {
  if (!spareSessions_.empty()) {
    auto session = std::move(spareSessions_.back());
    spareSessions_.pop_back();
    return session;
  }
  if (!openAutonomousSession_) {
    throw PlsqlError(texts::kAutonomousRolledBack);
  }
  return openAutonomousSession_();
}

void ProceduralSession::ReleaseAutonomousSession(std::unique_ptr<sql::Session> session) {
  if (session) spareSessions_.push_back(std::move(session));
}

}  // namespace devdb::plsql
