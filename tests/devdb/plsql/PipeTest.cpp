// DBMS_PIPE between sessions on threads of one process: every item type and its
// NEXT_ITEM_TYPE code, the buffer's errors, timeouts, a full pipe, explicit and private pipes,
// and waits that end on a message, on a kill, on a break and on shutdown.
#include <gtest/gtest.h>

#include <future>

#include "PlsqlFixture.h"

namespace devdb::plsql::testing {
namespace {

class PipeTest : public PlsqlFixture {
 protected:
  void SetUp() override {
    PlsqlFixture::SetUp();
    CreateUser("app", "app");
    sender_ = Connect("app", "app");
    receiver_ = Connect("app", "app");
  }
  void TearDown() override {
    sender_.reset();
    receiver_.reset();
    PlsqlFixture::TearDown();
  }
  static int ErrorCode(Connection& connection, const std::string& block) {
    std::vector<BlockBind> binds{OutBind("r")};
    try {
      connection.Run(block, binds);
    } catch (const sql::SqlError& error) {
      return error.Code();
    }
    return 0;
  }
  std::unique_ptr<Connection> sender_;
  std::unique_ptr<Connection> receiver_;
};

TEST_F(PipeTest, EveryItemTypeTravelsWithItsCode) {
  EXPECT_EQ(
      Result(*sender_,
             "begin\n"
             "  dbms_pipe.pack_message(42.5);\n"
             "  dbms_pipe.pack_message('text');\n"
             "  dbms_pipe.pack_message(to_date('2024-05-06 07:08:09', 'YYYY-MM-DD HH24:MI:SS'));\n"
             "  dbms_pipe.pack_message_raw(hextoraw('0A0B'));\n"
             "  dbms_pipe.pack_message_rowid('AAAAB0AABAAAAAKAAA');\n"
             "  :r := dbms_pipe.send_message('Items');\n"
             "end;"),
      "0");
  EXPECT_EQ(
      Result(
          *receiver_,
          "declare\n"
          "  n number; s varchar2(100); d date; w raw(10); rid varchar2(18); codes varchar2(100);\n"
          "begin\n"
          "  if dbms_pipe.receive_message('ITEMS', 0) <> 0 then raise no_data_found; end if;\n"
          "  codes := dbms_pipe.next_item_type; dbms_pipe.unpack_message(n);\n"
          "  codes := codes || ',' || dbms_pipe.next_item_type; dbms_pipe.unpack_message(s);\n"
          "  codes := codes || ',' || dbms_pipe.next_item_type; dbms_pipe.unpack_message(d);\n"
          "  codes := codes || ',' || dbms_pipe.next_item_type; dbms_pipe.unpack_message_raw(w);\n"
          "  codes := codes || ',' || dbms_pipe.next_item_type; "
          "dbms_pipe.unpack_message_rowid(rid);\n"
          "  codes := codes || ',' || dbms_pipe.next_item_type;\n"
          "  :r := codes || ' ' || n || ' ' || s || ' ' || to_char(d, 'YYYY-MM-DD HH24:MI:SS') || "
          "' ' || rawtohex(w) || ' ' || rid;\n"
          "end;"),
      "6,9,12,23,11,0 42.5 text 2024-05-06 07:08:09 0A0B AAAAB0AABAAAAAKAAA");
}

TEST_F(PipeTest, BufferErrors) {
  const std::pair<const char*, int> cases[] = {
      {"declare s varchar2(10); begin dbms_pipe.reset_buffer; dbms_pipe.unpack_message(s); end;",
       6556},
      {"declare n number; begin dbms_pipe.pack_message('x'); :r := dbms_pipe.send_message('t1');"
       " :r := dbms_pipe.receive_message('t1', 0); dbms_pipe.unpack_message(n); end;",
       6559},
      {"begin dbms_pipe.reset_buffer; for i in 1..5 loop dbms_pipe.pack_message(rpad('x', 1000, "
       "'x')); end loop; end;",
       6558},
      {"begin :r := dbms_pipe.send_message(null); end;", 23321},
  };
  for (const auto& [block, code] : cases) EXPECT_EQ(ErrorCode(*sender_, block), code) << block;
  auto error = sender_->ErrorOf(
      "declare n number; begin dbms_pipe.pack_message('x'); n := dbms_pipe.send_message('t2');"
      " n := dbms_pipe.receive_message('t2', 0); dbms_pipe.unpack_message(n); end;");
  EXPECT_EQ(std::string(error.what())
                .rfind("ORA-06559: wrong datatype requested, 6, actual datatype is 9", 0),
            0u)
      << error.what();
}

TEST_F(PipeTest, TimeoutsAndAFullPipe) {
  // Nothing to receive: status 1 at once, and the buffer reads as empty.
  EXPECT_EQ(Result(*receiver_, "begin :r := dbms_pipe.receive_message('empty', 0); end;"), "1");
  EXPECT_EQ(
      ErrorCode(*receiver_, "declare s varchar2(10); begin dbms_pipe.unpack_message(s); end;"),
      6556);
  EXPECT_EQ(Engine().Pipes().MessageCount("EMPTY"), 0u);

  // Two messages of about 3 KB fit the default 8192 bytes, a third does not.
  const std::string send =
      "begin dbms_pipe.reset_buffer; dbms_pipe.pack_message(rpad('x', 3000, 'x')); :r := "
      "dbms_pipe.send_message('full', 0); end;";
  EXPECT_EQ(Result(*sender_, send), "0");
  EXPECT_EQ(Result(*sender_, send), "0");
  EXPECT_EQ(Result(*sender_, send), "1");
  EXPECT_EQ(Engine().Pipes().MessageCount("FULL"), 2u);
  EXPECT_EQ(
      Result(*sender_,
             "declare s varchar2(4000); begin dbms_pipe.unpack_message(s); :r := length(s); end;"),
      "3000")
      << "a message that was not sent stays in the buffer";
  // A larger maximum enlarges the pipe for good.
  EXPECT_EQ(Result(*sender_,
                   "begin dbms_pipe.reset_buffer; dbms_pipe.pack_message(rpad('x', 3000, 'x')); :r "
                   ":= dbms_pipe.send_message('full', 0, 20000); end;"),
            "0");
  EXPECT_EQ(Result(*sender_, send), "0");
  EXPECT_EQ(Engine().Pipes().MessageCount("FULL"), 4u);

  // Fill the enlarged pipe; then a send waits until a reader makes room.
  int sent = 0;
  while (sent < 10 && Result(*sender_, send) == "0") ++sent;
  ASSERT_LT(sent, 10) << "the pipe never filled";
  size_t before = Engine().Pipes().MessageCount("FULL");
  auto waitingSend = std::async(std::launch::async, [&] {
    return Result(*sender_,
                  "begin dbms_pipe.reset_buffer; dbms_pipe.pack_message(rpad('y', 3000, 'y')); :r "
                  ":= dbms_pipe.send_message('full'); end;");
  });
  Engine().Room().AwaitWaiters(1);
  EXPECT_EQ(Engine().Pipes().MessageCount("FULL"), before) << "the send must wait";
  EXPECT_EQ(Result(*receiver_, "begin :r := dbms_pipe.receive_message('full'); end;"), "0");
  EXPECT_EQ(waitingSend.get(), "0");
  EXPECT_EQ(Engine().Pipes().MessageCount("FULL"), before);

  // PURGE empties the pipe and the caller's buffer.
  sender_->Run("begin dbms_pipe.purge('full'); end;");
  EXPECT_EQ(Engine().Pipes().MessageCount("FULL"), 0u);
}

TEST_F(PipeTest, ReceiveWaitsForTheNextMessage) {
  auto waiting = std::async(std::launch::async, [&] {
    return Result(*receiver_,
                  "declare s varchar2(20); begin :r := dbms_pipe.receive_message('later');"
                  " dbms_pipe.unpack_message(s); :r := :r || s; end;");
  });
  Engine().Room().AwaitWaiters(1);
  Result(*sender_,
         "begin dbms_pipe.pack_message('arrived'); :r := dbms_pipe.send_message('LATER'); end;");
  EXPECT_EQ(waiting.get(), "0arrived");
}

TEST_F(PipeTest, WaitsEndOnKillBreakAndShutdown) {
  const std::string wait = "begin :r := dbms_pipe.receive_message('nothing'); end;";
  // Break: ends the call in progress only.
  auto broken = std::async(std::launch::async, [&] { return ErrorCode(*receiver_, wait); });
  Engine().Room().AwaitWaiters(1);
  receiver_->Procedural().Interrupt(1013);
  EXPECT_EQ(broken.get(), 1013);
  EXPECT_EQ(Result(*receiver_, "begin :r := dbms_pipe.receive_message('nothing', 0); end;"), "1");

  // Kill: ends this call and every later one.
  auto killed = std::async(std::launch::async, [&] { return ErrorCode(*receiver_, wait); });
  receiver_->Procedural().Interrupt(28);
  EXPECT_EQ(killed.get(), 28);
  EXPECT_EQ(ErrorCode(*receiver_, "begin null; end;"), 28);

  // Shutdown: ends every wait.
  auto stopped = std::async(std::launch::async, [&] { return ErrorCode(*sender_, wait); });
  Engine().Room().AwaitWaiters(1);
  Engine().Shutdown();
  EXPECT_EQ(stopped.get(), 1089);
}

TEST_F(PipeTest, ExplicitAndPrivatePipes) {
  CreateUser("scott", "tiger");
  auto scott = Connect("scott", "tiger");
  EXPECT_EQ(Result(*sender_, "begin :r := dbms_pipe.create_pipe('mine'); end;"), "0");
  EXPECT_EQ(Result(*sender_, "begin :r := dbms_pipe.create_pipe('mine'); end;"), "0")
      << "again, by its owner";
  EXPECT_EQ(ErrorCode(*scott, "begin :r := dbms_pipe.receive_message('mine', 0); end;"), 23322);
  EXPECT_EQ(ErrorCode(*scott, "begin :r := dbms_pipe.remove_pipe('mine'); end;"), 23322);
  EXPECT_EQ(Result(*receiver_, "begin :r := dbms_pipe.receive_message('mine', 0); end;"), "1")
      << "same user";
  EXPECT_EQ(Result(*sender_, "begin :r := dbms_pipe.remove_pipe('mine'); end;"), "0");
  EXPECT_EQ(Result(*sender_, "begin :r := dbms_pipe.remove_pipe('mine'); end;"), "0")
      << "gone already";
  EXPECT_EQ(Result(*scott, "begin :r := dbms_pipe.create_pipe('shared', private => false); end;"),
            "0");
  EXPECT_EQ(
      Result(*sender_,
             "begin dbms_pipe.pack_message(1); :r := dbms_pipe.send_message('shared', 0); end;"),
      "0");
  EXPECT_EQ(Engine().Pipes().MessageCount("shared"), 1u);
}

// Each way a pipe's content or size goes away gives its memory back to the budget exactly,
// so that a long-running server does not lose room to its own accounting.
TEST_F(PipeTest, EveryWayOutGivesTheMemoryBackToTheBudget) {
  PipeRegistry& pipes = Engine().Pipes();
  ASSERT_EQ(pipes.BytesInUse(), 0u);
  const std::string send =
      "begin dbms_pipe.reset_buffer; dbms_pipe.pack_message(rpad('x', 3000, 'x')); "
      "dbms_pipe.pack_message(7); :r := dbms_pipe.send_message('Back', 0); end;";
  struct Case {
    const char* description;
    const char* before;  // run by the sender before the message
    const char* after;   // run by the receiver after it
  };
  for (const Case& c : {
           Case{"received", nullptr, "begin :r := dbms_pipe.receive_message('Back', 0); end;"},
           Case{"purged", nullptr, "begin dbms_pipe.purge('Back'); :r := 0; end;"},
           Case{"explicit pipe removed", "begin :r := dbms_pipe.create_pipe('Back', 50000); end;",
                "begin :r := dbms_pipe.remove_pipe('Back'); end;"},
           Case{"receive that timed out", nullptr,
                "begin :r := dbms_pipe.receive_message('Back', 0); "
                ":r := dbms_pipe.receive_message('Back', 0); end;"},
       }) {
    if (c.before) Result(*sender_, c.before);
    EXPECT_EQ(Result(*sender_, send), "0") << c.description;
    EXPECT_GT(pipes.BytesInUse(), 3000u) << c.description;
    Result(*receiver_, c.after);
    EXPECT_EQ(pipes.BytesInUse(), 0u) << c.description;
  }

  // A pipe that keeps a message keeps only that message's memory.
  EXPECT_EQ(Result(*sender_, send), "0");
  const std::size_t one = pipes.BytesInUse();
  EXPECT_EQ(Result(*sender_, send), "0");
  EXPECT_GT(pipes.BytesInUse(), one + 3000);
  EXPECT_EQ(Result(*receiver_, "begin :r := dbms_pipe.receive_message('Back', 0); end;"), "0");
  EXPECT_EQ(pipes.BytesInUse(), one);
  Result(*receiver_, "begin dbms_pipe.purge('Back'); :r := 0; end;");
  EXPECT_EQ(pipes.BytesInUse(), 0u);

  // An explicit pipe keeps its size while it is empty; a refused send takes nothing.
  Result(*sender_, "begin :r := dbms_pipe.create_pipe('Kept', 50000); end;");
  const std::size_t kept = pipes.BytesInUse();
  EXPECT_GE(kept, 50000u);
  pipes.SetBudget(kept + 1000);
  EXPECT_EQ(ErrorCode(*sender_, send), 6558);
  EXPECT_EQ(ErrorCode(*sender_, "begin :r := dbms_pipe.create_pipe('Other'); end;"), 6558);
  EXPECT_EQ(pipes.BytesInUse(), kept);
  EXPECT_EQ(Engine().Pipes().MessageCount("Back"), 0u);
  EXPECT_EQ(Result(*sender_,
                   "declare s varchar2(4000); begin dbms_pipe.unpack_message(s); :r := length(s); "
                   "end;"),
            "3000")
      << "the refused message stays in the buffer";
}

TEST_F(PipeTest, UniqueSessionNameIsStableAndDiffersBetweenSessions) {
  const std::string block = "begin :r := dbms_pipe.unique_session_name; end;";
  std::string first = Result(*sender_, block);
  EXPECT_EQ(Result(*sender_, block), first);
  EXPECT_NE(Result(*receiver_, block), first);
  EXPECT_EQ(first.size(), 21u);
  EXPECT_EQ(first.rfind("ORA$PIPE$", 0), 0u);
  EXPECT_EQ(first.substr(9), Result(*sender_, "begin :r := dbms_session.unique_session_id; end;"));
}

}  // namespace
}  // namespace devdb::plsql::testing
