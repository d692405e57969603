// The PL/SQL test fixture: a devdb engine on a temporary folder and the PL/SQL engine wired to
// it as the server wires them.
#include "PlsqlFixture.h"

#include <fstream>
#include <sstream>

#include "devdb/plsql/PlValue.h"
#include "devdb/plsql/ProceduralLanguageBridge.h"

namespace devdb::plsql::testing {

Connection::Connection(PlsqlFixture& fixture, std::unique_ptr<sql::Session> session,
                       std::string user, std::string password, int sid)
    : fixture_(fixture), session_(std::move(session)) {
  SessionIdentity identity;
  sql::SessionRow row = session_->Describe();
  identity.user = row.username;
  identity.sid = sid;
  identity.serial = 1;
  PlsqlFixture* owner = &fixture_;
  auto openAutonomous = [owner, user, password]() { return owner->LogOnRaw(user, password, 0); };
  procedural_ = fixture_.Engine().OpenSession(*session_, identity, openAutonomous);
  fixture_.Directory().Add(session_.get(), procedural_.get());
}

Connection::~Connection() {
  fixture_.Directory().Remove(session_.get());
  procedural_.reset();
  session_.reset();
}

std::string Connection::Run(const std::string& text, std::vector<BlockBind>& binds) {
  if (!ProceduralEngine::Handles(text)) {
    auto statement = session_->Prepare(text);
    statement->Execute({}, 1, 0, false);
    return {};
  }
  auto statement = fixture_.Engine().Prepare(*procedural_, text);
  return statement->ExecuteWithBinds(binds, false);
}

sql::SqlError Connection::ErrorOf(const std::string& text) {
  try {
    Run(text);
  } catch (const sql::SqlError& error) {
    return error;
  }
  return sql::SqlError(0, "");
}

std::vector<std::vector<sql::Value>> Connection::Query(const std::string& text) {
  auto statement = session_->Prepare(text);
  statement->Execute({}, 1, 0, false);
  std::vector<std::vector<sql::Value>> rows;
  for (;;) {
    auto batch = statement->Fetch(100);
    if (batch.empty()) break;
    for (auto& row : batch) rows.push_back(std::move(row));
  }
  return rows;
}

void Connection::Commit() {
  session_->Commit();
  procedural_->OnCommit();
}

void Connection::Rollback() {
  session_->Rollback();
  procedural_->OnRollback();
}

void PlsqlFixture::SetUp() {
  folder_ = std::filesystem::temp_directory_path() /
            ("devdb-plsql-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
  std::filesystem::remove_all(folder_);
  Restart();
}

void PlsqlFixture::TearDown() {
  engine_.reset();
  database_.reset();
  std::filesystem::remove_all(folder_);
}

void PlsqlFixture::Restart() {
  engine_.reset();
  database_.reset();
  sql::EngineOptions options;
  options.dataFolder = folder_.string();
  options.sysPassword = "manager";
  database_ = sql::Database::Open(options, directory_);
  engine_ = std::make_unique<ProceduralEngine>([this] { return database_->OpenDictionarySession(); });
}

std::unique_ptr<sql::Session> PlsqlFixture::LogOnRaw(const std::string& user,
                                                     const std::string& password, int sid) {
  sql::LogonRequest request;
  request.user = user;
  request.password = password;
  request.mode = user == "sys" ? sql::ConnectMode::SysDba : sql::ConnectMode::Normal;
  request.osUser = "tester";
  request.machine = "testhost";
  request.program = "plsql_tests";
  if (sid == 0) sid = 1000 + ++nextSid_;
  return database_->LogOn(request, sid, 1, 5000 + sid).session;
}

std::unique_ptr<Connection> PlsqlFixture::Connect(const std::string& user,
                                                  const std::string& password) {
  int sid = ++nextSid_;
  auto session = LogOnRaw(user, password, sid);
  return std::make_unique<Connection>(*this, std::move(session), user, password, sid);
}

void PlsqlFixture::CreateUser(const std::string& user, const std::string& password) {
  auto system = LogOnRaw("system", "manager", 0);
  system->Prepare("CREATE USER " + user + " IDENTIFIED BY " + password)->Execute({}, 1, 0, false);
  system->Prepare("GRANT CREATE SESSION TO " + user)->Execute({}, 1, 0, false);
  system->Commit();
}

void PlsqlFixture::GrantPackageOwnerPrivileges(const std::string& user) {
  auto system = LogOnRaw("system", "manager", 0);
  system->Prepare("GRANT CREATE PUBLIC SYNONYM TO " + user)->Execute({}, 1, 0, false);
  system->Prepare("GRANT SELECT ON V_$SESSION TO " + user)->Execute({}, 1, 0, false);
  system->Commit();
}

std::string PlsqlFixture::PackageResource() {
  std::ifstream file(VEK_PACKAGE_RESOURCE, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void AttachedPlsqlFixture::SetUp() {
  PlsqlFixture::SetUp();
  sql::Database* database = database_.get();
  database_->AttachProceduralLanguage(std::make_shared<ProceduralLanguageBridge>(
      *engine_, [database](const std::string& user, int sid, int serial, std::int64_t audsid) {
        return database->OpenInternalSession(user, sid, serial, audsid);
      }));
}

void AttachedPlsqlFixture::TearDown() {
  for (auto& session : sessions_) directory_.Remove(session.get());
  sessions_.clear();
  PlsqlFixture::TearDown();
}

sql::Session& AttachedPlsqlFixture::LogOn(const std::string& user, const std::string& password) {
  sessions_.push_back(LogOnRaw(user, password, ++nextSid_));
  directory_.Add(sessions_.back().get(), nullptr);
  return *sessions_.back();
}

sql::ExecuteResult AttachedPlsqlFixture::Run(sql::Session& session, const std::string& text,
                                             const std::vector<sql::Bind>& binds) {
  return session.Prepare(text)->Execute(binds, 1, 0, false);
}

sql::Bind AttachedPlsqlFixture::Out(const std::string& name) {
  sql::Bind bind;
  bind.name = name;
  bind.out = true;
  bind.values.push_back(sql::Value::Null());
  return bind;
}

sql::Bind AttachedPlsqlFixture::In(const std::string& name, sql::Value value) {
  sql::Bind bind;
  bind.name = name;
  bind.values.push_back(std::move(value));
  return bind;
}

BlockBind InBind(const std::string& name, const sql::Value& value) {
  BlockBind bind;
  bind.name = name;
  bind.values.push_back(value);
  return bind;
}

BlockBind OutBind(const std::string& name, std::optional<PlType> type) {
  BlockBind bind;
  bind.name = name;
  bind.type = type;
  return bind;
}

BlockBind TableBind(const std::string& name, int maxElements, std::vector<sql::Value> values) {
  BlockBind bind;
  bind.name = name;
  bind.isTable = true;
  bind.maxElements = maxElements;
  bind.values = std::move(values);
  return bind;
}

std::string Text(const sql::Value& value) {
  if (value.IsNull()) return "<null>";
  return value.text;
}

sql::Value Number(double value) { return sql::Value::Number(PlValue::NumberText(value)); }

std::string Result(Connection& connection, const std::string& block) {
  std::vector<BlockBind> binds{OutBind("r")};
  connection.Run(block, binds);
  return binds[0].values.empty() ? "<null>" : Text(binds[0].values[0]);
}

}  // namespace devdb::plsql::testing
