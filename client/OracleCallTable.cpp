// Binding the client library's entry points by name: the only place in the program that
// names them. Each family is bound in a fixed order under its flag; the first missing name
// clears the flag and leaves the family's later slots empty.
#include "client/OracleCallTable.h"

#include <atomic>
#include <cstring>

#include "client/ClientLibrary.h"
#include "platform/DynamicLibrary.h"

namespace vek {
namespace {

template <typename Function>
void BindEntryPoint(const DynamicLibrary& library, std::atomic<bool>& family, Function& slot,
                    const char* name) {
  slot = nullptr;
  if (!family.load()) return;
  void* address = library.Symbol(name);
  if (!address) {
    family.store(false);
    return;
  }
  static_assert(sizeof(Function) == sizeof(void*));
  std::memcpy(&slot, &address, sizeof slot);
}

// An entry point that only some releases have: its slot stays empty without it, and no
// family depends on it.
template <typename Function>
void BindOptionalEntryPoint(const DynamicLibrary& library, Function& slot, const char* name) {
  void* address = library.Symbol(name);
  static_assert(sizeof(Function) == sizeof(void*));
  std::memcpy(&slot, &address, sizeof slot);
}

}  // namespace

#define VEK_BIND(family, name) BindEntryPoint(library, family, OracleCalls.name, #name)

void BindOracleCalls(const DynamicLibrary& library) {
  HasOCI7 = true;
  VEK_BIND(HasOCI7, orlon);
  VEK_BIND(HasOCI7, ologof);
  VEK_BIND(HasOCI7, oerhms);
  VEK_BIND(HasOCI7, oopen);
  VEK_BIND(HasOCI7, oparse);
  VEK_BIND(HasOCI7, odefin);
  VEK_BIND(HasOCI7, oexfet);
  VEK_BIND(HasOCI7, ofen);
  VEK_BIND(HasOCI7, oflng);
  VEK_BIND(HasOCI7, oclose);
  VEK_BIND(HasOCI7, odescr);
  VEK_BIND(HasOCI7, oexec);
  VEK_BIND(HasOCI7, oexn);
  VEK_BIND(HasOCI7, ocom);
  VEK_BIND(HasOCI7, orol);
  VEK_BIND(HasOCI7, ocon);
  VEK_BIND(HasOCI7, ocof);
  VEK_BIND(HasOCI7, obreak);
  VEK_BIND(HasOCI7, obndra);
  VEK_BIND(HasOCI7, odessp);

  HasOLog = HasOCI7.load();
  VEK_BIND(HasOLog, olog);
  HasOPInit = HasOLog.load();
  VEK_BIND(HasOPInit, opinit);

  UseOCI8 = !DisableOCI8.load();
  HasOCI8 = true;
  VEK_BIND(HasOCI8, OCIInitialize);
  VEK_BIND(HasOCI8, OCIHandleAlloc);
  VEK_BIND(HasOCI8, OCIHandleFree);
  VEK_BIND(HasOCI8, OCIDescriptorAlloc);
  VEK_BIND(HasOCI8, OCIDescriptorFree);
  VEK_BIND(HasOCI8, OCIEnvInit);
  VEK_BIND(HasOCI8, OCIServerAttach);
  VEK_BIND(HasOCI8, OCIServerDetach);
  VEK_BIND(HasOCI8, OCISessionBegin);
  VEK_BIND(HasOCI8, OCISessionEnd);
  VEK_BIND(HasOCI8, OCILogon);
  VEK_BIND(HasOCI8, OCILogoff);
  VEK_BIND(HasOCI8, OCIPasswordChange);
  VEK_BIND(HasOCI8, OCIStmtPrepare);
  VEK_BIND(HasOCI8, OCIBindByPos);
  VEK_BIND(HasOCI8, OCIBindByName);
  VEK_BIND(HasOCI8, OCIBindObject);
  VEK_BIND(HasOCI8, OCIBindDynamic);
  VEK_BIND(HasOCI8, OCIBindArrayOfStruct);
  VEK_BIND(HasOCI8, OCIStmtGetPieceInfo);
  VEK_BIND(HasOCI8, OCIStmtSetPieceInfo);
  VEK_BIND(HasOCI8, OCIStmtExecute);
  VEK_BIND(HasOCI8, OCIDefineByPos);
  VEK_BIND(HasOCI8, OCIDefineObject);
  VEK_BIND(HasOCI8, OCIDefineDynamic);
  VEK_BIND(HasOCI8, OCIDefineArrayOfStruct);
  VEK_BIND(HasOCI8, OCIStmtFetch);
  VEK_BIND(HasOCI8, OCIStmtGetBindInfo);
  VEK_BIND(HasOCI8, OCIDescribeAny);
  VEK_BIND(HasOCI8, OCIParamGet);
  VEK_BIND(HasOCI8, OCIParamSet);
  VEK_BIND(HasOCI8, OCITransStart);
  VEK_BIND(HasOCI8, OCITransDetach);
  VEK_BIND(HasOCI8, OCITransCommit);
  VEK_BIND(HasOCI8, OCITransRollback);
  VEK_BIND(HasOCI8, OCITransPrepare);
  VEK_BIND(HasOCI8, OCITransForget);
  VEK_BIND(HasOCI8, OCIErrorGet);
  VEK_BIND(HasOCI8, OCILobAppend);
  VEK_BIND(HasOCI8, OCILobAssign);
  VEK_BIND(HasOCI8, OCILobCharSetForm);
  VEK_BIND(HasOCI8, OCILobCharSetId);
  VEK_BIND(HasOCI8, OCILobCopy);
  VEK_BIND(HasOCI8, OCILobDisableBuffering);
  VEK_BIND(HasOCI8, OCILobEnableBuffering);
  VEK_BIND(HasOCI8, OCILobErase);
  VEK_BIND(HasOCI8, OCILobFileClose);
  VEK_BIND(HasOCI8, OCILobFileCloseAll);
  VEK_BIND(HasOCI8, OCILobFileExists);
  VEK_BIND(HasOCI8, OCILobFileGetName);
  VEK_BIND(HasOCI8, OCILobFileIsOpen);
  VEK_BIND(HasOCI8, OCILobFileOpen);
  VEK_BIND(HasOCI8, OCILobFileSetName);
  VEK_BIND(HasOCI8, OCILobFlushBuffer);
  VEK_BIND(HasOCI8, OCILobGetLength);
  VEK_BIND(HasOCI8, OCILobIsEqual);
  VEK_BIND(HasOCI8, OCILobLoadFromFile);
  VEK_BIND(HasOCI8, OCILobLocatorIsInit);
  VEK_BIND(HasOCI8, OCILobRead);
  VEK_BIND(HasOCI8, OCILobTrim);
  VEK_BIND(HasOCI8, OCILobWrite);
  VEK_BIND(HasOCI8, OCIBreak);
  VEK_BIND(HasOCI8, OCIServerVersion);
  VEK_BIND(HasOCI8, OCIAttrGet);
  VEK_BIND(HasOCI8, OCIAttrSet);
  VEK_BIND(HasOCI8, OCISvcCtxToLda);
  VEK_BIND(HasOCI8, OCILdaToSvcCtx);
  VEK_BIND(HasOCI8, OCIResultSetToStmt);
  VEK_BIND(HasOCI8, OCIObjectUnpin);
  VEK_BIND(HasOCI8, OCIObjectLock);
  VEK_BIND(HasOCI8, OCIObjectMarkUpdate);
  VEK_BIND(HasOCI8, OCIObjectUnmark);
  VEK_BIND(HasOCI8, OCIObjectMarkDelete);
  VEK_BIND(HasOCI8, OCIObjectFlush);
  VEK_BIND(HasOCI8, OCIObjectCopy);
  VEK_BIND(HasOCI8, OCIObjectGetTypeRef);
  VEK_BIND(HasOCI8, OCIObjectGetObjectRef);
  VEK_BIND(HasOCI8, OCIObjectGetInd);
  VEK_BIND(HasOCI8, OCIObjectExists);
  VEK_BIND(HasOCI8, OCIObjectIsLocked);
  VEK_BIND(HasOCI8, OCIObjectIsDirty);
  VEK_BIND(HasOCI8, OCIObjectRefresh);
  VEK_BIND(HasOCI8, OCIObjectPinTable);
  VEK_BIND(HasOCI8, OCIObjectNew);
  VEK_BIND(HasOCI8, OCIObjectPin);
  VEK_BIND(HasOCI8, OCIObjectFree);
  VEK_BIND(HasOCI8, OCITypeByName);
  VEK_BIND(HasOCI8, OCIObjectGetAttr);
  VEK_BIND(HasOCI8, OCIObjectSetAttr);
  VEK_BIND(HasOCI8, OCIStringPtr);
  VEK_BIND(HasOCI8, OCIStringAssignText);
  VEK_BIND(HasOCI8, OCINumberFromInt);
  VEK_BIND(HasOCI8, OCINumberToInt);
  VEK_BIND(HasOCI8, OCINumberFromReal);
  VEK_BIND(HasOCI8, OCINumberToReal);
  VEK_BIND(HasOCI8, OCINumberToText);
  VEK_BIND(HasOCI8, OCINumberFromText);
  VEK_BIND(HasOCI8, OCIRawPtr);
  VEK_BIND(HasOCI8, OCIRawSize);
  VEK_BIND(HasOCI8, OCIRawAssignBytes);
  VEK_BIND(HasOCI8, OCIRefAssign);
  VEK_BIND(HasOCI8, OCIRefClear);
  VEK_BIND(HasOCI8, OCIRefIsNull);
  VEK_BIND(HasOCI8, OCIRefFromHex);
  VEK_BIND(HasOCI8, OCIRefHexSize);
  VEK_BIND(HasOCI8, OCIRefToHex);
  VEK_BIND(HasOCI8, OCICollSize);
  VEK_BIND(HasOCI8, OCICollTrim);
  VEK_BIND(HasOCI8, OCICollMax);
  VEK_BIND(HasOCI8, OCICollGetElem);
  VEK_BIND(HasOCI8, OCICollAssignElem);
  VEK_BIND(HasOCI8, OCICollAppend);
  VEK_BIND(HasOCI8, OCITableDelete);
  VEK_BIND(HasOCI8, OCICacheFlush);
  if (!HasOCI8.load()) UseOCI8 = false;

  HasErrorPosition = HasOCI8.load();
  VEK_BIND(HasErrorPosition, ociepgoe);
  VEK_BIND(HasErrorPosition, ociepmsg);

  HasOCI81 = HasOCI8.load();
  VEK_BIND(HasOCI81, OCIEnvCreate);
  VEK_BIND(HasOCI81, OCIDirPathAbort);
  VEK_BIND(HasOCI81, OCIDirPathFinish);
  VEK_BIND(HasOCI81, OCIDirPathPrepare);
  VEK_BIND(HasOCI81, OCIDirPathColArrayEntrySet);
  VEK_BIND(HasOCI81, OCIDirPathColArrayToStream);
  VEK_BIND(HasOCI81, OCIDirPathLoadStream);
  VEK_BIND(HasOCI81, OCIDirPathStreamReset);

  BindOptionalEntryPoint(library, OracleCalls.OCIRowidToChar, "OCIRowidToChar");
}

#undef VEK_BIND

}  // namespace vek
