// Alert registrations and deliveries under the wait room's lock. A registered session's slot
// holds at most one undelivered message, so several signals before a wait collapse to the
// latest one, as Oracle's alerts do.
#include "devdb/plsql/AlertRegistry.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"

namespace devdb::plsql {
namespace {

std::chrono::steady_clock::time_point Deadline(double timeoutSeconds) {
  double seconds = std::clamp(timeoutSeconds, 0.0, AlertRegistry::kMaxWait);
  return std::chrono::steady_clock::now() +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
             std::chrono::duration<double>(seconds));
}

}  // namespace

std::string AlertRegistry::Key(const std::string& name) {
  std::string key = name;
  for (auto& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

void AlertRegistry::Register(SessionKey session, const std::string& name) {
  std::string key = Key(name);
  std::lock_guard lock(room_.Mutex());
  alerts_[key].try_emplace(session);
  registrations_[session].insert(key);
}

void AlertRegistry::Remove(SessionKey session, const std::string& name) {
  std::string key = Key(name);
  std::lock_guard lock(room_.Mutex());
  auto it = alerts_.find(key);
  if (it != alerts_.end()) {
    it->second.erase(session);
    if (it->second.empty()) alerts_.erase(it);
  }
  auto registered = registrations_.find(session);
  if (registered != registrations_.end()) {
    registered->second.erase(key);
    if (registered->second.empty()) registrations_.erase(registered);
  }
  room_.WakeAllLocked();
}

void AlertRegistry::RemoveAll(SessionKey session) {
  std::lock_guard lock(room_.Mutex());
  auto registered = registrations_.find(session);
  if (registered == registrations_.end()) return;
  for (const auto& key : registered->second) {
    auto it = alerts_.find(key);
    if (it == alerts_.end()) continue;
    it->second.erase(session);
    if (it->second.empty()) alerts_.erase(it);
  }
  registrations_.erase(registered);
  room_.WakeAllLocked();
}

void AlertRegistry::Deliver(const std::vector<std::pair<std::string, Message>>& signals) {
  if (signals.empty()) return;
  std::lock_guard lock(room_.Mutex());
  for (const auto& [name, message] : signals) {
    auto it = alerts_.find(Key(name));
    if (it == alerts_.end()) continue;
    for (auto& [session, slot] : it->second) {
      slot.signalled = true;
      slot.message = message;
    }
  }
  room_.WakeAllLocked();
}

int AlertRegistry::WaitOne(SessionKey session, const std::string& name, double timeoutSeconds,
                           const InterruptCheck& checkInterrupt, Message& message) {
  std::string key = Key(name);
  auto deadline = Deadline(timeoutSeconds);
  std::unique_lock lock(room_.Mutex());
  std::optional<WaitRoom::Waiting> waiting;  // counted once it really blocks
  for (;;) {
    checkInterrupt();
    auto it = alerts_.find(key);
    if (it != alerts_.end()) {
      auto slot = it->second.find(session);
      if (slot != it->second.end() && slot->second.signalled) {
        slot->second.signalled = false;
        message = std::move(slot->second.message);
        slot->second.message.reset();
        return kAlerted;
      }
    }
    if (!waiting) waiting.emplace(room_);
    if (waiting->WaitUntil(lock, deadline) == std::cv_status::timeout) {
      checkInterrupt();
      auto again = alerts_.find(key);
      if (again != alerts_.end()) {
        auto slot = again->second.find(session);
        if (slot != again->second.end() && slot->second.signalled) continue;
      }
      return kTimedOut;
    }
  }
}

int AlertRegistry::WaitAny(SessionKey session, double timeoutSeconds,
                           const InterruptCheck& checkInterrupt, std::string& name,
                           Message& message) {
  auto deadline = Deadline(timeoutSeconds);
  std::unique_lock lock(room_.Mutex());
  if (registrations_.find(session) == registrations_.end()) {
    throw PlsqlError(texts::kPackageError, {texts::Text(texts::kNoAlertsRegistered)});
  }
  std::optional<WaitRoom::Waiting> waiting;  // counted once it really blocks
  for (;;) {
    checkInterrupt();
    auto registered = registrations_.find(session);
    if (registered != registrations_.end()) {
      for (const auto& key : registered->second) {
        auto& slot = alerts_[key][session];
        if (!slot.signalled) continue;
        slot.signalled = false;
        name = key;
        message = std::move(slot.message);
        slot.message.reset();
        return kAlerted;
      }
    }
    if (!waiting) waiting.emplace(room_);
    if (waiting->WaitUntil(lock, deadline) == std::cv_status::timeout) {
      checkInterrupt();
      bool pending = false;
      auto again = registrations_.find(session);
      if (again != registrations_.end()) {
        for (const auto& key : again->second) pending = pending || alerts_[key][session].signalled;
      }
      if (pending) continue;
      return kTimedOut;
    }
  }
}

std::size_t AlertRegistry::RegistrationCount(SessionKey session) {
  std::lock_guard lock(room_.Mutex());
  auto it = registrations_.find(session);
  return it == registrations_.end() ? 0 : it->second.size();
}

}  // namespace devdb::plsql
