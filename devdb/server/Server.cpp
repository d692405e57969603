// Accept loop and orderly shutdown. Shutting the listening socket down wakes the blocked
// accept; every connection's thread is then woken, its running call interrupted with
// ORA-01089, and its session rolled back before the database is closed.
#include "devdb/server/Server.h"

#include <chrono>

namespace devdb::server {

Server::Server(const ServerOptions& options) : options_(options) {
  registry_.SetMaxSessions(options.maxSessions);
  sql::EngineOptions engine;
  if (!options.inMemory) engine.dataFolder = options.dataFolder;  // the engine creates it
  engine.sysPassword = options.sysPassword;
  engine.banner = options.banner;
  engine.bytesPerCharacter = options.bytesPerCharacter;
  database_ = sql::Database::Open(engine, registry_);
  sql::Database* database = database_.get();
  procedural_ = std::make_unique<plsql::ProceduralEngine>(
      [database] { return database->OpenDictionarySession(); });
  procedural_->Pipes().SetBudget(options.pipeMemoryBytes);
  bridge_ = std::make_shared<plsql::ProceduralLanguageBridge>(
      *procedural_, [database](const std::string& user, int sid, int serial, std::int64_t audsid) {
        return database->OpenInternalSession(user, sid, serial, audsid);
      });
  database_->AttachProceduralLanguage(bridge_);
  listener_ = protocol::Socket::Listen(options.host, options.port);
}

Server::~Server() {
  Stop();
  JoinConnections();
}

void Server::Run() {
  while (!stopping_) {
    protocol::Socket socket = listener_.Accept();
    if (!socket.IsOpen()) break;
    std::lock_guard lock(connectionsMutex_);
    if (stopping_) break;
    ReapFinished();
    auto connection = std::make_unique<ClientConnection>(
        std::move(socket), *database_, registry_, options_.banner,
        std::chrono::seconds(options_.logonTimeoutSeconds));
    connection->Start();
    connections_.push_back(std::move(connection));
  }
  Stop();
  JoinConnections();
}

void Server::Stop() {
  if (stopping_.exchange(true)) return;
  registry_.BeginShutdown();
  // Pipe, alert and sleep waits end with ORA-01089, so that every call returns.
  if (procedural_) procedural_->Shutdown();
  listener_.Shutdown();
  std::lock_guard lock(connectionsMutex_);
  for (const auto& connection : connections_) connection->Wake();
}

void Server::JoinConnections() {
  // Joined outside the lock: Stop, on the signal thread, takes it to wake the connections.
  std::list<std::unique_ptr<ClientConnection>> finishing;
  {
    std::lock_guard lock(connectionsMutex_);
    finishing.swap(connections_);
    for (const auto& connection : finishing) connection->Wake();
  }
  finishing.clear();
}

void Server::ReapFinished() {
  connections_.remove_if(
      [](const std::unique_ptr<ClientConnection>& connection) { return connection->Finished(); });
}

}  // namespace devdb::server
