// Binding, executing and fetching; values cross between Oracle's kinds and SQLite's
// storage here and nowhere else.
#include "devdb/sql/EngineStatement.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "devdb/sql/DateFormat.h"
#include "devdb/sql/ExtendedTypes.h"
#include "devdb/sql/NumberText.h"
#include "devdb/sql/OracleErrorBoundary.h"
#include "devdb/sql/OracleErrors.h"
#include "devdb/sql/OracleFunctions.h"

namespace devdb::sql {
namespace {

std::string BindKey(const std::string& name) {
  std::string key = name;
  if (!key.empty() && key.front() == ':') key.erase(0, 1);
  if (key.size() >= 2 && key.front() == '"' && key.back() == '"') return key.substr(1, key.size() - 2);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

// Reads one quoted identifier ("A""B" is A"B) starting at `at`; false when there is none.
bool ReadQuoted(const std::string& text, std::size_t& at, std::string& name) {
  if (at >= text.size() || text[at] != '"') return false;
  name.clear();
  for (++at; at < text.size(); ++at) {
    if (text[at] != '"') {
      name += text[at];
    } else if (at + 1 < text.size() && text[at + 1] == '"') {
      name += '"';
      ++at;
    } else {
      ++at;
      return true;
    }
  }
  return false;
}

// The row a DML statement touched last, as SQLite names each row it writes to the update
// hook. Only rows of the statement's own table count.
struct TouchedRow {
  std::string table;  // SQLite's name of the table, unquoted
  std::optional<sqlite3_int64> rowid;

  static void Note(void* context, int, const char*, const char* table, sqlite3_int64 rowid) {
    auto* touched = static_cast<TouchedRow*>(context);
    if (table != nullptr && touched->table == table) touched->rowid = rowid;
  }
};

// Installs the hook for one execution. A statement run inside another one's execution (a
// stored function called from SQL) hands the hook back to the outer execution afterwards:
// the hook is only ever TouchedRow::Note.
class TouchedRowHook {
 public:
  TouchedRowHook(sqlite3* db, TouchedRow& touched)
      : db_(db), outer_(sqlite3_update_hook(db, &TouchedRow::Note, &touched)) {}
  ~TouchedRowHook() {
    sqlite3_update_hook(db_, outer_ != nullptr ? &TouchedRow::Note : nullptr, outer_);
  }
  TouchedRowHook(const TouchedRowHook&) = delete;
  TouchedRowHook& operator=(const TouchedRowHook&) = delete;

 private:
  sqlite3* db_;
  void* outer_;
};

bool IsQuery(StatementKind kind) { return kind == StatementKind::Select; }
bool IsDml(StatementKind kind) {
  return kind == StatementKind::Insert || kind == StatementKind::Update || kind == StatementKind::Delete;
}

}  // namespace

EngineStatement::EngineStatement(std::shared_ptr<SessionCore> core, TranslatedStatement translated)
    : core_(std::move(core)), translated_(std::move(translated)) {
  if (IsQuery(translated_.kind) || IsDml(translated_.kind))
    statement_ = SqliteStatement(core_->Handle(), translated_.sqlite);
}

EngineStatement::~EngineStatement() {
  const auto lock = core_->LockUnlessCalling();
  core_->UnregisterCursor(this);
  statement_ = SqliteStatement();
}

void EngineStatement::Close() {
  open_ = false;
  materialized_ = false;
  buffered_.clear();
  // Ending the read releases its snapshot so that the WAL can be checkpointed.
  if (statement_) sqlite3_reset(statement_.Handle());
  core_->UnregisterCursor(this);
}

std::vector<Value> EngineStatement::CurrentRow() const {
  const auto& columns = translated_.info.columns;
  std::vector<Value> row;
  row.reserve(columns.size());
  for (std::size_t column = 0; column < columns.size(); ++column)
    row.push_back(ColumnValue(static_cast<int>(column), columns[column]));
  return row;
}

void EngineStatement::Materialize() {
  if (!open_ || materialized_) return;
  try {
    while (core_->Step(statement_.Handle(), translated_.kind, "")) buffered_.push_back(CurrentRow());
  } catch (...) {
    Close();
    throw;
  }
  sqlite3_reset(statement_.Handle());
  materialized_ = true;
}

std::vector<const Bind*> EngineStatement::MatchBinds(const std::vector<Bind>& binds,
                                                     std::size_t rowsNeeded) const {
  const auto& names = translated_.info.bindNames;
  std::vector<const Bind*> matched(names.size(), nullptr);
  for (const Bind& bind : binds) {
    const std::string key = BindKey(bind.name);
    bool found = false;
    for (std::size_t k = 0; k < names.size(); ++k) {
      if (names[k] == key) {
        matched[k] = &bind;
        found = true;
      }
    }
    if (!found) throw OracleErrors::Make(texts::kBadBindName);
  }
  const auto& returning = translated_.returningBinds;
  for (std::size_t k = 0; k < names.size(); ++k) {
    const Bind* bind = matched[k];
    const bool receivesOnly =
        std::find(returning.begin(), returning.end(), names[k]) != returning.end();
    if (!bind || (!receivesOnly && bind->values.size() < rowsNeeded))
      throw OracleErrors::Make(texts::kNotAllBound);
  }
  return matched;
}

void EngineStatement::BindRow(const std::vector<const Bind*>& matched, std::size_t row) {
  sqlite3_stmt* statement = statement_.Handle();
  sqlite3_reset(statement);
  for (std::size_t k = 0; k < matched.size(); ++k) {
    // A RETURNING ... INTO target has no place in the SQLite text and may carry no value.
    if (row >= matched[k]->values.size()) continue;
    const Value& value = matched[k]->values[row];
    const int index = static_cast<int>(k + 1);
    switch (value.kind) {
      case Value::Kind::Null: sqlite3_bind_null(statement, index); break;
      case Value::Kind::Number: {
        const auto number = NumberText::Parse(value.text);
        if (!number) throw OracleErrors::Make(texts::kInvalidNumber);
        if (*number == std::trunc(*number) && std::fabs(*number) < 9.0e15)
          sqlite3_bind_int64(statement, index, static_cast<sqlite3_int64>(*number));
        else
          sqlite3_bind_double(statement, index, *number);
        break;
      }
      case Value::Kind::Text:
      case Value::Kind::Rowid:
        // Oracle has no empty strings: '' binds as NULL.
        if (value.text.empty()) sqlite3_bind_null(statement, index);
        else sqlite3_bind_text(statement, index, value.text.data(), static_cast<int>(value.text.size()), SQLITE_TRANSIENT);
        break;
      case Value::Kind::Date: {
        const std::string text = DateFormat::ToStorage(value.date);
        sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        break;
      }
      case Value::Kind::Raw:
        if (value.bytes.empty()) sqlite3_bind_null(statement, index);
        else sqlite3_bind_blob(statement, index, value.bytes.data(), static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
        break;
    }
  }
}

ExecuteResult EngineStatement::Execute(const std::vector<Bind>& binds, int iterations,
                                       int rowOffset, bool commitOnSuccess) {
  return OracleErrorBoundary([&] { return Run(binds, iterations, rowOffset, commitOnSuccess); });
}

std::vector<std::vector<Value>> EngineStatement::Fetch(int maxRows) {
  return OracleErrorBoundary([&] { return FetchRows(maxRows); });
}

ExecuteResult EngineStatement::Run(const std::vector<Bind>& binds, int iterations, int rowOffset,
                                   bool commitOnSuccess) {
  SessionCore::CallScope call(*core_);
  ExecuteResult result;
  const StatementKind kind = translated_.kind;
  if (iterations < 1) iterations = 1;
  if (rowOffset < 0) rowOffset = 0;
  if (IsQuery(kind)) {
    Close();
    rowsFetched_ = 0;
    const auto matched = MatchBinds(binds, static_cast<std::size_t>(rowOffset) + 1);
    if (translated_.refreshSessions) core_->RefreshSessions();
    if (translated_.forUpdate) core_->BeginWrite(translated_.noWait);
    BindRow(matched, static_cast<std::size_t>(rowOffset));
    open_ = true;
    core_->RegisterCursor(this);
    return result;
  }
  if (!IsDml(kind)) {
    if (!binds.empty() && kind != StatementKind::PlsqlBlock)
      throw OracleErrors::Make(texts::kBadBindName);
    return core_->ExecuteCommand(translated_);
  }
  const std::size_t first = static_cast<std::size_t>(rowOffset);
  const std::size_t end = first + static_cast<std::size_t>(iterations);
  const auto matched = MatchBinds(binds, end);
  core_->RefuseWriteInQuery();
  if (translated_.refreshSessions) core_->RefreshSessions();
  core_->BeginWrite();
  sqlite3* db = core_->Handle();
  // The target table, the first quoted name of the SQLite text (INSERT INTO "T" ...,
  // UPDATE "T" ..., DELETE FROM "T" ...), for the ROWID of the last row touched: ROWIDs
  // number rows within the table's object.
  std::int64_t targetObject = 0;
  TouchedRow touched;
  {
    const std::string& text = translated_.sqlite;
    const std::size_t from = text.find('"');
    std::size_t at = from;
    if (from != std::string::npos && ReadQuoted(text, at, touched.table)) {
      SqliteStatement object(
          db, "SELECT object_id FROM devdb_objects WHERE storage = ? AND kind = 'TABLE'");
      object.Bind(1, text.substr(from, at - from));
      if (object.Step()) targetObject = object.Integer(0);
    }
  }
  const TouchedRowHook hook(db, touched);
  const auto& returningTypes = translated_.returningTypes;
  // Per RETURNING column, the value of each iteration (NULL when no row was touched).
  std::vector<std::vector<Value>> returned(returningTypes.size());
  for (std::size_t row = first; row < end; ++row) {
    try {
      BindRow(matched, row);
      for (auto& values : returned) values.push_back(Value::Null());
      bool firstRow = true;
      while (core_->Step(statement_.Handle(), kind, translated_.targetColumnPrefix)) {
        if (!firstRow) continue;
        firstRow = false;
        for (std::size_t k = 0; k < returningTypes.size(); ++k)
          returned[k].back() = ColumnValue(static_cast<int>(k), returningTypes[k]);
      }
      result.rowsProcessed += static_cast<std::uint64_t>(sqlite3_changes(db));
    } catch (const SqlError& error) {
      for (auto& values : returned) values.pop_back();
      sqlite3_reset(statement_.Handle());
      // A single execution fails as a whole; an array execution keeps the rows before
      // the failing one and reports where it stopped.
      if (iterations == 1 || error.Code() == texts::kSessionKilled.code ||
          error.Code() == texts::kUserCancel.code)
        throw;
      result.rowError = error;
      break;
    }
  }
  sqlite3_reset(statement_.Handle());
  if (targetObject != 0 && touched.rowid)
    result.rowid = OracleFunctions::EncodeRowid(targetObject, *touched.rowid);
  for (const Bind& bind : binds) {
    if (!bind.out) continue;
    const std::string key = BindKey(bind.name);
    const auto& names = translated_.returningBinds;
    const auto target = std::find(names.begin(), names.end(), key);
    if (target != names.end()) {
      result.outValues.push_back(returned[static_cast<std::size_t>(target - names.begin())]);
      continue;
    }
    // SQL cannot set any other bind variable: it comes back as it went in.
    const std::size_t stop = std::min(end, bind.values.size());
    std::vector<Value> values;
    if (first < stop)
      values.assign(bind.values.begin() + static_cast<long>(first), bind.values.begin() + static_cast<long>(stop));
    result.outValues.push_back(std::move(values));
  }
  if (commitOnSuccess && !result.rowError) {
    core_->RefuseTransactionControlInSql();
    core_->CommitWork();
  }
  return result;
}

std::vector<std::vector<Value>> EngineStatement::FetchRows(int maxRows) {
  SessionCore::CallScope call(*core_);
  std::vector<std::vector<Value>> rows;
  if (!IsQuery(translated_.kind)) throw OracleErrors::Make(texts::kFetchOutOfSequence);
  if (!open_) return rows;
  try {
    while (static_cast<int>(rows.size()) < maxRows) {
      if (materialized_) {
        if (buffered_.empty()) {
          Close();
          break;
        }
        rows.push_back(std::move(buffered_.front()));
        buffered_.pop_front();
        continue;
      }
      if (!core_->Step(statement_.Handle(), translated_.kind, "")) {
        Close();
        break;
      }
      rows.push_back(CurrentRow());
    }
  } catch (...) {
    Close();
    throw;
  }
  rowsFetched_ += rows.size();
  return rows;
}

Value EngineStatement::ColumnValue(int column, const ColumnDescription& description) const {
  sqlite3_stmt* statement = statement_.Handle();
  const int type = sqlite3_column_type(statement, column);
  if (type == SQLITE_NULL) return Value::Null();
  auto text = [&] {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
  };
  auto blob = [&] {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
    return std::vector<std::uint8_t>(data, data + sqlite3_column_bytes(statement, column));
  };
  if (ExtendedTypes::Handles(description.oracleType))
    return ExtendedTypes::ColumnValue(statement, column, description);
  switch (description.oracleType) {
    case 2: {
      if (type == SQLITE_INTEGER) return Value::Number(std::to_string(sqlite3_column_int64(statement, column)));
      if (type == SQLITE_FLOAT) return Value::Number(NumberText::Canonical(sqlite3_column_double(statement, column)));
      const auto parsed = NumberText::Parse(text());
      if (!parsed) throw OracleErrors::Make(texts::kInvalidNumber);
      return Value::Number(NumberText::Canonical(*parsed));
    }
    case 12: {
      OracleDate date;
      if (type == SQLITE_TEXT && DateFormat::FromStorage(text(), date)) return Value::Date(date);
      if (type == SQLITE_TEXT)
        return Value::Date(DateFormat::Parse(text(), core_->State().nlsDateFormat, DateFormat::Now().year));
      throw OracleErrors::Make(texts::kInconsistentDatatypes, {"DATE", "NUMBER"});
    }
    case 23:
    case 24:
      if (type == SQLITE_BLOB) return Value::Raw(blob());
      {
        const std::string bytes = text();
        return Value::Raw(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
      }
    case 11: {
      Value value = Value::Text(text());
      value.kind = Value::Kind::Rowid;
      return value;
    }
    default:
      if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
        return Value::Text(NumberText::OracleDefault(sqlite3_column_double(statement, column)));
      if (type == SQLITE_BLOB) {
        static const char* digits = "0123456789ABCDEF";
        std::string hex;
        for (std::uint8_t byte : blob()) {
          hex += digits[byte >> 4];
          hex += digits[byte & 15];
        }
        return Value::Text(hex);
      }
      return Value::Text(text());
  }
}

}  // namespace devdb::sql
