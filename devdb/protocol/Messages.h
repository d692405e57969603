// The messages of the devdb wire protocol, one record per message type, each able to write
// itself into a frame body and read itself back. ToFrame and FromFrame join them to the
// framing; FromFrame refuses a frame of another type and a body with bytes left over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devdb/protocol/FrameCodec.h"
#include "devdb/protocol/PayloadReader.h"
#include "devdb/protocol/PayloadWriter.h"
#include "devdb/protocol/ProtocolError.h"
#include "devdb/protocol/WireTypes.h"

namespace devdb::protocol {

// "VEKD": the first four bytes of Hello and Break, so that a stray client of another
// protocol is recognised at once.
inline constexpr std::uint32_t kProtocolMagic = 0x56454B44;
inline constexpr std::uint16_t kProtocolVersion = 4;

enum class WireConnectMode : std::uint8_t { Normal = 0, SysDba = 1, SysOper = 2 };

struct HelloRequest {
  static constexpr MessageType kType = MessageType::Hello;
  std::uint32_t magic = kProtocolMagic;
  std::uint16_t version = kProtocolVersion;
  void Write(PayloadWriter& out) const;
  static HelloRequest Read(PayloadReader& in);
};

struct HelloReply {
  static constexpr MessageType kType = MessageType::HelloReply;
  std::uint16_t version = kProtocolVersion;
  std::string banner;
  void Write(PayloadWriter& out) const;
  static HelloReply Read(PayloadReader& in);
};

// Sent as the only frame of a separate connection, so that it reaches a session whose own
// connection is busy with a call.
struct BreakRequest {
  static constexpr MessageType kType = MessageType::Break;
  std::uint32_t magic = kProtocolMagic;
  std::uint16_t version = kProtocolVersion;
  std::uint32_t sid = 0;
  std::uint64_t breakToken = 0;
  void Write(PayloadWriter& out) const;
  static BreakRequest Read(PayloadReader& in);
};

struct LogonRequest {
  static constexpr MessageType kType = MessageType::Logon;
  std::string user;  // empty together with password: external authentication
  std::string password;
  WireConnectMode mode = WireConnectMode::Normal;
  std::string osUser;
  std::string machine;
  std::string program;
  void Write(PayloadWriter& out) const;
  static LogonRequest Read(PayloadReader& in);
};

// The answer to Logon and PasswordChange. loggedOn is false after a password change that
// was asked not to keep the session.
struct LogonReply {
  static constexpr MessageType kType = MessageType::LogonReply;
  bool loggedOn = false;
  std::uint32_t sid = 0;
  std::uint32_t serial = 0;
  std::int64_t audsid = 0;
  std::uint64_t breakToken = 0;
  std::string username;
  WireError warning;  // code 28002 in the grace period, else 0
  void Write(PayloadWriter& out) const;
  static LogonReply Read(PayloadReader& in);
};

struct PasswordChangeRequest {
  static constexpr MessageType kType = MessageType::PasswordChange;
  std::string user;
  std::string oldPassword;
  std::string newPassword;
  // Without a session: log on with the new password afterwards and keep the session.
  bool logOnAfter = false;
  WireConnectMode mode = WireConnectMode::Normal;
  std::string osUser;
  std::string machine;
  std::string program;
  void Write(PayloadWriter& out) const;
  static PasswordChangeRequest Read(PayloadReader& in);
};

struct VersionReply {
  static constexpr MessageType kType = MessageType::VersionReply;
  std::string banner;
  void Write(PayloadWriter& out) const;
  static VersionReply Read(PayloadReader& in);
};

struct PrepareRequest {
  static constexpr MessageType kType = MessageType::Prepare;
  std::string sql;
  void Write(PayloadWriter& out) const;
  static PrepareRequest Read(PayloadReader& in);
};

struct PrepareReply {
  static constexpr MessageType kType = MessageType::PrepareReply;
  std::uint32_t cursor = 0;
  std::int32_t statementType = 0;
  std::int32_t sqlFunctionCode = 0;
  std::vector<std::string> bindNames;
  std::vector<WireColumn> columns;
  void Write(PayloadWriter& out) const;
  static PrepareReply Read(PayloadReader& in);
};

struct DescribeRequest {
  static constexpr MessageType kType = MessageType::Describe;
  std::uint32_t cursor = 0;
  void Write(PayloadWriter& out) const;
  static DescribeRequest Read(PayloadReader& in);
};

struct DescribeReply {
  static constexpr MessageType kType = MessageType::DescribeReply;
  std::vector<WireColumn> columns;
  void Write(PayloadWriter& out) const;
  static DescribeReply Read(PayloadReader& in);
};

// What a bind variable of a PL/SQL block is beyond a plain value.
enum class WireBindForm : std::uint8_t {
  Scalar = 0,
  Table = 1,      // a PL/SQL index-by table: values are its current elements, from index 1
  RefCursor = 2,  // a REF CURSOR the block opens; the reply names the cursor to fetch from
};

struct WireBind {
  std::string name;  // with or without the colon, matched without regard to case
  bool out = false;
  std::int32_t maxLength = 4000;  // the client's buffer; for a table, that of one element
  std::vector<WireValue> values;  // scalar: one per iteration; table: the current elements
  WireBindForm form = WireBindForm::Scalar;
  std::int32_t maxElements = 0;   // table: the client's array size
  std::int32_t declaredType = 0;  // the client's Oracle external type code, 0 when unknown
  bool operator==(const WireBind&) const = default;

  // An index-by table with room for maxElements, holding values as its current elements.
  static WireBind Table(std::string name, std::int32_t maxElements,
                        std::vector<WireValue> values = {}, std::int32_t elementLength = 4000) {
    WireBind bind{std::move(name), true, elementLength, std::move(values)};
    bind.form = WireBindForm::Table;
    bind.maxElements = maxElements;
    return bind;
  }
  // A REF CURSOR for OPEN :name FOR SELECT ...
  static WireBind RefCursor(std::string name) {
    WireBind bind{std::move(name), true, 0, {}};
    bind.form = WireBindForm::RefCursor;
    return bind;
  }
};

struct ExecuteRequest {
  static constexpr MessageType kType = MessageType::Execute;
  std::uint32_t cursor = 0;
  std::uint32_t iterations = 1;
  std::uint32_t rowOffset = 0;
  bool commitOnSuccess = false;
  // For a select: rows to fetch in the same round trip (0: execute only).
  std::uint32_t prefetchRows = 0;
  std::vector<WireBind> binds;
  // With cursor 0: the text to parse in the same round trip, as Oracle parses at the first
  // execution. The reply then names the new cursor; a failed call leaves none behind.
  std::string sql;
  void Write(PayloadWriter& out) const;
  static ExecuteRequest Read(PayloadReader& in);
};

struct ExecuteReply {
  static constexpr MessageType kType = MessageType::ExecuteReply;
  std::uint64_t rowsProcessed = 0;
  std::vector<std::vector<WireValue>> outValues;  // [bind][iteration], out binds in order
  WireError rowError;  // array execution: the first failing row's error, code 0 if none
  std::string warning;
  std::vector<WireRow> rows;  // prefetched rows of a select
  std::uint64_t rowsFetched = 0;
  bool endOfFetch = false;
  // One per REF CURSOR bind, in bind order: the cursor to describe and fetch the query the
  // block opened, 0 when the block did not open it.
  std::vector<std::uint32_t> refCursors;
  // INSERT, UPDATE and DELETE: the 18-character extended ROWID of the last row the
  // execution touched (what OCI_ATTR_ROWID reports), empty when it touched none.
  std::string rowid;
  // Set when the request carried its text: what a Prepare would have answered.
  bool prepared = false;
  PrepareReply statement;
  void Write(PayloadWriter& out) const;
  static ExecuteReply Read(PayloadReader& in);
};

struct FetchRequest {
  static constexpr MessageType kType = MessageType::Fetch;
  std::uint32_t cursor = 0;
  std::uint32_t maxRows = 1;
  void Write(PayloadWriter& out) const;
  static FetchRequest Read(PayloadReader& in);
};

// endOfFetch is true when the result set is exhausted; the server may send fewer rows than
// asked without it when the reply would grow too large.
struct FetchReply {
  static constexpr MessageType kType = MessageType::FetchReply;
  std::vector<WireRow> rows;
  std::uint64_t rowsFetched = 0;  // cumulative since execute
  bool endOfFetch = false;
  void Write(PayloadWriter& out) const;
  static FetchReply Read(PayloadReader& in);
};

struct CloseCursorRequest {
  static constexpr MessageType kType = MessageType::CloseCursor;
  std::uint32_t cursor = 0;
  void Write(PayloadWriter& out) const;
  static CloseCursorRequest Read(PayloadReader& in);
};

// Messages without a body.
template <MessageType Type>
struct EmptyMessage {
  static constexpr MessageType kType = Type;
  void Write(PayloadWriter&) const {}
  static EmptyMessage Read(PayloadReader&) { return {}; }
};
using LogoffRequest = EmptyMessage<MessageType::Logoff>;
using VersionRequest = EmptyMessage<MessageType::Version>;
using PingRequest = EmptyMessage<MessageType::Ping>;
using CommitRequest = EmptyMessage<MessageType::Commit>;
using RollbackRequest = EmptyMessage<MessageType::Rollback>;
using OkReply = EmptyMessage<MessageType::Ok>;

struct ErrorReply {
  static constexpr MessageType kType = MessageType::Error;
  WireError error;
  void Write(PayloadWriter& out) const;
  static ErrorReply Read(PayloadReader& in);
};

template <typename Message>
Frame ToFrame(const Message& message) {
  PayloadWriter writer;
  message.Write(writer);
  return Frame{Message::kType, writer.Take()};
}

template <typename Message>
Message FromFrame(const Frame& frame) {
  if (frame.type != Message::kType)
    throw ProtocolError("unexpected message type " + std::to_string(static_cast<int>(frame.type)));
  PayloadReader reader(frame.body);
  Message message = Message::Read(reader);
  reader.Finish();
  return message;
}

}  // namespace devdb::protocol
