// Preparation, execution, describe, define, fetch and close of a statement over both client
// interfaces, and the debug display and cursor around them. Column access is in
// OracleQueryFields.cpp.
#include "access/OracleQuery.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "access/AccessTexts.h"
#include "access/OracleError.h"
#include "access/OracleSession.h"
#include "access/QueryThread.h"
#include "access/ScopeGuards.h"
#include "access/SessionFeature.h"
#include "client/ClientLibrary.h"

namespace vek {
namespace {

constexpr std::int32_t kNoDataFound = 1403;
constexpr std::int32_t kNotInSelectList = 1007;
constexpr sb4 kLongDefineSize = 2147483647;
constexpr ub4 kParseErrorOffset80 = 128;
// Identifiers and aliases may be this long since Oracle 12.2; the version-8 describe hands
// them out whole.
constexpr ub4 kMaxIdentifierLength = 128;

// The longest text of the types whose text is longer than their data size, fetched as text:
// the datetime and interval types in their default formats (a time zone region name may be
// long) and the binary floating-point numbers with their exponent. Codes as the server
// describes them, and their external codes.
std::int32_t LongestTextOf(sb2 internalType) {
  switch (internalType) {
    case 180:  // TIMESTAMP: 10-DEC-26 04.29.36.123456789 AM
    case 187:
    case 231:  // TIMESTAMP WITH LOCAL TIME ZONE
    case 232: return 64;
    case 181:  // TIMESTAMP WITH TIME ZONE: ... AM +00:00, or a region name
    case 188: return 128;
    case 182:  // INTERVAL YEAR TO MONTH: +000000009-11
    case 189: return 32;
    case 183:  // INTERVAL DAY TO SECOND: +000000009 23:59:59.999999999
    case 190: return 48;
    case 100:  // BINARY_FLOAT: -1.17549435E-038
    case 21: return 48;
    case 101:  // BINARY_DOUBLE: -2.2250738585072014E-308
    case 22: return 48;
    default: return 0;
  }
}

// Statement kinds that may keep their preparation when the text has not changed.
bool Reusable(std::int32_t functionType) {
  switch (functionType) {
    case 3:
    case 4:
    case 5:
    case 9:
    case 33:
    case 34:
    case 35:
    case 54:
    case 55:
    case 56: return true;
    default: return false;
  }
}

std::int32_t FunctionTypeOfStatementType(ub2 statementType) {
  switch (statementType) {
    case 1: return ftSelect;
    case 2: return ftUpdate;
    case 3: return ftDelete;
    case 4: return ftInsert;
    case 8:
    case 9: return ftPLSQL;
    default: return ftOther;
  }
}

}  // namespace

TOracleQuery::TOracleQuery(TComponent* owner) : TComponent(owner) {}

TOracleQuery::~TOracleQuery() {
  Destroying();
  thread_.reset();
  if (session_) {
    session_->RemoveDependant(this);
    try {
      Close();
    } catch (...) {
      // The handles are gone with the statement either way.
    }
  }
}

void TOracleQuery::SetSession(TOracleSession* session) {
  if (session == session_) return;
  if (session_) {
    session_->RemoveDependant(this);
    Close();
  }
  session_ = session;
  if (session_) session_->AddDependant(this);
}

void TOracleQuery::SessionDestroyed() {
  // The session is going: its handles are already released with it.
  open_ = false;
  statement_ = nullptr;
  errorHandle_ = nullptr;
  secondErrorHandle_ = nullptr;
  rowIdDescriptor_ = nullptr;
  cursorDataArea_ = Cda_Def{};
  parsedText_.clear();
  described_ = false;
  columns_.clear();
  eof_ = true;
  session_ = nullptr;
}

void TOracleQuery::SetStringFieldsOnly(bool value) {
  if (value == stringFieldsOnly_) return;
  stringFieldsOnly_ = value;
  parsedText_.clear();
}

void TOracleQuery::SetVariables(std::unique_ptr<TQueryVariables> variables) {
  variables_ = std::move(variables);
  parsedText_.clear();
}

bool TOracleQuery::UsesOCI8() const { return session_ && session_->UsesOCI8(); }

// ---- Status ------------------------------------------------------------------------------

std::int32_t TOracleQuery::LastCallErrorCode() const {
  if (!openedWithOCI8_) return cursorDataArea_.rc;
  switch (lastStatus_) {
    case OCI_SUCCESS:
    case OCI_SUCCESS_WITH_INFO:
    case OCI_NEED_DATA: return 0;
    case OCI_NO_DATA: return kNoDataFound;
    case OCI_ERROR:
    case OCI_INVALID_HANDLE: {
      sb4 code = 0;
      if (errorHandle_) {
        OracleCalls.OCIErrorGet(errorHandle_, 1, nullptr, &code, nullptr, 0, OCI_HTYPE_ERROR);
      }
      // A failure whose handle holds no record is still a failure.
      return code != 0 ? code : lastStatus_;
    }
    default: return lastStatus_;
  }
}

void TOracleQuery::FireAfterQuery() {
  if (!afterQueryPending_) return;
  afterQueryPending_ = false;
  if (AfterQuery) AfterQuery(*this);
}

// ---- Cursor and debug display -------------------------------------------------------------

void TOracleQuery::ShowQueryCursor() {
  if (Cursor == crDefault || queryCursor_) return;
  queryCursor_.emplace(Cursor);
}

void TOracleQuery::RestoreQueryCursor() { queryCursor_.reset(); }

void TOracleQuery::ShowDebugText() {
  std::string text;
  for (const std::string& line : SQL) text += line + "\r\n";
  if (variables_) text += variables_->DebugText();
  CurrentUiHooks().ShowMessage(text, Name());
}

// ---- Execution ---------------------------------------------------------------------------

void TOracleQuery::Execute() {
  if (!Threaded) {
    ExecuteInForeground();
    return;
  }
  if (thread_ && thread_->Working()) throw Exception(access_texts::kQueryThreadInProgress);
  if (!thread_) thread_ = std::make_unique<TQueryThread>(*this);
  thread_->Resume();
}

void TOracleQuery::ExecuteInForeground() {
  if (BeforeQuery) BeforeQuery(*this);
  afterQueryPending_ = true;
  std::int32_t start = 0;
  std::int32_t end = 0;
  for (;;) {
    try {
      RunSequence(false, start, end);
      break;
    } catch (const EOracleError& error) {
      const std::int32_t processed = RowsProcessed();
      if (end == 0) end = lastArraySize_;
      start += processed + 1;
      if (!OnArrayError) throw;
      bool goOn = true;
      OnArrayError(*this, start - 1, error.ErrorCode(), error.Message(), goOn);
      if (!goOn || start >= end) break;
    }
  }
  if (eof_) FireAfterQuery();
}

void TOracleQuery::Describe() {
  if (Threaded && thread_ && thread_->Working()) {
    throw Exception(access_texts::kQueryThreadInProgress);
  }
  RunSequence(true, 0, 0);
}

void TOracleQuery::RunSequence(bool describeOnly, std::int32_t rowStart, std::int32_t rowEnd) {
  if (!session_) throw Exception(access_texts::kSessionUndefined);
  eof_ = true;
  truncated_ = false;
  EnsureClientLoaded();
  if (!session_->Connected()) throw Exception(access_texts::kNotLoggedOn);
  if (Debug && !describeOnly && !cursorVariableTarget_) ShowDebugText();
  QueryCursorScope cursor(*this);
  PrepareToRun();
  if (functionType_ != ftSelect) {
    RunStatement(describeOnly, rowStart, rowEnd);
  } else if (!RunSelect(describeOnly)) {
    return;
  }
  if (variables_) variables_->UpdateAfterExecute(*this);
}

void TOracleQuery::EnsureClientLoaded() {
  if (ClientLibraryLoaded()) return;
  session_->ChooseODBCLibrary();
  QueryCursorScope cursor(*this);
  InitializeClient();
}

void TOracleQuery::PrepareToRun() {
  // Whatever made the preparation fail, the execution ends as a failed call ends it.
  try {
    Prepare();
  } catch (...) {
    EndFailedExecution();
    throw;
  }
}

bool TOracleQuery::RunSelect(bool describeOnly) {
  BindVariables();
  const bool fetchedWithExecute = ExecuteSelect(describeOnly);
  if (!described_) {
    DescribeSelectList();
    DefineColumns();
  }
  if (describeOnly) {
    currentRow_ = 0;
    rowsInBuffer_ = 0;
    return false;
  }
  if (!fetchedWithExecute) FetchFirstRows();
  cursorVariableTarget_ = false;
  currentRow_ = 0;
  rowsInBuffer_ = std::min(RowsProcessed(), rowsPerFetch_);
  eof_ = rowsInBuffer_ <= 0;
  NoteTruncatedValues();
  return true;
}

// Only version 8 executes a select on its own; the version-7 cursor executes with its first
// fetch, and a cursor variable's target was executed by the statement that opened it.
bool TOracleQuery::ExecuteSelect(bool describeOnly) {
  if (!UsesOCI8() || cursorVariableTarget_ || (described_ && describeOnly)) return false;
  // An unchanged select fetches its first buffer in the execute call itself.
  const bool fetching = described_ && !describeOnly;
  if (fetching) PrepareBuffersForFetch();
  StatementExecute(fetching ? static_cast<ub4>(rowsPerFetch_) : 0, 0,
                   describeOnly ? OCI_DESCRIBE_ONLY : OCI_DEFAULT, kNoDataFound);
  return fetching;
}

void TOracleQuery::FetchFirstRows() {
  SessionLockScope lock(*session_);
  if (UsesOCI8()) {
    PrepareBuffersForFetch();
    StatementFetch();
  } else if (cursorVariableTarget_) {
    CursorFetch(cfText);
  } else {
    CursorExecuteFetch();
  }
}

void TOracleQuery::RunStatement(bool describeOnly, std::int32_t rowStart, std::int32_t rowEnd) {
  const std::int32_t arraySize = BindVariables();
  if (describeOnly) return;
  ub4 count = 1;
  ub4 offset = 0;
  if (arraySize > 1) {
    if (rowEnd <= 0) {
      count = static_cast<ub4>(arraySize);
    } else {
      count = static_cast<ub4>(rowEnd);
      offset = static_cast<ub4>(rowStart);
    }
  }
  SessionLockScope lock(*session_);
  if (UsesOCI8()) {
    StatementExecute(count, offset, session_->AutoCommit() ? OCI_COMMIT_ON_SUCCESS : OCI_DEFAULT);
    ub2 functionCode = 0;
    OracleCalls.OCIAttrGet(statement_, OCI_HTYPE_STMT, &functionCode, nullptr, OCI_ATTR_SQLFNCODE,
                           secondErrorHandle_);
    functionType_ = functionCode;
  } else {
    CursorExecute(static_cast<sword>(count), static_cast<sword>(offset));
  }
}

std::int32_t TOracleQuery::BindVariables() {
  // The place where the variable list binds its variables; without one nothing is bound.
  if (!variables_) {
    lastArraySize_ = 0;
    return 0;
  }
  SessionLockScope lock(*session_);
  lastArraySize_ = variables_->BindAll(*this);
  return lastArraySize_;
}

// ---- Opening and preparation ---------------------------------------------------------------

void TOracleQuery::Open() {
  openedWithOCI8_ = UsesOCI8();
  if (openedWithOCI8_) {
    // A statement that could not open holds nothing: what was allocated goes back.
    ClientHandleScope errorHandle(AllocateHandle(OCI_HTYPE_ERROR), OCI_HTYPE_ERROR);
    ClientHandleScope secondErrorHandle(AllocateHandle(OCI_HTYPE_ERROR), OCI_HTYPE_ERROR);
    rowIdDescriptor_ = AllocateDescriptor(OCI_DTYPE_ROWID);
    errorHandle_ = static_cast<OCIError*>(errorHandle.Release());
    secondErrorHandle_ = static_cast<OCIError*>(secondErrorHandle.Release());
  } else if (!cursorVariableTarget_) {
    SessionLockScope lock(*session_);
    CursorOpen();
  }
  open_ = true;
}

std::string TOracleQuery::BuildText() const {
  std::string text;
  if (variables_ && variables_->Substitutes()) {
    for (const std::string& line : SQL) text += line + "\r\n";
    text = variables_->Substitute(text);
    std::erase(text, '\r');
  } else {
    // Runs before every execution, also of an unchanged statement: one pass, no copies.
    std::size_t length = 0;
    for (const std::string& line : SQL) length += line.size() + 1;
    text.reserve(length);
    for (const std::string& line : SQL) {
      if (line.find('\r') == std::string::npos) {
        text += line;
      } else {
        std::copy_if(line.begin(), line.end(), std::back_inserter(text),
                     [](char c) { return c != '\r'; });
      }
      text += '\n';
    }
  }
  if (text.empty()) text = " ";
  return text;
}

// BuildText() == parsedText_, without building the text when nothing is substituted: an
// unchanged statement is checked before every execution.
bool TOracleQuery::TextIsParsedText() const {
  if (variables_ && variables_->Substitutes()) return BuildText() == parsedText_;
  if (SQL.empty()) return parsedText_ == " ";
  std::size_t at = 0;
  const std::size_t end = parsedText_.size();
  for (const std::string& line : SQL) {
    if (line.find('\r') == std::string::npos) {
      if (end - at < line.size() || parsedText_.compare(at, line.size(), line) != 0) return false;
      at += line.size();
    } else {
      for (char c : line) {
        if (c == '\r') continue;
        if (at == end || parsedText_[at] != c) return false;
        ++at;
      }
    }
    if (at == end || parsedText_[at] != '\n') return false;
    ++at;
  }
  return at == end;
}

void TOracleQuery::Prepare() {
  errorColumn_ = 0;
  errorLine_ = 0;
  if (!open_) Open();
  if (cursorVariableTarget_) {
    functionType_ = ftSelect;
    described_ = false;
    return;
  }
  const bool version8 = UsesOCI8();
  if (version8 && variables_ && (variables_->ForcesPreparation() || lastArraySize_ > 1)) {
    parsedText_.clear();
  }
  if (Optimize && !parsedText_.empty() && Reusable(functionType_) && TextIsParsedText()) return;
  const std::string text = BuildText();

  columns_.clear();
  parsedText_ = text;
  functionType_ = ftNone;
  SessionLockScope lock(*session_);
  try {
    if (version8) {
      NewStatementHandle();
      StatementPrepare(text);
      ub2 statementType = 0;
      OracleCalls.OCIAttrGet(statement_, OCI_HTYPE_STMT, &statementType, nullptr,
                             OCI_ATTR_STMT_TYPE, secondErrorHandle_);
      functionType_ = FunctionTypeOfStatementType(statementType);
    } else {
      CursorParse(text);
      functionType_ = cursorDataArea_.ft;
    }
  } catch (...) {
    parsedText_.clear();
    throw;
  }
  described_ = false;
}

void TOracleQuery::NewStatementHandle() {
  if (statement_) OracleCalls.OCIHandleFree(statement_, OCI_HTYPE_STMT);
  statement_ = nullptr;
  statement_ = static_cast<OCIStmt*>(AllocateHandle(OCI_HTYPE_STMT));
  // The read buffer alone decides how many rows one call to the server brings.
  ub4 none = 0;
  OracleCalls.OCIAttrSet(statement_, OCI_HTYPE_STMT, &none, 0, OCI_ATTR_PREFETCH_ROWS,
                         errorHandle_);
  OracleCalls.OCIAttrSet(statement_, OCI_HTYPE_STMT, &none, 0, OCI_ATTR_PREFETCH_MEMORY,
                         errorHandle_);
  if (variables_) variables_->ForgetBindHandles();
}

// ---- Describe and define ---------------------------------------------------------------

void TOracleQuery::DescribeSelectList() {
  rowsPerFetch_ = readBuffer_;
  columns_.clear();
  const bool version8 = UsesOCI8();
  const ub4 itemCount = version8 ? SelectListCount() : 0;
  for (ub4 position = 1;; ++position) {
    auto column = std::make_unique<TFieldData>();
    {
      SessionLockScope lock(*session_);
      const bool described =
          version8 ? position <= itemCount && DescribeColumnVersion8(*column, position)
                   : DescribeColumnVersion7(*column, position);
      if (!described) break;
    }
    ApplyTypeMap(*column);
    columns_.push_back(std::move(column));
  }
  for (auto& column : columns_) column->AllocateBuffers(rowsPerFetch_);
  described_ = true;
}

bool TOracleQuery::DescribeColumnVersion8(TFieldData& column, ub4 position) {
  void* parameter = nullptr;
  if (!SelectListItem(position, parameter)) return false;
  // The library hands out a new descriptor per call and leaves freeing it to the program.
  ClientHandleScope release(parameter, OCI_DTYPE_PARAM, ClientHandleScope::ckDescriptor);
  // Attribute widths differ between client releases (precision ub1 or sb2, scale sb1 or sb2):
  // each is read into zeroed room wide enough for either, little end first.
  auto read = [&](ub4 attribute) {
    std::uint64_t room = 0;
    OracleCalls.OCIAttrGet(parameter, OCI_DTYPE_PARAM, &room, nullptr, attribute,
                           secondErrorHandle_);
    return room;
  };
  column.dataSize = static_cast<std::int32_t>(static_cast<ub2>(read(OCI_ATTR_DATA_SIZE)));
  column.internalType = static_cast<sb2>(static_cast<ub2>(read(OCI_ATTR_DATA_TYPE)));
  OraText* name = nullptr;
  ub4 nameLength = 0;
  OracleCalls.OCIAttrGet(parameter, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME,
                         secondErrorHandle_);
  if (name) {
    column.name.assign(reinterpret_cast<const char*>(name),
                       std::min<ub4>(nameLength, kMaxIdentifierLength));
  }
  column.precision = static_cast<sb2>(static_cast<std::uint16_t>(read(OCI_ATTR_PRECISION)));
  column.scale = static_cast<sb1>(static_cast<std::uint8_t>(read(OCI_ATTR_SCALE)));
  column.nullable = static_cast<sb2>(static_cast<std::uint8_t>(read(OCI_ATTR_IS_NULL)));
  return true;
}

// The version-7 describe is a single call, so its wrapper is the whole column.
bool TOracleQuery::DescribeColumnVersion7(TFieldData& column, ub4 position) {
  sb4 dataSize = 0;
  sb2 dataType = 0;
  sb1 name[30] = {};
  sb4 nameLength = sizeof name;
  sb4 displaySize = 0;
  sb2 precision = 0;
  sb2 scale = 0;
  sb2 nullable = 0;
  OracleCalls.odescr(&cursorDataArea_, static_cast<sword>(position), &dataSize, &dataType, name,
                     &nameLength, &displaySize, &precision, &scale, &nullable);
  if (CheckLastCall(cfDescribe, kNotInSelectList) != 0) return false;
  column.dataSize = dataSize;
  column.internalType = dataType;
  column.name.assign(reinterpret_cast<const char*>(name),
                     static_cast<std::size_t>(std::clamp<sb4>(nameLength, 0, sizeof name)));
  column.precision = precision;
  column.scale = scale;
  column.nullable = nullable;
  return true;
}

void TOracleQuery::ApplyTypeMap(TFieldData& column) {
  const bool version8 = UsesOCI8();
  switch (column.internalType) {
    case otcNumber: {
      const TSessionPreferences& preferences = session_->Preferences();
      const std::int32_t integerLimit = preferences.IntegerPrecision != 0
                                            ? preferences.IntegerPrecision
                                            : (session_->ODBCMode() ? 10 : 9);
      const std::int32_t floatLimit =
          preferences.FloatPrecision != 0 ? preferences.FloatPrecision : 2147483647;
      std::int32_t precision = column.precision;
      std::int32_t scale = column.scale;
      bool floatNumber = false;
      if (scale == -127) {
        precision = 38;
        scale = 1;
        floatNumber = true;
      }
      if (scale == 0 && precision == 0) precision = 38;
      if (scale <= 0 && integerLimit >= precision && !stringFieldsOnly_) {
        column.bufferType = otcInteger;
        column.elementSize = 4;
      } else if (floatLimit >= precision && !stringFieldsOnly_) {
        column.bufferType = otcFloat;
        column.elementSize = 8;
      } else {
        column.bufferType = otcString;
        column.elementSize = (scale > 0 ? precision + 3 : precision + 2) + (floatNumber ? 132 : 0);
      }
      break;
    }
    case otcLong:
    case otcLongRaw:
      column.bufferType = column.internalType;
      column.elementSize = version8 ? 0 : 2000;
      rowsPerFetch_ = 1;
      break;
    case otcRowId:
    case otcRowIdDescriptor:
      column.bufferType = otcString;
      column.elementSize = std::max(column.dataSize + 1, 19);
      break;
    case otcDate:
      if (stringFieldsOnly_) {
        column.bufferType = otcString;
        column.elementSize = session_->DateFormatLength() + 1;
      } else {
        column.bufferType = otcDate;
        column.elementSize = 7;
      }
      break;
    case otcRaw:
      column.bufferType = otcString;
      column.elementSize = 2 * column.dataSize + 1;
      break;
    case otcMLSLabel:
      column.bufferType = otcString;
      column.elementSize = 255;
      break;
    case otcObject:
    case otcReference:
    case otcCLOB:
    case otcBLOB:
    case otcBFile:
    case otcCursor: {
      const char* subject =
          column.internalType == otcObject      ? access_texts::kSubjectQueryWithObjects
          : column.internalType == otcReference ? access_texts::kSubjectQueryWithReferences
          : column.internalType == otcCursor    ? access_texts::kSubjectSubQueries
                                                : access_texts::kSubjectQueryWithLobs;
      CheckSessionFeature(session_, subject);
      column.bufferType = column.internalType;
      // A client handle per row; its width is the platform's pointer width.
      column.elementSize = static_cast<std::int32_t>(sizeof(void*));
      break;
    }
    default:
      column.bufferType = otcString;
      // Most types' text fits their data size; the others get room for their longest text.
      column.elementSize = std::max(column.dataSize, LongestTextOf(column.internalType)) + 1;
      break;
  }
}

void TOracleQuery::DefineColumns() {
  const bool version8 = UsesOCI8();
  for (std::size_t index = 0; index < columns_.size(); ++index) {
    TFieldData& column = *columns_[index];
    const ub4 position = static_cast<ub4>(index + 1);
    SessionLockScope lock(*session_);
    if (!version8) {
      CursorDefine(column, position);
    } else if (column.IsLong()) {
      // A LONG value arrives piece by piece, each into room the callback hands out.
      DefineByPosition(position, nullptr, kLongDefineSize, column, OCI_DYNAMIC_FETCH);
      DefineDynamic(column);
    } else {
      DefineByPosition(position, column.Slot(0), column.elementSize, column, OCI_DEFAULT);
    }
  }
}

sb4 TOracleQuery::LongPieceCallback(void* context, OCIDefine*, ub4, void** buffer, ub4** length,
                                    ub1*, void** indicator, ub2** returnCode) {
  auto& column = *static_cast<TFieldData*>(context);
  TLongPiece& piece = column.AddLongPiece();
  *buffer = piece.buffer.data();
  *length = &piece.returnedLength;
  *indicator = column.indicators.data();
  *returnCode = nullptr;
  return OCI_CONTINUE;
}

void TOracleQuery::PrepareBuffersForFetch() {
  for (auto& column : columns_) {
    if (column->IsLong()) column->DiscardLongPieces();
    column->ResetBuffers();
  }
}

// ---- Fetching ----------------------------------------------------------------------------

void TOracleQuery::NoteTruncatedValues() {
  // The indicators tell even when the status does not: a short last buffer answers "no
  // data" whether or not a value in it was cut.
  for (const auto& column : columns_) {
    for (std::int32_t row = 0; row < std::min(rowsInBuffer_, column->rows); ++row) {
      if (column->ValueTruncated(row)) truncated_ = true;
    }
  }
}

void TOracleQuery::Next() {
  if (eof_) return;
  if (!session_) throw Exception(access_texts::kSessionUndefined);
  if (!session_->Connected()) throw Exception(access_texts::kNotLoggedOn);
  ++currentRow_;
  if (currentRow_ >= rowsInBuffer_) {
    if (rowsInBuffer_ < rowsPerFetch_) {
      // The last call already came back short: there is nothing more to ask for.
      eof_ = true;
    } else {
      const std::int32_t before = RowsProcessed();
      {
        QueryCursorScope cursor(*this);
        SessionLockScope lock(*session_);
        if (UsesOCI8()) {
          PrepareBuffersForFetch();
          StatementFetch();
        } else {
          CursorFetch(cfCall);
        }
      }
      currentRow_ = 0;
      rowsInBuffer_ = std::clamp(RowsProcessed() - before, 0, rowsPerFetch_);
      eof_ = rowsInBuffer_ == 0;
      NoteTruncatedValues();
    }
  }
  if (eof_) FireAfterQuery();
}

std::int32_t TOracleQuery::RowsProcessed() {
  if (!session_ || !session_->Connected() || !open_) return 0;
  if (!openedWithOCI8_) return static_cast<std::int32_t>(cursorDataArea_.rpc);
  if (!statement_) return 0;
  ub4 count = 0;
  OracleCalls.OCIAttrGet(statement_, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT,
                         secondErrorHandle_);
  return static_cast<std::int32_t>(count);
}

// ---- Error position ----------------------------------------------------------------------

void TOracleQuery::ComputeErrorPosition() {
  std::size_t offset = 0;
  if (openedWithOCI8_) {
    std::uint64_t room = 0;  // an unsigned 16-bit offset, read into room for any width
    if (statement_) {
      OracleCalls.OCIAttrGet(statement_, OCI_HTYPE_STMT, &room, nullptr,
                             HasOCI81() ? OCI_ATTR_PARSE_ERROR_OFFSET : kParseErrorOffset80,
                             secondErrorHandle_);
    }
    offset = static_cast<ub2>(room);
  } else {
    offset = cursorDataArea_.peo;
  }
  // An offset beyond the text counts up to the text's end.
  offset = std::min(offset, parsedText_.size());
  std::int32_t line = 0;
  std::int32_t column = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (parsedText_[i] == '\n') {
      ++line;
      column = 0;
    } else {
      ++column;
    }
  }
  errorLine_ = line + 1;
  errorColumn_ = column + 1;
}

// ---- Close and clear -------------------------------------------------------------------

void TOracleQuery::Close() {
  if (!session_ || !session_->Connected() || !open_) return;
  open_ = false;
  parsedText_.clear();
  described_ = false;
  columns_.clear();
  eof_ = true;
  FreeHandles();
}

void TOracleQuery::FreeHandles() {
  if (openedWithOCI8_) {
    if (errorHandle_) OracleCalls.OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
    if (secondErrorHandle_) OracleCalls.OCIHandleFree(secondErrorHandle_, OCI_HTYPE_ERROR);
    if (rowIdDescriptor_) OracleCalls.OCIDescriptorFree(rowIdDescriptor_, OCI_DTYPE_ROWID);
    errorHandle_ = nullptr;
    secondErrorHandle_ = nullptr;
    rowIdDescriptor_ = nullptr;
    StatementFree();
    return;
  }
  SessionLockScope lock(*session_);
  CursorClose();
}

OCIStmt** TOracleQuery::BecomeCursorVariableTarget() {
  if (!session_) throw Exception(access_texts::kSessionUndefined);
  Close();
  Clear();
  cursorVariableTarget_ = true;
  Open();
  if (openedWithOCI8_) {
    if (statement_) OracleCalls.OCIHandleFree(statement_, OCI_HTYPE_STMT);
    statement_ = nullptr;
    statement_ = static_cast<OCIStmt*>(AllocateHandle(OCI_HTYPE_STMT));
    if (variables_) variables_->ForgetBindHandles();
  }
  return &statement_;
}

void TOracleQuery::Clear() {
  if (variables_) variables_->DeleteAll();
  SQL.clear();
  parsedText_.clear();
  described_ = false;
  cursorVariableTarget_ = false;
  columns_.clear();
}

}  // namespace vek
