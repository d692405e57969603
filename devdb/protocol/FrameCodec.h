// Framing of the devdb wire protocol: every message is a 6-byte header (a 32-bit big-endian
// body length and a 16-bit message type) followed by the body. The header is checked before
// the body is read, so an oversize or unknown frame is refused without reading it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace devdb::protocol {

enum class MessageType : std::uint16_t {
  // Client to server. Hello or Break must be the first frame of a connection.
  Hello = 1,
  Break = 2,
  Logon = 10,
  Logoff = 11,
  PasswordChange = 12,
  Version = 13,
  Ping = 14,
  Prepare = 20,
  Describe = 21,
  Execute = 22,
  Fetch = 23,
  CloseCursor = 24,
  Commit = 30,
  Rollback = 31,
  // Server to client.
  Ok = 100,
  Error = 101,
  HelloReply = 102,
  LogonReply = 103,
  VersionReply = 104,
  PrepareReply = 105,
  DescribeReply = 106,
  ExecuteReply = 107,
  FetchReply = 108,
};

struct Frame {
  MessageType type = MessageType::Ok;
  std::vector<std::uint8_t> body;
};

class FrameCodec {
 public:
  static constexpr std::size_t kHeaderSize = 6;
  // Large enough for a fetch reply of many wide rows, small enough that a hostile length
  // cannot make the reader allocate without bound.
  static constexpr std::uint32_t kMaximumBody = 64u * 1024u * 1024u;

  struct Header {
    MessageType type;
    std::uint32_t bodyLength;
  };

  static bool IsKnownType(std::uint16_t type);
  static std::vector<std::uint8_t> Encode(const Frame& frame);
  // The header that goes in front of the frame's body; throws ProtocolError for a body too
  // large to send.
  static std::array<std::uint8_t, kHeaderSize> EncodeHeader(const Frame& frame);
  // Throws ProtocolError for a body longer than maximumBody or a type this version does not know.
  static Header DecodeHeader(const std::array<std::uint8_t, kHeaderSize>& bytes,
                             std::uint32_t maximumBody = kMaximumBody);
  // Takes one whole frame off the front of buffer, or nothing while the frame is incomplete.
  static std::optional<Frame> Extract(std::vector<std::uint8_t>& buffer,
                                      std::uint32_t maximumBody = kMaximumBody);
};

}  // namespace devdb::protocol
