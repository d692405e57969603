// One client connection to a devdb server: the Hello exchange, then one call at a time
// (logon, prepare, execute, fetch, ...), each a request frame and its reply. Break is the
// one call that may come from another thread while a call runs: it travels on a connection
// of its own and interrupts the running call with ORA-01013.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devdb/protocol/FrameChannel.h"
#include "devdb/protocol/Messages.h"

namespace devdb::client {

class Connection {
 public:
  // Connects and checks the protocol version. Throws ServerError: ORA-12541 when nobody
  // listens, ORA-03113 when the server goes away during the exchange.
  Connection(const std::string& host, std::uint16_t port);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The banner the server announced at connect time.
  const std::string& Banner() const { return banner_; }
  std::string Version();
  void Ping();

  protocol::LogonReply LogOn(const protocol::LogonRequest& request);
  void LogOff();
  // With a session: changes the password only. Without: changes it and, with logOnAfter,
  // leaves a session logged on with the new password.
  protocol::LogonReply ChangePassword(const protocol::PasswordChangeRequest& request);
  bool IsLoggedOn() const { return loggedOn_; }
  const protocol::LogonReply& Logon() const { return logon_; }

  protocol::PrepareReply Prepare(const std::string& sql);
  std::vector<protocol::WireColumn> Describe(std::uint32_t cursor);
  protocol::ExecuteReply Execute(const protocol::ExecuteRequest& request);
  // Up to maxRows rows; fewer only at the end of the result set (endOfFetch).
  protocol::FetchReply Fetch(std::uint32_t cursor, std::uint32_t maxRows);
  void CloseCursor(std::uint32_t cursor);
  // Closes the cursor with the next call instead of a round trip of its own, as Oracle's
  // clients piggyback their cursor closes. Safe to call from any thread.
  void CloseCursorLater(std::uint32_t cursor);
  void Commit();
  void Rollback();

  // Interrupts the call running on this connection; does nothing when none runs.
  // Safe to call from any thread.
  void Break();
  bool IsOpen() const { return channel_.has_value(); }
  void Close();

 private:
  protocol::Frame Call(const protocol::Frame& request, protocol::MessageType expectedReply);
  // The next reply frame; raises the server's error, a kill or the loss of the connection.
  protocol::Frame Receive();
  // Runs a transfer on the channel; a lost connection or a broken frame drops the channel
  // and becomes the error the program sees (ORA-03113, ORA-03106).
  template <typename Transfer>
  void OnChannel(Transfer transfer);
  template <typename Reply, typename Request>
  Reply Exchange(const Request& request) {
    return protocol::FromFrame<Reply>(Call(protocol::ToFrame(request), Reply::kType));
  }
  void Drop();

  std::string host_;
  std::uint16_t port_;
  std::optional<protocol::FrameChannel> channel_;
  std::string banner_;
  bool loggedOn_ = false;
  bool killed_ = false;
  protocol::LogonReply logon_;
  std::mutex breakMutex_;  // guards breakSid_ and breakToken_
  std::uint32_t breakSid_ = 0;
  std::uint64_t breakToken_ = 0;
  std::mutex closeMutex_;  // guards pendingCloses_
  std::vector<std::uint32_t> pendingCloses_;
};

}  // namespace devdb::client
