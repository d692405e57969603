// The built-in packages. Blocking calls wait on the engine's wait room, so they cost no CPU
// while waiting and end at once when their session is interrupted or the server shuts down.
#include "devdb/plsql/BuiltinPackages.h"

#include <chrono>
#include <cmath>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/Interpreter.h"
#include "devdb/plsql/PlsqlError.h"
#include "devdb/plsql/ProceduralEngine.h"

namespace devdb::plsql {
namespace {

constexpr BuiltinParameter In(const char* name) { return {name, true, false, false}; }
constexpr BuiltinParameter Optional(const char* name) { return {name, true, false, true}; }
constexpr BuiltinParameter Out(const char* name) { return {name, false, true, false}; }
constexpr BuiltinParameter InOut(const char* name) { return {name, true, true, false}; }

const std::vector<BuiltinSignature>& Signatures() {
  static const std::vector<BuiltinSignature> signatures = {
      {"DBMS_PIPE", "PACK_MESSAGE", false, {In("ITEM")}},
      {"DBMS_PIPE", "PACK_MESSAGE_RAW", false, {In("ITEM")}},
      {"DBMS_PIPE", "PACK_MESSAGE_ROWID", false, {In("ITEM")}},
      {"DBMS_PIPE", "UNPACK_MESSAGE", false, {Out("ITEM")}},
      {"DBMS_PIPE", "UNPACK_MESSAGE_RAW", false, {Out("ITEM")}},
      {"DBMS_PIPE", "UNPACK_MESSAGE_ROWID", false, {Out("ITEM")}},
      {"DBMS_PIPE", "NEXT_ITEM_TYPE", true, {}},
      {"DBMS_PIPE",
       "CREATE_PIPE",
       true,
       {In("PIPENAME"), Optional("MAXPIPESIZE"), Optional("PRIVATE")}},
      {"DBMS_PIPE", "REMOVE_PIPE", true, {In("PIPENAME")}},
      {"DBMS_PIPE",
       "SEND_MESSAGE",
       true,
       {In("PIPENAME"), Optional("TIMEOUT"), Optional("MAXPIPESIZE")}},
      {"DBMS_PIPE", "RECEIVE_MESSAGE", true, {In("PIPENAME"), Optional("TIMEOUT")}},
      {"DBMS_PIPE", "RESET_BUFFER", false, {}},
      {"DBMS_PIPE", "PURGE", false, {In("PIPENAME")}},
      {"DBMS_PIPE", "UNIQUE_SESSION_NAME", true, {}},
      {"DBMS_ALERT", "REGISTER", false, {In("NAME"), Optional("CLEANUP")}},
      {"DBMS_ALERT", "REMOVE", false, {In("NAME")}},
      {"DBMS_ALERT", "REMOVEALL", false, {}},
      {"DBMS_ALERT", "SET_DEFAULTS", false, {In("SENSITIVITY")}},
      {"DBMS_ALERT", "SIGNAL", false, {In("NAME"), In("MESSAGE")}},
      {"DBMS_ALERT",
       "WAITANY",
       false,
       {Out("NAME"), Out("MESSAGE"), Out("STATUS"), Optional("TIMEOUT")}},
      {"DBMS_ALERT",
       "WAITONE",
       false,
       {In("NAME"), Out("MESSAGE"), Out("STATUS"), Optional("TIMEOUT")}},
      {"DBMS_SESSION", "UNIQUE_SESSION_ID", true, {}},
      {"DBMS_APPLICATION_INFO", "SET_CLIENT_INFO", false, {In("CLIENT_INFO")}},
      {"DBMS_APPLICATION_INFO", "READ_CLIENT_INFO", false, {Out("CLIENT_INFO")}},
      {"DBMS_APPLICATION_INFO", "SET_MODULE", false, {In("MODULE_NAME"), In("ACTION_NAME")}},
      {"DBMS_APPLICATION_INFO", "SET_ACTION", false, {In("ACTION_NAME")}},
      {"DBMS_APPLICATION_INFO", "READ_MODULE", false, {Out("MODULE_NAME"), Out("ACTION_NAME")}},
      {"DIUTIL", "BOOL_TO_INT", true, {In("B")}},
      {"DIUTIL", "INT_TO_BOOL", true, {In("N")}},
      {"DBMS_OUTPUT", "ENABLE", false, {Optional("BUFFER_SIZE")}},
      {"DBMS_OUTPUT", "DISABLE", false, {}},
      {"DBMS_OUTPUT", "PUT", false, {In("A")}},
      {"DBMS_OUTPUT", "PUT_LINE", false, {In("A")}},
      {"DBMS_OUTPUT", "NEW_LINE", false, {}},
      {"DBMS_OUTPUT", "GET_LINE", false, {Out("LINE"), Out("STATUS")}},
      {"DBMS_OUTPUT", "GET_LINES", false, {Out("LINES"), InOut("NUMLINES")}},
      {"DBMS_LOCK", "SLEEP", false, {In("SECONDS")}},
  };
  return signatures;
}

double Seconds(const std::optional<PlValue>& value, double fallback) {
  if (!value || value->IsNull()) return fallback;
  return std::max(0.0, value->ToNumber());
}

// A maxpipesize argument; sizes past what any budget holds are all the same.
std::size_t PipeSize(const std::optional<PlValue>& value) {
  double size = Seconds(value, PipeRegistry::kDefaultSize);
  constexpr auto kLargest = static_cast<double>(PipeRegistry::kLargestSize);
  return size < kLargest ? static_cast<std::size_t>(size) : PipeRegistry::kLargestSize;
}

std::string Text(const std::optional<PlValue>& value) {
  return value ? value->ToText() : std::string();
}

void SetOut(BuiltinArgument& argument, const PlValue& value) {
  if (argument.assign) argument.assign(value);
}

PlValue CallPipe(Interpreter& interpreter, std::string_view member,
                 std::vector<BuiltinArgument>& arguments) {
  ProceduralSession& session = interpreter.Session();
  PipeRegistry& pipes = session.Engine().Pipes();
  PipeBuffer& buffer = session.Pipe();
  const std::string& user = session.Identity().user;
  auto check = [&session] { session.ThrowIfInterrupted(); };
  if (member == "PACK_MESSAGE" || member == "PACK_MESSAGE_RAW" || member == "PACK_MESSAGE_ROWID") {
    const PlValue& item = *arguments[0].value;
    PipeItem packed;
    if (member == "PACK_MESSAGE_RAW") {
      packed.type = kPipeRaw;
      packed.value = item.IsNull() ? PlValue::Null(PlType::Raw) : PlValue::Raw(item.ToRaw());
    } else if (member == "PACK_MESSAGE_ROWID") {
      packed.type = kPipeRowid;
      packed.value = PlValue::Rowid(item.ToText());
    } else {
      // Numbers, dates and raws go as they are, everything else as its text.
      switch (item.Type()) {
        case PlType::Number:
          packed.type = kPipeNumber;
          packed.value = item;
          break;
        case PlType::Date:
          packed.type = kPipeDate;
          packed.value = item;
          break;
        case PlType::Raw:
          packed.type = kPipeRaw;
          packed.value = item;
          break;
        case PlType::Boolean:
        case PlType::Cursor:
          throw PlsqlError(texts::kCompileErrorUnplaced,
                           {texts::Text(texts::kWrongArguments, {"PACK_MESSAGE"})});
        default:
          packed.type = kPipeVarchar2;
          packed.value = PlValue::Text(item.ToText());
          break;
      }
    }
    buffer.Pack(std::move(packed));
    return {};
  }
  if (member == "UNPACK_MESSAGE" || member == "UNPACK_MESSAGE_RAW" ||
      member == "UNPACK_MESSAGE_ROWID") {
    int expected = 0;
    if (member == "UNPACK_MESSAGE_RAW") {
      expected = kPipeRaw;
    } else if (member == "UNPACK_MESSAGE_ROWID") {
      expected = kPipeRowid;
    } else if (arguments[0].targetType) {
      switch (*arguments[0].targetType) {
        case PlType::Number: expected = kPipeNumber; break;
        case PlType::Date: expected = kPipeDate; break;
        case PlType::Text: expected = kPipeVarchar2; break;
        default: break;
      }
    }
    PlValue value = buffer.Unpack(expected);
    SetOut(arguments[0], value);
    return {};
  }
  if (member == "NEXT_ITEM_TYPE") return PlValue::Number(buffer.NextItemType());
  if (member == "RESET_BUFFER") {
    buffer.Reset();
    return {};
  }
  if (member == "UNIQUE_SESSION_NAME")
    return PlValue::Text("ORA$PIPE$" + session.UniqueSessionId());
  std::string name = Text(arguments[0].value);
  if (member == "SEND_MESSAGE") {
    double timeout = Seconds(arguments[1].value, PipeRegistry::kMaxWait);
    std::size_t size = PipeSize(arguments[2].value);
    PipeMessage message = buffer.TakeMessage();
    // A message that was not sent stays in the buffer, as Oracle keeps it; so does one whose
    // send failed or was interrupted. Send leaves the message to us unless it went out.
    auto restore = [&buffer, &message] {
      for (auto& item : message.items) buffer.Pack(std::move(item));
    };
    int status = PipeRegistry::kTimedOut;
    try {
      status = pipes.Send(name, std::move(message), timeout, size, user, check);
    } catch (...) {
      restore();
      throw;
    }
    if (status != PipeRegistry::kSuccess) restore();
    return PlValue::Number(status);
  }
  if (member == "RECEIVE_MESSAGE") {
    double timeout = Seconds(arguments[1].value, PipeRegistry::kMaxWait);
    PipeMessage message;
    int status = pipes.Receive(name, timeout, user, check, message);
    if (status == PipeRegistry::kSuccess) {
      buffer.Load(std::move(message));
    } else {
      buffer.Reset();
    }
    return PlValue::Number(status);
  }
  if (member == "PURGE") {
    pipes.Purge(name, user);
    // Oracle empties a pipe by receiving from it, which overwrites the local buffer.
    buffer.Reset();
    return {};
  }
  if (member == "CREATE_PIPE") {
    std::size_t size = PipeSize(arguments[1].value);
    bool isPrivate =
        !arguments[2].value || arguments[2].value->IsNull() || arguments[2].value->AsBoolean();
    return PlValue::Number(pipes.Create(name, size, isPrivate, user));
  }
  if (member == "REMOVE_PIPE") return PlValue::Number(pipes.Remove(name, user));
  return {};
}

PlValue CallAlert(Interpreter& interpreter, std::string_view member,
                  std::vector<BuiltinArgument>& arguments) {
  ProceduralSession& session = interpreter.Session();
  AlertRegistry& alerts = session.Engine().Alerts();
  auto check = [&session] { session.ThrowIfInterrupted(); };
  if (member == "REGISTER") {
    alerts.Register(session.Key(), Text(arguments[0].value));
    interpreter.CommitCurrent();
    return {};
  }
  if (member == "REMOVE") {
    alerts.Remove(session.Key(), Text(arguments[0].value));
    interpreter.CommitCurrent();
    return {};
  }
  if (member == "REMOVEALL") {
    alerts.RemoveAll(session.Key());
    interpreter.CommitCurrent();
    return {};
  }
  if (member == "SET_DEFAULTS") return {};
  if (member == "SIGNAL") {
    TransactionContext& transaction = interpreter.CurrentTransaction();
    std::optional<std::string> message;
    if (arguments[1].value && !arguments[1].value->IsNull()) message = arguments[1].value->ToText();
    transaction.pendingSignals.emplace_back(AlertRegistry::Key(Text(arguments[0].value)), message);
    transaction.hasChanges = true;
    return {};
  }
  if (member == "WAITONE" || member == "WAITANY") {
    // A wait commits first, which also makes the session's own signals take effect.
    interpreter.CommitCurrent();
    double timeout = Seconds(arguments[3].value, AlertRegistry::kMaxWait);
    AlertRegistry::Message message;
    int status = 0;
    if (member == "WAITONE") {
      status = alerts.WaitOne(session.Key(), Text(arguments[0].value), timeout, check, message);
    } else {
      std::string name;
      status = alerts.WaitAny(session.Key(), timeout, check, name, message);
      SetOut(arguments[0],
             status == AlertRegistry::kAlerted ? PlValue::Text(name) : PlValue::Null());
    }
    SetOut(arguments[1], message ? PlValue::Text(*message) : PlValue::Null());
    SetOut(arguments[2], PlValue::Number(status));
    return {};
  }
  return {};
}

PlValue CallOutput(Interpreter& interpreter, std::string_view member,
                   std::vector<BuiltinArgument>& arguments) {
  OutputBuffer& output = interpreter.Session().Output();
  if (member == "ENABLE") {
    std::optional<std::size_t> limit;
    if (!arguments[0].value)
      limit = 20000;
    else if (!arguments[0].value->IsNull())
      limit = static_cast<std::size_t>(std::max(0.0, arguments[0].value->ToNumber()));
    output.Enable(limit);
  } else if (member == "DISABLE") {
    output.Disable();
  } else if (member == "PUT") {
    output.Put(arguments[0].value->ToText());
  } else if (member == "PUT_LINE") {
    output.Put(arguments[0].value->ToText());
    output.NewLine();
  } else if (member == "NEW_LINE") {
    output.NewLine();
  } else if (member == "GET_LINE") {
    auto line = output.GetLine();
    SetOut(arguments[0], line ? PlValue::Text(*line) : PlValue::Null());
    SetOut(arguments[1], PlValue::Number(line ? 0 : 1));
  } else if (member == "GET_LINES") {
    double wanted =
        arguments[1].value && !arguments[1].value->IsNull() ? arguments[1].value->ToNumber() : 0;
    std::vector<PlValue> lines;
    while (static_cast<double>(lines.size()) < wanted) {
      auto line = output.GetLine();
      if (!line) break;
      lines.push_back(PlValue::Text(*line));
    }
    if (!arguments[0].assignTable)
      throw PlsqlError(texts::kCompileErrorUnplaced,
                       {texts::Text(texts::kWrongArguments, {"GET_LINES"})});
    arguments[0].assignTable(lines);
    SetOut(arguments[1], PlValue::Number(static_cast<double>(lines.size())));
  }
  return {};
}

void Sleep(Interpreter& interpreter, double seconds) {
  ProceduralSession& session = interpreter.Session();
  WaitRoom& room = session.Engine().Room();
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(std::min(seconds, 86400000.0)));
  std::unique_lock lock(room.Mutex());
  std::optional<WaitRoom::Waiting> waiting;  // counted once it really blocks
  for (;;) {
    session.ThrowIfInterrupted();
    if (!waiting) waiting.emplace(room);
    if (waiting->WaitUntil(lock, deadline) == std::cv_status::timeout) {
      session.ThrowIfInterrupted();
      return;
    }
  }
}

}  // namespace

std::string BuiltinPackages::CanonicalPackage(const std::string& name, const std::string& schema) {
  if (!schema.empty() && schema != "SYS") return {};
  static const char* packages[] = {
      "DBMS_PIPE", "DBMS_ALERT",  "DBMS_SESSION", "DBMS_APPLICATION_INFO",
      "DIUTIL",    "DBMS_OUTPUT", "DBMS_LOCK"};
  for (const char* package : packages) {
    if (name == package) return package;
  }
  return {};
}

const BuiltinSignature* BuiltinPackages::Find(const std::string& package,
                                              const std::string& member) {
  // Looked up at every call a block makes: by member name first, without building a key.
  using ByMember = std::unordered_map<std::string_view, std::vector<const BuiltinSignature*>>;
  static const ByMember byMember = [] {
    ByMember index;
    for (const auto& signature : Signatures()) index[signature.member].push_back(&signature);
    return index;
  }();
  const auto found = byMember.find(std::string_view(member));
  if (found == byMember.end()) return nullptr;
  for (const BuiltinSignature* signature : found->second) {
    if (package == signature->package) return signature;
  }
  return nullptr;
}

const BuiltinSignature* BuiltinPackages::Resolve(const std::string& package,
                                                 const std::string& member,
                                                 const std::string& schema) {
  // Every signature's package is one of CanonicalPackage's names, so matching the package
  // of the member's signatures is the same test.
  if (!schema.empty() && schema != "SYS") return nullptr;
  return Find(package, member);
}

std::optional<PlValue> BuiltinPackages::Constant(const std::string& package,
                                                 const std::string& member) {
  if ((package == "DBMS_PIPE" || package == "DBMS_ALERT") && member == "MAXWAIT") {
    return PlValue::Number(86400000);
  }
  return std::nullopt;
}

PlValue BuiltinPackages::Call(Interpreter& interpreter, const BuiltinSignature& signature,
                              std::vector<BuiltinArgument>& arguments) {
  ProceduralSession& session = interpreter.Session();
  const std::string_view package = signature.package;
  const std::string_view member = signature.member;
  if (package == "DBMS_PIPE") return CallPipe(interpreter, member, arguments);
  if (package == "DBMS_ALERT") return CallAlert(interpreter, member, arguments);
  if (package == "DBMS_OUTPUT") return CallOutput(interpreter, member, arguments);
  if (package == "DBMS_SESSION") return PlValue::Text(session.UniqueSessionId());
  if (package == "DBMS_APPLICATION_INFO") {
    if (member == "SET_CLIENT_INFO") session.SetClientInfo(Text(arguments[0].value));
    if (member == "SET_MODULE")
      session.SetModule(Text(arguments[0].value), Text(arguments[1].value));
    if (member == "SET_ACTION") session.SetAction(Text(arguments[0].value));
    ApplicationInfo info = session.Application();
    if (member == "READ_CLIENT_INFO") SetOut(arguments[0], PlValue::Text(info.clientInfo));
    if (member == "READ_MODULE") {
      SetOut(arguments[0], PlValue::Text(info.module));
      SetOut(arguments[1], PlValue::Text(info.action));
    }
    return {};
  }
  if (package == "DIUTIL") {
    const PlValue& value = *arguments[0].value;
    if (value.IsNull())
      return member == "BOOL_TO_INT" ? PlValue::Null(PlType::Number)
                                     : PlValue::Null(PlType::Boolean);
    if (member == "BOOL_TO_INT") {
      if (value.Type() != PlType::Boolean) {
        throw PlsqlError(texts::kCompileErrorUnplaced,
                         {texts::Text(texts::kWrongArguments, {"BOOL_TO_INT"})});
      }
      return PlValue::Number(value.AsBoolean() ? 1 : 0);
    }
    double number = value.ToNumber();
    if (number == 1) return PlValue::Boolean(true);
    if (number == 0) return PlValue::Boolean(false);
    throw PlsqlError(texts::kValueError);
  }
  if (package == "DBMS_LOCK") {
    Sleep(interpreter, Seconds(arguments[0].value, 0));
    return {};
  }
  return {};
}

}  // namespace devdb::plsql
