// The development server's database engine: Oracle-dialect SQL carried out by SQLite, the
// users and their logons, and the per-session transaction. The network server owns the
// sessions and the wire; everything that reads or writes data goes through this interface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace devdb::sql {

// A server-side value. Numbers travel as canonical decimal text so that no precision is
// lost between the engine, the wire and the client library's conversions.
struct OracleDate {
  int year = 1;  // negative for BC
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const OracleDate&) const = default;
};

struct Value {
  enum class Kind : std::uint8_t { Null = 0, Number = 1, Text = 2, Date = 3, Raw = 4, Rowid = 5 };
  Kind kind = Kind::Null;
  std::string text;                // Number: "-12.5", "1E+40"; Text; Rowid: 18-character form
  std::vector<std::uint8_t> bytes; // Raw
  OracleDate date;                 // Date

  static Value Null() { return {}; }
  static Value Number(std::string decimal) { Value v; v.kind = Kind::Number; v.text = std::move(decimal); return v; }
  static Value Text(std::string s) { Value v; v.kind = Kind::Text; v.text = std::move(s); return v; }
  static Value Date(const OracleDate& d) { Value v; v.kind = Kind::Date; v.date = d; return v; }
  static Value Raw(std::vector<std::uint8_t> b) { Value v; v.kind = Kind::Raw; v.bytes = std::move(b); return v; }
  bool IsNull() const { return kind == Kind::Null; }
  bool operator==(const Value&) const = default;
};

// An Oracle error: code 942 with message "ORA-00942: table or view does not exist".
// offset is the 0-based parse error offset for errors found while parsing, else 0.
class SqlError : public std::runtime_error {
 public:
  SqlError(int code, const std::string& message, int offset = 0)
      : std::runtime_error(message), code_(code), offset_(offset) {}
  int Code() const { return code_; }
  int Offset() const { return offset_; }

 private:
  int code_;
  int offset_;
};

// Oracle's external type codes as describe reports them: 1 VARCHAR2, 2 NUMBER, 8 LONG,
// 11 ROWID, 12 DATE, 23 RAW, 24 LONG RAW, 96 CHAR.
struct ColumnDescription {
  std::string name;  // upper-cased name or alias
  int oracleType = 1;
  int dataSize = 0;
  int precision = 0;
  int scale = 0;
  bool nullable = true;
};

// Statement type as OCI_ATTR_STMT_TYPE gives it (1 SELECT ... 9 DECLARE) and the SQL
// function code as OCI_ATTR_SQLFNCODE / the version-7 cursor's ft field gives it.
struct StatementInfo {
  int statementType = 0;
  int sqlFunctionCode = 0;
  std::vector<std::string> bindNames;  // upper case, without colon, first occurrence order
  std::vector<ColumnDescription> columns;  // selects only
};

// One bind variable for one execution: one value per iteration (a single value when the
// iteration count is 1). Out binds come back in ExecuteResult::outValues in the same order.
struct Bind {
  std::string name;  // as written, with or without the colon; matched without regard to case
  std::vector<Value> values;
  bool out = false;
  int maxLength = 4000;  // the client's buffer size, for out values and length checks
};

struct ExecuteResult {
  std::uint64_t rowsProcessed = 0;
  std::vector<std::vector<Value>> outValues;  // [bind index][iteration]
  // For array execution: the error of the first failing row, the rows before it done.
  std::optional<SqlError> rowError;
  std::string warning;  // e.g. not empty for success-with-info
  // INSERT, UPDATE, DELETE: the extended ROWID of the last row touched, empty for none.
  std::string rowid;
};

struct SessionRow {
  int sid = 0;
  int serial = 0;
  std::int64_t audsid = 0;
  std::string username;
  std::string status;  // ACTIVE or INACTIVE; KILLED after a kill
  std::string schemaName;
  std::string osUser;
  std::string machine;
  std::string program;
  std::string module;
  std::string action;
  std::string clientInfo;
  OracleDate logonTime;
};

// What the network server offers the engine: the live session list for V$SESSION and the
// ALTER SYSTEM KILL SESSION action. Called from any session's thread.
class SessionDirectory {
 public:
  virtual ~SessionDirectory() = default;
  virtual std::vector<SessionRow> Sessions() = 0;
  // Throws SqlError (ORA-00030 "User session ID does not exist.") for an unknown pair.
  virtual void KillSession(int sid, int serial) = 0;
};

enum class ConnectMode { Normal, SysDba, SysOper };

struct LogonRequest {
  std::string user;      // empty with an empty password: external authentication
  std::string password;
  ConnectMode mode = ConnectMode::Normal;
  std::string osUser;    // what the client reports, for external authentication and V$SESSION
  std::string machine;
  std::string program;
};

class Session;
class ProceduralLanguage;

struct EngineOptions {
  std::string dataFolder;  // empty for a throwaway in-memory instance
  std::string sysPassword = "manager";
  std::string banner;      // the version banner, for V$VERSION
  int bytesPerCharacter = 4;  // as for AL32UTF8; what LENGTH(CHR(2000000000)) answers
};

class Database {
 public:
  // Opens (and on first start creates SYS, SYSTEM, DUAL and the views) the database.
  static std::unique_ptr<Database> Open(const EngineOptions& options, SessionDirectory& directory);
  virtual ~Database() = default;

  // Checks the credentials; throws SqlError for a refusal (1017, 1005, 28000, 28001, 1031).
  // A logon in the grace period succeeds with warningCode 28002 and its text.
  struct LogonOutcome {
    std::unique_ptr<Session> session;
    int warningCode = 0;
    std::string warningMessage;
    std::string username;  // the user as the database knows it (upper case)
  };
  virtual LogonOutcome LogOn(const LogonRequest& request, int sid, int serial, std::int64_t audsid) = 0;

  // Changes a password outside a session (OCIPasswordChange before a logon); throws SqlError.
  virtual void ChangePassword(const std::string& user, const std::string& oldPassword,
                              const std::string& newPassword) = 0;

  // A session for the server's own work (the PL/SQL engine's catalogue and autonomous
  // transactions): logged on as an existing user without a password and not listed in
  // V$SESSION; sid, serial and audsid are those of the session it works for (0 for none).
  // Throws SqlError 1017 for an unknown user.
  virtual std::unique_ptr<Session> OpenInternalSession(const std::string& user, int sid,
                                                       int serial, std::int64_t audsid) = 0;
  // The session through which devdb keeps its own dictionary tables (the stored code's
  // source, grants and synonyms): SYS with the right to change what every other session,
  // SYS's own included, may only read. Not listed in V$SESSION.
  virtual std::unique_ptr<Session> OpenDictionarySession() = 0;
  // From now on every logon opens its PL/SQL state with this language, and blocks and
  // statements about stored code go there. Call before the first logon.
  virtual void AttachProceduralLanguage(std::shared_ptr<ProceduralLanguage> language) = 0;
};

class Statement {
 public:
  virtual ~Statement() = default;
  virtual const StatementInfo& Info() const = 0;
  // Runs the statement iterations times from rowOffset on (binds hold values for every row).
  // A select is opened for fetching; iterations is ignored for it.
  virtual ExecuteResult Execute(const std::vector<Bind>& binds, int iterations, int rowOffset,
                                bool commitOnSuccess) = 0;
  // Next rows of an executed select; fewer than maxRows (possibly none) at the end.
  virtual std::vector<std::vector<Value>> Fetch(int maxRows) = 0;
  virtual std::uint64_t RowsFetched() const = 0;
};

class Session {
 public:
  virtual ~Session() = default;
  // Parses and describes; throws SqlError with the parse error offset.
  virtual std::unique_ptr<Statement> Prepare(const std::string& sql) = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual void ChangePassword(const std::string& user, const std::string& oldPassword,
                              const std::string& newPassword) = 0;
  // Makes the call in progress (on another thread) end with the given error; used by break
  // (ORA-01013) and kill (ORA-00028). After a kill every later call fails with ORA-00028.
  virtual void Interrupt(int errorCode) = 0;
  // Live values for V$SESSION that the session itself changes (client info, module, action).
  virtual SessionRow Describe() const = 0;
  // Whether the session's user may use a system privilege (CREATE PUBLIC SYNONYM, SELECT ANY
  // TABLE, ...): granted to the user or to PUBLIC, through a role, or as SYSDBA.
  virtual bool HasSystemPrivilege(const std::string& privilege) = 0;
  // Stored code runs its SQL with its owner's rights: the statements prepared from now on
  // look up unqualified names in the owner's schema and are allowed what the owner was
  // granted directly or through PUBLIC, not through roles. An empty owner ends this.
  virtual void SetDefinerRights(const std::string& owner) = 0;
};

}  // namespace devdb::sql
