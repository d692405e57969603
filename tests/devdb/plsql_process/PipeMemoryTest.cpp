// The memory all pipes of a devdb process share, on a server started with a small budget:
// past it a send or CREATE_PIPE of any session fails with ORA-06558 and the server carries
// on; receiving, purging and removing give the room back; an explicit pipe keeps its size.
#include <gtest/gtest.h>

#include <optional>

#include "PlsqlProcessTest.h"

namespace devdb::testing {
namespace {

using protocol::WireValue;

constexpr const char* kBudgetFull =
    "ORA-06558: buffer in dbms_pipe package is full. No more items allowed";
// A budget holds at most this many messages of kLength characters.
constexpr int kLength = 4000;
constexpr int kMostMessages = 64 * 1024 / kLength;

class PipeMemoryTest : public PlsqlProcessTest {
 protected:
  void SetUp() override {
    Start({"--memory", "--pipe-memory", "64K"});
    CreateUser("APP", "app");
    CreateUser("OTHER", "other");
  }
  // The status of a block that ends in ":r := ..."; throws the server's error.
  static std::string Status(TestClient& client, const std::string& block) {
    return Block(client, block, {Variable("r", kInteger)})["r"].text;
  }
  // Sends a fresh message of length characters without waiting.
  static std::string Send(TestClient& client, const std::string& pipe, int length = kLength) {
    return Status(client, "begin dbms_pipe.reset_buffer; dbms_pipe.pack_message(rpad('x', " +
                              std::to_string(length) + ", 'x')); :r := dbms_pipe.send_message('" +
                              pipe + "', 0); end;");
  }
  static std::string Receive(TestClient& client, const std::string& pipe) {
    return Status(client, "begin :r := dbms_pipe.receive_message('" + pipe + "', 0); end;");
  }
  // The pipe FillBudget sends its message number index to: two messages to each pipe, so
  // that receiving one leaves the pipe with the other.
  static std::string Fill(int index) { return "FILL" + std::to_string(index / 2); }
  // Sends messages until the budget refuses one; returns how many went, and expects the
  // refusal to be ORA-06558.
  static int FillBudget(TestClient& client) {
    for (int sent = 0; sent <= kMostMessages; ++sent) {
      auto error = ErrorOf([&] { EXPECT_EQ(Send(client, Fill(sent)), "0"); });
      if (!error) continue;
      EXPECT_EQ(error->Code(), 6558) << error->what();
      EXPECT_EQ(std::string(error->what()).substr(0, std::string(kBudgetFull).size()), kBudgetFull);
      return sent;
    }
    ADD_FAILURE() << "more than " << kMostMessages << " messages of " << kLength
                  << " characters fitted a budget of 64 KiB";
    return kMostMessages;
  }
  // Receives every message of the first count FillBudget sent.
  static void Empty(TestClient& client, int count) {
    for (int index = 0; index < count; index += 2)
      while (Receive(client, Fill(index)) == "0") {
      }
  }
  static std::optional<int> ErrorCodeOf(const std::function<void()>& call) {
    auto error = ErrorOf(call);
    return error ? std::optional<int>(error->Code()) : std::nullopt;
  }
};

TEST_F(PipeMemoryTest, AFullBudgetRefusesEverySessionUntilMessagesAreTaken) {
  auto app = App();
  const int sent = FillBudget(*app);
  ASSERT_GT(sent, 4) << "the budget took hardly anything";

  // The refused message is still in the sender's buffer.
  EXPECT_EQ(Status(*app,
                   "declare s varchar2(4000); begin dbms_pipe.unpack_message(s); "
                   ":r := length(s); end;"),
            std::to_string(kLength));

  // Another user's session shares the budget: its sends and CREATE_PIPE fail too, and the
  // server goes on answering.
  auto other = LogOnAs("OTHER", "other");
  EXPECT_EQ(ErrorCodeOf([&] { Send(*other, "THEIRS"); }), 6558);
  EXPECT_EQ(ErrorCodeOf([&] {
              Status(*other, "begin :r := dbms_pipe.create_pipe('THEIRS_EXPLICIT'); end;");
            }),
            6558);
  EXPECT_EQ(other->Scalar("select 1 from dual"), "1");

  // Receiving one message makes room for one more, whoever sends it.
  EXPECT_EQ(Receive(*other, Fill(0)), "0");
  EXPECT_EQ(Send(*other, "THEIRS"), "0");
  EXPECT_EQ(ErrorCodeOf([&] { Send(*app, Fill(0)); }), 6558);

  // So does a purge.
  other->Run("begin dbms_pipe.purge('" + Fill(2) + "'); end;");
  EXPECT_EQ(Send(*app, Fill(2)), "0");
  EXPECT_EQ(Send(*app, Fill(2)), "0");

  // Taking every message gives all of it back.
  EXPECT_EQ(Receive(*other, "THEIRS"), "0");
  Empty(*app, sent);
  EXPECT_EQ(FillBudget(*app), sent) << "the budget did not come back whole";
}

TEST_F(PipeMemoryTest, AFullPipeStillWaitsItsTimeoutWithinTheBudget) {
  auto app = App();
  // Two messages of 3000 characters fill a pipe of 8192 bytes; the third send times out,
  // although the budget has room.
  EXPECT_EQ(Send(*app, "SMALL", 3000), "0");
  EXPECT_EQ(Send(*app, "SMALL", 3000), "0");
  EXPECT_EQ(Send(*app, "SMALL", 3000), "1");
  // And it still times out once the budget is full, rather than failing.
  FillBudget(*app);
  EXPECT_EQ(Send(*app, "SMALL", 3000), "1");
}

TEST_F(PipeMemoryTest, AnExplicitPipeHoldsItsSizeUntilRemoved) {
  auto app = App();
  const int alone = FillBudget(*app);
  Empty(*app, alone);

  // A pipe larger than the whole budget cannot be made, nor enlarged to that size.
  EXPECT_EQ(ErrorCodeOf(
                [&] { Status(*app, "begin :r := dbms_pipe.create_pipe('HUGE', 1000000); end;"); }),
            6558);
  auto other = LogOnAs("OTHER", "other");
  EXPECT_EQ(Status(*other, "begin :r := dbms_pipe.create_pipe('RESERVED', 24000, false); end;"),
            "0");
  EXPECT_EQ(ErrorCodeOf([&] {
              Status(*app,
                     "begin dbms_pipe.pack_message('x'); "
                     ":r := dbms_pipe.send_message('RESERVED', 0, 1000000); end;");
            }),
            6558);

  // What it keeps is missing for everybody else...
  const int beside = FillBudget(*app);
  EXPECT_LT(beside, alone - 4) << "the explicit pipe's 24000 bytes were not kept";
  // ...and its own messages fit in it nevertheless.
  EXPECT_EQ(Send(*app, "RESERVED"), "0");
  EXPECT_EQ(Send(*app, "RESERVED"), "0");

  EXPECT_EQ(Status(*other, "begin :r := dbms_pipe.remove_pipe('RESERVED'); end;"), "0");
  EXPECT_EQ(Send(*app, Fill(beside + 2)), "0");
}

}  // namespace
}  // namespace devdb::testing
