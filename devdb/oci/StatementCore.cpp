// Statement execution over the devdb protocol. Buffers are addressed as Oracle addresses
// them: element i of an array lies i skips from the start, a skip being the element size
// unless the program set another one.
#include "devdb/oci/StatementCore.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "devdb/client/ServerError.h"
#include "devdb/oci/ErrorRecords.h"
#include "devdb/oci/ValueConverter.h"

namespace devdb::oci {
namespace {

using protocol::WireValue;

// For tests only: DEVDB_OCI_TEXT_DATA_SIZE caps the data size that describe reports for
// VARCHAR2 and CHAR columns. A server whose character set is narrower than the client's
// reports sizes in its own bytes, and values longer than that arrive cut; this lets the
// program's handling of cut values be seen end to end.
void CapTextDataSizes(std::vector<protocol::WireColumn>& columns) {
  static const int cap = [] {
    const char* value = std::getenv("DEVDB_OCI_TEXT_DATA_SIZE");
    return value != nullptr ? std::atoi(value) : 0;
  }();
  if (cap <= 0) return;
  for (auto& column : columns) {
    if (column.oracleType == 1 || column.oracleType == 96)
      column.dataSize = std::min(column.dataSize, cap);
  }
}

std::string UpperWord(const std::string& text, std::size_t at) {
  std::string word;
  while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])))
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(text[at++])));
  return word;
}

// The statement type from the first keyword, skipping blanks, comments and parentheses.
int TypeOfText(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (std::isspace(static_cast<unsigned char>(c)) || c == '(') {
      ++at;
    } else if (text.compare(at, 2, "--") == 0) {
      at = text.find('\n', at);
      if (at == std::string::npos) return 0;
    } else if (text.compare(at, 2, "/*") == 0) {
      at = text.find("*/", at + 2);
      if (at == std::string::npos) return 0;
      at += 2;
    } else {
      break;
    }
  }
  const std::string word = UpperWord(text, at);
  if (word == "SELECT" || word == "WITH") return 1;
  if (word == "UPDATE") return 2;
  if (word == "DELETE") return 3;
  if (word == "INSERT") return 4;
  if (word == "CREATE") return 5;
  if (word == "DROP") return 6;
  if (word == "ALTER") return 7;
  if (word == "BEGIN") return 8;
  if (word == "DECLARE") return 9;
  return 0;
}

template <typename T>
T* Element(T* base, ub4 skip, ub4 index) {
  if (base == nullptr) return nullptr;
  return reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(base) +
                              static_cast<std::size_t>(skip) * index);
}

// Arrays of structures may place an indicator or length at any byte, so slots are read and
// written bytewise rather than through a possibly misaligned pointer.
template <typename T>
void Store(T* slot, T value) {
  if (slot != nullptr) std::memcpy(slot, &value, sizeof value);
}

template <typename T>
T Load(const T* slot) {
  T value;
  std::memcpy(&value, slot, sizeof value);
  return value;
}

void* ValueElement(void* base, ub4 skip, sb4 size, ub4 index) {
  const ub4 step = skip != 0 ? skip : static_cast<ub4>(size < 0 ? 0 : size);
  return Element(static_cast<unsigned char*>(base), step, index);
}

}  // namespace

void StatementCore::UseLink(const std::shared_ptr<ServerLink>& link) {
  if (link == link_) return;
  try {
    if (link_ != nullptr) CloseCursor();
  } catch (const client::ServerError&) {
  }
  prepared_ = false;
  executed_ = false;
  link_ = link;
}

ServerLink& StatementCore::Link() {
  if (link_ == nullptr) ErrorRecords::Raise(texts::kNotExecuted);
  return *link_;
}

StatementCore::~StatementCore() {
  try {
    CloseCursor();
  } catch (const std::exception&) {
    // The cursor goes with the session; nothing to report while freeing.
  }
}

void StatementCore::CloseCursor() {
  if (prepared_ && link_ != nullptr && link_->LoggedOn())
    link_->Connection().CloseCursorLater(prepare_.cursor);
  prepared_ = false;
}

void StatementCore::SetText(std::string sql) {
  try {
    CloseCursor();
  } catch (const client::ServerError&) {
    prepared_ = false;
  }
  text_ = std::move(sql);
  textType_ = TypeOfText(text_);
  hasText_ = true;
  prepare_ = {};
  binds_.clear();
  defines_.clear();
  executed_ = false;
  endOfFetch_ = false;
  rowCount_ = 0;
  lastFetched_ = 0;
  parseErrorOffset_ = 0;
  warning_.clear();
  rowid_.clear();
  lastRows_.clear();
}

template <typename Call>
auto StatementCore::WithParseOffset(Call call) -> decltype(call()) {
  try {
    parseErrorOffset_ = 0;
    return call();
  } catch (const client::ServerError& error) {
    parseErrorOffset_ = error.Offset();
    throw;
  }
}

void StatementCore::Parse() {
  if (!hasText_) ErrorRecords::Raise(texts::kNotPrepared);
  if (prepared_) return;
  Link().RequireSession();
  prepare_ = WithParseOffset([&] { return link_->Connection().Prepare(text_); });
  prepared_ = true;
}

int StatementCore::StatementType() const { return prepared_ ? prepare_.statementType : textType_; }

const std::vector<protocol::WireColumn>& StatementCore::Columns() {
  Parse();
  CapTextDataSizes(prepare_.columns);
  return prepare_.columns;
}

void StatementCore::Bind(HostBind bind) {
  for (auto& existing : binds_) {
    const bool same = bind.name.empty()
                          ? existing.name.empty() && existing.position == bind.position
                          : existing.name == bind.name;
    if (same) {
      existing = std::move(bind);
      return;
    }
  }
  binds_.push_back(std::move(bind));
}

HostBind* StatementCore::FindBind(const std::string& name) {
  for (auto& bind : binds_)
    if (bind.name == name) return &bind;
  return nullptr;
}

HostBind* StatementCore::FindBind(ub4 position) {
  for (auto& bind : binds_)
    if (bind.name.empty() && bind.position == position) return &bind;
  return nullptr;
}

void StatementCore::Define(HostDefine define) {
  if (HostDefine* existing = FindDefine(define.position)) {
    *existing = define;
    return;
  }
  defines_.push_back(define);
}

HostDefine* StatementCore::FindDefine(ub4 position) {
  for (auto& define : defines_)
    if (define.position == position) return &define;
  return nullptr;
}

namespace {

bool IsCursorType(ub2 type) { return type == SQLT_CUR || type == SQLT_RSET; }
bool IsTable(const HostBind& bind) {
  return bind.maxElements > 0 && bind.currentElements != nullptr;
}

// The value of element `row` of a bind's buffers.
protocol::WireValue BoundValue(const HostBind& bind, ub4 row) {
  const sb2* indicator = Element(bind.indicators, bind.indicatorSkip, row);
  if (indicator != nullptr && Load(indicator) == -1) return WireValue::Null();
  const ub2* length = Element(bind.lengths, bind.lengthSkip, row);
  const std::size_t bytes =
      length != nullptr ? Load(length) : static_cast<std::size_t>(bind.size < 0 ? 0 : bind.size);
  const void* value = ValueElement(bind.value, bind.valueSkip, bind.size, row);
  return value == nullptr ? WireValue::Null()
                          : ValueConverter::FromExternal(bind.type, value, bytes);
}

}  // namespace

std::vector<protocol::WireBind> StatementCore::WireBinds(ub4 totalRows, bool outAllowed) {
  std::vector<protocol::WireBind> wire;
  wire.reserve(binds_.size());
  for (const HostBind& bind : binds_) {
    protocol::WireBind out;
    if (!bind.name.empty()) {
      out.name = bind.name;
    } else {
      if (bind.position < 1 || bind.position > prepare_.bindNames.size())
        ErrorRecords::Raise(texts::kBadBindName);
      out.name = prepare_.bindNames[bind.position - 1];
    }
    // Before the parse the server checks the names, in the same round trip.
    const bool known =
        !prepared_ || std::any_of(prepare_.bindNames.begin(), prepare_.bindNames.end(),
                                  [&](const std::string& n) { return n == out.name; });
    if (!known) ErrorRecords::Raise(texts::kBadBindName);
    out.out = outAllowed;
    out.maxLength = bind.size > 0 ? bind.size : 0;
    out.declaredType = bind.type;
    if (IsCursorType(bind.type)) {
      out.form = protocol::WireBindForm::RefCursor;
      out.out = true;
    } else if (IsTable(bind)) {
      out.form = protocol::WireBindForm::Table;
      out.maxElements = static_cast<std::int32_t>(bind.maxElements);
      const ub4 current = std::min(Load(bind.currentElements), bind.maxElements);
      for (ub4 element = 0; element < current; ++element)
        out.values.push_back(BoundValue(bind, element));
    } else {
      out.values.reserve(totalRows);
      for (ub4 row = 0; row < totalRows; ++row) out.values.push_back(BoundValue(bind, row));
    }
    wire.push_back(std::move(out));
  }
  return wire;
}

void StatementCore::WriteOutValues(const protocol::ExecuteReply& reply, ub4 rowOffset) {
  std::size_t outIndex = 0;
  for (HostBind& bind : binds_) {
    if (outIndex >= reply.outValues.size()) return;
    const auto& values = reply.outValues[outIndex++];
    if (IsCursorType(bind.type)) continue;
    const bool table = IsTable(bind);
    const ub4 first = table ? 0 : rowOffset;
    const std::size_t count =
        table ? std::min<std::size_t>(values.size(), bind.maxElements) : values.size();
    for (std::size_t i = 0; i < count; ++i) {
      const ub4 row = first + static_cast<ub4>(i);
      void* target = ValueElement(bind.value, bind.valueSkip, bind.size, row);
      if (target == nullptr) continue;
      const auto written = ValueConverter::ToExternal(
          values[i], bind.type, target, static_cast<std::size_t>(bind.size < 0 ? 0 : bind.size),
          link_->dateFormat);
      Store(Element(bind.indicators, bind.indicatorSkip, row), written.indicator);
      Store(Element(bind.lengths, bind.lengthSkip, row), static_cast<ub2>(written.length));
      Store(Element(bind.codes, bind.codeSkip, row), written.code);
    }
    if (table) Store(bind.currentElements, static_cast<ub4>(count));
  }
}

void StatementCore::HandOutCursors(const protocol::ExecuteReply& reply) {
  std::size_t next = 0;
  for (HostBind& bind : binds_) {
    if (!IsCursorType(bind.type)) continue;
    const std::uint32_t cursor = next < reply.refCursors.size() ? reply.refCursors[next] : 0;
    ++next;
    if (bind.adoptCursor) bind.adoptCursor(link_, cursor);
  }
}

void StatementCore::Adopt(const std::shared_ptr<ServerLink>& link, std::uint32_t cursor) {
  UseLink(link);
  try {
    CloseCursor();
  } catch (const client::ServerError&) {
  }
  SetText("");
  hasText_ = cursor != 0;
  if (cursor == 0) return;
  prepare_.cursor = cursor;
  prepare_.statementType = 1;
  prepare_.sqlFunctionCode = 4;
  prepared_ = true;
  prepare_.columns = link_->Connection().Describe(cursor);
  executed_ = true;
}

bool StatementCore::CanParseInExecute() const {
  if (prepared_ || !hasText_) return false;
  // The kind must be known before the server has seen the text: it decides the shape of
  // the request (a query fetches, a block has out-binds).
  switch (textType_) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 8:
    case 9: break;
    default: return false;
  }
  return std::none_of(binds_.begin(), binds_.end(),
                      [](const HostBind& bind) { return bind.name.empty(); });
}

StatementCore::FetchResult StatementCore::Execute(ub4 totalRows, ub4 rowOffset, bool commit,
                                                  ub4 fetchRows) {
  // Like Oracle's client, the first execution parses on the server in the same round trip;
  // a bind by position needs the parsed names first.
  const bool parseHere = CanParseInExecute();
  if (parseHere)
    Link().RequireSession();
  else
    Parse();
  executed_ = false;
  endOfFetch_ = false;
  rowCount_ = 0;
  lastFetched_ = 0;
  warning_.clear();
  rowid_.clear();
  lastRows_.clear();
  const bool query = IsQuery();
  const int type = StatementType();
  const bool plsql = type == 8 || type == 9;

  protocol::ExecuteRequest request;
  request.cursor = parseHere ? 0 : prepare_.cursor;
  if (parseHere) request.sql = text_;
  request.iterations = query ? 1 : totalRows - rowOffset;
  request.rowOffset = query ? 0 : rowOffset;
  request.commitOnSuccess = commit;
  request.prefetchRows = query ? fetchRows : 0;
  request.binds = WireBinds(query ? 1 : totalRows, plsql);

  protocol::ExecuteReply reply =
      WithParseOffset([&] { return link_->Connection().Execute(request); });
  if (reply.prepared) {
    prepare_ = std::move(reply.statement);
    prepared_ = true;
  }
  link_->NoteStatement(text_);
  executed_ = true;
  warning_ = std::move(reply.warning);
  if (!query) {
    rowCount_ = reply.rowsProcessed;
    rowid_ = std::move(reply.rowid);
    WriteOutValues(reply, rowOffset);
    HandOutCursors(reply);
    if (reply.rowError.code != 0)
      throw client::ServerError(reply.rowError.code, reply.rowError.message, reply.rowError.offset);
    return {};
  }
  endOfFetch_ = reply.endOfFetch;
  if (fetchRows == 0) return {};
  FetchResult result = Place(std::move(reply.rows));
  result.endOfData = result.rows < fetchRows;
  return result;
}

StatementCore::FetchResult StatementCore::Fetch(ub4 rows) {
  if (!executed_ || !IsQuery()) ErrorRecords::Raise(texts::kFetchOutOfSequence);
  if (rows == 0) return {};
  std::vector<protocol::WireRow> fetched;
  if (!endOfFetch_) {
    protocol::FetchReply reply = link_->Connection().Fetch(prepare_.cursor, rows);
    endOfFetch_ = reply.endOfFetch;
    fetched = std::move(reply.rows);
  }
  FetchResult result = Place(std::move(fetched));
  result.endOfData = result.rows < rows;
  return result;
}

const protocol::WireRow* StatementCore::CurrentRow() const {
  return lastRows_.empty() ? nullptr : &lastRows_.back();
}

StatementCore::FetchResult StatementCore::Place(std::vector<protocol::WireRow> rows) {
  FetchResult result;
  for (ub4 row = 0; row < rows.size(); ++row) {
    for (HostDefine& define : defines_) {
      if (define.position < 1 || define.position > rows[row].size())
        ErrorRecords::Raise(texts::kNotInSelectList);
      const WireValue& value = rows[row][define.position - 1];
      if (define.callback != nullptr) {
        PlaceDynamic(define, row, value);
        continue;
      }
      void* target = ValueElement(define.value, define.valueSkip, define.size, row);
      sb2* indicator = Element(define.indicators, define.indicatorSkip, row);
      ValueConverter::Written written;
      if (target != nullptr || value.IsNull())
        written = ValueConverter::ToExternal(
            value, define.type, target, static_cast<std::size_t>(define.size < 0 ? 0 : define.size),
            link_->dateFormat);
      Store(indicator, written.indicator);
      Store(Element(define.lengths, define.lengthSkip, row), static_cast<ub2>(written.length));
      Store(Element(define.codes, define.codeSkip, row), written.code);
      if (written.code == texts::kFetchedNull.code && indicator == nullptr)
        result.nullWithoutIndicator = true;
      if (written.code == texts::kTruncated.code) {
        result.truncated = true;
        if (indicator == nullptr) result.truncatedWithoutIndicator = true;
      }
    }
  }
  result.rows = static_cast<ub4>(rows.size());
  rowCount_ += rows.size();
  lastFetched_ = result.rows;
  lastRows_ = std::move(rows);
  return result;
}

void StatementCore::PlaceDynamic(HostDefine& define, ub4 row, const WireValue& value) {
  const bool isNull = value.IsNull();
  const std::vector<std::uint8_t> bytes =
      isNull ? std::vector<std::uint8_t>{}
             : ValueConverter::ExternalBytes(value, define.type, link_->dateFormat);
  std::size_t offset = 0;
  ub1 piece = OCI_FIRST_PIECE;
  do {
    void* buffer = nullptr;
    ub4* length = nullptr;
    void* indicator = nullptr;
    ub2* code = nullptr;
    const sb4 answer = define.callback(define.context, define.handle, row, &buffer, &length, &piece,
                                       &indicator, &code);
    if (answer != OCI_CONTINUE) ErrorRecords::Raise(texts::kCallbackAborted);
    const std::size_t room = length != nullptr ? Load(length) : 0;
    const std::size_t count = std::min(room, bytes.size() - offset);
    if (count > 0 && buffer != nullptr) std::memcpy(buffer, bytes.data() + offset, count);
    Store(length, static_cast<ub4>(count));
    Store(static_cast<sb2*>(indicator), isNull ? sb2{-1} : sb2{0});
    Store(code, isNull ? ub2{texts::kFetchedNull.code} : ub2{0});
    // A callback that offers no room would be asked forever.
    if (count == 0 && offset < bytes.size()) ErrorRecords::Raise(texts::kCallbackAborted);
    offset += count;
    piece = OCI_NEXT_PIECE;
  } while (offset < bytes.size());
}

}  // namespace devdb::oci
