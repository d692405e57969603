// Frame header encoding and the checks a reader makes before it trusts a frame's length.
#include "devdb/protocol/FrameCodec.h"

#include <algorithm>
#include <string>

#include "devdb/protocol/ProtocolError.h"

namespace devdb::protocol {

bool FrameCodec::IsKnownType(std::uint16_t type) {
  switch (static_cast<MessageType>(type)) {
    case MessageType::Hello:
    case MessageType::Break:
    case MessageType::Logon:
    case MessageType::Logoff:
    case MessageType::PasswordChange:
    case MessageType::Version:
    case MessageType::Ping:
    case MessageType::Prepare:
    case MessageType::Describe:
    case MessageType::Execute:
    case MessageType::Fetch:
    case MessageType::CloseCursor:
    case MessageType::Commit:
    case MessageType::Rollback:
    case MessageType::Ok:
    case MessageType::Error:
    case MessageType::HelloReply:
    case MessageType::LogonReply:
    case MessageType::VersionReply:
    case MessageType::PrepareReply:
    case MessageType::DescribeReply:
    case MessageType::ExecuteReply:
    case MessageType::FetchReply: return true;
  }
  return false;
}

std::array<std::uint8_t, FrameCodec::kHeaderSize> FrameCodec::EncodeHeader(const Frame& frame) {
  if (frame.body.size() > kMaximumBody) throw ProtocolError("message body too large to send");
  const auto length = static_cast<std::uint32_t>(frame.body.size());
  const auto type = static_cast<std::uint16_t>(frame.type);
  return {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
          static_cast<std::uint8_t>(length >> 8),  static_cast<std::uint8_t>(length),
          static_cast<std::uint8_t>(type >> 8),    static_cast<std::uint8_t>(type)};
}

std::vector<std::uint8_t> FrameCodec::Encode(const Frame& frame) {
  const auto header = EncodeHeader(frame);
  std::vector<std::uint8_t> bytes(kHeaderSize + frame.body.size());
  std::copy(header.begin(), header.end(), bytes.begin());
  std::copy(frame.body.begin(), frame.body.end(), bytes.begin() + kHeaderSize);
  return bytes;
}

FrameCodec::Header FrameCodec::DecodeHeader(const std::array<std::uint8_t, kHeaderSize>& bytes,
                                            std::uint32_t maximumBody) {
  std::uint32_t length = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
  auto type = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  if (length > maximumBody)
    throw ProtocolError("frame body of " + std::to_string(length) + " bytes exceeds the limit");
  if (!IsKnownType(type)) throw ProtocolError("unknown message type " + std::to_string(type));
  return {static_cast<MessageType>(type), length};
}

std::optional<Frame> FrameCodec::Extract(std::vector<std::uint8_t>& buffer,
                                         std::uint32_t maximumBody) {
  if (buffer.size() < kHeaderSize) return std::nullopt;
  std::array<std::uint8_t, kHeaderSize> headerBytes{};
  std::copy_n(buffer.begin(), kHeaderSize, headerBytes.begin());
  Header header = DecodeHeader(headerBytes, maximumBody);
  if (buffer.size() - kHeaderSize < header.bodyLength) return std::nullopt;
  auto bodyBegin = buffer.begin() + kHeaderSize;
  auto bodyEnd = bodyBegin + header.bodyLength;
  Frame frame{header.type, std::vector<std::uint8_t>(bodyBegin, bodyEnd)};
  buffer.erase(buffer.begin(), bodyEnd);
  return frame;
}

}  // namespace devdb::protocol
