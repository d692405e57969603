// Pipes live under the wait room's lock; every change wakes the waiters, which look again at
// the pipe they wait on (a pipe may vanish and reappear while they sleep).
#include "devdb/plsql/PipeRegistry.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "devdb/plsql/PlsqlError.h"
#include "devdb/plsql/PlsqlTexts.h"

namespace devdb::plsql {
namespace {

std::chrono::steady_clock::time_point Deadline(double timeoutSeconds) {
  double seconds = std::clamp(timeoutSeconds, 0.0, PipeRegistry::kMaxWait);
  return std::chrono::steady_clock::now() +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
             std::chrono::duration<double>(seconds));
}

}  // namespace

std::string PipeRegistry::Key(const std::string& name) {
  if (name.empty()) throw PlsqlError(23321, texts::kPipeNameNull);
  std::string key = name;
  for (auto& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

PipeRegistry::Pipe& PipeRegistry::Open(const std::string& key, std::size_t maxPipeSize,
                                       const std::string& user) {
  auto [it, created] = pipes_.try_emplace(key);
  Pipe& pipe = it->second;
  if (created) pipe.owner = user;
  if (pipe.isPrivate && pipe.owner != user && user != "SYS")
    throw PlsqlError(23322, texts::kPipePrivilege);
  // A larger size enlarges the pipe for good; a smaller one is ignored.
  pipe.maxSize = std::max(pipe.maxSize, maxPipeSize);
  return pipe;
}

void PipeRegistry::DropIfUnused(const std::string& key) {
  auto it = pipes_.find(key);
  if (it != pipes_.end() && !it->second.isExplicit && it->second.messages.empty()) pipes_.erase(it);
}

int PipeRegistry::Send(const std::string& name, PipeMessage message, double timeoutSeconds,
                       std::size_t maxPipeSize, const std::string& user,
                       const InterruptCheck& checkInterrupt) {
  std::string key = Key(name);
  auto deadline = Deadline(timeoutSeconds);
  std::unique_lock lock(room_.Mutex());
  std::optional<WaitRoom::Waiting> waiting;  // counted once it really blocks
  std::size_t size = message.Size();
  for (;;) {
    checkInterrupt();
    Pipe& pipe = Open(key, maxPipeSize, user);
    // An empty pipe always takes a message, however large, so that nothing waits for ever.
    if (pipe.messages.empty() || pipe.bytes + size <= pipe.maxSize) {
      pipe.bytes += size;
      pipe.messages.push_back(std::move(message));
      room_.WakeAll();
      return kSuccess;
    }
    if (!waiting) waiting.emplace(room_);
    if (room_.Changed().wait_until(lock, deadline) == std::cv_status::timeout) {
      checkInterrupt();
      auto it = pipes_.find(key);
      if (it != pipes_.end() &&
          (it->second.messages.empty() || it->second.bytes + size <= it->second.maxSize))
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
    Pipe& pipe = Open(key, kDefaultSize, user);
    if (!pipe.messages.empty()) {
      received = std::move(pipe.messages.front());
      pipe.messages.pop_front();
      pipe.bytes -= received.Size();
      DropIfUnused(key);
      room_.WakeAll();
      return kSuccess;
    }
    if (!waiting) waiting.emplace(room_);
    if (room_.Changed().wait_until(lock, deadline) == std::cv_status::timeout) {
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
    throw PlsqlError(23322, texts::kPipePrivilege);
  it->second.messages.clear();
  it->second.bytes = 0;
  DropIfUnused(key);
  room_.WakeAll();
}

int PipeRegistry::Create(const std::string& name, std::size_t maxPipeSize, bool isPrivate,
                         const std::string& user) {
  std::string key = Key(name);
  std::lock_guard lock(room_.Mutex());
  auto it = pipes_.find(key);
  if (it != pipes_.end()) {
    Pipe& pipe = it->second;
    if ((pipe.isPrivate || isPrivate) && pipe.owner != user && user != "SYS")
      throw PlsqlError(23322, texts::kPipePrivilege);
    if (isPrivate && !pipe.isExplicit) throw PlsqlError(23322, texts::kPipePrivilege);
    pipe.isExplicit = true;
    pipe.maxSize = std::max(pipe.maxSize, maxPipeSize);
    return kSuccess;
  }
  Pipe& pipe = pipes_[key];
  pipe.isExplicit = true;
  pipe.isPrivate = isPrivate;
  pipe.owner = user;
  pipe.maxSize = std::max(kDefaultSize, maxPipeSize);
  return kSuccess;
}

int PipeRegistry::Remove(const std::string& name, const std::string& user) {
  std::string key = Key(name);
  std::lock_guard lock(room_.Mutex());
  auto it = pipes_.find(key);
  if (it == pipes_.end()) return kSuccess;
  if (it->second.isPrivate && it->second.owner != user && user != "SYS")
    throw PlsqlError(23322, texts::kPipePrivilege);
  pipes_.erase(it);
  room_.WakeAll();
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
  room_.WakeAll();
}

}  // namespace devdb::plsql
