// The exported entry points that the program only binds: object, collection, LOB, number,
// raw, reference, transaction-branch, direct-path and external-procedure calls, and the
// version-7 odessp. Each reports Oracle's "unimplemented feature" (ORA-03001) through the
// handle it was given and returns OCI_ERROR (or an empty result), and never touches
// anything else, so a program that calls one by mistake gets an error instead of a crash.
#include "devdb/oci/Environment.h"
#include "devdb/oci/ErrorHandle.h"
#include "devdb/oci/HandleRegistry.h"
#include "devdb/oci/OciApi.h"

using namespace devdb::oci;
namespace texts = devdb::texts;

namespace {

void Record(ErrorRecords& records) {
  try {
    records.Clear();
    records.Add(texts::kUnimplemented.code,
                ErrorRecords::Format(texts::kUnimplemented.code, texts::kUnimplemented.message));
  } catch (...) {
  }
}

sword Unimplemented(OCIError* errhp) {
  auto* error = HandleRegistry::Instance().Find<ErrorHandle>(errhp, OCI_HTYPE_ERROR);
  if (error != nullptr) Record(error->records);
  return OCI_ERROR;
}

sword UnimplementedInEnvironment(OCIEnv* envhp) {
  auto* environment = HandleRegistry::Instance().Find<Environment>(envhp, OCI_HTYPE_ENV);
  if (environment != nullptr) {
    std::lock_guard lock(environment->recordsMutex);
    Record(environment->records);
  }
  return OCI_ERROR;
}

}  // namespace

extern "C" {

sword OCIBindObject(OCIBind*, OCIError* errhp, const OCIType*, void**, ub4*, void**, ub4*) {
  return Unimplemented(errhp);
}

sword OCIBindDynamic(OCIBind*, OCIError* errhp, void*, OCICallbackInBind, void*,
                     OCICallbackOutBind) {
  return Unimplemented(errhp);
}

sword OCIStmtGetPieceInfo(OCIStmt*, OCIError* errhp, void**, ub4*, ub1*, ub4*, ub4*, ub1*) {
  return Unimplemented(errhp);
}

sword OCIStmtSetPieceInfo(void*, ub4, OCIError* errhp, const void*, ub4*, ub1, const void*, ub2*) {
  return Unimplemented(errhp);
}

sword OCIDefineObject(OCIDefine*, OCIError* errhp, const OCIType*, void**, ub4*, void**, ub4*) {
  return Unimplemented(errhp);
}

sword OCIStmtGetBindInfo(OCIStmt*, OCIError* errhp, ub4, ub4, sb4*, OraText**, ub1*, OraText**,
                         ub1*, ub1*, OCIBind**) {
  return Unimplemented(errhp);
}

sword OCIDescribeAny(OCISvcCtx*, OCIError* errhp, void*, ub4, ub1, ub1, ub1, OCIDescribe*) {
  return Unimplemented(errhp);
}

sword OCIParamSet(void*, ub4, OCIError* errhp, const void*, ub4, ub4) {
  return Unimplemented(errhp);
}

sword OCITransStart(OCISvcCtx*, OCIError* errhp, uword, ub4) { return Unimplemented(errhp); }

sword OCITransDetach(OCISvcCtx*, OCIError* errhp, ub4) { return Unimplemented(errhp); }

sword OCITransPrepare(OCISvcCtx*, OCIError* errhp, ub4) { return Unimplemented(errhp); }

sword OCITransForget(OCISvcCtx*, OCIError* errhp, ub4) { return Unimplemented(errhp); }

sword OCILobAppend(OCISvcCtx*, OCIError* errhp, OCILobLocator*, OCILobLocator*) {
  return Unimplemented(errhp);
}

sword OCILobAssign(OCIEnv*, OCIError* errhp, const OCILobLocator*, OCILobLocator**) {
  return Unimplemented(errhp);
}

sword OCILobCharSetForm(OCIEnv*, OCIError* errhp, const OCILobLocator*, ub1*) {
  return Unimplemented(errhp);
}

sword OCILobCharSetId(OCIEnv*, OCIError* errhp, const OCILobLocator*, ub2*) {
  return Unimplemented(errhp);
}

sword OCILobCopy(OCISvcCtx*, OCIError* errhp, OCILobLocator*, OCILobLocator*, ub4, ub4, ub4) {
  return Unimplemented(errhp);
}

sword OCILobDisableBuffering(OCISvcCtx*, OCIError* errhp, OCILobLocator*) {
  return Unimplemented(errhp);
}

sword OCILobEnableBuffering(OCISvcCtx*, OCIError* errhp, OCILobLocator*) {
  return Unimplemented(errhp);
}

sword OCILobErase(OCISvcCtx*, OCIError* errhp, OCILobLocator*, ub4*, ub4) {
  return Unimplemented(errhp);
}

sword OCILobFileClose(OCISvcCtx*, OCIError* errhp, OCILobLocator*) { return Unimplemented(errhp); }

sword OCILobFileCloseAll(OCISvcCtx*, OCIError* errhp) { return Unimplemented(errhp); }

sword OCILobFileExists(OCISvcCtx*, OCIError* errhp, OCILobLocator*, boolean*) {
  return Unimplemented(errhp);
}

sword OCILobFileGetName(OCIEnv*, OCIError* errhp, const OCILobLocator*, OraText*, ub2*, OraText*,
                        ub2*) {
  return Unimplemented(errhp);
}

sword OCILobFileIsOpen(OCISvcCtx*, OCIError* errhp, OCILobLocator*, boolean*) {
  return Unimplemented(errhp);
}

sword OCILobFileOpen(OCISvcCtx*, OCIError* errhp, OCILobLocator*, ub1) {
  return Unimplemented(errhp);
}

sword OCILobFileSetName(OCIEnv*, OCIError* errhp, OCILobLocator**, const OraText*, ub2,
                        const OraText*, ub2) {
  return Unimplemented(errhp);
}

sword OCILobFlushBuffer(OCISvcCtx*, OCIError* errhp, OCILobLocator*, ub4) {
  return Unimplemented(errhp);
}

sword OCILobGetLength(OCISvcCtx*, OCIError* errhp, OCILobLocator*, ub4*) {
  return Unimplemented(errhp);
}

sword OCILobIsEqual(OCIEnv* envhp, const OCILobLocator*, const OCILobLocator*, boolean*) {
  return UnimplementedInEnvironment(envhp);
}

sword OCILobLoadFromFile(OCISvcCtx*, OCIError* errhp, OCILobLocator*, OCILobLocator*, ub4, ub4,
                         ub4) {
  return Unimplemented(errhp);
}

sword OCILobLocatorIsInit(OCIEnv*, OCIError* errhp, const OCILobLocator*, boolean*) {
  return Unimplemented(errhp);
}

sword OCILobRead(OCISvcCtx*, OCIError* errhp, OCILobLocator*, ub4*, ub4, void*, ub4, void*,
                 OCICallbackLobRead, ub2, ub1) {
  return Unimplemented(errhp);
}

sword OCILobTrim(OCISvcCtx*, OCIError* errhp, OCILobLocator*, ub4) { return Unimplemented(errhp); }

sword OCILobWrite(OCISvcCtx*, OCIError* errhp, OCILobLocator*, ub4*, ub4, void*, ub4, ub1, void*,
                  OCICallbackLobWrite, ub2, ub1) {
  return Unimplemented(errhp);
}

sword OCIResultSetToStmt(OCIResult*, OCIError* errhp) { return Unimplemented(errhp); }

sword OCIObjectUnpin(OCIEnv*, OCIError* err, void*) { return Unimplemented(err); }

sword OCIObjectLock(OCIEnv*, OCIError* err, void*) { return Unimplemented(err); }

sword OCIObjectMarkUpdate(OCIEnv*, OCIError* err, void*) { return Unimplemented(err); }

sword OCIObjectUnmark(OCIEnv*, OCIError* err, void*) { return Unimplemented(err); }

sword OCIObjectMarkDelete(OCIEnv*, OCIError* err, void*) { return Unimplemented(err); }

sword OCIObjectFlush(OCIEnv*, OCIError* err, void*) { return Unimplemented(err); }

sword OCIObjectCopy(OCIEnv*, OCIError* err, const OCISvcCtx*, void*, void*, void*, void*, OCIType*,
                    OCIDuration, ub1) {
  return Unimplemented(err);
}

sword OCIObjectGetTypeRef(OCIEnv*, OCIError* err, void*, OCIRef*) { return Unimplemented(err); }

sword OCIObjectGetObjectRef(OCIEnv*, OCIError* err, void*, OCIRef*) { return Unimplemented(err); }

sword OCIObjectGetInd(OCIEnv*, OCIError* err, void*, void**) { return Unimplemented(err); }

sword OCIObjectExists(OCIEnv*, OCIError* err, void*, boolean*) { return Unimplemented(err); }

sword OCIObjectIsLocked(OCIEnv*, OCIError* err, void*, boolean*) { return Unimplemented(err); }

sword OCIObjectIsDirty(OCIEnv*, OCIError* err, void*, boolean*) { return Unimplemented(err); }

sword OCIObjectRefresh(OCIEnv*, OCIError* err, void*) { return Unimplemented(err); }

sword OCIObjectPinTable(OCIEnv*, OCIError* err, const OCISvcCtx*, const OraText*, ub4,
                        const OraText*, ub4, const OCIRef*, OCIDuration, void**) {
  return Unimplemented(err);
}

sword OCIObjectNew(OCIEnv*, OCIError* err, const OCISvcCtx*, OCITypeCode, OCIType*, void*,
                   OCIDuration, boolean, void**) {
  return Unimplemented(err);
}

sword OCIObjectPin(OCIEnv*, OCIError* err, OCIRef*, OCIComplexObject*, OCIPinOpt, OCIDuration,
                   OCILockOpt, void**) {
  return Unimplemented(err);
}

sword OCIObjectFree(OCIEnv*, OCIError* err, void*, ub2) { return Unimplemented(err); }

sword OCITypeByName(OCIEnv*, OCIError* err, const OCISvcCtx*, const OraText*, ub4, const OraText*,
                    ub4, const OraText*, ub4, OCIDuration, OCITypeGetOpt, OCIType**) {
  return Unimplemented(err);
}

sword OCIObjectGetAttr(OCIEnv*, OCIError* err, void*, void*, OCIType*, const OraText**, const ub4*,
                       const ub4, const ub4*, const ub4, OCIInd*, void**, void**, OCIType**) {
  return Unimplemented(err);
}

sword OCIObjectSetAttr(OCIEnv*, OCIError* err, void*, void*, OCIType*, const OraText**, const ub4*,
                       const ub4, const ub4*, const ub4, const OCIInd, const void*, const void*) {
  return Unimplemented(err);
}

OraText* OCIStringPtr(OCIEnv* env, const OCIString*) {
  UnimplementedInEnvironment(env);
  return nullptr;
}

sword OCIStringAssignText(OCIEnv*, OCIError* err, const OraText*, ub4, OCIString**) {
  return Unimplemented(err);
}

sword OCINumberFromInt(OCIError* err, const void*, uword, uword, OCINumber*) {
  return Unimplemented(err);
}

sword OCINumberToInt(OCIError* err, const OCINumber*, uword, uword, void*) {
  return Unimplemented(err);
}

sword OCINumberFromReal(OCIError* err, const void*, uword, OCINumber*) {
  return Unimplemented(err);
}

sword OCINumberToReal(OCIError* err, const OCINumber*, uword, void*) { return Unimplemented(err); }

sword OCINumberToText(OCIError* err, const OCINumber*, const OraText*, ub4, const OraText*, ub4,
                      ub4*, OraText*) {
  return Unimplemented(err);
}

sword OCINumberFromText(OCIError* err, const OraText*, ub4, const OraText*, ub4, const OraText*,
                        ub4, OCINumber*) {
  return Unimplemented(err);
}

ub1* OCIRawPtr(OCIEnv* env, const OCIRaw*) {
  UnimplementedInEnvironment(env);
  return nullptr;
}

ub4 OCIRawSize(OCIEnv* env, const OCIRaw*) {
  UnimplementedInEnvironment(env);
  return 0;
}

sword OCIRawAssignBytes(OCIEnv*, OCIError* err, const ub1*, ub4, OCIRaw**) {
  return Unimplemented(err);
}

sword OCIRefAssign(OCIEnv*, OCIError* err, const OCIRef*, OCIRef**) { return Unimplemented(err); }

void OCIRefClear(OCIEnv* env, OCIRef*) { UnimplementedInEnvironment(env); }

boolean OCIRefIsNull(OCIEnv* env, const OCIRef*) {
  UnimplementedInEnvironment(env);
  return 0;
}

sword OCIRefFromHex(OCIEnv*, OCIError* err, const OCISvcCtx*, const OraText*, ub4, OCIRef**) {
  return Unimplemented(err);
}

ub4 OCIRefHexSize(OCIEnv* env, const OCIRef*) {
  UnimplementedInEnvironment(env);
  return 0;
}

sword OCIRefToHex(OCIEnv*, OCIError* err, const OCIRef*, OraText*, ub4*) {
  return Unimplemented(err);
}

sword OCICollSize(OCIEnv*, OCIError* err, const OCIColl*, sb4*) { return Unimplemented(err); }

sword OCICollTrim(OCIEnv*, OCIError* err, sb4, OCIColl*) { return Unimplemented(err); }

sb4 OCICollMax(OCIEnv* env, const OCIColl*) {
  UnimplementedInEnvironment(env);
  return 0;
}

sword OCICollGetElem(OCIEnv*, OCIError* err, const OCIColl*, sb4, boolean*, void**, void**) {
  return Unimplemented(err);
}

sword OCICollAssignElem(OCIEnv*, OCIError* err, sb4, const void*, const void*, OCIColl*) {
  return Unimplemented(err);
}

sword OCICollAppend(OCIEnv*, OCIError* err, const void*, const void*, OCIColl*) {
  return Unimplemented(err);
}

sword OCITableDelete(OCIEnv*, OCIError* err, sb4, OCITable*) { return Unimplemented(err); }

sword OCICacheFlush(OCIEnv*, OCIError* err, const OCISvcCtx*, void*,
                    OCIRef* (*)(void* context, ub1* last), OCIRef**) {
  return Unimplemented(err);
}

sword OCIDirPathAbort(OCIDirPathCtx*, OCIError* errhp) { return Unimplemented(errhp); }

sword OCIDirPathFinish(OCIDirPathCtx*, OCIError* errhp) { return Unimplemented(errhp); }

sword OCIDirPathPrepare(OCIDirPathCtx*, OCISvcCtx*, OCIError* errhp) {
  return Unimplemented(errhp);
}

sword OCIDirPathColArrayEntrySet(OCIDirPathColArray*, OCIError* errhp, ub4, ub2, ub1*, ub4, ub1) {
  return Unimplemented(errhp);
}

sword OCIDirPathColArrayToStream(OCIDirPathColArray*, OCIDirPathCtx*, OCIDirPathStream*,
                                 OCIError* errhp, ub4, ub4) {
  return Unimplemented(errhp);
}

sword OCIDirPathLoadStream(OCIDirPathCtx*, OCIDirPathStream*, OCIError* errhp) {
  return Unimplemented(errhp);
}

sword OCIDirPathStreamReset(OCIDirPathStream*, OCIError* errhp) { return Unimplemented(errhp); }

sword ociepgoe(OCIExtProcContext*, OCIEnv**, OCISvcCtx**, OCIError**) { return OCI_ERROR; }

size_t ociepmsg(OCIExtProcContext*, int, OraText*, size_t) { return 0; }

}  // extern "C"
