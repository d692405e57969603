// Every message body reads back as written, and every damaged body (cut short anywhere,
// one byte too long, a count it cannot hold, an unknown tag) is refused with ProtocolError.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "devdb/protocol/FrameChannel.h"
#include "devdb/protocol/Messages.h"

namespace {

using namespace devdb::protocol;

struct Sample {
  std::string name;
  Frame frame;
  // Decodes the frame as its message type and encodes it again.
  std::function<Frame(const Frame&)> reencode;
};

void PrintTo(const Sample& sample, std::ostream* out) { *out << sample.name; }

template <typename Message>
Sample MakeSample(std::string name, const Message& message) {
  return {std::move(name), ToFrame(message),
          [](const Frame& frame) { return ToFrame(FromFrame<Message>(frame)); }};
}

WireValue SampleDate() { return WireValue::Date({-4712, 1, 1, 23, 59, 58}); }

std::vector<WireValue> EveryKind() {
  return {
      WireValue::Null(), WireValue::Number("-12.5E+40"), WireValue::Text("æøå\n\0x"),
      SampleDate(),      WireValue::Raw({0, 1, 0xFF}),   WireValue::Rowid("AAAAECAABAAAAgiAAA")};
}

std::vector<Sample> Samples() {
  LogonRequest logon{"scott", "Tiger", WireConnectMode::SysDba, "osuser", "host", "prog"};
  LogonReply logonReply{true,
                        7,
                        3,
                        123456789012LL,
                        0xDEADBEEFCAFEF00DULL,
                        "SCOTT",
                        {28002, "ORA-28002: the password will expire within 7 days", 0}};
  PasswordChangeRequest change{"u", "old", "new", true, WireConnectMode::SysOper, "o", "m", "p"};
  PrepareReply prepare{9, 1, 4, {"X", "Y"}, {{"A", 2, 22, 9, 0, false}, {"B", 12, 7, 0, 0, true}}};
  ExecuteRequest execute{5,    3,  1,
                         true, 25, {{":x", false, 30, EveryKind()}, {"Y", true, 4000, {}}}};
  execute.binds.back().declaredType = 96;
  execute.binds.push_back(WireBind::Table("t", 50, EveryKind(), 200));
  execute.binds.push_back(WireBind::RefCursor("c"));
  ExecuteReply executeReply{
      2,      {EveryKind(), {}}, {1, "ORA-00001: unique constraint (A.B) violated", 0},
      "warn", {EveryKind(), {}}, 17,
      true,   {0, 4000000000u},  "AAAAECAABAAAAgiAAA"};
  FetchReply fetchReply{{EveryKind(), {WireValue::Text("")}}, 99, false};
  return {
      MakeSample("Hello", HelloRequest{}),
      MakeSample("HelloReply", HelloReply{1, "Oracle Database 19c"}),
      MakeSample("Break", BreakRequest{kProtocolMagic, 1, 12, 0x0102030405060708ULL}),
      MakeSample("Logon", logon),
      MakeSample("LogonReply", logonReply),
      MakeSample("PasswordChange", change),
      MakeSample("VersionReply", VersionReply{"banner"}),
      MakeSample("Prepare", PrepareRequest{"select * from dual"}),
      MakeSample("PrepareReply", prepare),
      MakeSample("Describe", DescribeRequest{4}),
      MakeSample("DescribeReply", DescribeReply{prepare.columns}),
      MakeSample("Execute", execute),
      MakeSample("ExecuteReply", executeReply),
      MakeSample("Fetch", FetchRequest{3, 500}),
      MakeSample("FetchReply", fetchReply),
      MakeSample("CloseCursor", CloseCursorRequest{3}),
      MakeSample("Error", ErrorReply{{942, "ORA-00942: table or view does not exist", 14}}),
  };
}

class MessageSample : public testing::TestWithParam<Sample> {};

TEST_P(MessageSample, ReadsBackExactlyAsWritten) {
  const Sample& sample = GetParam();
  Frame again = sample.reencode(sample.frame);
  EXPECT_EQ(again.type, sample.frame.type);
  EXPECT_EQ(again.body, sample.frame.body)
      << sample.name << " changed on its way through the codec";
}

TEST_P(MessageSample, IsRefusedWhenCutShortAnywhere) {
  const Sample& sample = GetParam();
  for (std::size_t length = 0; length < sample.frame.body.size(); ++length) {
    Frame cut{sample.frame.type, std::vector<std::uint8_t>(sample.frame.body.begin(),
                                                           sample.frame.body.begin() + length)};
    EXPECT_THROW(sample.reencode(cut), ProtocolError)
        << sample.name << " cut to " << length << " of " << sample.frame.body.size()
        << " bytes was accepted";
  }
}

TEST_P(MessageSample, IsRefusedWithASurplusByte) {
  const Sample& sample = GetParam();
  Frame longer = sample.frame;
  longer.body.push_back(0);
  EXPECT_THROW(sample.reencode(longer), ProtocolError) << sample.name;
}

TEST_P(MessageSample, IsRefusedUnderAnotherType) {
  const Sample& sample = GetParam();
  Frame other = sample.frame;
  other.type = other.type == MessageType::Ping ? MessageType::Commit : MessageType::Ping;
  EXPECT_THROW(sample.reencode(other), ProtocolError) << sample.name;
}

INSTANTIATE_TEST_SUITE_P(EveryMessage, MessageSample, testing::ValuesIn(Samples()),
                         [](const testing::TestParamInfo<Sample>& info) {
                           return info.param.name;
                         });

TEST(Messages, ExecuteRequestKeepsEveryValueKind) {
  ExecuteRequest request{5, 3, 1, true, 25, {{":x", false, 30, EveryKind()}}};
  ExecuteRequest back = FromFrame<ExecuteRequest>(ToFrame(request));
  ASSERT_EQ(back.binds.size(), 1u);
  EXPECT_EQ(back.binds[0], request.binds[0]);
  EXPECT_EQ(back.iterations, 3u);
  EXPECT_EQ(back.rowOffset, 1u);
  EXPECT_TRUE(back.commitOnSuccess);
  EXPECT_EQ(back.prefetchRows, 25u);
}

TEST(Messages, TableAndCursorBindsKeepTheirForm) {
  ExecuteRequest request;
  request.binds = {WireBind::Table("t", 7, {WireValue::Number("1")}, 30), WireBind::RefCursor("c")};
  request.binds[0].declaredType = 2;
  ExecuteRequest back = FromFrame<ExecuteRequest>(ToFrame(request));
  ASSERT_EQ(back.binds.size(), 2u);
  EXPECT_EQ(back.binds[0].form, WireBindForm::Table);
  EXPECT_EQ(back.binds[0].maxElements, 7);
  EXPECT_EQ(back.binds[0].maxLength, 30);
  EXPECT_EQ(back.binds[0].declaredType, 2);
  EXPECT_EQ(back.binds[1].form, WireBindForm::RefCursor);
  EXPECT_TRUE(back.binds[1].out);
}

TEST(Messages, ExecuteReplyCarriesTheRowidOfTheLastRowTouched) {
  ExecuteReply reply;
  reply.rowsProcessed = 1;
  reply.rowid = "AAAAECAAEAAAAAAAAB";
  EXPECT_EQ(FromFrame<ExecuteReply>(ToFrame(reply)).rowid, reply.rowid);
  reply.rowid.clear();
  EXPECT_EQ(FromFrame<ExecuteReply>(ToFrame(reply)).rowid, "") << "no row touched";
}

// The first execution of a text parses it in the same round trip: the request carries the
// text instead of a cursor, the reply what a Prepare would have answered.
TEST(Messages, AnExecuteCarriesItsTextAndItsReplyTheParse) {
  ExecuteRequest request;
  request.sql = "begin dbms_pipe.pack_message(:m); end;";
  request.binds = {{"M", false, 30, {WireValue::Text("x")}}};
  ExecuteRequest back = FromFrame<ExecuteRequest>(ToFrame(request));
  EXPECT_EQ(back.cursor, 0u);
  EXPECT_EQ(back.sql, request.sql);
  EXPECT_EQ(back.binds, request.binds);

  ExecuteReply reply;
  EXPECT_FALSE(FromFrame<ExecuteReply>(ToFrame(reply)).prepared) << "an execute of a cursor";
  reply.prepared = true;
  reply.statement = PrepareReply{12, 8, 47, {"M"}, {}};
  ExecuteReply parsed = FromFrame<ExecuteReply>(ToFrame(reply));
  ASSERT_TRUE(parsed.prepared);
  EXPECT_EQ(parsed.statement.cursor, 12u);
  EXPECT_EQ(parsed.statement.statementType, 8);
  EXPECT_EQ(parsed.statement.sqlFunctionCode, 47);
  EXPECT_EQ(parsed.statement.bindNames, std::vector<std::string>{"M"});
}

// Frames held go out in one send with the next frame written, and the reading side knows
// when a whole frame is waiting behind the one it read.
TEST(FrameChannels, HeldFramesTravelWithTheNextWrite) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  FrameChannel writer{Socket(ends[0])};
  FrameChannel reader{Socket(ends[1])};
  writer.Hold(ToFrame(CloseCursorRequest{7}));
  writer.Hold(ToFrame(CloseCursorRequest{8}));
  pollfd waiting{ends[1], POLLIN, 0};
  EXPECT_EQ(poll(&waiting, 1, 0), 0) << "nothing is sent while frames are only held";
  const Frame call{MessageType::Ping, {}};
  ASSERT_TRUE(writer.Write(call));

  std::vector<std::uint32_t> closed;
  for (int i = 0; i < 2; ++i) {
    FrameChannel::ReadResult read = reader.Read();
    ASSERT_EQ(read.status, FrameChannel::ReadStatus::Frame);
    closed.push_back(FromFrame<CloseCursorRequest>(read.frame).cursor);
    EXPECT_TRUE(reader.HasWholeFrame()) << "the rest arrived in the same send";
  }
  EXPECT_EQ(closed, (std::vector<std::uint32_t>{7, 8}));
  FrameChannel::ReadResult last = reader.Read();
  ASSERT_EQ(last.status, FrameChannel::ReadStatus::Frame);
  EXPECT_EQ(last.frame.type, call.type);
  EXPECT_FALSE(reader.HasWholeFrame());
}

// A frame larger than the socket takes at once goes out in many sends, each of which may end
// inside the held frames, the header or the body; the reader must still get every byte once.
TEST(FrameChannels, AFrameLargerThanTheSocketBufferArrivesWholeBehindTheHeldFrames) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  const int small = 4096;
  setsockopt(ends[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  FrameChannel writer{Socket(ends[0])};
  FrameChannel reader{Socket(ends[1])};
  Frame large{MessageType::FetchReply, std::vector<std::uint8_t>(3 * 1024 * 1024 + 7)};
  for (std::size_t i = 0; i < large.body.size(); ++i)
    large.body[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  writer.Hold(ToFrame(CloseCursorRequest{7}));
  writer.Hold(ToFrame(CloseCursorRequest{8}));
  bool written = false;
  std::thread sending([&] { written = writer.Write(large); });

  std::vector<std::uint32_t> closed;
  for (int i = 0; i < 2; ++i) {
    FrameChannel::ReadResult read = reader.Read();
    ASSERT_EQ(read.status, FrameChannel::ReadStatus::Frame);
    closed.push_back(FromFrame<CloseCursorRequest>(read.frame).cursor);
  }
  FrameChannel::ReadResult last = reader.Read();
  sending.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(closed, (std::vector<std::uint32_t>{7, 8}));
  ASSERT_EQ(last.status, FrameChannel::ReadStatus::Frame);
  EXPECT_EQ(last.frame.type, large.type);
  EXPECT_TRUE(last.frame.body == large.body)
      << "the large body arrived changed (" << last.frame.body.size() << " of " << large.body.size()
      << " bytes)";
  EXPECT_FALSE(reader.HasWholeFrame());
}

TEST(Messages, RefusesAnUnknownBindForm) {
  ExecuteRequest request;
  request.binds = {WireBind::RefCursor("c")};
  Frame frame = ToFrame(request);
  // The form is the byte before the last two i32 fields and the (empty) text.
  frame.body[frame.body.size() - 13] = 3;
  EXPECT_THROW(FromFrame<ExecuteRequest>(frame), ProtocolError);
}

// A body whose count field claims more items than the body could hold is refused before
// anything is allocated for them.
TEST(Messages, RefusesCountsLargerThanTheBody) {
  PayloadWriter writer;
  writer.U32(0xFFFFFFFF);  // rows
  Frame frame{MessageType::FetchReply, writer.Take()};
  EXPECT_THROW(FromFrame<FetchReply>(frame), ProtocolError);

  PayloadWriter text;
  text.U32(0x7FFFFFFF);  // a text length with no text behind it
  EXPECT_THROW(FromFrame<PrepareRequest>(Frame{MessageType::Prepare, text.Take()}), ProtocolError);
}

struct BadField {
  const char* description;
  std::function<Frame()> make;
};

void PrintTo(const BadField& field, std::ostream* out) { *out << field.description; }

class MessagesBadField : public testing::TestWithParam<BadField> {};

TEST_P(MessagesBadField, IsRefused) {
  EXPECT_THROW(FromFrame<FetchReply>(GetParam().make()), ProtocolError) << GetParam().description;
}

INSTANTIATE_TEST_SUITE_P(Cases, MessagesBadField,
                         testing::Values(BadField{"unknown value kind",
                                                  [] {
                                                    PayloadWriter w;
                                                    w.U32(1);  // one row
                                                    w.U32(1);  // one value
                                                    w.U8(9);   // no such kind
                                                    w.U64(0);
                                                    w.U8(0);
                                                    return Frame{MessageType::FetchReply, w.Take()};
                                                  }},
                                         BadField{"boolean that is neither 0 nor 1", [] {
                                                    PayloadWriter w;
                                                    w.U32(0);
                                                    w.U64(0);
                                                    w.U8(2);
                                                    return Frame{MessageType::FetchReply, w.Take()};
                                                  }}));

TEST(Messages, RefusesAnUnknownConnectMode) {
  LogonRequest logon{"u", "p", WireConnectMode::Normal, "", "", ""};
  Frame frame = ToFrame(logon);
  // The mode byte follows the two texts "u" and "p" (4-byte length each).
  std::size_t modeOffset = 4 + 1 + 4 + 1;
  ASSERT_EQ(frame.body[modeOffset], 0);
  frame.body[modeOffset] = 3;
  EXPECT_THROW(FromFrame<LogonRequest>(frame), ProtocolError);
}

}  // namespace
