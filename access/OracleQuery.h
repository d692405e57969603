// TOracleQuery: the statement object through which every database operation runs. It holds
// one SQL text and the session it runs on; it prepares (and with Optimize re-uses) the
// statement, binds the variables, executes, describes a select list into TFieldData columns,
// fetches ReadBuffer rows per call to the server, and gives the current row's values by
// column. Both client interfaces are served, chosen by the session's UsesOCI8.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/Component.h"
#include "access/FieldData.h"
#include "access/OracleConstants.h"
#include "access/QueryVariables.h"
#include "access/SessionDependant.h"
#include "client/OracleCallTable.h"
#include "platform/DateTime.h"
#include "platform/ScopeGuards.h"
#include "platform/UiHooks.h"
#include "platform/Variant.h"

namespace vek {

class TOracleSession;
class TQueryThread;
class TVariables;
class TOracleQuery;

using TOracleQueryEvent = std::function<void(TOracleQuery& sender)>;
using TArrayErrorEvent =
    std::function<void(TOracleQuery& sender, std::int32_t index, std::int32_t errorCode,
                       const std::string& errorMessage, bool& goOn)>;
using TThreadErrorEvent = std::function<void(TOracleQuery& sender, std::int32_t errorCode,
                                             const std::string& errorMessage)>;

// Oracle SQL function codes the layer assigns or tests.
enum TFunctionType : std::int32_t {
  ftNone = 0,
  ftInsert = 3,
  ftSelect = 4,
  ftUpdate = 5,
  ftDelete = 9,
  ftPLSQL = 34,
  ftOther = -1,
};

class TOracleQuery : public TComponent, public TSessionDependant {
 public:
  explicit TOracleQuery(TComponent* owner = nullptr);
  ~TOracleQuery() override;

  // Published properties.
  std::vector<std::string> SQL;
  TOracleSession* Session() const { return session_; }
  void SetSession(TOracleSession* session);
  std::int32_t ReadBuffer() const { return readBuffer_; }
  void SetReadBuffer(std::int32_t value) { readBuffer_ = value < 1 ? 1 : value; }
  bool Optimize = true;
  bool Debug = false;
  TCursor Cursor = crDefault;
  bool StringFieldsOnly() const { return stringFieldsOnly_; }
  void SetStringFieldsOnly(bool value);
  bool Threaded = false;
  bool ThreadSynchronized = true;
  TOracleQueryEvent BeforeQuery;
  TOracleQueryEvent AfterQuery;
  TArrayErrorEvent OnArrayError;
  TOracleQueryEvent OnThreadExecuted;
  TOracleQueryEvent OnThreadRecord;
  TOracleQueryEvent OnThreadFinished;
  TThreadErrorEvent OnThreadError;

  // The variable list; none means the statement binds nothing.
  TQueryVariables* Variables() const { return variables_.get(); }
  void SetVariables(std::unique_ptr<TQueryVariables> variables);

  // The statement's own variable operations, on its variable list (created on first use).
  TVariables& VariableList();
  void DeclareVariable(const std::string& name, std::int32_t type);
  void SetVariable(const std::string& name, const Variant& value);
  Variant GetVariable(const std::string& name);

  // Execution.
  virtual void Execute();
  void Describe();
  void Next();
  bool Eof() const { return eof_; }
  void Close();
  void Clear();
  std::int32_t RowsProcessed();
  std::int32_t FunctionType() const { return functionType_; }
  std::int32_t ErrorLine() const { return errorLine_; }
  std::int32_t ErrorPosition() const { return errorColumn_; }

  // Column description.
  int FieldCount() const { return static_cast<int>(columns_.size()); }
  std::string FieldName(int index) const;
  int FieldIndex(const std::string& name) const;
  int FieldType(int index) const;
  int FieldInternalType(int index) const;
  int FieldSize(int index) const;
  int FieldPrecision(int index) const;
  int FieldScale(int index) const;
  bool FieldOptional(int index) const;

  // Current-row access.
  bool FieldIsNull(int index) const;
  const void* FieldData(int index) const;
  Variant Field(int index);
  Variant Field(const std::string& name);
  std::string FieldAsString(int index) const;
  std::int32_t FieldAsInteger(int index) const;
  double FieldAsFloat(int index) const;
  TDateTime FieldAsDate(int index) const;
  std::int32_t GetLongField(int index, void* buffer, std::int32_t length, std::int32_t offset);
  // A value longer than its column's buffer arrives cut; the client library says so through
  // the row's indicator (the full length, or -2 when that does not fit) and answers the
  // fetch with success with information. The cut value reads as it arrived.
  // FieldTruncated: the current row's value of the column was cut. Truncated: some value
  // fetched since the last Execute was cut.
  bool FieldTruncated(int index) const;
  bool Truncated() const { return truncated_; }
  // The LOB locator of a CLOB, BLOB or BFILE column. This layer reads no large objects, so a
  // LOB column answers none; any other column raises "Field <name> is not a LOB".
  void* LOBField(int index) const;
  std::string RowId();

  // For the variable list and the session.
  bool UsesOCI8() const;
  OCIStmt* StatementHandle() const { return statement_; }
  OCIError* StatementErrorHandle() const { return errorHandle_; }
  Cda_Def* CursorDataArea() { return &cursorDataArea_; }
  bool IsOpen() const { return open_; }
  const std::string& ParsedText() const { return parsedText_; }
  // Cursor variables: a statement bound as the target of another's cursor variable is closed,
  // cleared and opened with a fresh statement handle (version 8); its next Execute fetches
  // what the other statement's execution opened. Returns where the handle lives.
  OCIStmt** BecomeCursorVariableTarget();
  bool CursorVariableTarget() const { return cursorVariableTarget_; }
  // The next Execute prepares again; nothing is freed.
  void ForgetParsedText() { parsedText_.clear(); }
  // The binds of the variable list, checked as every call of an execution is: by name on the
  // statement handle (version 8), or to the cursor (version 7).
  void BindByName(OCIBind** bind, const std::string& name, void* address, sb4 size, ub2 type,
                  sb2* indicators, ub2* lengths, ub4 maximumElements, ub4* currentElements);
  void CursorBind(const std::string& name, void* address, sb4 size, ub2 type, sb2* indicators,
                  ub2* lengths, ub4 maximumElements, ub4* currentElements);
  // Error code of the last client call (0 for success, 1403 for no data).
  std::int32_t LastCallErrorCode() const;

  void SessionLoggingOff() override { Close(); }
  void SessionDestroyed() override;

 private:
  friend class TQueryThread;
  friend class QueryCursorScope;

  void ExecuteInForeground();
  // The steps of one execution or describe; the statement's cursor shows throughout.
  void RunSequence(bool describeOnly, std::int32_t rowStart, std::int32_t rowEnd);
  void EnsureClientLoaded();
  void PrepareToRun();
  // False for a describe, which ends with the select list.
  bool RunSelect(bool describeOnly);
  // True when the first rows came with the execution.
  bool ExecuteSelect(bool describeOnly);
  void FetchFirstRows();
  void RunStatement(bool describeOnly, std::int32_t rowStart, std::int32_t rowEnd);
  void Open();
  void Prepare();
  void NewStatementHandle();
  std::string BuildText() const;
  bool TextIsParsedText() const;
  void DescribeSelectList();
  // Both false past the end of the select list.
  bool DescribeColumnVersion8(TFieldData& column, ub4 position);
  bool DescribeColumnVersion7(TFieldData& column, ub4 position);
  void ApplyTypeMap(TFieldData& column);
  void DefineColumns();
  void PrepareBuffersForFetch();
  // After a fetch: remembers whether a value of the rows in the buffer was cut.
  void NoteTruncatedValues();
  std::int32_t BindVariables();
  void ComputeErrorPosition();
  void FireAfterQuery();
  void ShowDebugText();
  // Through QueryCursorScope; a failed call restores early.
  void ShowQueryCursor();
  void RestoreQueryCursor();
  void FreeHandles();

  // What a failed call leaves behind besides its error.
  enum TCallFailure {
    cfCall,       // the execution ends: the cursor is back and a pending AfterQuery has fired
    cfText,       // as cfCall, and the text is at fault: its error position is read and the
                  // next Execute prepares it anew
    cfDescribe,   // as cfText, and the columns described so far are dropped
    cfOutsideRun  // a version-7 call outside an execution (reading a LONG value): the error
                  // alone
  };
  // The one check of the statement's client calls, by the rule of LastCallErrorCode: returns
  // the last call's error code when it is 0 or the one code the call lets pass (1403 at the
  // end of the rows, 1007 past the select list); raises otherwise.
  std::int32_t CheckLastCall(TCallFailure failure = cfCall, std::int32_t passing = 0);
  // The end of a failed execution, before its error leaves: the cursor goes back, then a
  // pending AfterQuery fires.
  void EndFailedExecution();
  [[noreturn]] void RaiseCallError();

  // The statement's client calls, one wrapper each (OracleQueryCalls.cpp). A wrapper makes
  // the call and checks it through CheckLastCall; calls whose outcome does not matter are made
  // in place, unchecked. Allocations report on the session's environment handle, and the two
  // closing calls, no part of an execution, raise their error alone.
  void* AllocateHandle(ub4 type);
  void* AllocateDescriptor(ub4 type);
  void CheckAllocation(sword status);
  void StatementPrepare(const std::string& text);
  void StatementExecute(ub4 iterations, ub4 offset, ub4 mode, std::int32_t passing = 0);
  // rowsPerFetch_ rows; the end of the rows passes.
  void StatementFetch();
  // The statement handle goes; the statement's error handles are gone already, so a failure
  // is read from the session's.
  void StatementFree();
  ub4 SelectListCount();
  // False past the end of the select list.
  bool SelectListItem(ub4 position, void*& parameter);
  void DefineByPosition(ub4 position, void* buffer, sb4 size, TFieldData& column, ub4 mode);
  void DefineDynamic(TFieldData& column);
  void CursorOpen();
  void CursorParse(const std::string& text);
  void CursorDefine(TFieldData& column, ub4 position);
  void CursorExecute(sword count, sword offset);
  // Executes and fetches the first rowsPerFetch_ rows; the end of the rows passes.
  void CursorExecuteFetch();
  // rowsPerFetch_ rows; the end of the rows passes.
  void CursorFetch(TCallFailure failure);
  ub4 CursorReadLong(int index, ub1* buffer, sb4 length, std::int32_t offset);
  // The cursor goes, whatever the library says about it.
  void CursorClose();

  const TFieldData& Column(int index) const;
  const TFieldData& CurrentColumn(int index) const;
  std::string SlotText(const TFieldData& column) const;
  Variant NullValue() const;
  bool ConvertsLineBreaks() const;
  std::string ReadWholeLong(int index);
  [[noreturn]] void CannotConvert(const TFieldData& column, const char* target) const;

  static sb4 LongPieceCallback(void* context, OCIDefine* define, ub4 iteration, void** buffer,
                               ub4** length, ub1* piece, void** indicator, ub2** returnCode);

  TOracleSession* session_ = nullptr;
  std::int32_t readBuffer_ = 25;
  bool stringFieldsOnly_ = false;
  std::unique_ptr<TQueryVariables> variables_;

  // Version-8 handles.
  OCIError* errorHandle_ = nullptr;
  OCIError* secondErrorHandle_ = nullptr;
  void* rowIdDescriptor_ = nullptr;
  OCIStmt* statement_ = nullptr;
  OCIDefine* defineHandle_ = nullptr;
  sword lastStatus_ = OCI_SUCCESS;
  // Version-7 cursor, sized as the client library of this platform expects.
  Cda_Def cursorDataArea_{};
  bool openedWithOCI8_ = false;

  std::int32_t functionType_ = ftNone;
  std::optional<ShownCursor> queryCursor_;
  std::vector<std::unique_ptr<TFieldData>> columns_;
  std::unique_ptr<TQueryThread> thread_;
  std::int32_t rowsPerFetch_ = 1;
  std::int32_t currentRow_ = 0;
  std::int32_t rowsInBuffer_ = 0;
  bool open_ = false;
  bool described_ = false;
  bool eof_ = true;
  bool truncated_ = false;
  std::string parsedText_;
  bool afterQueryPending_ = false;
  std::int32_t errorColumn_ = 0;
  std::int32_t errorLine_ = 0;
  bool cursorVariableTarget_ = false;
  std::int32_t lastArraySize_ = 0;
};

}  // namespace vek
