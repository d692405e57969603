// The frame header: lengths and types are checked before a body is trusted, and frames are
// taken whole off a byte stream that may arrive in pieces.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "devdb/protocol/FrameCodec.h"
#include "devdb/protocol/ProtocolError.h"

namespace {

using devdb::protocol::Frame;
using devdb::protocol::FrameCodec;
using devdb::protocol::MessageType;
using devdb::protocol::ProtocolError;

std::vector<std::uint8_t> Header(std::uint32_t length, std::uint16_t type) {
  return {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
          static_cast<std::uint8_t>(length >> 8),  static_cast<std::uint8_t>(length),
          static_cast<std::uint8_t>(type >> 8),    static_cast<std::uint8_t>(type)};
}

TEST(FrameCodec, EncodesLengthAndTypeBigEndianBeforeTheBody) {
  Frame frame{MessageType::Prepare, {0xAA, 0xBB, 0xCC}};
  std::vector<std::uint8_t> expected = Header(3, 20);
  expected.insert(expected.end(), {0xAA, 0xBB, 0xCC});
  EXPECT_EQ(FrameCodec::Encode(frame), expected);
}

TEST(FrameCodec, ExtractsFramesThatArriveOneByteAtATime) {
  std::vector<std::uint8_t> stream = FrameCodec::Encode({MessageType::Ping, {}});
  auto second = FrameCodec::Encode({MessageType::Prepare, {1, 2, 3, 4, 5}});
  stream.insert(stream.end(), second.begin(), second.end());

  std::vector<std::uint8_t> buffer;
  std::vector<Frame> frames;
  for (std::uint8_t byte : stream) {
    buffer.push_back(byte);
    while (auto frame = FrameCodec::Extract(buffer)) frames.push_back(std::move(*frame));
  }
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].type, MessageType::Ping);
  EXPECT_TRUE(frames[0].body.empty());
  EXPECT_EQ(frames[1].type, MessageType::Prepare);
  EXPECT_EQ(frames[1].body, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(buffer.empty()) << "bytes left behind after two whole frames";
}

struct HostileHeader {
  const char* description;
  std::uint32_t length;
  std::uint16_t type;
};

class FrameCodecHostileHeader : public testing::TestWithParam<HostileHeader> {};

TEST_P(FrameCodecHostileHeader, IsRefusedBeforeTheBodyIsRead) {
  const HostileHeader& c = GetParam();
  std::vector<std::uint8_t> buffer = Header(c.length, c.type);  // no body at all
  EXPECT_THROW(FrameCodec::Extract(buffer), ProtocolError) << c.description;
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameCodecHostileHeader,
                         testing::Values(HostileHeader{"length of 4 GiB", 0xFFFFFFFFu, 10},
                                         HostileHeader{"one byte over the limit",
                                                       FrameCodec::kMaximumBody + 1, 10},
                                         HostileHeader{"type 0", 0, 0},
                                         HostileHeader{"type between the families", 0, 50},
                                         HostileHeader{"largest type", 0, 0xFFFF}));

TEST(FrameCodec, AcceptsABodyExactlyAtTheLimitAndWaitsForIt) {
  std::vector<std::uint8_t> buffer = Header(FrameCodec::kMaximumBody, 22);
  EXPECT_FALSE(FrameCodec::Extract(buffer).has_value()) << "the body has not arrived yet";
  EXPECT_EQ(buffer.size(), FrameCodec::kHeaderSize)
      << "an incomplete frame must stay in the buffer";
}

TEST(FrameCodec, ACallerMayLowerTheLimit) {
  std::vector<std::uint8_t> buffer = Header(101, 20);
  EXPECT_THROW(FrameCodec::Extract(buffer, 100), ProtocolError);
}

TEST(FrameCodec, RefusesToEncodeAnOversizeBody) {
  Frame frame{MessageType::Prepare, std::vector<std::uint8_t>(FrameCodec::kMaximumBody + 1)};
  EXPECT_THROW(FrameCodec::Encode(frame), ProtocolError);
}

}  // namespace
