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

#define VEK_BIND(family, name) BindEntryPoint(library, families.family, OracleCalls.name, #name)

void BindOracleCalls(const DynamicLibrary& library) {
  ClientFamilyFlags& families = ClientFamilies();
  families.hasOCI7 = true;
  VEK_BIND(hasOCI7, orlon);
  VEK_BIND(hasOCI7, ologof);
  VEK_BIND(hasOCI7, oerhms);
  VEK_BIND(hasOCI7, oopen);
  VEK_BIND(hasOCI7, oparse);
  VEK_BIND(hasOCI7, odefin);
  VEK_BIND(hasOCI7, oexfet);
  VEK_BIND(hasOCI7, ofen);
  VEK_BIND(hasOCI7, oflng);
  VEK_BIND(hasOCI7, oclose);
  VEK_BIND(hasOCI7, odescr);
  VEK_BIND(hasOCI7, oexec);
  VEK_BIND(hasOCI7, oexn);
  VEK_BIND(hasOCI7, ocom);
  VEK_BIND(hasOCI7, orol);
  VEK_BIND(hasOCI7, ocon);
  VEK_BIND(hasOCI7, ocof);
  VEK_BIND(hasOCI7, obreak);
  VEK_BIND(hasOCI7, obndra);
  VEK_BIND(hasOCI7, odessp);

  families.hasOLog = families.hasOCI7.load();
  VEK_BIND(hasOLog, olog);
  families.hasOPInit = families.hasOLog.load();
  VEK_BIND(hasOPInit, opinit);

  families.useOCI8 = !DisableOCI8();
  families.hasOCI8 = true;
  VEK_BIND(hasOCI8, OCIInitialize);
  VEK_BIND(hasOCI8, OCIHandleAlloc);
  VEK_BIND(hasOCI8, OCIHandleFree);
  VEK_BIND(hasOCI8, OCIDescriptorAlloc);
  VEK_BIND(hasOCI8, OCIDescriptorFree);
  VEK_BIND(hasOCI8, OCIEnvInit);
  VEK_BIND(hasOCI8, OCIServerAttach);
  VEK_BIND(hasOCI8, OCIServerDetach);
  VEK_BIND(hasOCI8, OCISessionBegin);
  VEK_BIND(hasOCI8, OCISessionEnd);
  VEK_BIND(hasOCI8, OCILogon);
  VEK_BIND(hasOCI8, OCILogoff);
  VEK_BIND(hasOCI8, OCIPasswordChange);
  VEK_BIND(hasOCI8, OCIStmtPrepare);
  VEK_BIND(hasOCI8, OCIBindByPos);
  VEK_BIND(hasOCI8, OCIBindByName);
  VEK_BIND(hasOCI8, OCIBindObject);
  VEK_BIND(hasOCI8, OCIBindDynamic);
  VEK_BIND(hasOCI8, OCIBindArrayOfStruct);
  VEK_BIND(hasOCI8, OCIStmtGetPieceInfo);
  VEK_BIND(hasOCI8, OCIStmtSetPieceInfo);
  VEK_BIND(hasOCI8, OCIStmtExecute);
  VEK_BIND(hasOCI8, OCIDefineByPos);
  VEK_BIND(hasOCI8, OCIDefineObject);
  VEK_BIND(hasOCI8, OCIDefineDynamic);
  VEK_BIND(hasOCI8, OCIDefineArrayOfStruct);
  VEK_BIND(hasOCI8, OCIStmtFetch);
  VEK_BIND(hasOCI8, OCIStmtGetBindInfo);
  VEK_BIND(hasOCI8, OCIDescribeAny);
  VEK_BIND(hasOCI8, OCIParamGet);
  VEK_BIND(hasOCI8, OCIParamSet);
  VEK_BIND(hasOCI8, OCITransStart);
  VEK_BIND(hasOCI8, OCITransDetach);
  VEK_BIND(hasOCI8, OCITransCommit);
  VEK_BIND(hasOCI8, OCITransRollback);
  VEK_BIND(hasOCI8, OCITransPrepare);
  VEK_BIND(hasOCI8, OCITransForget);
  VEK_BIND(hasOCI8, OCIErrorGet);
  VEK_BIND(hasOCI8, OCILobAppend);
  VEK_BIND(hasOCI8, OCILobAssign);
  VEK_BIND(hasOCI8, OCILobCharSetForm);
  VEK_BIND(hasOCI8, OCILobCharSetId);
  VEK_BIND(hasOCI8, OCILobCopy);
  VEK_BIND(hasOCI8, OCILobDisableBuffering);
  VEK_BIND(hasOCI8, OCILobEnableBuffering);
  VEK_BIND(hasOCI8, OCILobErase);
  VEK_BIND(hasOCI8, OCILobFileClose);
  VEK_BIND(hasOCI8, OCILobFileCloseAll);
  VEK_BIND(hasOCI8, OCILobFileExists);
  VEK_BIND(hasOCI8, OCILobFileGetName);
  VEK_BIND(hasOCI8, OCILobFileIsOpen);
  VEK_BIND(hasOCI8, OCILobFileOpen);
  VEK_BIND(hasOCI8, OCILobFileSetName);
  VEK_BIND(hasOCI8, OCILobFlushBuffer);
  VEK_BIND(hasOCI8, OCILobGetLength);
  VEK_BIND(hasOCI8, OCILobIsEqual);
  VEK_BIND(hasOCI8, OCILobLoadFromFile);
  VEK_BIND(hasOCI8, OCILobLocatorIsInit);
  VEK_BIND(hasOCI8, OCILobRead);
  VEK_BIND(hasOCI8, OCILobTrim);
  VEK_BIND(hasOCI8, OCILobWrite);
  VEK_BIND(hasOCI8, OCIBreak);
  VEK_BIND(hasOCI8, OCIServerVersion);
  VEK_BIND(hasOCI8, OCIAttrGet);
  VEK_BIND(hasOCI8, OCIAttrSet);
  VEK_BIND(hasOCI8, OCISvcCtxToLda);
  VEK_BIND(hasOCI8, OCILdaToSvcCtx);
  VEK_BIND(hasOCI8, OCIResultSetToStmt);
  VEK_BIND(hasOCI8, OCIObjectUnpin);
  VEK_BIND(hasOCI8, OCIObjectLock);
  VEK_BIND(hasOCI8, OCIObjectMarkUpdate);
  VEK_BIND(hasOCI8, OCIObjectUnmark);
  VEK_BIND(hasOCI8, OCIObjectMarkDelete);
  VEK_BIND(hasOCI8, OCIObjectFlush);
  VEK_BIND(hasOCI8, OCIObjectCopy);
  VEK_BIND(hasOCI8, OCIObjectGetTypeRef);
  VEK_BIND(hasOCI8, OCIObjectGetObjectRef);
  VEK_BIND(hasOCI8, OCIObjectGetInd);
  VEK_BIND(hasOCI8, OCIObjectExists);
  VEK_BIND(hasOCI8, OCIObjectIsLocked);
  VEK_BIND(hasOCI8, OCIObjectIsDirty);
  VEK_BIND(hasOCI8, OCIObjectRefresh);
  VEK_BIND(hasOCI8, OCIObjectPinTable);
  VEK_BIND(hasOCI8, OCIObjectNew);
  VEK_BIND(hasOCI8, OCIObjectPin);
  VEK_BIND(hasOCI8, OCIObjectFree);
  VEK_BIND(hasOCI8, OCITypeByName);
  VEK_BIND(hasOCI8, OCIObjectGetAttr);
  VEK_BIND(hasOCI8, OCIObjectSetAttr);
  VEK_BIND(hasOCI8, OCIStringPtr);
  VEK_BIND(hasOCI8, OCIStringAssignText);
  VEK_BIND(hasOCI8, OCINumberFromInt);
  VEK_BIND(hasOCI8, OCINumberToInt);
  VEK_BIND(hasOCI8, OCINumberFromReal);
  VEK_BIND(hasOCI8, OCINumberToReal);
  VEK_BIND(hasOCI8, OCINumberToText);
  VEK_BIND(hasOCI8, OCINumberFromText);
  VEK_BIND(hasOCI8, OCIRawPtr);
  VEK_BIND(hasOCI8, OCIRawSize);
  VEK_BIND(hasOCI8, OCIRawAssignBytes);
  VEK_BIND(hasOCI8, OCIRefAssign);
  VEK_BIND(hasOCI8, OCIRefClear);
  VEK_BIND(hasOCI8, OCIRefIsNull);
  VEK_BIND(hasOCI8, OCIRefFromHex);
  VEK_BIND(hasOCI8, OCIRefHexSize);
  VEK_BIND(hasOCI8, OCIRefToHex);
  VEK_BIND(hasOCI8, OCICollSize);
  VEK_BIND(hasOCI8, OCICollTrim);
  VEK_BIND(hasOCI8, OCICollMax);
  VEK_BIND(hasOCI8, OCICollGetElem);
  VEK_BIND(hasOCI8, OCICollAssignElem);
  VEK_BIND(hasOCI8, OCICollAppend);
  VEK_BIND(hasOCI8, OCITableDelete);
  VEK_BIND(hasOCI8, OCICacheFlush);
  if (!families.hasOCI8.load()) families.useOCI8 = false;

  families.hasErrorPosition = families.hasOCI8.load();
  VEK_BIND(hasErrorPosition, ociepgoe);
  VEK_BIND(hasErrorPosition, ociepmsg);

  families.hasOCI81 = families.hasOCI8.load();
  VEK_BIND(hasOCI81, OCIEnvCreate);
  VEK_BIND(hasOCI81, OCIDirPathAbort);
  VEK_BIND(hasOCI81, OCIDirPathFinish);
  VEK_BIND(hasOCI81, OCIDirPathPrepare);
  VEK_BIND(hasOCI81, OCIDirPathColArrayEntrySet);
  VEK_BIND(hasOCI81, OCIDirPathColArrayToStream);
  VEK_BIND(hasOCI81, OCIDirPathLoadStream);
  VEK_BIND(hasOCI81, OCIDirPathStreamReset);

  BindOptionalEntryPoint(library, OracleCalls.OCIRowidToChar, "OCIRowidToChar");
}

#undef VEK_BIND

}  // namespace vek
