// Whole frames over one socket: reads are buffered so that a frame may arrive in pieces,
// and a reader waiting for the next frame can be woken by a second descriptor (the server
// uses this to tell a connection's thread about a kill or a shutdown).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "devdb/protocol/FrameCodec.h"
#include "devdb/protocol/Socket.h"

namespace devdb::protocol {

class FrameChannel {
 public:
  explicit FrameChannel(Socket socket, std::uint32_t maximumBody = FrameCodec::kMaximumBody)
      : socket_(std::move(socket)), maximumBody_(maximumBody) {}

  enum class ReadStatus { Frame, Closed, Woken, TimedOut };
  struct ReadResult {
    ReadStatus status = ReadStatus::Closed;
    Frame frame;
  };

  // Closed when the peer ended the stream between frames; Woken when wakeDescriptor became
  // readable first (it is not drained here); TimedOut when no whole frame had arrived by the
  // deadline (if one is given). Throws ProtocolError for a bad frame and ConnectionLost when
  // the stream ends inside a frame or fails.
  ReadResult Read(int wakeDescriptor = -1,
                  std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt);
  // Returns false when wakeDescriptor became readable before everything was sent.
  // Throws ConnectionLost when the peer is gone. Frames held before go out with it, in one send.
  bool Write(const Frame& frame, int wakeDescriptor = -1);
  // Keeps a frame to go out in front of the next Write: frames that travel together cost
  // the peer one wake-up instead of one each.
  void Hold(const Frame& frame);
  // True when a whole frame has arrived and not been read yet.
  bool HasWholeFrame() const;

  Socket& Connection() { return socket_; }
  // The largest body a frame read from now on may have (a larger one is a protocol error).
  void SetMaximumBody(std::uint32_t maximumBody) { maximumBody_ = maximumBody; }

 private:
  // Looks for data for a short while without sleeping; true when some arrived.
  bool ReceiveWithoutSleeping(std::optional<std::chrono::steady_clock::time_point> deadline);

  Socket socket_;
  std::uint32_t maximumBody_;
  std::vector<std::uint8_t> buffer_;
  std::vector<std::uint8_t> held_;
};

}  // namespace devdb::protocol
