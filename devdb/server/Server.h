// The devdb server: the listening socket, the engine's database, the session registry and
// one thread per connection. Stop ends every running call, closes every connection and
// returns from Run once all of them have finished.
#pragma once

#include <atomic>
#include <list>
#include <memory>
#include <mutex>

#include "devdb/plsql/ProceduralEngine.h"
#include "devdb/plsql/ProceduralLanguageBridge.h"
#include "devdb/protocol/Socket.h"
#include "devdb/server/CallWatcher.h"
#include "devdb/server/ClientConnection.h"
#include "devdb/server/ServerOptions.h"
#include "devdb/server/SessionRegistry.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::server {

class Server {
 public:
  // Opens the database and starts listening; throws on failure (port taken, bad folder).
  explicit Server(const ServerOptions& options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  std::uint16_t Port() const { return listener_.LocalPort(); }
  // Accepts connections until Stop; then waits for every connection to end.
  void Run();
  // From any thread; may be called more than once.
  void Stop();

 private:
  void ReapFinished();
  // Waits for every connection's thread; the database must not close before.
  void JoinConnections();

  ServerOptions options_;
  SessionRegistry registry_;
  std::unique_ptr<sql::Database> database_;
  // Goes before the database, after every connection has ended.
  std::unique_ptr<plsql::ProceduralEngine> procedural_;
  std::shared_ptr<plsql::ProceduralLanguageBridge> bridge_;
  CallWatcher callWatcher_{registry_};
  protocol::Socket listener_;
  std::atomic<bool> stopping_{false};
  std::mutex connectionsMutex_;  // guards connections_
  std::list<std::unique_ptr<ClientConnection>> connections_;
};

}  // namespace devdb::server
