// One client connection on a thread of its own: the Hello exchange, then the calls of at most
// one session at a time, each answered before the next is read. A connection that opens with
// a Break frame instead only delivers that break. A malformed frame ends this connection and
// nothing else.
#pragma once

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "devdb/plsql/ProceduralStatement.h"
#include "devdb/protocol/FrameChannel.h"
#include "devdb/protocol/Messages.h"
#include "devdb/server/SessionEntry.h"
#include "devdb/server/SessionRegistry.h"
#include "devdb/server/WakeSignal.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::server {

class ClientConnection {
 public:
  ClientConnection(protocol::Socket socket, sql::Database& database, SessionRegistry& registry,
                   std::string banner, std::chrono::seconds logonTimeout);
  ~ClientConnection();  // waits for the thread
  ClientConnection(const ClientConnection&) = delete;
  ClientConnection& operator=(const ClientConnection&) = delete;

  void Start();
  // Wakes the thread from its wait for the next frame; at shutdown it then ends.
  void Wake() { wake_->Signal(); }
  bool Finished() const { return finished_.load(); }

 private:
  void Run();
  void Serve(protocol::FrameChannel& channel);
  protocol::Frame Handle(const protocol::Frame& request, bool& closeAfter);
  protocol::Frame Dispatch(const protocol::Frame& request);

  protocol::LogonReply LogOn(const protocol::LogonRequest& request);
  protocol::LogonReply ChangePassword(const protocol::PasswordChangeRequest& request);
  protocol::PrepareReply Prepare(const std::string& sql);
  // The request is taken by value: its bind values move on into the engine's binds.
  protocol::ExecuteReply Execute(protocol::ExecuteRequest request);
  // An Execute that carries its text: parse, check the bind names, run; the cursor stays
  // only when the whole call succeeds.
  protocol::ExecuteReply PrepareAndExecute(protocol::ExecuteRequest request);
  // A block or stored code statement, with the bind forms only PL/SQL knows: index-by tables
  // and REF CURSORs, whose opened queries become cursors of this connection.
  protocol::ExecuteReply ExecuteProcedural(SessionEntry& entry,
                                           plsql::ProceduralStatement& statement,
                                           protocol::ExecuteRequest& request);
  protocol::FetchReply Fetch(const protocol::FetchRequest& request);
  // Fetches within a running call; the reply stops growing at a size budget.
  protocol::FetchReply FetchRows(sql::Statement& statement, std::uint32_t maxRows);
  protocol::LogonReply CurrentLogon() const;

  SessionEntry& RequireSession();
  sql::Statement& Cursor(std::uint32_t cursor);
  std::uint32_t AddCursor(std::shared_ptr<sql::Statement> statement);
  // Ends the engine session: its statements first, then its transaction is rolled back.
  void ReleaseEngineSession();
  // Ends the session completely and frees its SID.
  void EndSession();

  protocol::Socket socket_;
  const int socketDescriptor_;
  sql::Database& database_;
  SessionRegistry& registry_;
  const std::string banner_;
  const std::chrono::seconds logonTimeout_;
  std::shared_ptr<WakeSignal> wake_;
  std::shared_ptr<SessionEntry> entry_;
  std::string username_;
  protocol::WireError logonWarning_;
  // Shared, because the query a block opens for a REF CURSOR is also held by the block's
  // package state or variables for as long as they refer to it.
  std::map<std::uint32_t, std::shared_ptr<sql::Statement>> cursors_;
  std::uint32_t nextCursor_ = 1;
  pthread_t thread_{};
  bool started_ = false;
  std::atomic<bool> finished_{false};
};

}  // namespace devdb::server
