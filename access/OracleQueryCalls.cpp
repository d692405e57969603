// The statement's client calls: one wrapper per entry point that makes the call and checks its
// outcome through CheckLastCall, the statement's one check, with what the call lets pass and
// what its failure leaves behind. The version-8 wrappers record the call's status for the
// rule of LastCallErrorCode; the version-7 ones leave their return code in the cursor area.
#include <utility>
#include <vector>

#include "access/OracleError.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"

namespace vek {
namespace {

constexpr std::int32_t kNoDataFound = 1403;
constexpr std::int32_t kNotInSelectList = 1007;

std::vector<OraText> ZeroTerminated(const std::string& text) {
  std::vector<OraText> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

}  // namespace

// ---- The one check -----------------------------------------------------------------------

std::int32_t TOracleQuery::CheckLastCall(TCallFailure failure, std::int32_t passing) {
  const std::int32_t code = LastCallErrorCode();
  if (code == 0 || (passing != 0 && code == passing)) return code;
  if (failure == cfOutsideRun) RaiseOracleError(*session_, static_cast<ub2>(code));
  if (failure == cfDescribe) columns_.clear();
  if (failure != cfCall) {
    ComputeErrorPosition();
    parsedText_.clear();
  }
  RaiseCallError();
}

void TOracleQuery::EndFailedExecution() {
  RestoreQueryCursor();
  FireAfterQuery();
}

void TOracleQuery::RaiseCallError() {
  EndFailedExecution();
  if (openedWithOCI8_) {
    if (lastStatus_ == OCI_NO_DATA) {
      throw EOracleError(kNoDataFound, "ORA-01403: no data found\n");
    }
    // The session's status is what a failure without an error record reports.
    session_->SetStatus(lastStatus_);
    RaiseOracleError(*session_, errorHandle_);
  }
  RaiseOracleError(*session_, static_cast<ub2>(cursorDataArea_.rc));
}

// ---- Allocations -------------------------------------------------------------------------

void TOracleQuery::CheckAllocation(sword status) {
  lastStatus_ = status;
  if (EnvironmentCallPassed(status)) return;
  // The environment handle carries the reason: the statement's own error handles may not
  // exist yet, and would hold nothing about it if they did.
  throw EnvironmentError(session_->EnvironmentHandle(), status);
}

void* TOracleQuery::AllocateHandle(ub4 type) {
  void* handle = nullptr;
  CheckAllocation(
      OracleCalls.OCIHandleAlloc(session_->EnvironmentHandle(), &handle, type, 0, nullptr));
  return handle;
}

void* TOracleQuery::AllocateDescriptor(ub4 type) {
  void* descriptor = nullptr;
  CheckAllocation(
      OracleCalls.OCIDescriptorAlloc(session_->EnvironmentHandle(), &descriptor, type, 0, nullptr));
  return descriptor;
}

// ---- Version 8 ---------------------------------------------------------------------------

void TOracleQuery::StatementPrepare(const std::string& text) {
  lastStatus_ = OracleCalls.OCIStmtPrepare(
      statement_, errorHandle_, reinterpret_cast<const OraText*>(text.data()),
      static_cast<ub4>(text.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
  CheckLastCall();
}

void TOracleQuery::StatementExecute(ub4 iterations, ub4 offset, ub4 mode, std::int32_t passing) {
  lastStatus_ = OracleCalls.OCIStmtExecute(session_->ServiceContext(), statement_, errorHandle_,
                                           iterations, offset, nullptr, nullptr, mode);
  CheckLastCall(cfText, passing);
}

void TOracleQuery::StatementFetch() {
  lastStatus_ = OracleCalls.OCIStmtFetch(statement_, errorHandle_, static_cast<ub4>(rowsPerFetch_),
                                         OCI_FETCH_NEXT, OCI_DEFAULT);
  CheckLastCall(cfCall, kNoDataFound);
}

void TOracleQuery::StatementFree() {
  if (!statement_) return;
  const sword status =
      OracleCalls.OCIHandleFree(std::exchange(statement_, nullptr), OCI_HTYPE_STMT);
  if (status == OCI_SUCCESS) return;
  session_->SetStatus(status);
  RaiseOracleError(*session_, session_->ErrorHandle());
}

ub4 TOracleQuery::SelectListCount() {
  ub4 count = 0;
  lastStatus_ = OracleCalls.OCIAttrGet(statement_, OCI_HTYPE_STMT, &count, nullptr,
                                       OCI_ATTR_PARAM_COUNT, errorHandle_);
  CheckLastCall();
  return count;
}

bool TOracleQuery::SelectListItem(ub4 position, void*& parameter) {
  lastStatus_ =
      OracleCalls.OCIParamGet(statement_, OCI_HTYPE_STMT, errorHandle_, &parameter, position);
  return CheckLastCall(cfDescribe, kNotInSelectList) == 0;
}

void TOracleQuery::DefineByPosition(ub4 position, void* buffer, sb4 size, TFieldData& column,
                                    ub4 mode) {
  // Each define gets a handle of its own from the library.
  defineHandle_ = nullptr;
  lastStatus_ = OracleCalls.OCIDefineByPos(
      statement_, &defineHandle_, errorHandle_, position, buffer, size, column.DefineType(),
      column.indicators.data(), column.returnedLengths.data(), nullptr, mode);
  CheckLastCall();
}

void TOracleQuery::DefineDynamic(TFieldData& column) {
  lastStatus_ = OracleCalls.OCIDefineDynamic(defineHandle_, errorHandle_, &column,
                                             &TOracleQuery::LongPieceCallback);
  CheckLastCall();
}

void TOracleQuery::BindByName(OCIBind** bind, const std::string& name, void* address, sb4 size,
                              ub2 type, sb2* indicators, ub2* lengths, ub4 maximumElements,
                              ub4* currentElements) {
  lastStatus_ = OracleCalls.OCIBindByName(
      statement_, bind, errorHandle_, reinterpret_cast<const OraText*>(name.c_str()), -1, address,
      size, type, indicators, lengths, nullptr, maximumElements, currentElements, OCI_DEFAULT);
  CheckLastCall();
}

// ---- Version 7 ---------------------------------------------------------------------------

void TOracleQuery::CursorOpen() {
  cursorDataArea_ = Cda_Def{};
  OracleCalls.oopen(&cursorDataArea_, session_->LogonDataArea(), nullptr, -1, -1, nullptr, -1);
  CheckLastCall();
}

void TOracleQuery::CursorParse(const std::string& text) {
  std::vector<OraText> zeroTerminated = ZeroTerminated(text);
  OracleCalls.oparse(&cursorDataArea_, zeroTerminated.data(), -1, 1, 2);
  CheckLastCall();
}

void TOracleQuery::CursorDefine(TFieldData& column, ub4 position) {
  OracleCalls.odefin(&cursorDataArea_, static_cast<sword>(position), column.Slot(0),
                     column.elementSize, column.DefineType(), -1, column.indicators.data(), nullptr,
                     -1, -1, column.returnedLengths.data(), nullptr);
  CheckLastCall();
}

void TOracleQuery::CursorBind(const std::string& name, void* address, sb4 size, ub2 type,
                              sb2* indicators, ub2* lengths, ub4 maximumElements,
                              ub4* currentElements) {
  std::vector<OraText> zeroTerminated = ZeroTerminated(name);
  OracleCalls.obndra(&cursorDataArea_, zeroTerminated.data(), -1, static_cast<ub1*>(address), size,
                     type, -1, indicators, lengths, nullptr, maximumElements, currentElements,
                     nullptr, -1, -1);
  CheckLastCall();
}

void TOracleQuery::CursorExecute(sword count, sword offset) {
  OracleCalls.oexn(&cursorDataArea_, count, offset);
  // The cursor names the statement's function whether or not the execution succeeded.
  functionType_ = cursorDataArea_.ft;
  CheckLastCall(cfText);
}

void TOracleQuery::CursorExecuteFetch() {
  OracleCalls.oexfet(&cursorDataArea_, static_cast<ub4>(rowsPerFetch_), 0, 0);
  // The version-7 cursor parses at its first execution: its errors have a position.
  CheckLastCall(cfText, kNoDataFound);
}

void TOracleQuery::CursorFetch(TCallFailure failure) {
  OracleCalls.ofen(&cursorDataArea_, rowsPerFetch_);
  CheckLastCall(failure, kNoDataFound);
}

ub4 TOracleQuery::CursorReadLong(int index, ub1* buffer, sb4 length, std::int32_t offset) {
  const TFieldData& column = *columns_[static_cast<std::size_t>(index)];
  ub4 read = 0;
  OracleCalls.oflng(&cursorDataArea_, index + 1, buffer, length, column.bufferType, &read, offset);
  CheckLastCall(cfOutsideRun, kNoDataFound);
  return read;
}

void TOracleQuery::CursorClose() {
  OracleCalls.oclose(&cursorDataArea_);
  const Cda_Def closed = std::exchange(cursorDataArea_, Cda_Def{});
  if (closed.rc != 0) RaiseOracleError(*session_, closed.rc);
}

}  // namespace vek
