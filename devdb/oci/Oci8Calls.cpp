// The version-8 entry points with real behaviour: environments, handles and descriptors,
// error records, attributes, logon, statements, binds, defines and fetches. Each checks its
// handles against the registry first (OCI_INVALID_HANDLE when wrong or freed), clears the
// error handle's records and runs its body behind the call guard.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "devdb/oci/BindHandle.h"
#include "devdb/oci/CallGuard.h"
#include "devdb/oci/DefineHandle.h"
#include "devdb/oci/Environment.h"
#include "devdb/oci/ErrorHandle.h"
#include "devdb/oci/HandleRegistry.h"
#include "devdb/oci/LogonArea.h"
#include "devdb/oci/OciApi.h"
#include "devdb/oci/ParamDescriptor.h"
#include "devdb/oci/RowidDescriptor.h"
#include "devdb/oci/ServerHandle.h"
#include "devdb/oci/ServiceContext.h"
#include "devdb/oci/SessionHandle.h"
#include "devdb/oci/StatementHandle.h"

using namespace devdb::oci;
namespace texts = devdb::texts;
using devdb::protocol::WireConnectMode;

namespace {

// Handles a program may allocate that have no behaviour of their own here.
struct OpaqueHandle {
  ub4 type;
};
constexpr ub4 kUserMemory = 2000;

HandleRegistry& Registry() { return HandleRegistry::Instance(); }

template <typename T>
T* Lookup(const void* address, ub4 type) {
  return Registry().Find<T>(address, type);
}

std::string Text(const OraText* text, long long length) {
  if (text == nullptr) return "";
  const char* chars = reinterpret_cast<const char*>(text);
  if (length < 0) return std::string(chars);
  return std::string(chars, static_cast<std::size_t>(length));
}

std::string BindName(const OraText* text, sb4 length) {
  std::string name = Text(text, length);
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

void* ExtraMemory(const void* owner, size_t size, void** usrmempp) {
  if (usrmempp == nullptr) return nullptr;
  *usrmempp = nullptr;
  if (size == 0) return nullptr;
  auto block = std::make_unique<std::vector<unsigned char>>(size);
  void* memory = block->data();
  Registry().Add(std::move(block), kUserMemory, owner, memory);
  *usrmempp = memory;
  return memory;
}

// For tests only: DEVDB_OCI_FAIL_ALLOCATION names what the library refuses to allocate, as
// a genuine library does when the client side runs out of memory: "environment", or a
// handle type number for OCIHandleAlloc (for example "2" for error handles).
bool AllocationForcedToFail(const char* what) {
  const char* forced = std::getenv("DEVDB_OCI_FAIL_ALLOCATION");
  return forced != nullptr && std::strcmp(forced, what) == 0;
}

sword CreateEnvironment(OCIEnv** envp, ub4 mode, size_t xtramem_sz, void** usrmempp) {
  if (envp == nullptr) return OCI_INVALID_HANDLE;
  try {
    auto* environment = Registry().Add(std::make_unique<Environment>(mode), OCI_HTYPE_ENV, nullptr);
    *envp = reinterpret_cast<OCIEnv*>(environment);
    if (AllocationForcedToFail("environment")) {
      // The half-made environment carries the reason; the program reads it with OCIErrorGet
      // (OCI_HTYPE_ENV) and frees the handle.
      environment->records.Add(
          texts::kOutOfUserMemory.code,
          ErrorRecords::Format(texts::kOutOfUserMemory.code, texts::kOutOfUserMemory.message));
      return OCI_ERROR;
    }
    ExtraMemory(environment, xtramem_sz, usrmempp);
    return OCI_SUCCESS;
  } catch (...) {
    *envp = nullptr;
    return OCI_ERROR;
  }
}

// The connection of a service context's server handle; raises when it has none.
ServerHandle& AttachedServer(ServiceContext& service) {
  auto* server = Lookup<ServerHandle>(service.server, OCI_HTYPE_SERVER);
  if (server == nullptr || !server->Attached()) ErrorRecords::Raise(texts::kNotConnected);
  return *server;
}

// The link of the session a service context runs statements on.
std::shared_ptr<ServerLink> SessionLink(ServiceContext& service) {
  auto* session = Lookup<SessionHandle>(service.session, OCI_HTYPE_SESSION);
  if (session != nullptr && session->Active()) return session->link;
  ServerHandle& server = AttachedServer(service);
  server.link->RequireSession();
  return server.link;
}

WireConnectMode ConnectMode(ub4 mode) {
  if (mode & OCI_SYSDBA) return WireConnectMode::SysDba;
  if (mode & OCI_SYSOPER) return WireConnectMode::SysOper;
  return WireConnectMode::Normal;
}

// A warning that comes with a success: a record and OCI_SUCCESS_WITH_INFO.
sword WithWarning(ErrorRecords& records, const devdb::protocol::WireError& warning) {
  if (warning.code == 0) return OCI_SUCCESS;
  records.Add(warning.code, warning.message);
  return OCI_SUCCESS_WITH_INFO;
}

// The warning the server gave with an execution ("ORA-24344: success with compilation
// error" after stored code that does not compile): kept as a record, and the call succeeds
// with info so that the program knows to look.
sword WithWarning(ErrorRecords& records, const std::string& warning) {
  if (warning.empty()) return OCI_SUCCESS;
  records.Add(ErrorRecords::CodeOf(warning), warning);
  return OCI_SUCCESS_WITH_INFO;
}

sword FetchStatus(ErrorRecords& records, const StatementCore::FetchResult& result) {
  if (result.nullWithoutIndicator) ErrorRecords::Raise(texts::kFetchedNull);
  if (result.endOfData) {
    records.Add(texts::kNoDataFound.code,
                ErrorRecords::Format(texts::kNoDataFound.code, texts::kNoDataFound.message));
    return OCI_NO_DATA;
  }
  if (result.truncated) {
    records.Add(texts::kTruncated.code,
                ErrorRecords::Format(texts::kTruncated.code, texts::kTruncated.message));
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}

template <typename T>
void Put(void* attributep, T value) {
  if (attributep == nullptr) ErrorRecords::Raise(texts::kBadArgument);
  std::memcpy(attributep, &value, sizeof value);
}

template <typename T>
T Take(const void* attributep) {
  if (attributep == nullptr) ErrorRecords::Raise(texts::kBadArgument);
  T value;
  std::memcpy(&value, attributep, sizeof value);
  return value;
}

void PutText(void* attributep, ub4* sizep, const std::string& text) {
  Put<const OraText*>(attributep, reinterpret_cast<const OraText*>(text.c_str()));
  if (sizep != nullptr) *sizep = static_cast<ub4>(text.size());
}

// The width of a select-list item when shown as text.
ub2 DisplaySize(const devdb::protocol::WireColumn& column) {
  switch (column.oracleType) {
    case SQLT_NUM: return 40;
    case SQLT_DAT: return 9;
    case SQLT_BIN: return static_cast<ub2>(column.dataSize * 2);
    default: return static_cast<ub2>(column.dataSize);
  }
}

sword StatementAttribute(StatementHandle& statement, void* attributep, ub4* sizep, ub4 attribute) {
  StatementCore& core = statement.core;
  switch (attribute) {
    case OCI_ATTR_STMT_TYPE: Put<ub2>(attributep, static_cast<ub2>(core.StatementType())); break;
    case OCI_ATTR_SQLFNCODE: Put<ub2>(attributep, static_cast<ub2>(core.FunctionCode())); break;
    case OCI_ATTR_ROW_COUNT: Put<ub4>(attributep, static_cast<ub4>(core.RowCount())); break;
    case OCI_ATTR_ROWS_FETCHED: Put<ub4>(attributep, core.LastFetched()); break;
    case OCI_ATTR_PARSE_ERROR_OFFSET:
    case OCI_ATTR_PARSE_ERROR_OFFSET_80:
      Put<ub2>(attributep, static_cast<ub2>(core.ParseErrorOffset()));
      break;
    case OCI_ATTR_PREFETCH_ROWS: Put<ub4>(attributep, statement.prefetchRows); break;
    case OCI_ATTR_PREFETCH_MEMORY: Put<ub4>(attributep, statement.prefetchMemory); break;
    case OCI_ATTR_PARAM_COUNT: {
      const bool known =
          core.HasText() && core.HasLink() && (core.Executed() || statement.described);
      Put<ub4>(attributep, known ? static_cast<ub4>(core.Columns().size()) : 0);
      break;
    }
    case OCI_ATTR_ROWID: {
      // The last row the last INSERT, UPDATE or DELETE touched; after any other statement,
      // or one that touched no row, the descriptor reads as "no ROWID" (all four numbers 0).
      auto* rowid = Lookup<RowidDescriptor>(attributep, OCI_DTYPE_ROWID);
      if (rowid == nullptr) return OCI_INVALID_HANDLE;
      rowid->SetText(core.Rowid());
      break;
    }
    case OCI_ATTR_ENV: Put<OCIEnv*>(attributep, reinterpret_cast<OCIEnv*>(statement.Env())); break;
    default: ErrorRecords::Raise(texts::kInvalidAttribute);
  }
  if (sizep != nullptr && attribute != OCI_ATTR_ROWID) {
    const bool wide = attribute == OCI_ATTR_ROW_COUNT || attribute == OCI_ATTR_ROWS_FETCHED ||
                      attribute == OCI_ATTR_PREFETCH_ROWS ||
                      attribute == OCI_ATTR_PREFETCH_MEMORY || attribute == OCI_ATTR_PARAM_COUNT;
    *sizep = attribute == OCI_ATTR_ENV ? sizeof(void*) : wide ? 4 : 2;
  }
  return OCI_SUCCESS;
}

sword ParamAttribute(ParamDescriptor& param, void* attributep, ub4* sizep, ub4 attribute) {
  const auto& column = param.column;
  switch (attribute) {
    case OCI_ATTR_DATA_SIZE: Put<ub2>(attributep, static_cast<ub2>(column.dataSize)); break;
    case OCI_ATTR_DATA_TYPE: Put<ub2>(attributep, static_cast<ub2>(column.oracleType)); break;
    case OCI_ATTR_DISP_SIZE: Put<ub2>(attributep, DisplaySize(column)); break;
    case OCI_ATTR_NAME: PutText(attributep, sizep, column.name); return OCI_SUCCESS;
    case OCI_ATTR_PRECISION: Put<sb2>(attributep, static_cast<sb2>(column.precision)); break;
    case OCI_ATTR_SCALE: Put<sb1>(attributep, static_cast<sb1>(column.scale)); break;
    case OCI_ATTR_IS_NULL: Put<ub1>(attributep, column.nullable ? 1 : 0); break;
    case OCI_ATTR_TYPE_NAME: PutText(attributep, sizep, param.typeName); return OCI_SUCCESS;
    case OCI_ATTR_SCHEMA_NAME: PutText(attributep, sizep, param.schemaName); return OCI_SUCCESS;
    default: ErrorRecords::Raise(texts::kInvalidAttribute);
  }
  if (sizep != nullptr)
    *sizep = attribute == OCI_ATTR_SCALE || attribute == OCI_ATTR_IS_NULL ? 1 : 2;
  return OCI_SUCCESS;
}

// The error records a call without an error handle reports to, if any.
ErrorRecords* RecordsOf(OCIError* errhp) {
  auto* error = Lookup<ErrorHandle>(errhp, OCI_HTYPE_ERROR);
  if (error == nullptr) return nullptr;
  error->records.Clear();
  return &error->records;
}

// Records a program's buffers for a placeholder, by name or by position.
sword BindBuffers(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, std::string name, ub4 position,
                  void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                  ub4 maxarr_len, ub4* curelep, ub4 mode) {
  auto* statement = Lookup<StatementHandle>(stmtp, OCI_HTYPE_STMT);
  ErrorRecords* records = RecordsOf(errhp);
  if (statement == nullptr || records == nullptr || bindp == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (mode & OCI_DATA_AT_EXEC) ErrorRecords::Raise(texts::kUnimplemented);
    if (name.empty() && position == 0) ErrorRecords::Raise(texts::kBadBindName);
    if (!statement->core.HasText()) ErrorRecords::Raise(texts::kNotPrepared);
    HostBind bind;
    bind.name = name;
    bind.position = position;
    bind.value = valuep;
    bind.size = value_sz;
    bind.type = dty;
    bind.indicators = static_cast<sb2*>(indp);
    bind.lengths = alenp;
    bind.codes = rcodep;
    bind.maxElements = maxarr_len;
    bind.currentElements = curelep;
    if (dty == SQLT_RSET) {
      // valuep holds the program's statement handle variable; the cursor the block opens
      // becomes that statement's query, ready to describe and fetch.
      if (valuep == nullptr) ErrorRecords::Raise(texts::kBadArgument);
      bind.adoptCursor = [valuep](const std::shared_ptr<ServerLink>& link, std::uint32_t cursor) {
        OCIStmt* handle = nullptr;
        std::memcpy(&handle, valuep, sizeof handle);
        auto* target = Lookup<StatementHandle>(handle, OCI_HTYPE_STMT);
        if (target == nullptr) ErrorRecords::Raise(texts::kInvalidCursor);
        Registry().RemoveChildren(target);
        target->core.Adopt(link, cursor);
        target->described = cursor != 0;
      };
    }
    statement->core.Bind(std::move(bind));
    auto* handle = Lookup<BindHandle>(*bindp, OCI_HTYPE_BIND);
    if (handle == nullptr || handle->statement != statement || handle->name != name ||
        handle->position != position)
      handle = Registry().Add(std::make_unique<BindHandle>(statement, name, position),
                              OCI_HTYPE_BIND, statement);
    *bindp = reinterpret_cast<OCIBind*>(handle);
    return OCI_SUCCESS;
  });
}

}  // namespace

extern "C" {

sword OCIInitialize(ub4, void*, void* (*)(void*, size_t), void* (*)(void*, void*, size_t),
                    void (*)(void*, void*)) {
  return OCI_SUCCESS;
}

sword OCIEnvInit(OCIEnv** envp, ub4 mode, size_t xtramem_sz, void** usrmempp) {
  return CreateEnvironment(envp, mode, xtramem_sz, usrmempp);
}

sword OCIEnvCreate(OCIEnv** envp, ub4 mode, void*, void* (*)(void*, size_t),
                   void* (*)(void*, void*, size_t), void (*)(void*, void*), size_t xtramem_sz,
                   void** usrmempp) {
  return CreateEnvironment(envp, mode, xtramem_sz, usrmempp);
}

sword OCIHandleAlloc(const void* parenth, void** hndlpp, const ub4 type, const size_t xtramem_sz,
                     void** usrmempp) {
  auto* environment = Lookup<Environment>(parenth, OCI_HTYPE_ENV);
  if (environment == nullptr || hndlpp == nullptr) return OCI_INVALID_HANDLE;
  std::lock_guard lock(environment->recordsMutex);
  environment->records.Clear();
  return GuardedCall(environment->records, [&]() -> sword {
    if (AllocationForcedToFail(std::to_string(type).c_str()))
      ErrorRecords::Raise(texts::kOutOfUserMemory);
    void* handle = nullptr;
    switch (type) {
      case OCI_HTYPE_ERROR:
        handle = Registry().Add(std::make_unique<ErrorHandle>(environment), type, environment);
        break;
      case OCI_HTYPE_SVCCTX:
        handle = Registry().Add(std::make_unique<ServiceContext>(environment), type, environment);
        break;
      case OCI_HTYPE_STMT:
        handle = Registry().Add(std::make_unique<StatementHandle>(environment), type, environment);
        break;
      case OCI_HTYPE_SERVER:
        handle = Registry().Add(std::make_unique<ServerHandle>(environment), type, environment);
        break;
      case OCI_HTYPE_SESSION:
        handle = Registry().Add(std::make_unique<SessionHandle>(environment), type, environment);
        break;
      case OCI_HTYPE_DESCRIBE:
      case OCI_HTYPE_TRANS:
        handle =
            Registry().Add(std::make_unique<OpaqueHandle>(OpaqueHandle{type}), type, environment);
        break;
      default: ErrorRecords::Raise(texts::kBadArgument);
    }
    *hndlpp = handle;
    ExtraMemory(handle, xtramem_sz, usrmempp);
    return OCI_SUCCESS;
  });
}

sword OCIHandleFree(void* hndlp, const ub4 type) {
  try {
    return Registry().Remove(hndlp, type) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
  } catch (...) {
    return OCI_ERROR;
  }
}

sword OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type,
                         const size_t xtramem_sz, void** usrmempp) {
  auto* environment = Lookup<Environment>(parenth, OCI_HTYPE_ENV);
  if (environment == nullptr || descpp == nullptr) return OCI_INVALID_HANDLE;
  std::lock_guard lock(environment->recordsMutex);
  environment->records.Clear();
  return GuardedCall(environment->records, [&]() -> sword {
    void* descriptor = nullptr;
    if (type == OCI_DTYPE_ROWID) {
      descriptor = Registry().Add(std::make_unique<RowidDescriptor>(), type, environment);
    } else if (type >= OCI_DTYPE_LOB && type <= 70 && type != OCI_DTYPE_PARAM) {
      descriptor =
          Registry().Add(std::make_unique<OpaqueHandle>(OpaqueHandle{type}), type, environment);
    } else {
      ErrorRecords::Raise(texts::kBadArgument);
    }
    *descpp = descriptor;
    ExtraMemory(descriptor, xtramem_sz, usrmempp);
    return OCI_SUCCESS;
  });
}

sword OCIDescriptorFree(void* descp, const ub4 type) {
  try {
    return Registry().Remove(descp, type) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
  } catch (...) {
    return OCI_ERROR;
  }
}

sword OCIRowidToChar(OCIRowid* rowidDesc, OraText* outbfp, ub2* outbflp, OCIError* errhp) {
  ErrorRecords* records = RecordsOf(errhp);
  auto* rowid = Lookup<RowidDescriptor>(rowidDesc, OCI_DTYPE_ROWID);
  if (records == nullptr || rowid == nullptr || outbflp == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    const std::string text = rowid->Text();
    const ub2 room = *outbflp;
    *outbflp = static_cast<ub2>(text.size());
    // Too small a buffer is refused with the length it needs, as Oracle does.
    if (outbfp == nullptr || room < text.size()) ErrorRecords::Raise(texts::kBadArgument);
    std::memcpy(outbfp, text.data(), text.size());
    return OCI_SUCCESS;
  });
}

sword OCIErrorGet(void* hndlp, ub4 recordno, OraText*, sb4* errcodep, OraText* bufp, ub4 bufsiz,
                  ub4 type) {
  const ErrorRecords* records = nullptr;
  std::unique_lock<std::mutex> lock;
  if (type == OCI_HTYPE_ERROR) {
    if (auto* error = Lookup<ErrorHandle>(hndlp, type)) records = &error->records;
  } else if (type == OCI_HTYPE_ENV) {
    if (auto* environment = Lookup<Environment>(hndlp, type)) {
      lock = std::unique_lock(environment->recordsMutex);
      records = &environment->records;
    }
  }
  if (records == nullptr) return OCI_INVALID_HANDLE;
  const ErrorRecords::Record* record = records->Get(recordno);
  if (record == nullptr) return OCI_NO_DATA;
  if (errcodep != nullptr) *errcodep = record->code;
  if (bufp != nullptr && bufsiz > 0) {
    const std::string text = record->message + "\n";
    const std::size_t count = std::min<std::size_t>(text.size(), bufsiz - 1);
    std::memcpy(bufp, text.data(), count);
    bufp[count] = 0;
  }
  return OCI_SUCCESS;
}

sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len,
                      ub4) {
  auto* server = Lookup<ServerHandle>(srvhp, OCI_HTYPE_SERVER);
  ErrorRecords* records = RecordsOf(errhp);
  if (server == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (server->Attached()) ErrorRecords::Raise(texts::kAlreadyAttached);
    server->link = std::make_shared<ServerLink>(Text(dblink, dblink_len));
    return OCI_SUCCESS;
  });
}

sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4) {
  auto* server = Lookup<ServerHandle>(srvhp, OCI_HTYPE_SERVER);
  ErrorRecords* records = RecordsOf(errhp);
  if (server == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (!server->Attached()) ErrorRecords::Raise(texts::kNotConnected);
    server->link->Connection().Close();
    server->link.reset();
    return OCI_SUCCESS;
  });
}

sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4 mode) {
  auto* service = Lookup<ServiceContext>(svchp, OCI_HTYPE_SVCCTX);
  auto* session = Lookup<SessionHandle>(usrhp, OCI_HTYPE_SESSION);
  ErrorRecords* records = RecordsOf(errhp);
  if (service == nullptr || session == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    auto* server = Lookup<ServerHandle>(service->server, OCI_HTYPE_SERVER);
    if (server == nullptr || !server->Attached()) ErrorRecords::Raise(texts::kNotAttached);
    if (session->Active()) ErrorRecords::Raise(texts::kAlreadyAuthenticated);
    std::string user, password;
    if (credt == OCI_CRED_RDBMS) {
      // Empty database credentials would read as a request for external authentication.
      if (session->userName.empty() && session->password.empty())
        ErrorRecords::Raise(texts::kInvalidLogon);
      user = session->userName;
      password = session->password;
    } else if (credt != OCI_CRED_EXT) {
      ErrorRecords::Raise(texts::kBadArgument);
    }
    const auto reply = server->link->LogOn(user, password, ConnectMode(mode));
    session->link = server->link;
    if (credt == OCI_CRED_EXT) session->userName = reply.username;
    service->session = usrhp;
    return WithWarning(*records, reply.warning);
  });
}

sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4) {
  auto* service = Lookup<ServiceContext>(svchp, OCI_HTYPE_SVCCTX);
  ErrorRecords* records = RecordsOf(errhp);
  if (service == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  auto* session =
      Lookup<SessionHandle>(usrhp != nullptr ? usrhp : service->session, OCI_HTYPE_SESSION);
  if (session == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (session->link == nullptr) ErrorRecords::Raise(texts::kNotLoggedOn);
    auto link = std::move(session->link);
    link->LogOff();
    return OCI_SUCCESS;
  });
}

sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const OraText* username,
               ub4 uname_len, const OraText* password, ub4 passwd_len, const OraText* dbname,
               ub4 dbname_len) {
  auto* environment = Lookup<Environment>(envhp, OCI_HTYPE_ENV);
  ErrorRecords* records = RecordsOf(errhp);
  if (environment == nullptr || records == nullptr || svchp == nullptr) return OCI_INVALID_HANDLE;
  *svchp = nullptr;
  void* service = nullptr;
  const sword status = GuardedCall(*records, [&]() -> sword {
    auto* context = Registry().Add(std::make_unique<ServiceContext>(environment), OCI_HTYPE_SVCCTX,
                                   environment);
    service = context;
    auto* server =
        Registry().Add(std::make_unique<ServerHandle>(environment), OCI_HTYPE_SERVER, context);
    auto* session =
        Registry().Add(std::make_unique<SessionHandle>(environment), OCI_HTYPE_SESSION, context);
    context->server = reinterpret_cast<OCIServer*>(server);
    context->session = reinterpret_cast<OCISession*>(session);
    context->madeByLogon = true;
    server->link = std::make_shared<ServerLink>(Text(dbname, dbname_len));
    session->userName = Text(username, uname_len);
    session->password = Text(password, passwd_len);
    const auto reply =
        server->link->LogOn(session->userName, session->password, WireConnectMode::Normal);
    session->link = server->link;
    return WithWarning(*records, reply.warning);
  });
  if (status == OCI_ERROR) {
    if (service != nullptr) Registry().Remove(service, OCI_HTYPE_SVCCTX);
    return status;
  }
  *svchp = static_cast<OCISvcCtx*>(service);
  return status;
}

sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp) {
  auto* service = Lookup<ServiceContext>(svchp, OCI_HTYPE_SVCCTX);
  ErrorRecords* records = RecordsOf(errhp);
  if (service == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  const sword status = GuardedCall(*records, [&]() -> sword {
    auto* session = Lookup<SessionHandle>(service->session, OCI_HTYPE_SESSION);
    if (session != nullptr && session->Active()) session->link->LogOff();
    return OCI_SUCCESS;
  });
  if (service->madeByLogon) Registry().Remove(svchp, OCI_HTYPE_SVCCTX);
  return status;
}

sword OCIPasswordChange(OCISvcCtx* svchp, OCIError* errhp, const OraText* user_name, ub4 usernm_len,
                        const OraText* opasswd, ub4 opasswd_len, const OraText* npasswd,
                        ub4 npasswd_len, ub4 mode) {
  auto* service = Lookup<ServiceContext>(svchp, OCI_HTYPE_SVCCTX);
  ErrorRecords* records = RecordsOf(errhp);
  if (service == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  auto* server = Lookup<ServerHandle>(service->server, OCI_HTYPE_SERVER);
  if (server == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (!server->Attached()) ErrorRecords::Raise(texts::kNotAttached);
    const std::string user = Text(user_name, usernm_len);
    const std::string newPassword = Text(npasswd, npasswd_len);
    const bool sessionActive = server->link->LoggedOn();
    const bool logOnAfter = !sessionActive && (mode & OCI_AUTH) != 0;
    const auto reply =
        server->link->ChangePassword(user, Text(opasswd, opasswd_len), newPassword, logOnAfter);
    if (reply.loggedOn && !sessionActive) {
      auto* session = Lookup<SessionHandle>(service->session, OCI_HTYPE_SESSION);
      if (session == nullptr) {
        session = Registry().Add(std::make_unique<SessionHandle>(service->Env()), OCI_HTYPE_SESSION,
                                 service);
        service->session = reinterpret_cast<OCISession*>(session);
      }
      session->userName = user;
      session->password = newPassword;
      session->link = server->link;
    }
    return WithWarning(*records, reply.warning);
  });
}

sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz, ub1 hndltype) {
  ErrorRecords* records = RecordsOf(errhp);
  if (records == nullptr) return OCI_INVALID_HANDLE;
  ServerHandle* server = nullptr;
  if (hndltype == OCI_HTYPE_SVCCTX) {
    auto* service = Lookup<ServiceContext>(hndlp, OCI_HTYPE_SVCCTX);
    if (service == nullptr) return OCI_INVALID_HANDLE;
    server = Lookup<ServerHandle>(service->server, OCI_HTYPE_SERVER);
  } else if (hndltype == OCI_HTYPE_SERVER) {
    server = Lookup<ServerHandle>(hndlp, OCI_HTYPE_SERVER);
  }
  if (server == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (!server->Attached()) ErrorRecords::Raise(texts::kNotConnected);
    if (bufp == nullptr || bufsz == 0) ErrorRecords::Raise(texts::kBadArgument);
    const std::string banner = server->link->Connection().Version();
    const std::size_t count = std::min<std::size_t>(banner.size(), bufsz - 1);
    std::memcpy(bufp, banner.data(), count);
    bufp[count] = 0;
    return OCI_SUCCESS;
  });
}

sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                 OCIError* errhp) {
  ErrorRecords* records = RecordsOf(errhp);
  if (records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    switch (trghndltyp) {
      case OCI_HTYPE_STMT: {
        auto* statement = Lookup<StatementHandle>(trgthndlp, trghndltyp);
        return statement == nullptr ? OCI_INVALID_HANDLE
                                    : StatementAttribute(*statement, attributep, sizep, attrtype);
      }
      case OCI_DTYPE_PARAM: {
        auto* param = Lookup<ParamDescriptor>(trgthndlp, trghndltyp);
        return param == nullptr ? OCI_INVALID_HANDLE
                                : ParamAttribute(*param, attributep, sizep, attrtype);
      }
      case OCI_HTYPE_SVCCTX: {
        auto* service = Lookup<ServiceContext>(trgthndlp, trghndltyp);
        if (service == nullptr) return OCI_INVALID_HANDLE;
        if (attrtype == OCI_ATTR_SERVER)
          Put<OCIServer*>(attributep, service->server);
        else if (attrtype == OCI_ATTR_SESSION)
          Put<OCISession*>(attributep, service->session);
        else if (attrtype == OCI_ATTR_ENV)
          Put<OCIEnv*>(attributep, reinterpret_cast<OCIEnv*>(service->Env()));
        else
          ErrorRecords::Raise(texts::kInvalidAttribute);
        if (sizep != nullptr) *sizep = sizeof(void*);
        return OCI_SUCCESS;
      }
      case OCI_HTYPE_SESSION: {
        auto* session = Lookup<SessionHandle>(trgthndlp, trghndltyp);
        if (session == nullptr) return OCI_INVALID_HANDLE;
        if (attrtype == OCI_ATTR_USERNAME)
          PutText(attributep, sizep, session->userName);
        else if (attrtype == OCI_ATTR_ENV)
          Put<OCIEnv*>(attributep, reinterpret_cast<OCIEnv*>(session->Env()));
        else
          ErrorRecords::Raise(texts::kInvalidAttribute);
        return OCI_SUCCESS;
      }
      case OCI_HTYPE_SERVER: {
        auto* server = Lookup<ServerHandle>(trgthndlp, trghndltyp);
        if (server == nullptr) return OCI_INVALID_HANDLE;
        constexpr ub4 kServerStatus = 143;
        if (attrtype == kServerStatus)
          Put<ub4>(attributep, server->Attached() ? 1 : 0);
        else if (attrtype == OCI_ATTR_ENV)
          Put<OCIEnv*>(attributep, reinterpret_cast<OCIEnv*>(server->Env()));
        else
          ErrorRecords::Raise(texts::kInvalidAttribute);
        return OCI_SUCCESS;
      }
      default:
        return Registry().TypeOf(trgthndlp) == trghndltyp && trghndltyp != 0
                   ? (ErrorRecords::Raise(texts::kInvalidAttribute), OCI_ERROR)
                   : OCI_INVALID_HANDLE;
    }
  });
}

sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                 OCIError* errhp) {
  ErrorRecords* records = RecordsOf(errhp);
  if (records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    switch (trghndltyp) {
      case OCI_HTYPE_SVCCTX: {
        auto* service = Lookup<ServiceContext>(trgthndlp, trghndltyp);
        if (service == nullptr) return OCI_INVALID_HANDLE;
        if (attrtype == OCI_ATTR_SERVER) {
          if (attributep != nullptr && !Lookup<ServerHandle>(attributep, OCI_HTYPE_SERVER))
            return OCI_INVALID_HANDLE;
          service->server = static_cast<OCIServer*>(attributep);
        } else if (attrtype == OCI_ATTR_SESSION) {
          if (attributep != nullptr && !Lookup<SessionHandle>(attributep, OCI_HTYPE_SESSION))
            return OCI_INVALID_HANDLE;
          service->session = static_cast<OCISession*>(attributep);
        } else {
          ErrorRecords::Raise(texts::kInvalidAttribute);
        }
        return OCI_SUCCESS;
      }
      case OCI_HTYPE_SESSION: {
        auto* session = Lookup<SessionHandle>(trgthndlp, trghndltyp);
        if (session == nullptr) return OCI_INVALID_HANDLE;
        const std::string text = Text(static_cast<const OraText*>(attributep), size);
        if (attrtype == OCI_ATTR_USERNAME)
          session->userName = text;
        else if (attrtype == OCI_ATTR_PASSWORD)
          session->password = text;
        else
          ErrorRecords::Raise(texts::kInvalidAttribute);
        return OCI_SUCCESS;
      }
      case OCI_HTYPE_STMT: {
        auto* statement = Lookup<StatementHandle>(trgthndlp, trghndltyp);
        if (statement == nullptr) return OCI_INVALID_HANDLE;
        if (attrtype == OCI_ATTR_PREFETCH_ROWS)
          statement->prefetchRows = Take<ub4>(attributep);
        else if (attrtype == OCI_ATTR_PREFETCH_MEMORY)
          statement->prefetchMemory = Take<ub4>(attributep);
        else
          ErrorRecords::Raise(texts::kInvalidAttribute);
        return OCI_SUCCESS;
      }
      default:
        return Registry().TypeOf(trgthndlp) == trghndltyp && trghndltyp != 0
                   ? (ErrorRecords::Raise(texts::kInvalidAttribute), OCI_ERROR)
                   : OCI_INVALID_HANDLE;
    }
  });
}

sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len,
                     ub4 language, ub4) {
  auto* statement = Lookup<StatementHandle>(stmtp, OCI_HTYPE_STMT);
  ErrorRecords* records = RecordsOf(errhp);
  if (statement == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (stmt == nullptr || language > 3) ErrorRecords::Raise(texts::kBadArgument);
    Registry().RemoveChildren(statement);
    statement->core.SetText(Text(stmt, stmt_len));
    statement->described = false;
    return OCI_SUCCESS;
  });
}

sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                    sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                    ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode) {
  std::string name;
  try {
    name = BindName(placeholder, placeh_len);
  } catch (...) {
    return OCI_ERROR;
  }
  return BindBuffers(stmtp, bindp, errhp, name, 0, valuep, value_sz, dty, indp, alenp, rcodep,
                     maxarr_len, curelep, mode);
}

sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                   sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                   ub4* curelep, ub4 mode) {
  return BindBuffers(stmtp, bindp, errhp, "", position, valuep, value_sz, dty, indp, alenp, rcodep,
                     maxarr_len, curelep, mode);
}

sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip,
                           ub4 rcskip) {
  auto* handle = Lookup<BindHandle>(bindp, OCI_HTYPE_BIND);
  ErrorRecords* records = RecordsOf(errhp);
  if (handle == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    HostBind* bind = handle->name.empty() ? handle->statement->core.FindBind(handle->position)
                                          : handle->statement->core.FindBind(handle->name);
    if (bind == nullptr) ErrorRecords::Raise(texts::kBadBindName);
    bind->valueSkip = pvskip;
    bind->indicatorSkip = indskip;
    bind->lengthSkip = alskip;
    bind->codeSkip = rcskip;
    return OCI_SUCCESS;
  });
}

sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot*, OCISnapshot*, ub4 mode) {
  auto* service = Lookup<ServiceContext>(svchp, OCI_HTYPE_SVCCTX);
  auto* statement = Lookup<StatementHandle>(stmtp, OCI_HTYPE_STMT);
  ErrorRecords* records = RecordsOf(errhp);
  if (service == nullptr || statement == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    StatementCore& core = statement->core;
    if (!core.HasText()) ErrorRecords::Raise(texts::kNotPrepared);
    core.UseLink(SessionLink(*service));
    if (mode & OCI_DESCRIBE_ONLY) {
      core.Parse();
      statement->described = true;
      return OCI_SUCCESS;
    }
    const bool commit = (mode & OCI_COMMIT_ON_SUCCESS) != 0;
    if (core.IsQuery()) {
      const auto result = core.Execute(1, 0, commit, iters);
      statement->described = true;
      const sword warned = WithWarning(*records, core.Warning());
      if (iters == 0) return warned;
      const sword fetched = FetchStatus(*records, result);
      return fetched == OCI_SUCCESS ? warned : fetched;
    }
    if (iters == 0 || rowoff >= iters) ErrorRecords::Raise(texts::kZeroIterations);
    core.Execute(iters, rowoff, commit, 0);
    return WithWarning(*records, core.Warning());
  });
}

sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position, void* valuep,
                     sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep, ub4) {
  auto* statement = Lookup<StatementHandle>(stmtp, OCI_HTYPE_STMT);
  ErrorRecords* records = RecordsOf(errhp);
  if (statement == nullptr || records == nullptr || defnp == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (position == 0) ErrorRecords::Raise(texts::kUnimplemented);
    HostDefine define;
    define.position = position;
    define.value = valuep;
    define.size = value_sz;
    define.type = dty;
    define.indicators = static_cast<sb2*>(indp);
    define.lengths = rlenp;
    define.codes = rcodep;
    auto* handle = Lookup<DefineHandle>(*defnp, OCI_HTYPE_DEFINE);
    if (handle == nullptr || handle->statement != statement || handle->position != position)
      handle = Registry().Add(std::make_unique<DefineHandle>(statement, position), OCI_HTYPE_DEFINE,
                              statement);
    define.handle = reinterpret_cast<OCIDefine*>(handle);
    statement->core.Define(define);
    *defnp = reinterpret_cast<OCIDefine*>(handle);
    return OCI_SUCCESS;
  });
}

sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp, OCICallbackDefine ocbfp) {
  auto* handle = Lookup<DefineHandle>(defnp, OCI_HTYPE_DEFINE);
  ErrorRecords* records = RecordsOf(errhp);
  if (handle == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    HostDefine* define = handle->statement->core.FindDefine(handle->position);
    if (define == nullptr || ocbfp == nullptr) ErrorRecords::Raise(texts::kBadArgument);
    define->callback = ocbfp;
    define->context = octxp;
    return OCI_SUCCESS;
  });
}

sword OCIDefineArrayOfStruct(OCIDefine* defnp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 rlskip,
                             ub4 rcskip) {
  auto* handle = Lookup<DefineHandle>(defnp, OCI_HTYPE_DEFINE);
  ErrorRecords* records = RecordsOf(errhp);
  if (handle == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    HostDefine* define = handle->statement->core.FindDefine(handle->position);
    if (define == nullptr) ErrorRecords::Raise(texts::kBadArgument);
    define->valueSkip = pvskip;
    define->indicatorSkip = indskip;
    define->lengthSkip = rlskip;
    define->codeSkip = rcskip;
    return OCI_SUCCESS;
  });
}

sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4) {
  auto* statement = Lookup<StatementHandle>(stmtp, OCI_HTYPE_STMT);
  ErrorRecords* records = RecordsOf(errhp);
  if (statement == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (orientation != OCI_FETCH_NEXT && orientation != OCI_DEFAULT)
      ErrorRecords::Raise(texts::kUnimplemented);
    return FetchStatus(*records, statement->core.Fetch(nrows));
  });
}

sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos) {
  ErrorRecords* records = RecordsOf(errhp);
  if (records == nullptr || parmdpp == nullptr) return OCI_INVALID_HANDLE;
  if (htype != OCI_HTYPE_STMT) {
    if (Registry().TypeOf(hndlp) != htype) return OCI_INVALID_HANDLE;
    records->Add(texts::kUnimplemented.code,
                 ErrorRecords::Format(texts::kUnimplemented.code, texts::kUnimplemented.message));
    return OCI_ERROR;
  }
  auto* statement = Lookup<StatementHandle>(hndlp, OCI_HTYPE_STMT);
  if (statement == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    StatementCore& core = statement->core;
    if (!core.HasText()) ErrorRecords::Raise(texts::kNotPrepared);
    if (!core.HasLink() || !(core.Executed() || statement->described))
      ErrorRecords::Raise(texts::kNotExecuted);
    const auto& columns = core.Columns();
    if (pos < 1 || pos > columns.size()) ErrorRecords::Raise(texts::kBadPosition);
    // As with Oracle's library, the descriptor is the program's to free (OCIDescriptorFree);
    // it outlives the statement and goes only with its environment.
    *parmdpp = Registry().Add(std::make_unique<ParamDescriptor>(columns[pos - 1]), OCI_DTYPE_PARAM,
                              statement->Env());
    return OCI_SUCCESS;
  });
}

sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  auto* service = Lookup<ServiceContext>(svchp, OCI_HTYPE_SVCCTX);
  ErrorRecords* records = RecordsOf(errhp);
  if (service == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    SessionLink(*service)->Connection().Commit();
    return OCI_SUCCESS;
  });
}

sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  auto* service = Lookup<ServiceContext>(svchp, OCI_HTYPE_SVCCTX);
  ErrorRecords* records = RecordsOf(errhp);
  if (service == nullptr || records == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    SessionLink(*service)->Connection().Rollback();
    return OCI_SUCCESS;
  });
}

sword OCIBreak(void* hndlp, OCIError* errhp) {
  ErrorRecords* records = RecordsOf(errhp);
  if (records == nullptr) return OCI_INVALID_HANDLE;
  ServerHandle* server = Lookup<ServerHandle>(hndlp, OCI_HTYPE_SERVER);
  if (server == nullptr) {
    if (auto* service = Lookup<ServiceContext>(hndlp, OCI_HTYPE_SVCCTX))
      server = Lookup<ServerHandle>(service->server, OCI_HTYPE_SERVER);
  }
  if (server == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    if (!server->Attached()) ErrorRecords::Raise(texts::kNotConnected);
    server->link->Connection().Break();
    return OCI_SUCCESS;
  });
}

sword OCISvcCtxToLda(OCISvcCtx* svchp, OCIError* errhp, Lda_Def* ldap) {
  auto* service = Lookup<ServiceContext>(svchp, OCI_HTYPE_SVCCTX);
  ErrorRecords* records = RecordsOf(errhp);
  if (service == nullptr || records == nullptr || ldap == nullptr) return OCI_INVALID_HANDLE;
  return GuardedCall(*records, [&]() -> sword {
    auto link = SessionLink(*service);
    auto area = std::make_unique<LogonArea>(link);
    area->fromService = svchp;
    // Freed with the service context (or its environment) if the program never converts back.
    Registry().Add(std::move(area), HandleRegistry::kLogonArea, svchp, ldap);
    std::memset(ldap, 0, sizeof *ldap);
    service->convertedArea = ldap;
    return OCI_SUCCESS;
  });
}

sword OCILdaToSvcCtx(OCISvcCtx** svchpp, OCIError* errhp, Lda_Def* ldap) {
  ErrorRecords* records = RecordsOf(errhp);
  if (records == nullptr || svchpp == nullptr) return OCI_INVALID_HANDLE;
  auto* area = Lookup<LogonArea>(ldap, HandleRegistry::kLogonArea);
  if (area == nullptr || area->fromService == nullptr) return OCI_INVALID_HANDLE;
  auto* service = Lookup<ServiceContext>(area->fromService, OCI_HTYPE_SVCCTX);
  if (service == nullptr) return OCI_INVALID_HANDLE;
  *svchpp = area->fromService;
  service->convertedArea = nullptr;
  Registry().Remove(ldap, HandleRegistry::kLogonArea);
  return OCI_SUCCESS;
}

}  // extern "C"
