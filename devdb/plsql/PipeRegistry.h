// The server's database pipes, shared by every session of the process: implicit public pipes
// that appear on first use and vanish when empty, explicit pipes that live until removed,
// and the blocking send (full pipe) and receive (empty pipe) with their timeouts. All pipes
// together live within one memory budget, as Oracle's live within the shared pool.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <string>

#include "devdb/plsql/PipeBuffer.h"
#include "devdb/plsql/WaitRoom.h"

namespace devdb::plsql {

class PipeRegistry {
 public:
  static constexpr double kMaxWait = 86400000;  // seconds, DBMS_PIPE.MAXWAIT
  static constexpr std::size_t kDefaultSize = 8192;
  static constexpr std::size_t kDefaultBudget = std::size_t{64} << 20;
  // Larger pipe sizes are taken as this one, which no budget can hold.
  static constexpr std::size_t kLargestSize = std::size_t{1} << 40;
  enum Status { kSuccess = 0, kTimedOut = 1, kInterrupted = 3 };

  // checkInterrupt runs with the room's lock held and throws to end a wait.
  using InterruptCheck = std::function<void()>;

  explicit PipeRegistry(WaitRoom& room) : room_(room) {}

  // Bytes all pipes may hold together: their messages with the bookkeeping they take, and
  // for an explicit pipe at least its whole size, which it keeps for itself. A send or a
  // CREATE_PIPE that needs more raises ORA-06558; what is received, purged or removed
  // makes room again.
  void SetBudget(std::size_t bytes);
  // Bytes counted against the budget now.
  std::size_t BytesInUse();

  // The message moves into the pipe on success only; otherwise the caller still has it.
  int Send(const std::string& name, PipeMessage&& message, double timeoutSeconds,
           std::size_t maxPipeSize, const std::string& user, const InterruptCheck& checkInterrupt);
  int Receive(const std::string& name, double timeoutSeconds, const std::string& user,
              const InterruptCheck& checkInterrupt, PipeMessage& received);
  // Empties a pipe (an implicit one disappears).
  void Purge(const std::string& name, const std::string& user);
  int Create(const std::string& name, std::size_t maxPipeSize, bool isPrivate,
             const std::string& user);
  int Remove(const std::string& name, const std::string& user);
  // Messages waiting in a pipe; 0 for a pipe that does not exist.
  std::size_t MessageCount(const std::string& name);
  // Drops every pipe (server shutdown).
  void Clear();

 private:
  struct Pipe {
    std::deque<PipeMessage> messages;
    std::size_t bytes = 0;    // the messages' sizes as DBMS_PIPE counts them
    std::size_t memory = 0;   // the messages' sizes with their bookkeeping
    std::size_t charged = 0;  // what the pipe counts against the budget now
    std::size_t maxSize = kDefaultSize;
    bool isExplicit = false;
    bool isPrivate = false;
    std::string owner;
  };
  static std::string Key(const std::string& name);
  Pipe& Open(const std::string& key, const std::string& user);
  // What a pipe of that name would count with that content, explicitness and size.
  static std::size_t Charge(const std::string& key, std::size_t memory, bool isExplicit,
                            std::size_t maxSize);
  // Whether the budget holds the pipe at the new charge.
  bool Fits(const Pipe& pipe, std::size_t charge) const;
  // Counts the pipe's present state against the budget.
  void Settle(const std::string& key, Pipe& pipe);
  void DropIfUnused(const std::string& key);
  void Erase(std::map<std::string, Pipe>::iterator it);

  WaitRoom& room_;
  std::map<std::string, Pipe> pipes_;
  std::size_t budget_ = kDefaultBudget;
  std::size_t inUse_ = 0;  // the pipes' charges summed
};

}  // namespace devdb::plsql
