// One SQL statement on a devdb session, shared by both interfaces: its text and server
// cursor, the program's bind and define buffers, execution (array DML with a row offset,
// PL/SQL out-values, execute-and-fetch) and array fetches into the defined buffers with
// indicators, returned lengths, return codes and LONG pieces handed to a callback.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devdb/oci/OciTypes.h"
#include "devdb/oci/ServerLink.h"
#include "devdb/protocol/Messages.h"

namespace devdb::oci {

// A program's buffers for one placeholder; arrays are `valueSkip` bytes apart.
struct HostBind {
  std::string name;  // upper case, without the colon; empty for a bind by position
  ub4 position = 0;
  void* value = nullptr;
  sb4 size = 0;
  ub2 type = 0;
  sb2* indicators = nullptr;
  ub2* lengths = nullptr;
  ub2* codes = nullptr;
  ub4 maxElements = 0;  // PL/SQL table capacity, 0 for a scalar or array-DML bind
  ub4* currentElements = nullptr;
  ub4 valueSkip = 0;  // 0: size
  ub4 indicatorSkip = sizeof(sb2);
  ub4 lengthSkip = sizeof(ub2);
  ub4 codeSkip = sizeof(ub2);
  // A cursor variable (types 102 and 116): hands the cursor the block opened (0: none) to
  // the statement the program bound.
  std::function<void(const std::shared_ptr<ServerLink>&, std::uint32_t)> adoptCursor;
};

// A program's buffers for one select-list position, or a callback that takes the value in
// pieces (LONG and LONG RAW).
struct HostDefine {
  ub4 position = 0;
  void* value = nullptr;
  sb4 size = 0;
  ub2 type = 0;
  sb2* indicators = nullptr;
  ub2* lengths = nullptr;
  ub2* codes = nullptr;
  ub4 valueSkip = 0;  // 0: size
  ub4 indicatorSkip = sizeof(sb2);
  ub4 lengthSkip = sizeof(ub2);
  ub4 codeSkip = sizeof(ub2);
  OCICallbackDefine callback = nullptr;
  void* context = nullptr;
  OCIDefine* handle = nullptr;
};

class StatementCore {
 public:
  // What a fetch left behind beside the rows: a NULL without indicator, a truncation.
  struct FetchResult {
    ub4 rows = 0;
    bool endOfData = false;
    bool truncated = false;
    bool truncatedWithoutIndicator = false;
    bool nullWithoutIndicator = false;
  };

  StatementCore() = default;
  ~StatementCore();
  StatementCore(const StatementCore&) = delete;
  StatementCore& operator=(const StatementCore&) = delete;

  // The session the statement runs on; a different one drops the cursor of the old one.
  void UseLink(const std::shared_ptr<ServerLink>& link);
  bool HasLink() const { return link_ != nullptr; }
  ServerLink& Link();

  // A new text: closes the old cursor and forgets binds, defines and results. The server
  // sees the text at the first call that needs it (deferred parse).
  void SetText(std::string sql);
  bool HasText() const { return hasText_; }
  const std::string& Text() const { return text_; }
  // Parses on the server now; raises the parse error (its offset is kept).
  void Parse();

  // OCI_ATTR_STMT_TYPE: from the first keyword until the server has parsed the text.
  int StatementType() const;
  int FunctionCode() const { return prepared_ ? prepare_.sqlFunctionCode : 0; }
  bool IsQuery() const { return StatementType() == 1; }
  const std::vector<protocol::WireColumn>& Columns();
  int ParseErrorOffset() const { return parseErrorOffset_; }

  void Bind(HostBind bind);
  HostBind* FindBind(const std::string& name);
  HostBind* FindBind(ub4 position);
  void Define(HostDefine define);
  HostDefine* FindDefine(ub4 position);

  // Runs a non-query for the rows rowOffset .. totalRows-1, or opens a query and fetches
  // fetchRows rows at once. Raises the server's error; an array execution that fails in
  // some row raises that row's error after counting the rows done.
  FetchResult Execute(ub4 totalRows, ub4 rowOffset, bool commit, ub4 fetchRows);
  // Up to `rows` further rows into the defines, from buffer index 0.
  FetchResult Fetch(ub4 rows);
  // Becomes the executed query behind a cursor the server handed out (a REF CURSOR a block
  // opened); cursor 0 leaves the statement without one.
  void Adopt(const std::shared_ptr<ServerLink>& link, std::uint32_t cursor);

  bool Executed() const { return executed_; }
  // The warning the server gave with the last successful execution, such as
  // "ORA-24344: success with compilation error"; empty when there was none.
  const std::string& Warning() const { return warning_; }
  // The extended ROWID of the last row the last INSERT, UPDATE or DELETE touched; empty
  // when it touched none or the statement is of another kind.
  const std::string& Rowid() const { return rowid_; }
  // Rows processed by the last DML, or rows fetched since the query was executed.
  std::uint64_t RowCount() const { return rowCount_; }
  ub4 LastFetched() const { return lastFetched_; }
  // The last row fetched into the buffers (nullptr when none).
  const protocol::WireRow* CurrentRow() const;

 private:
  std::vector<protocol::WireBind> WireBinds(ub4 totalRows, bool outAllowed);
  void WriteOutValues(const protocol::ExecuteReply& reply, ub4 rowOffset);
  void HandOutCursors(const protocol::ExecuteReply& reply);
  FetchResult Place(std::vector<protocol::WireRow> rows);
  void PlaceDynamic(HostDefine& define, ub4 row, const protocol::WireValue& value);
  void CloseCursor();
  bool CanParseInExecute() const;
  template <typename Call>
  auto WithParseOffset(Call call) -> decltype(call());

  std::shared_ptr<ServerLink> link_;
  std::string text_;
  int textType_ = 0;  // the statement type by the text's first keyword
  bool hasText_ = false;
  bool prepared_ = false;
  protocol::PrepareReply prepare_;
  std::vector<HostBind> binds_;
  std::vector<HostDefine> defines_;
  bool executed_ = false;
  bool endOfFetch_ = false;
  std::uint64_t rowCount_ = 0;
  ub4 lastFetched_ = 0;
  int parseErrorOffset_ = 0;
  std::string warning_;
  std::string rowid_;
  std::vector<protocol::WireRow> lastRows_;
};

}  // namespace devdb::oci
