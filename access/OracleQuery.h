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
  // Records a client call's status; raises EOracleError (restoring the cursor and firing a
  // pending AfterQuery first) unless it succeeded. 1403 passes when noDataIsFine.
  void CheckCall(sword status, bool noDataIsFine = false);
  // Error code of the last client call (0 for success, 1403 for no data).
  std::int32_t LastCallErrorCode() const;

  void SessionLoggingOff() override { Close(); }
  void SessionDestroyed() override;

 private:
  friend class TQueryThread;
  friend class QueryCursorScope;

  void ExecuteInForeground();
  void RunSequence(bool describeOnly, std::int32_t rowStart, std::int32_t rowEnd);
  void Open();
  // Allocations from the session's environment: a failure is read from the environment.
  void CheckAllocation(sword status);
  void* AllocateHandle(ub4 type);
  void Prepare();
  std::string BuildText() const;
  void DescribeSelectList();
  void DescribeColumnVersion8(TFieldData& column, ub4 position, std::int32_t& code);
  void DescribeColumnVersion7(TFieldData& column, ub4 position, std::int32_t& code);
  void ApplyTypeMap(TFieldData& column);
  void DefineColumns();
  void PrepareBuffersForFetch();
  // After a fetch: remembers whether a value of the rows in the buffer was cut.
  void NoteTruncatedValues();
  std::int32_t BindVariables();
  void ComputeErrorPosition();
  [[noreturn]] void RaiseCallError();
  void FireAfterQuery();
  void ShowDebugText();
  void ShowQueryCursor();
  void RestoreQueryCursor();
  void FreeHandles();

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
