// The client side of the devdb protocol. A lost connection becomes ORA-03113 for the call
// that noticed it and ORA-03114 for every later one; a killed session answers ORA-00028 to
// the call that was killed and to every later one, as Oracle's clients report it.
#include "devdb/client/Connection.h"

#include <system_error>

#include "devdb/client/ClientTexts.h"
#include "devdb/client/ServerError.h"
#include "devdb/protocol/ConnectionLost.h"
#include "devdb/protocol/ProtocolError.h"

namespace devdb::client {

using namespace devdb::protocol;

Connection::Connection(const std::string& host, std::uint16_t port) : host_(host), port_(port) {
  try {
    channel_.emplace(Socket::Connect(host, port));
  } catch (const std::system_error&) {
    throw ServerError(texts::kNoListenerCode, texts::kNoListener);
  }
  banner_ = Exchange<HelloReply>(HelloRequest{}).banner;
}

Connection::~Connection() { Close(); }

void Connection::Close() {
  if (channel_ && loggedOn_) {
    try {
      LogOff();
    } catch (const std::exception&) {
      // The session ends with the connection anyway; nothing to report from a destructor.
    }
  }
  Drop();
}

void Connection::Drop() {
  channel_.reset();
  loggedOn_ = false;
  std::lock_guard lock(closeMutex_);
  pendingCloses_.clear();
}

template <typename Transfer>
void Connection::OnChannel(Transfer transfer) {
  try {
    transfer();
  } catch (const ConnectionLost&) {
    Drop();
    throw ServerError(texts::kEndOfFileCode, texts::kEndOfFile);
  } catch (const ProtocolError&) {
    Drop();
    throw ServerError(texts::kProtocolViolationCode, texts::kProtocolViolation);
  }
}

Frame Connection::Call(const Frame& request, MessageType expectedReply) {
  if (killed_) throw ServerError(texts::kSessionKilledCode, texts::kSessionKilled);
  if (!channel_) throw ServerError(texts::kNotConnectedCode, texts::kNotConnected);
  std::vector<std::uint32_t> closes;
  {
    std::lock_guard lock(closeMutex_);
    closes.swap(pendingCloses_);
  }
  OnChannel([&] {
    // The closes travel in front of the request, in the same send, and their answers are
    // read first, so the call costs one round trip however many closes ride with it.
    for (std::uint32_t cursor : closes) channel_->Hold(ToFrame(CloseCursorRequest{cursor}));
    channel_->Write(request);
  });
  for (std::size_t i = 0; i < closes.size(); ++i) {
    try {
      Receive();
    } catch (const ServerError&) {
      // A close that fails concerns nobody, unless the session or connection went with it.
      if (killed_ || !channel_) throw;
    }
  }
  Frame reply = Receive();
  if (reply.type != expectedReply) {
    Drop();
    throw ServerError(texts::kProtocolViolationCode, texts::kProtocolViolation);
  }
  return reply;
}

Frame Connection::Receive() {
  FrameChannel::ReadResult reply;
  OnChannel([&] { reply = channel_->Read(); });
  if (reply.status != FrameChannel::ReadStatus::Frame) {
    Drop();
    throw ServerError(texts::kEndOfFileCode, texts::kEndOfFile);
  }
  if (reply.frame.type == MessageType::Error) {
    WireError error;
    try {
      error = FromFrame<ErrorReply>(reply.frame).error;
    } catch (const ProtocolError&) {
      Drop();
      throw ServerError(texts::kProtocolViolationCode, texts::kProtocolViolation);
    }
    if (error.code == texts::kSessionKilledCode) {
      killed_ = true;
      Drop();
    }
    throw ServerError(error.code, error.message, error.offset);
  }
  return std::move(reply.frame);
}

std::string Connection::Version() { return Exchange<VersionReply>(VersionRequest{}).banner; }

void Connection::Ping() { Exchange<OkReply>(PingRequest{}); }

LogonReply Connection::LogOn(const LogonRequest& request) {
  LogonReply reply = Exchange<LogonReply>(request);
  logon_ = reply;
  loggedOn_ = reply.loggedOn;
  std::lock_guard lock(breakMutex_);
  breakSid_ = reply.sid;
  breakToken_ = reply.breakToken;
  return reply;
}

void Connection::LogOff() {
  Exchange<OkReply>(LogoffRequest{});
  loggedOn_ = false;
  std::lock_guard lock(breakMutex_);
  breakToken_ = 0;
}

LogonReply Connection::ChangePassword(const PasswordChangeRequest& request) {
  LogonReply reply = Exchange<LogonReply>(request);
  if (reply.loggedOn && !loggedOn_) {
    logon_ = reply;
    loggedOn_ = true;
    std::lock_guard lock(breakMutex_);
    breakSid_ = reply.sid;
    breakToken_ = reply.breakToken;
  }
  return reply;
}

PrepareReply Connection::Prepare(const std::string& sql) {
  return Exchange<PrepareReply>(PrepareRequest{sql});
}

std::vector<WireColumn> Connection::Describe(std::uint32_t cursor) {
  return Exchange<DescribeReply>(DescribeRequest{cursor}).columns;
}

ExecuteReply Connection::Execute(const ExecuteRequest& request) {
  return Exchange<ExecuteReply>(request);
}

FetchReply Connection::Fetch(std::uint32_t cursor, std::uint32_t maxRows) {
  FetchReply result;
  // The server may cut a large reply short; ask again until the rows are there or it ends.
  while (true) {
    auto wanted = static_cast<std::uint32_t>(maxRows - result.rows.size());
    FetchReply part = Exchange<FetchReply>(FetchRequest{cursor, wanted});
    bool gotNothing = part.rows.empty();
    for (auto& row : part.rows) result.rows.push_back(std::move(row));
    result.rowsFetched = part.rowsFetched;
    result.endOfFetch = part.endOfFetch;
    if (part.endOfFetch || result.rows.size() >= maxRows || gotNothing) return result;
  }
}

void Connection::CloseCursor(std::uint32_t cursor) {
  Exchange<OkReply>(CloseCursorRequest{cursor});
}

void Connection::CloseCursorLater(std::uint32_t cursor) {
  std::lock_guard lock(closeMutex_);
  pendingCloses_.push_back(cursor);
}

void Connection::Commit() { Exchange<OkReply>(CommitRequest{}); }

void Connection::Rollback() { Exchange<OkReply>(RollbackRequest{}); }

void Connection::Break() {
  BreakRequest request;
  {
    std::lock_guard lock(breakMutex_);
    if (breakToken_ == 0) return;
    request.sid = breakSid_;
    request.breakToken = breakToken_;
  }
  try {
    FrameChannel channel(Socket::Connect(host_, port_));
    channel.Write(ToFrame(request));
    channel.Read();  // the acknowledgement: the break has been delivered
  } catch (const std::exception&) {
    // A break that cannot be delivered has nothing to interrupt: the server is gone, and the
    // running call will report that itself.
  }
}

}  // namespace devdb::client
