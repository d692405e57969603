// The program's server package installed from its resource text, unchanged, and driven by
// the monitor's own blocks (client info marker, pipe receive and unpack, alert register, wait
// and remove, stop messages) from sessions on threads of one process.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "PlsqlFixture.h"
#include "devdb/plsql/ScriptSplitter.h"

namespace devdb::plsql::testing {
namespace {

// The monitor joins its statement lines with CR LF.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

struct Item {
  int type = 0;
  sql::Value value;
};

class VekDebugTest : public PlsqlFixture {
 protected:
  void SetUp() override {
    PlsqlFixture::SetUp();
    CreateUser("app", "app");
    GrantPackageOwnerPrivileges("app");
    installer_ = Connect("app", "app");
    for (const auto& statement : ScriptSplitter::Split(PackageResource())) {
      EXPECT_EQ(installer_->Run(statement.text), "") << statement.text;
    }
  }
  void TearDown() override {
    installer_.reset();
    PlsqlFixture::TearDown();
  }

  // The arming step of the monitor's main session for schema S.
  void SetClientInfo(Connection& session, const std::string& text) {
    std::vector<BlockBind> binds{InBind("client_info", sql::Value::Text(text))};
    session.Run(
        Lines({"begin", "  sys.dbms_application_info.set_client_info(client_info => :client_info);",
               "end;"}),
        binds);
  }
  void SignalEnable(Connection& session, const std::string& schema) {
    session.Run("begin dbms_alert.signal('VEK_DEBUG#" + schema + "', 'ENABLE');end;");
    session.Commit();
  }
  void Print(Connection& session, const std::string& text) {
    session.Run("begin Vek_Debug.PRINT('" + text + "'); end;");
  }

  // The pipe listener's wait; returns the status.
  int Receive(Connection& listener, const std::string& pipe, int timeout) {
    std::vector<BlockBind> binds{OutBind("status", PlType::Number),
                                 InBind("pipename", sql::Value::Text(pipe)),
                                 InBind("timeout", sql::Value::Text(std::to_string(timeout)))};
    listener.Run(Lines({"begin", "  :status := sys.dbms_pipe.receive_message(:pipename, :timeout);",
                        "end;"}),
                 binds);
    return std::stoi(binds[0].values.at(0).text);
  }
  // The pipe listener's unpacking, one call per item until a type it does not take.
  std::vector<Item> Unpack(Connection& listener) {
    const std::string block =
        Lines({"begin", "  :item_type := sys.dbms_pipe.next_item_type;", "  if :item_type = 6 then",
               "    sys.dbms_pipe.unpack_message(:number_item);", "  end if;",
               "  if :item_type = 9 then", "    sys.dbms_pipe.unpack_message(:varchar2_item);",
               "  end if;", "  if :item_type = 11 then",
               "    sys.dbms_pipe.unpack_message_rowid(:varchar2_item);", "  end if;",
               "  if :item_type = 23 then", "    sys.dbms_pipe.unpack_message_raw(:varchar2_item);",
               "  end if;", "  if :item_type = 12 then",
               "    sys.dbms_pipe.unpack_message(:date_item);", "  end if;", "end;"});
    std::vector<BlockBind> binds{
        OutBind("item_type", PlType::Number), OutBind("number_item", PlType::Number),
        OutBind("varchar2_item", PlType::Text), OutBind("date_item", PlType::Date)};
    std::vector<Item> items;
    for (;;) {
      listener.Run(block, binds);
      int type = std::stoi(binds[0].values.at(0).text);
      int slot = type == 6 ? 1 : (type == 9 || type == 11 || type == 23) ? 2 : type == 12 ? 3 : 0;
      if (slot == 0) return items;
      items.push_back({type, binds[static_cast<size_t>(slot)].values.at(0)});
    }
  }
  std::string UniqueSessionId(Connection& session) {
    std::vector<BlockBind> binds{OutBind("unique_session_id", PlType::Text)};
    session.Run(
        Lines({"begin", "  :unique_session_id := sys.dbms_session.unique_session_id;", "end;"}),
        binds);
    return binds[0].values.at(0).text;
  }
  void RegisterAlerts(Connection& listener, const std::string& name, const std::string& uniqueId) {
    listener.Run("begin\r\n  sys.dbms_alert.register('" + name +
                 "');\r\n  sys.dbms_alert.register('" + uniqueId + "');\r\nend;\r\n");
  }
  struct Alert {
    int status = -1;
    std::string name;
    std::string message;
  };
  Alert WaitAny(Connection& listener) {
    std::vector<BlockBind> binds{OutBind("status", PlType::Number), OutBind("name", PlType::Text),
                                 OutBind("message", PlType::Text)};
    listener.Run(Lines({"begin", "  sys.dbms_alert.waitany(:name, :message, :status);", "end;"}),
                 binds);
    Alert alert;
    alert.status = std::stoi(binds[0].values.at(0).text);
    alert.name = binds[1].values.empty() ? "" : Text(binds[1].values[0]);
    alert.message = binds[2].values.empty() ? "" : Text(binds[2].values[0]);
    return alert;
  }

  std::unique_ptr<Connection> installer_;
};

TEST_F(VekDebugTest, InstallsUnchangedAndIsReachableThroughThePublicSynonym) {
  auto statements = ScriptSplitter::Split(PackageResource());
  ASSERT_EQ(statements.size(), 4u) << "package, body, grant, synonym";
  auto body = Engine().Catalogue().Find("APP", "VEK_DEBUG", Unit::Kind::PackageBody);
  ASSERT_NE(body, nullptr);
  EXPECT_TRUE(body->errors.empty()) << body->errors;
  EXPECT_TRUE(Engine().Catalogue().CanExecute("APP", "VEK_DEBUG", "SCOTT"));
  auto synonym = Engine().Catalogue().Synonym("VEK_DEBUG");
  ASSERT_TRUE(synonym.has_value());
  EXPECT_EQ(synonym->first, "APP");

  // Another user calls it without a schema; nobody listens, so nothing is sent.
  CreateUser("scott", "tiger");
  auto scott = Connect("scott", "tiger");
  Print(*scott, "quiet");
  EXPECT_EQ(Engine().Pipes().MessageCount("VEK_DEBUG#SCOTT"), 0u);
}

TEST_F(VekDebugTest, ArmedMonitorReceivesThreeItemMessages) {
  auto monitor = Connect("app", "app");
  auto listener = Connect("app", "app");
  SetClientInfo(*monitor, "VEKDEBUGSESSION#APP");
  auto sender = Connect("app", "app");
  Print(*sender, "first");
  Print(*sender, "second");

  for (const char* expected : {"first", "second"}) {
    ASSERT_EQ(Receive(*listener, "VEK_DEBUG#APP", 5), 0);
    auto items = Unpack(*listener);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].type, 12) << "the server date comes first";
    EXPECT_EQ(items[0].value.kind, sql::Value::Kind::Date);
    EXPECT_EQ(items[1].type, 9);
    EXPECT_EQ(Text(items[1].value), "APP");
    EXPECT_EQ(Text(items[2].value), expected);
  }
}

TEST_F(VekDebugTest, SenderStartedBeforeTheMarkerStaysSilentUntilEnable) {
  auto sender = Connect("app", "app");
  Print(*sender, "before");
  EXPECT_EQ(Engine().Pipes().MessageCount("VEK_DEBUG#APP"), 0u);

  auto monitor = Connect("app", "app");
  SetClientInfo(*monitor, "VEKDEBUGSESSION#APP");
  Print(*sender, "still before enable");
  EXPECT_EQ(Engine().Pipes().MessageCount("VEK_DEBUG#APP"), 0u)
      << "the marker alone does not wake a started sender";

  SignalEnable(*monitor, "APP");
  Print(*sender, "after");
  auto listener = Connect("app", "app");
  ASSERT_EQ(Receive(*listener, "VEK_DEBUG#APP", 5), 0);
  auto items = Unpack(*listener);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(Text(items[2].value), "after");
  EXPECT_EQ(Engine().Pipes().MessageCount("VEK_DEBUG#APP"), 0u);
}

TEST_F(VekDebugTest, FullPipeIsPurgedAndLeavesOnlyTheNoticeWithTheSendersName) {
  auto monitor = Connect("app", "app");
  SetClientInfo(*monitor, "VEKDEBUGSESSION#APP");
  auto sender = Connect("app", "app");
  std::vector<BlockBind> nameBind{OutBind("name", PlType::Text)};
  sender->Run("begin :name := dbms_pipe.unique_session_name; end;", nameBind);
  const std::string senderName = nameBind[0].values.at(0).text;

  // Nobody reads: the pipe fills until one PRINT times out after its second and purges.
  size_t previous = 0;
  bool purged = false;
  for (int call = 0; call < 2000 && !purged; ++call) {
    Print(*sender, "message number " + std::to_string(call));
    size_t count = Engine().Pipes().MessageCount("VEK_DEBUG#APP");
    purged = count < previous;
    previous = count;
  }
  ASSERT_TRUE(purged) << "the pipe never filled";
  EXPECT_EQ(Engine().Pipes().MessageCount("VEK_DEBUG#APP"), 1u);

  auto listener = Connect("app", "app");
  ASSERT_EQ(Receive(*listener, "VEK_DEBUG#APP", 5), 0);
  auto items = Unpack(*listener);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(Text(items[2].value),
            "** Message queue purged AND debugging disabled FOR process " + senderName);
  EXPECT_EQ(senderName.rfind("ORA$PIPE$", 0), 0u);

  // The sender is silent now until the next ENABLE.
  Print(*sender, "silenced");
  EXPECT_EQ(Engine().Pipes().MessageCount("VEK_DEBUG#APP"), 0u);
  SignalEnable(*monitor, "APP");
  Print(*sender, "resumed");
  EXPECT_EQ(Engine().Pipes().MessageCount("VEK_DEBUG#APP"), 1u);
}

TEST_F(VekDebugTest, SecondSendersStartedReachesTheAlertListener) {
  auto monitor = Connect("app", "app");
  SetClientInfo(*monitor, "VEKDEBUGSESSION#APP");
  auto alertListener = Connect("app", "app");
  std::string uniqueId = UniqueSessionId(*alertListener);
  for (auto& c : uniqueId) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  RegisterAlerts(*alertListener, "VEK_DEBUG#APP", uniqueId);

  auto waiting = std::async(std::launch::async, [&] { return WaitAny(*alertListener); });
  auto secondSender = Connect("app", "app");
  Print(*secondSender, "hello");  // first use: INITIALIZE signals STARTED and commits
  Alert alert = waiting.get();
  EXPECT_EQ(alert.status, 0);
  EXPECT_EQ(alert.name, "VEK_DEBUG#APP");
  EXPECT_EQ(alert.message, "STARTED");

  // The monitor answers with ENABLE; the listener sees it as the latest message.
  SignalEnable(*monitor, "APP");
  alert = WaitAny(*alertListener);
  EXPECT_EQ(alert.message, "ENABLE");

  // Stop: the private alert wakes the wait, then the remove block undoes the registrations.
  auto stopping = std::async(std::launch::async, [&] { return WaitAny(*alertListener); });
  auto stopSession = Connect("app", "app");
  stopSession->Run(Lines({"begin", ("  sys.dbms_alert.signal('" + uniqueId + "', Null);").c_str(),
                          "  commit;", "end;"}));
  alert = stopping.get();
  EXPECT_EQ(alert.status, 0);
  EXPECT_EQ(alert.name, uniqueId);
  EXPECT_EQ(alert.message, "<null>");
  alertListener->Run(
      "begin\r\n  sys.dbms_alert.remove('VEK_DEBUG#APP');\r\n  sys.dbms_alert.remove('" + uniqueId +
      "');\r\nend;\r\n");
  EXPECT_EQ(Engine().Alerts().RegistrationCount(alertListener->Procedural().Key()), 0u);
}

TEST_F(VekDebugTest, ListenerUnpacksNumberRawAndRowidItems) {
  auto sender = Connect("app", "app");
  sender->Run(
      "declare s integer; begin dbms_pipe.pack_message(2.5); "
      "dbms_pipe.pack_message_raw(hextoraw('C0FFEE'));"
      " dbms_pipe.pack_message_rowid('AAAAB0AABAAAAAKAAA'); s := "
      "dbms_pipe.send_message('VEK_DEBUG#APP'); end;");
  auto listener = Connect("app", "app");
  ASSERT_EQ(Receive(*listener, "VEK_DEBUG#APP", 5), 0);
  auto items = Unpack(*listener);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].type, 6);
  EXPECT_EQ(Text(items[0].value), "2.5");
  EXPECT_EQ(items[1].type, 23);
  EXPECT_EQ(Text(items[1].value), "C0FFEE") << "RAW arrives as text";
  EXPECT_EQ(items[2].type, 11);
  EXPECT_EQ(Text(items[2].value), "AAAAB0AABAAAAAKAAA");
}

TEST_F(VekDebugTest, ListenerWaitsWithoutAndWithTimeout) {
  auto listener = Connect("app", "app");
  auto waiting = std::async(std::launch::async, [&] {
    std::vector<BlockBind> binds{OutBind("status", PlType::Number),
                                 InBind("pipename", sql::Value::Text("VEK_DEBUG#APP"))};
    listener->Run(
        Lines({"begin", "  :status := sys.dbms_pipe.receive_message(:pipename);", "end;"}), binds);
    return Text(binds[0].values.at(0));
  });
  auto sender = Connect("app", "app");
  sender->Run(
      "declare s integer; begin dbms_pipe.pack_message('x'); s := "
      "dbms_pipe.send_message('VEK_DEBUG#APP'); end;");
  EXPECT_EQ(waiting.get(), "0");

  // An alert wait with the listener's TimeOut of one second and nothing signalled.
  auto alertListener = Connect("app", "app");
  alertListener->Run("begin\r\n  sys.dbms_alert.register('VEK_DEBUG#APP');\r\nend;\r\n");
  std::vector<BlockBind> binds{OutBind("status", PlType::Number), OutBind("name", PlType::Text),
                               OutBind("message", PlType::Text),
                               InBind("timeout", sql::Value::Text("1"))};
  alertListener->Run(
      Lines({"begin", "  sys.dbms_alert.waitany(:name, :message, :status, :timeout);", "end;"}),
      binds);
  EXPECT_EQ(Text(binds[0].values.at(0)), "1");
}

TEST_F(VekDebugTest, PipeListenerStopMessageIsAnEmptyMessage) {
  auto listener = Connect("app", "app");
  auto waiting = std::async(std::launch::async,
                            [&] { return Receive(*listener, "VEK_DEBUG#APP", 0 + 86400); });
  auto stopSession = Connect("app", "app");
  std::vector<BlockBind> binds{OutBind("status", PlType::Number)};
  stopSession->Run(
      Lines({"begin", "  :status := sys.dbms_pipe.send_message('VEK_DEBUG#APP');", "end;"}), binds);
  EXPECT_EQ(Text(binds[0].values.at(0)), "0");
  EXPECT_EQ(waiting.get(), 0);
  EXPECT_TRUE(Unpack(*listener).empty()) << "the stop message carries no items";
}

}  // namespace
}  // namespace devdb::plsql::testing
