// Pipes live under the wait room's lock; every change wakes the waiters, which look again at
// the pipe they wait on (a pipe may vanish and reappear while they sleep). Every change of a
// pipe's content or size is settled against the budget at once, under the same lock.
#include "devdb/plsql/PipeRegistry.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"

namespace devdb::plsql {
namespace {

// Memory a pipe takes beside its messages (its entry, its name, its queue) and a message
// beside its items' bytes, so that empty pipes and empty messages are not free.
constexpr std::size_t kPipeBookkeeping = 128;
constexpr std::size_t kMessageBookkeeping = 64;

std::size_t MemoryOf(const PipeMessage& message) {
  return message.Size() + kMessageBookkeeping + message.items.size() * sizeof(PipeItem);
}

std::chrono::steady_clock::time_point Deadline(double timeoutSeconds) {
  double seconds = std::clamp(timeoutSeconds, 0.0, PipeRegistry::kMaxWait);
  return std::chrono::steady_clock::now() +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
             std::chrono::duration<double>(seconds));
}

}  // namespace

std::string PipeRegistry::Key(const std::string& name) {
  if (name.empty()) throw PlsqlError(texts::kPipeNameNull);
  std::string key = name;
  for (auto& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

void PipeRegistry::SetBudget(std::size_t bytes) {
  std::lock_guard lock(room_.Mutex());
  budget_ = bytes;
}

std::size_t PipeRegistry::BytesInUse() {
  std::lock_guard lock(room_.Mutex());
  return inUse_;
}

PipeRegistry::Pipe& PipeRegistry::Open(const std::string& key, const std::string& user) {
  auto [it, created] = pipes_.try_emplace(key);
  Pipe& pipe = it->second;
  if (created) pipe.owner = user;
  if (pipe.isPrivate && pipe.owner != user && user != "SYS")
    throw PlsqlError(texts::kPipePrivilege);
  return pipe;
}

std::size_t PipeRegistry::Charge(const std::string& key, std::size_t memory, bool isExplicit,
                                 std::size_t maxSize) {
  return kPipeBookkeeping + key.size() + (isExplicit ? std::max(memory, maxSize) : memory);
}

bool PipeRegistry::Fits(const Pipe& pipe, std::size_t charge) const {
  // A change that takes nothing more always goes through, even past a budget that pipes
  // created by waiting receivers have overdrawn.
  return charge <= pipe.charged || inUse_ - pipe.charged + charge <= budget_;
}

void PipeRegistry::Settle(const std::string& key, Pipe& pipe) {
  std::size_t charge = Charge(key, pipe.memory, pipe.isExplicit, pipe.maxSize);
  inUse_ = inUse_ - pipe.charged + charge;
  pipe.charged = charge;
}

void PipeRegistry::DropIfUnused(const std::string& key) {
  auto it = pipes_.find(key);
  if (it != pipes_.end() && !it->second.isExplicit && it->second.messages.empty()) Erase(it);
}

void PipeRegistry::Erase(std::map<std::string, Pipe>::iterator it) {
  inUse_ -= it->second.charged;
  pipes_.erase(it);
}

int PipeRegistry::Send(const std::string& name, PipeMessage&& message, double timeoutSeconds,
                       std::size_t maxPipeSize, const std::string& user,
                       const InterruptCheck& checkInterrupt) {
  std::string key = Key(name);
  auto deadline = Deadline(timeoutSeconds);
  std::unique_lock lock(room_.Mutex());
  std::optional<WaitRoom::Waiting> waiting;  // counted once it really blocks
  std::size_t size = message.Size();
  std::size_t memory = MemoryOf(message);
  maxPipeSize = std::min(maxPipeSize, kLargestSize);
  for (;;) {
    checkInterrupt();
    Pipe& pipe = Open(key, user);
    // A larger size enlarges the pipe for good; a smaller one is ignored.
    std::size_t maxSize = std::max(pipe.maxSize, maxPipeSize);
    // An empty pipe always takes a message, however large, so that nothing waits for ever.
    bool hasRoom = pipe.messages.empty() || pipe.bytes + size <= maxSize;
    // Beyond the budget a send fails at once: waiting would not help, since nothing says
    // that anybody will ever receive.
    if (!Fits(pipe, Charge(key, pipe.memory + (hasRoom ? memory : 0), pipe.isExplicit, maxSize))) {
      DropIfUnused(key);
      throw PlsqlError(texts::kPipeBufferFull);
    }
    pipe.maxSize = maxSize;
    if (hasRoom) {
      pipe.bytes += size;
      pipe.memory += memory;
      pipe.messages.push_back(std::move(message));
      Settle(key, pipe);
      room_.Wake(key);
      return kSuccess;
    }
    Settle(key, pipe);
    if (!waiting) waiting.emplace(room_, key);
    if (waiting->WaitUntil(lock, deadline) == std::cv_status::timeout) {
      checkInterrupt();
      auto it = pipes_.find(key);
      if (it == pipes_.end() || it->second.messages.empty() ||
          it->second.bytes + size <= it->second.maxSize)
        continue;
      return kTimedOut;
    }
  }
}

int PipeRegistry::Receive(const std::string& name, double timeoutSeconds, const std::string& user,
                          const InterruptCheck& checkInterrupt, PipeMessage& received) {
  std::string key = Key(name);
  auto deadline = Deadline(timeoutSeconds);
  std::unique_lock lock(room_.Mutex());
  std::optional<WaitRoom::Waiting> waiting;  // counted once it really blocks
  for (;;) {
    checkInterrupt();
    Pipe& pipe = Open(key, user);
    if (!pipe.messages.empty()) {
      received = std::move(pipe.messages.front());
      pipe.messages.pop_front();
      pipe.bytes -= received.Size();
      pipe.memory -= MemoryOf(received);
      Settle(key, pipe);
      DropIfUnused(key);
      room_.Wake(key);
      return kSuccess;
    }
    // The empty pipe a receiver waits on counts too, but is never refused: there are no
    // more of them than sessions.
    Settle(key, pipe);
    if (!waiting) waiting.emplace(room_, key);
    if (waiting->WaitUntil(lock, deadline) == std::cv_status::timeout) {
      checkInterrupt();
      auto it = pipes_.find(key);
      if (it != pipes_.end() && !it->second.messages.empty()) continue;
      DropIfUnused(key);
      return kTimedOut;
    }
  }
}

void PipeRegistry::Purge(const std::string& name, const std::string& user) {
  std::string key = Key(name);
  std::lock_guard lock(room_.Mutex());
  auto it = pipes_.find(key);
  if (it == pipes_.end()) return;
  if (it->second.isPrivate && it->second.owner != user && user != "SYS")
    throw PlsqlError(texts::kPipePrivilege);
  it->second.messages.clear();
  it->second.bytes = 0;
  it->second.memory = 0;
  Settle(key, it->second);
  DropIfUnused(key);
  room_.Wake(key);
}

int PipeRegistry::Create(const std::string& name, std::size_t maxPipeSize, bool isPrivate,
                         const std::string& user) {
  std::string key = Key(name);
  maxPipeSize = std::min(maxPipeSize, kLargestSize);
  std::lock_guard lock(room_.Mutex());
  auto it = pipes_.find(key);
  if (it != pipes_.end()) {
    Pipe& pipe = it->second;
    if ((pipe.isPrivate || isPrivate) && pipe.owner != user && user != "SYS")
      throw PlsqlError(texts::kPipePrivilege);
    if (isPrivate && !pipe.isExplicit) throw PlsqlError(texts::kPipePrivilege);
    std::size_t maxSize = std::max(pipe.maxSize, maxPipeSize);
    if (!Fits(pipe, Charge(key, pipe.memory, true, maxSize)))
      throw PlsqlError(texts::kPipeBufferFull);
    pipe.isExplicit = true;
    pipe.maxSize = maxSize;
    Settle(key, pipe);
    return kSuccess;
  }
  Pipe pipe;
  pipe.isExplicit = true;
  pipe.isPrivate = isPrivate;
  pipe.owner = user;
  pipe.maxSize = std::max(kDefaultSize, maxPipeSize);
  if (!Fits(pipe, Charge(key, 0, true, pipe.maxSize))) throw PlsqlError(texts::kPipeBufferFull);
  Settle(key, pipes_.emplace(key, std::move(pipe)).first->second);
  return kSuccess;
}

int PipeRegistry::Remove(const std::string& name, const std::string& user) {
  std::string key = Key(name);
  std::lock_guard lock(room_.Mutex());
  auto it = pipes_.find(key);
  if (it == pipes_.end()) return kSuccess;
  if (it->second.isPrivate && it->second.owner != user && user != "SYS")
    throw PlsqlError(texts::kPipePrivilege);
  Erase(it);
  room_.Wake(key);
  return kSuccess;
}

std::size_t PipeRegistry::MessageCount(const std::string& name) {
  std::string key = Key(name);
  std::lock_guard lock(room_.Mutex());
  auto it = pipes_.find(key);
  return it == pipes_.end() ? 0 : it->second.messages.size();
}

void PipeRegistry::Clear() {
  std::lock_guard lock(room_.Mutex());
  pipes_.clear();
  inUse_ = 0;
  room_.WakeAllLocked();
}

}  // namespace devdb::plsql
