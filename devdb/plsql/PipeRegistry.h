// The server's database pipes, shared by every session of the process: implicit public pipes
// that appear on first use and vanish when empty, explicit pipes that live until removed,
// and the blocking send (full pipe) and receive (empty pipe) with their timeouts.
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
  enum Status { kSuccess = 0, kTimedOut = 1, kInterrupted = 3 };

  // checkInterrupt runs with the room's lock held and throws to end a wait.
  using InterruptCheck = std::function<void()>;

  explicit PipeRegistry(WaitRoom& room) : room_(room) {}

  int Send(const std::string& name, PipeMessage message, double timeoutSeconds,
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
    std::size_t bytes = 0;
    std::size_t maxSize = kDefaultSize;
    bool isExplicit = false;
    bool isPrivate = false;
    std::string owner;
  };
  static std::string Key(const std::string& name);
  Pipe& Open(const std::string& key, std::size_t maxPipeSize, const std::string& user);
  void DropIfUnused(const std::string& key);

  WaitRoom& room_;
  std::map<std::string, Pipe> pipes_;
};

}  // namespace devdb::plsql
