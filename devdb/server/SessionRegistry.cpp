// SIDs are the lowest free numbers from 1, as Oracle reuses its session slots; SERIAL# counts
// the reuses of one SID, so that a kill aimed at an earlier holder of the SID misses.
// AUDSID is unique for the life of the server. Break tokens are random, so that only the
// client that logged on can interrupt its session.
#include "devdb/server/SessionRegistry.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "devdb/server/ServerTexts.h"

namespace devdb::server {
namespace {

thread_local int currentSid = 0;

// A break token straight from the operating system's random source: earlier tokens (which
// every client sees of its own sessions) tell nothing about the next one.
std::uint64_t RandomToken() {
  std::uint64_t token = 0;
  while (token == 0) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&token);
    std::size_t filled = 0;
    while (filled < sizeof token) {
      const ssize_t got = ::getrandom(bytes + filled, sizeof token - filled, 0);
      if (got < 0) {
        if (errno == EINTR) continue;
        throw std::runtime_error(std::string("getrandom: ") + std::strerror(errno));
      }
      filled += static_cast<std::size_t>(got);
    }
  }
  return token;
}

}  // namespace

SessionRegistry::SessionRegistry() : nextAudsid_(1) {}

std::shared_ptr<SessionEntry> SessionRegistry::Reserve(std::shared_ptr<WakeSignal> wake,
                                                       int socketDescriptor) {
  const std::uint64_t token = RandomToken();
  std::lock_guard lock(mutex_);
  if (slots_.size() >= static_cast<std::size_t>(maxSessions_.load()))
    throw sql::SqlError(texts::kTooManySessionsCode, texts::kTooManySessions);
  int sid = 1;
  while (slots_.count(sid) != 0) ++sid;
  int serial = ++lastSerial_[sid];
  auto entry = std::make_shared<SessionEntry>(sid, serial, nextAudsid_++, token, std::move(wake),
                                              socketDescriptor);
  slots_[sid] = Slot{entry, false};
  return entry;
}

void SessionRegistry::Publish(const std::shared_ptr<SessionEntry>& entry) {
  std::lock_guard lock(mutex_);
  auto found = slots_.find(entry->Sid());
  if (found != slots_.end() && found->second.entry == entry) found->second.published = true;
}

void SessionRegistry::Remove(const std::shared_ptr<SessionEntry>& entry) {
  std::lock_guard lock(mutex_);
  auto found = slots_.find(entry->Sid());
  if (found != slots_.end() && found->second.entry == entry) slots_.erase(found);
}

void SessionRegistry::SetCurrentSid(int sid) { currentSid = sid; }

std::vector<sql::SessionRow> SessionRegistry::Sessions() {
  std::vector<std::shared_ptr<SessionEntry>> entries;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [sid, slot] : slots_)
      if (slot.published) entries.push_back(slot.entry);
  }
  // Each entry is asked under its own lock only, never two at once, so that two sessions
  // listing each other cannot wait on each other.
  std::vector<sql::SessionRow> rows;
  rows.reserve(entries.size());
  for (const auto& entry : entries) rows.push_back(entry->Row());
  return rows;
}

void SessionRegistry::KillSession(int sid, int serial) {
  if (sid == currentSid && currentSid != 0)
    throw sql::SqlError(texts::kCannotKillCurrentCode, texts::kCannotKillCurrent);
  std::shared_ptr<SessionEntry> target;
  {
    std::lock_guard lock(mutex_);
    auto found = slots_.find(sid);
    if (found != slots_.end() && found->second.published && found->second.entry->Serial() == serial)
      target = found->second.entry;
  }
  if (!target) throw sql::SqlError(texts::kNoSuchSessionCode, texts::kNoSuchSession);
  target->Kill();
}

void SessionRegistry::Break(int sid, std::uint64_t breakToken) {
  std::shared_ptr<SessionEntry> target;
  {
    std::lock_guard lock(mutex_);
    auto found = slots_.find(sid);
    if (found != slots_.end() && found->second.entry->BreakToken() == breakToken)
      target = found->second.entry;
  }
  if (target) target->Interrupt(texts::kCancelledCode);
}

std::vector<std::shared_ptr<SessionEntry>> SessionRegistry::BusySessions() {
  std::vector<std::shared_ptr<SessionEntry>> entries;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [sid, slot] : slots_) entries.push_back(slot.entry);
  }
  std::erase_if(entries, [](const auto& entry) { return !entry->IsBusy(); });
  return entries;
}

void SessionRegistry::BeginShutdown() {
  shuttingDown_ = true;
  std::vector<std::shared_ptr<SessionEntry>> entries;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [sid, slot] : slots_) entries.push_back(slot.entry);
  }
  for (const auto& entry : entries) entry->Interrupt(texts::kShutdownCode);
}

}  // namespace devdb::server
