// The server side of every call. Errors of the engine travel back as Error replies; a
// frame that breaks the protocol ends the connection, and so does a kill once the killed
// session's next call has been told ORA-00028. Whatever way the connection ends, its
// session is rolled back and its SID freed.
#include "devdb/server/ClientConnection.h"

#include <pthread.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <iostream>
#include <string_view>
#include <system_error>

#include "devdb/protocol/ConnectionLost.h"
#include "devdb/protocol/ProtocolError.h"
#include "devdb/server/ServerTexts.h"
#include "devdb/server/WireConversion.h"

namespace devdb::server {

using namespace devdb::protocol;

namespace {

// A fetch reply stops growing at about this size; the client asks again for the rest.
constexpr std::size_t kFetchReplyBudget = 16u * 1024u * 1024u;
constexpr std::uint32_t kFetchBatch = 1000;
constexpr std::size_t kMaximumOpenCursors = 1000;
constexpr int kSelectStatementType = 1;
// A PL/SQL table bind may not claim more elements than this: the server keeps a table's
// elements one after another, so a huge maximum would let one element write allocate
// gigabytes, and no reply could carry such a table back anyway.
constexpr std::int32_t kMaximumTableElements = 1 << 20;

// Marks a call as running on the session for its duration, so that a break or a kill
// from another thread reaches it and V$SESSION shows it ACTIVE.
class CallScope {
 public:
  CallScope(SessionEntry& entry, const std::atomic<bool>& shuttingDown)
      : entry_(entry), session_(entry.BeginCall(shuttingDown)) {}
  ~CallScope() { entry_.EndCall(); }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
  sql::Session& Session() { return session_; }

 private:
  SessionEntry& entry_;
  sql::Session& session_;
};

sql::OracleDate LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::size_t EstimatedSize(const std::vector<sql::Value>& row) {
  std::size_t size = 4;
  for (const auto& value : row) size += 12 + value.text.size() + value.bytes.size();
  return size;
}

sql::LogonRequest ToEngine(const std::string& user, const std::string& password,
                           WireConnectMode mode, const std::string& osUser,
                           const std::string& machine, const std::string& program) {
  sql::LogonRequest request;
  request.user = user;
  request.password = password;
  request.mode = WireConversion::FromWire(mode);
  request.osUser = osUser;
  request.machine = machine;
  request.program = program;
  return request;
}

// Whether a bind's name, with or without its colon and in any case, is one of the statement's
// placeholders (which are upper case).
bool NamesPlaceholder(const std::vector<std::string>& placeholders, std::string_view name) {
  if (!name.empty() && name.front() == ':') name.remove_prefix(1);
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return std::any_of(placeholders.begin(), placeholders.end(), [&](const std::string& placeholder) {
    return std::equal(name.begin(), name.end(), placeholder.begin(), placeholder.end(),
                      [&](char bound, char declared) { return upper(bound) == declared; });
  });
}

constexpr std::size_t kConnectionStackBytes = 64u * 1024u * 1024u;

// The largest frame a connection may send before it has logged on.
constexpr std::uint32_t kLogonFrameLimit = 64 * 1024;

}  // namespace

ClientConnection::ClientConnection(Socket socket, sql::Database& database,
                                   SessionRegistry& registry, std::string banner,
                                   std::chrono::seconds logonTimeout)
    : socket_(std::move(socket)),
      socketDescriptor_(socket_.Descriptor()),
      database_(database),
      registry_(registry),
      banner_(std::move(banner)),
      logonTimeout_(logonTimeout),
      wake_(std::make_shared<WakeSignal>()) {}

ClientConnection::~ClientConnection() {
  if (started_) pthread_join(thread_, nullptr);
}

void ClientConnection::Start() {
  // The statement parsers recurse as deep as their nesting limits let them; the thread gets
  // a stack that holds that depth with room to spare, also in a sanitizer build.
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kConnectionStackBytes);
  const int failed = pthread_create(
      &thread_, &attributes,
      [](void* self) -> void* {
        static_cast<ClientConnection*>(self)->Run();
        return nullptr;
      },
      this);
  pthread_attr_destroy(&attributes);
  if (failed != 0) throw std::system_error(failed, std::generic_category(), "pthread_create");
  started_ = true;
}

void ClientConnection::Run() {
  try {
    FrameChannel channel(std::move(socket_));
    Serve(channel);
  } catch (const ProtocolError&) {
    // A malformed frame: nothing that follows can be trusted, so the connection ends here.
  } catch (const ConnectionLost&) {
    // The client went away; its session ends below like any other.
  } catch (const std::exception& error) {
    std::cerr << "devdb: connection ended: " << error.what() << std::endl;
  } catch (...) {
    std::cerr << "devdb: connection ended by an unknown error" << std::endl;
  }
  EndSession();
  finished_ = true;
}

void ClientConnection::Serve(FrameChannel& channel) {
  // Until it has logged on, a connection costs the server as little as possible: its frames
  // are small (a logon carries a few names and a password) and it gets a limited time.
  channel.SetMaximumBody(kLogonFrameLimit);
  auto logonDeadline = std::chrono::steady_clock::now() + logonTimeout_;
  FrameChannel::ReadResult first = channel.Read(wake_->Descriptor(), logonDeadline);
  if (first.status != FrameChannel::ReadStatus::Frame) return;
  if (first.frame.type == MessageType::Break) {
    auto request = FromFrame<BreakRequest>(first.frame);
    if (request.magic != kProtocolMagic) return;
    registry_.Break(static_cast<int>(request.sid), request.breakToken);
    channel.Write(ToFrame(OkReply{}));
    return;
  }
  auto hello = FromFrame<HelloRequest>(first.frame);
  if (hello.magic != kProtocolMagic) return;
  if (hello.version != kProtocolVersion) {
    channel.Write(
        ToFrame(ErrorReply{{texts::kUnsupportedVersionCode, texts::kUnsupportedVersion, 0}}));
    return;
  }
  channel.Write(ToFrame(HelloReply{kProtocolVersion, banner_}));

  bool loggedOn = false;
  while (!registry_.ShuttingDown()) {
    if (entry_ && !loggedOn) {
      loggedOn = true;
      channel.SetMaximumBody(FrameCodec::kMaximumBody);
    } else if (!entry_ && loggedOn) {
      // Logged off: the connection may log on again, within the same time as at first.
      loggedOn = false;
      channel.SetMaximumBody(kLogonFrameLimit);
      logonDeadline = std::chrono::steady_clock::now() + logonTimeout_;
    }
    FrameChannel::ReadResult next =
        channel.Read(wake_->Descriptor(), loggedOn ? std::nullopt : std::optional(logonDeadline));
    if (next.status == FrameChannel::ReadStatus::Closed ||
        next.status == FrameChannel::ReadStatus::TimedOut)
      return;
    if (next.status == FrameChannel::ReadStatus::Woken) {
      wake_->Drain();
      // Killed while idle: the transaction goes at once; the next call learns of the kill.
      if (entry_ && entry_->IsKilled()) ReleaseEngineSession();
      continue;
    }
    bool closeAfter = false;
    Frame reply = Handle(next.frame, closeAfter);
    if (reply.body.size() > FrameCodec::kMaximumBody) {
      // Too large for one frame (a huge LONG value, say): the call fails, the connection
      // stays in step.
      std::string message = std::string(texts::kInternalErrorPrefix) + "[devdb], [reply of " +
                            std::to_string(reply.body.size()) + " bytes exceeds the frame limit]";
      reply = ToFrame(ErrorReply{{texts::kInternalErrorCode, message, 0}});
    }
    if (!registry_.ShuttingDown()) wake_->DrainIfSignalled();
    // A client that sent its next request already (closes in front of a call) gets the
    // replies together.
    if (!closeAfter && channel.HasWholeFrame()) {
      channel.Hold(reply);
    } else if (!channel.Write(reply, wake_->Descriptor())) {
      return;
    }
    if (closeAfter) return;
    if (entry_ && entry_->IsKilled()) ReleaseEngineSession();
  }
}

Frame ClientConnection::Handle(const Frame& request, bool& closeAfter) {
  try {
    if (entry_ && entry_->IsKilled())
      throw sql::SqlError(texts::kSessionKilledCode, texts::kSessionKilled);
    return Dispatch(request);
  } catch (const sql::SqlError& error) {
    closeAfter = error.Code() == texts::kSessionKilledCode || error.Code() == texts::kShutdownCode;
    return ToFrame(ErrorReply{WireConversion::ToWire(error)});
  } catch (const ProtocolError&) {
    throw;
  } catch (const std::exception& error) {
    // A fault inside the engine must not take the server down: report it like Oracle
    // reports its own internal errors and carry on.
    std::string message =
        std::string(texts::kInternalErrorPrefix) + "[devdb], [" + error.what() + "]";
    return ToFrame(ErrorReply{{texts::kInternalErrorCode, message, 0}});
  } catch (...) {
    std::string message = std::string(texts::kInternalErrorPrefix) + "[devdb], [unknown]";
    return ToFrame(ErrorReply{{texts::kInternalErrorCode, message, 0}});
  }
}

Frame ClientConnection::Dispatch(const Frame& request) {
  switch (request.type) {
    case MessageType::Ping: FromFrame<PingRequest>(request); return ToFrame(OkReply{});
    case MessageType::Version:
      FromFrame<VersionRequest>(request);
      return ToFrame(VersionReply{banner_});
    case MessageType::Logon: return ToFrame(LogOn(FromFrame<LogonRequest>(request)));
    case MessageType::PasswordChange:
      return ToFrame(ChangePassword(FromFrame<PasswordChangeRequest>(request)));
    case MessageType::Logoff:
      FromFrame<LogoffRequest>(request);
      RequireSession();
      EndSession();
      return ToFrame(OkReply{});
    case MessageType::Prepare: return ToFrame(Prepare(FromFrame<PrepareRequest>(request).sql));
    case MessageType::Describe: {
      auto describe = FromFrame<DescribeRequest>(request);
      RequireSession();
      return ToFrame(DescribeReply{WireConversion::ToWire(Cursor(describe.cursor).Info().columns)});
    }
    case MessageType::Execute: return ToFrame(Execute(FromFrame<ExecuteRequest>(request)));
    case MessageType::Fetch: return ToFrame(Fetch(FromFrame<FetchRequest>(request)));
    case MessageType::CloseCursor: {
      auto close = FromFrame<CloseCursorRequest>(request);
      RequireSession();
      cursors_.erase(close.cursor);
      return ToFrame(OkReply{});
    }
    case MessageType::Commit: {
      FromFrame<CommitRequest>(request);
      CallScope call(RequireSession(), registry_.ShuttingDown());
      call.Session().Commit();
      return ToFrame(OkReply{});
    }
    case MessageType::Rollback: {
      FromFrame<RollbackRequest>(request);
      CallScope call(RequireSession(), registry_.ShuttingDown());
      call.Session().Rollback();
      return ToFrame(OkReply{});
    }
    default: throw ProtocolError("message type not expected from a client");
  }
}

LogonReply ClientConnection::CurrentLogon() const {
  LogonReply reply;
  reply.loggedOn = entry_ != nullptr;
  if (!entry_) return reply;
  reply.sid = static_cast<std::uint32_t>(entry_->Sid());
  reply.serial = static_cast<std::uint32_t>(entry_->Serial());
  reply.audsid = entry_->Audsid();
  reply.breakToken = entry_->BreakToken();
  reply.username = username_;
  reply.warning = logonWarning_;
  return reply;
}

LogonReply ClientConnection::LogOn(const LogonRequest& request) {
  if (entry_) throw sql::SqlError(texts::kAlreadyAuthenticatedCode, texts::kAlreadyAuthenticated);
  if (registry_.ShuttingDown()) throw sql::SqlError(texts::kShutdownCode, texts::kShutdown);
  auto entry = registry_.Reserve(wake_, socketDescriptor_);
  sql::Database::LogonOutcome outcome;
  try {
    outcome = database_.LogOn(ToEngine(request.user, request.password, request.mode, request.osUser,
                                       request.machine, request.program),
                              entry->Sid(), entry->Serial(), entry->Audsid());
    if (!outcome.session) throw std::runtime_error("logon produced no session");
  } catch (...) {
    registry_.Remove(entry);
    throw;
  }
  sql::SessionRow identity;
  identity.username = outcome.username;
  identity.schemaName = outcome.username;
  identity.osUser = request.osUser;
  identity.machine = request.machine;
  identity.program = request.program;
  identity.logonTime = LocalNow();
  entry->SetIdentity(identity);
  entry->Attach(std::move(outcome.session));
  registry_.Publish(entry);
  SessionRegistry::SetCurrentSid(entry->Sid());
  entry_ = std::move(entry);
  username_ = outcome.username;
  logonWarning_ = {outcome.warningCode, outcome.warningMessage, 0};
  return CurrentLogon();
}

LogonReply ClientConnection::ChangePassword(const PasswordChangeRequest& request) {
  if (entry_) {
    CallScope call(*entry_, registry_.ShuttingDown());
    call.Session().ChangePassword(request.user, request.oldPassword, request.newPassword);
    // The change ends a grace period: the logon's expiry warning is no longer true.
    logonWarning_ = {};
    return CurrentLogon();
  }
  if (registry_.ShuttingDown()) throw sql::SqlError(texts::kShutdownCode, texts::kShutdown);
  database_.ChangePassword(request.user, request.oldPassword, request.newPassword);
  if (!request.logOnAfter) return LogonReply{};
  LogonRequest logon;
  logon.user = request.user;
  logon.password = request.newPassword;
  logon.mode = request.mode;
  logon.osUser = request.osUser;
  logon.machine = request.machine;
  logon.program = request.program;
  return LogOn(logon);
}

PrepareReply ClientConnection::Prepare(const std::string& sql) {
  SessionEntry& entry = RequireSession();
  if (cursors_.size() >= kMaximumOpenCursors)
    throw sql::SqlError(texts::kTooManyCursorsCode, texts::kTooManyCursors);
  std::unique_ptr<sql::Statement> statement;
  {
    CallScope call(entry, registry_.ShuttingDown());
    statement = call.Session().Prepare(sql);
  }
  const sql::StatementInfo& info = statement->Info();
  PrepareReply reply;
  reply.statementType = info.statementType;
  reply.sqlFunctionCode = info.sqlFunctionCode;
  reply.bindNames = info.bindNames;
  reply.columns = WireConversion::ToWire(info.columns);
  reply.cursor = AddCursor(std::move(statement));
  return reply;
}

std::uint32_t ClientConnection::AddCursor(std::shared_ptr<sql::Statement> statement) {
  while (nextCursor_ == 0 || cursors_.count(nextCursor_) != 0) ++nextCursor_;
  const std::uint32_t cursor = nextCursor_++;
  cursors_[cursor] = std::move(statement);
  return cursor;
}

ExecuteReply ClientConnection::PrepareAndExecute(ExecuteRequest request) {
  PrepareReply prepared = Prepare(request.sql);
  try {
    for (const auto& bind : request.binds)
      if (!NamesPlaceholder(prepared.bindNames, bind.name))
        throw sql::SqlError(texts::kBadBindNameCode, texts::kBadBindName);
    request.cursor = prepared.cursor;
    request.sql.clear();
    ExecuteReply reply = Execute(std::move(request));
    reply.prepared = true;
    reply.statement = std::move(prepared);
    return reply;
  } catch (...) {
    cursors_.erase(prepared.cursor);
    throw;
  }
}

ExecuteReply ClientConnection::Execute(ExecuteRequest request) {
  if (request.cursor == 0 && !request.sql.empty()) return PrepareAndExecute(std::move(request));
  SessionEntry& entry = RequireSession();
  sql::Statement& statement = Cursor(request.cursor);
  bool isSelect = statement.Info().statementType == kSelectStatementType;
  if (request.iterations > INT_MAX || request.rowOffset > INT_MAX)
    throw sql::SqlError(texts::kNotAllBoundCode, texts::kNotAllBound);
  if (auto* procedural = dynamic_cast<plsql::ProceduralStatement*>(&statement))
    return ExecuteProcedural(entry, *procedural, request);
  // Every in bind needs a value for each row the execution reaches, so that the engine
  // never reads past the values it was given.
  std::size_t rowsNeeded =
      isSelect ? 1
               : std::size_t{request.rowOffset} + std::max<std::uint32_t>(request.iterations, 1);
  std::vector<sql::Bind> binds;
  binds.reserve(request.binds.size());
  for (auto& wire : request.binds) {
    // Tables and cursor variables exist only in PL/SQL.
    if (wire.form != WireBindForm::Scalar)
      throw sql::SqlError(texts::kNotAllBoundCode, texts::kNotAllBound);
    sql::Bind bind;
    bind.name = std::move(wire.name);
    bind.out = wire.out;
    bind.maxLength = wire.maxLength;
    bind.values.reserve(wire.values.size());
    for (auto& value : wire.values)
      bind.values.push_back(WireConversion::FromWire(std::move(value)));
    if (!bind.out && bind.values.size() < rowsNeeded)
      throw sql::SqlError(texts::kNotAllBoundCode, texts::kNotAllBound);
    if (bind.out && bind.values.size() < rowsNeeded) bind.values.resize(rowsNeeded);
    binds.push_back(std::move(bind));
  }

  CallScope call(entry, registry_.ShuttingDown());
  sql::ExecuteResult result =
      statement.Execute(binds, static_cast<int>(request.iterations),
                        static_cast<int>(request.rowOffset), request.commitOnSuccess);
  ExecuteReply reply;
  reply.rowsProcessed = result.rowsProcessed;
  reply.outValues.reserve(result.outValues.size());
  for (auto& values : result.outValues) {
    std::vector<WireValue>& wire = reply.outValues.emplace_back();
    wire.reserve(values.size());
    for (auto& value : values) wire.push_back(WireConversion::ToWire(std::move(value)));
  }
  if (result.rowError) reply.rowError = WireConversion::ToWire(*result.rowError);
  reply.warning = std::move(result.warning);
  reply.rowid = std::move(result.rowid);
  if (isSelect && request.prefetchRows > 0) {
    FetchReply fetched = FetchRows(statement, request.prefetchRows);
    reply.rows = std::move(fetched.rows);
    reply.endOfFetch = fetched.endOfFetch;
  }
  reply.rowsFetched = isSelect ? statement.RowsFetched() : 0;
  return reply;
}

ExecuteReply ClientConnection::ExecuteProcedural(SessionEntry& entry,
                                                 plsql::ProceduralStatement& statement,
                                                 ExecuteRequest& request) {
  // Scalars carry one value per iteration; a table is one array for the whole execution.
  const std::size_t firstRow = request.rowOffset;
  const std::size_t runs = std::max<std::uint32_t>(request.iterations, 1);
  std::size_t cursorBinds = 0;
  for (const auto& wire : request.binds) {
    switch (wire.form) {
      case WireBindForm::Scalar:
        if (!wire.out && wire.values.size() < firstRow + runs)
          throw sql::SqlError(texts::kNotAllBoundCode, texts::kNotAllBound);
        break;
      case WireBindForm::Table:
        if (wire.maxElements < 0 || wire.maxElements > kMaximumTableElements ||
            wire.values.size() > static_cast<std::size_t>(wire.maxElements))
          throw sql::SqlError(texts::kTableOutOfRangeCode, texts::kTableOutOfRange);
        break;
      case WireBindForm::RefCursor: ++cursorBinds; break;
    }
  }
  if (cursors_.size() + cursorBinds > kMaximumOpenCursors)
    throw sql::SqlError(texts::kTooManyCursorsCode, texts::kTooManyCursors);

  ExecuteReply reply;
  for (const auto& wire : request.binds)
    if (wire.out) reply.outValues.emplace_back();
  std::vector<std::shared_ptr<sql::Statement>> opened(cursorBinds > 0 ? request.binds.size() : 0);
  {
    CallScope call(entry, registry_.ShuttingDown());
    for (std::size_t run = 0; run < runs; ++run) {
      // A scalar's value for this row serves this run only, and a table's elements serve
      // every run: those move into the engine's binds on the last run, and are copied before.
      const bool lastRun = run + 1 == runs;
      std::vector<plsql::BlockBind> binds;
      binds.reserve(request.binds.size());
      for (auto& wire : request.binds) {
        plsql::BlockBind& bind = binds.emplace_back();
        bind.name = lastRun ? std::move(wire.name) : wire.name;
        bind.maxLength = wire.maxLength;
        bind.type = WireConversion::DeclaredType(wire.declaredType);
        bind.isTable = wire.form == WireBindForm::Table;
        bind.isCursor = wire.form == WireBindForm::RefCursor;
        bind.maxElements = wire.maxElements;
        if (bind.isTable) {
          bind.values.reserve(wire.values.size());
          for (auto& value : wire.values)
            bind.values.push_back(lastRun ? WireConversion::FromWire(std::move(value))
                                          : WireConversion::FromWire(value));
        } else if (!bind.isCursor) {
          const std::size_t row = firstRow + run;
          bind.values.push_back(row < wire.values.size()
                                    ? WireConversion::FromWire(std::move(wire.values[row]))
                                    : sql::Value::Null());
        }
      }
      reply.warning = statement.ExecuteWithBinds(binds, request.commitOnSuccess && lastRun);
      std::size_t out = 0;
      for (std::size_t i = 0; i < binds.size(); ++i) {
        const auto& wire = request.binds[i];
        if (wire.form == WireBindForm::RefCursor) opened[i] = std::move(binds[i].cursor);
        if (!wire.out) continue;
        std::vector<WireValue>& values = reply.outValues[out++];
        if (wire.form == WireBindForm::Table) {
          values.clear();  // the table as the last run left it
          values.reserve(binds[i].values.size());
          for (auto& value : binds[i].values)
            values.push_back(WireConversion::ToWire(std::move(value)));
        } else if (wire.form == WireBindForm::Scalar) {
          values.push_back(binds[i].values.empty()
                               ? WireValue::Null()
                               : WireConversion::ToWire(std::move(binds[i].values.front())));
        }
      }
    }
  }
  for (std::size_t i = 0; i < opened.size(); ++i) {
    if (request.binds[i].form != WireBindForm::RefCursor) continue;
    reply.refCursors.push_back(opened[i] ? AddCursor(std::move(opened[i])) : 0);
  }
  const int type = statement.Info().statementType;
  reply.rowsProcessed = type == 8 || type == 9 || type == 10 ? 1 : 0;
  return reply;
}

FetchReply ClientConnection::Fetch(const FetchRequest& request) {
  SessionEntry& entry = RequireSession();
  sql::Statement& statement = Cursor(request.cursor);
  CallScope call(entry, registry_.ShuttingDown());
  return FetchRows(statement, request.maxRows);
}

FetchReply ClientConnection::FetchRows(sql::Statement& statement, std::uint32_t maxRows) {
  FetchReply reply;
  std::uint32_t remaining = maxRows;
  std::size_t size = 0;
  while (remaining > 0 && size < kFetchReplyBudget) {
    std::uint32_t wanted = std::min(remaining, kFetchBatch);
    auto rows = statement.Fetch(static_cast<int>(wanted));
    for (const auto& row : rows) {
      size += EstimatedSize(row);
      WireRow wire;
      wire.reserve(row.size());
      for (const auto& value : row) wire.push_back(WireConversion::ToWire(value));
      reply.rows.push_back(std::move(wire));
    }
    remaining -= static_cast<std::uint32_t>(std::min<std::size_t>(rows.size(), remaining));
    if (rows.size() < wanted) {
      reply.endOfFetch = true;
      break;
    }
  }
  reply.rowsFetched = statement.RowsFetched();
  return reply;
}

SessionEntry& ClientConnection::RequireSession() {
  if (!entry_) throw sql::SqlError(texts::kNotLoggedOnCode, texts::kNotLoggedOn);
  return *entry_;
}

sql::Statement& ClientConnection::Cursor(std::uint32_t cursor) {
  auto found = cursors_.find(cursor);
  if (found == cursors_.end())
    throw sql::SqlError(texts::kInvalidCursorCode, texts::kInvalidCursor);
  return *found->second;
}

void ClientConnection::ReleaseEngineSession() {
  if (!entry_) return;
  cursors_.clear();
  std::unique_ptr<sql::Session> session = entry_->Detach();
  if (!session) return;
  try {
    session->Rollback();
  } catch (const std::exception&) {
    // A killed session refuses every call; ending it below rolls back all the same.
  }
}

void ClientConnection::EndSession() {
  if (!entry_) return;
  ReleaseEngineSession();
  registry_.Remove(entry_);
  entry_.reset();
  username_.clear();
  logonWarning_ = {};
  SessionRegistry::SetCurrentSid(0);
}

}  // namespace devdb::server
