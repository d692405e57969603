/* A stand-in for the Oracle client library, built in several variants that export chosen
   subsets of the entry-point names: the version-7 family, the version-8 family, the 8.1
   additions, each complete or with one name left out. It records which initialisation entry
   was called with which argument, and OCIErrorGet and oerhms report what a test put into the
   error handle. Entry points the tests never call are stubs. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "FakeClientLibrary.h"

#define EXPORT __attribute__((visibility("default")))
#define STUB(name) \
  EXPORT int name(void) { return 0; }

static void Record(const char* line) {
  const char* path = getenv(VEK_FAKE_RECORD_VARIABLE);
  if (!path || !*path) return;
  FILE* file = fopen(path, "a");
  if (!file) return;
  fputs(line, file);
  fputc('\n', file);
  fclose(file);
}

#ifdef FAKE_V7
STUB(orlon)
STUB(ologof)
EXPORT int oerhms(void* lda, short rcode, unsigned char* buf, int bufsiz) {
  (void)lda;
  if (buf && bufsiz > 0) snprintf((char*)buf, (size_t)bufsiz, "ORA-%05d: message %d\n", rcode, rcode);
  return 0;
}
STUB(oopen)
STUB(oparse)
STUB(odefin)
STUB(oexfet)
STUB(ofen)
STUB(oflng)
STUB(oclose)
STUB(odescr)
STUB(oexec)
STUB(oexn)
STUB(ocom)
STUB(orol)
STUB(ocon)
STUB(ocof)
STUB(obreak)
STUB(obndra)
#ifndef FAKE_OMIT_ODESSP
STUB(odessp)
#endif
STUB(olog)
EXPORT int opinit(unsigned mode) {
  char line[64];
  snprintf(line, sizeof line, "opinit %u", mode);
  Record(line);
  return 0;
}
#endif

#ifdef FAKE_V8
EXPORT int OCIInitialize(unsigned mode, void* ctxp, void* m, void* r, void* f) {
  char line[64];
  snprintf(line, sizeof line, "OCIInitialize %u%s", mode, ctxp || m || r || f ? " with callbacks" : "");
  Record(line);
  return 0;
}
EXPORT int OCIErrorGet(void* hndlp, unsigned recordno, unsigned char* sqlstate, int* errcodep,
                       unsigned char* bufp, unsigned bufsiz, unsigned type) {
  const struct FakeErrorHandle* handle = (const struct FakeErrorHandle*)hndlp;
  (void)sqlstate;
  if (!handle || type != 2) return -2;
  if (recordno != 1 || handle->code == 0) return 100;
  if (errcodep) *errcodep = handle->code;
  if (bufp && bufsiz > 0) {
    size_t length = strlen(handle->text);
    if (length > bufsiz - 1) length = bufsiz - 1;
    memcpy(bufp, handle->text, length);
    bufp[length] = 0;
  }
  return 0;
}
STUB(OCIHandleAlloc)
STUB(OCIHandleFree)
STUB(OCIDescriptorAlloc)
STUB(OCIDescriptorFree)
STUB(OCIEnvInit)
STUB(OCIServerAttach)
STUB(OCIServerDetach)
STUB(OCISessionBegin)
STUB(OCISessionEnd)
STUB(OCILogon)
STUB(OCILogoff)
STUB(OCIPasswordChange)
STUB(OCIStmtPrepare)
STUB(OCIBindByPos)
STUB(OCIBindByName)
STUB(OCIBindObject)
STUB(OCIBindDynamic)
STUB(OCIBindArrayOfStruct)
STUB(OCIStmtGetPieceInfo)
STUB(OCIStmtSetPieceInfo)
STUB(OCIStmtExecute)
STUB(OCIDefineByPos)
STUB(OCIDefineObject)
STUB(OCIDefineDynamic)
STUB(OCIDefineArrayOfStruct)
STUB(OCIStmtFetch)
STUB(OCIStmtGetBindInfo)
STUB(OCIDescribeAny)
STUB(OCIParamGet)
STUB(OCIParamSet)
STUB(OCITransStart)
STUB(OCITransDetach)
STUB(OCITransCommit)
STUB(OCITransRollback)
STUB(OCITransPrepare)
STUB(OCITransForget)
STUB(OCILobAppend)
STUB(OCILobAssign)
STUB(OCILobCharSetForm)
STUB(OCILobCharSetId)
STUB(OCILobCopy)
STUB(OCILobDisableBuffering)
STUB(OCILobEnableBuffering)
STUB(OCILobErase)
STUB(OCILobFileClose)
STUB(OCILobFileCloseAll)
STUB(OCILobFileExists)
STUB(OCILobFileGetName)
STUB(OCILobFileIsOpen)
STUB(OCILobFileOpen)
STUB(OCILobFileSetName)
STUB(OCILobFlushBuffer)
STUB(OCILobGetLength)
STUB(OCILobIsEqual)
STUB(OCILobLoadFromFile)
STUB(OCILobLocatorIsInit)
STUB(OCILobRead)
STUB(OCILobTrim)
STUB(OCILobWrite)
STUB(OCIBreak)
STUB(OCIServerVersion)
STUB(OCIAttrGet)
STUB(OCIAttrSet)
STUB(OCISvcCtxToLda)
STUB(OCILdaToSvcCtx)
STUB(OCIResultSetToStmt)
STUB(OCIObjectUnpin)
STUB(OCIObjectLock)
STUB(OCIObjectMarkUpdate)
STUB(OCIObjectUnmark)
STUB(OCIObjectMarkDelete)
STUB(OCIObjectFlush)
STUB(OCIObjectCopy)
STUB(OCIObjectGetTypeRef)
STUB(OCIObjectGetObjectRef)
STUB(OCIObjectGetInd)
STUB(OCIObjectExists)
STUB(OCIObjectIsLocked)
STUB(OCIObjectIsDirty)
STUB(OCIObjectRefresh)
STUB(OCIObjectPinTable)
STUB(OCIObjectNew)
STUB(OCIObjectPin)
STUB(OCIObjectFree)
STUB(OCITypeByName)
STUB(OCIObjectGetAttr)
STUB(OCIObjectSetAttr)
STUB(OCIStringPtr)
STUB(OCIStringAssignText)
STUB(OCINumberFromInt)
STUB(OCINumberToInt)
STUB(OCINumberFromReal)
STUB(OCINumberToReal)
STUB(OCINumberToText)
STUB(OCINumberFromText)
STUB(OCIRawPtr)
STUB(OCIRawSize)
STUB(OCIRawAssignBytes)
STUB(OCIRefAssign)
STUB(OCIRefClear)
STUB(OCIRefIsNull)
STUB(OCIRefFromHex)
STUB(OCIRefHexSize)
STUB(OCIRefToHex)
STUB(OCICollSize)
STUB(OCICollTrim)
STUB(OCICollMax)
STUB(OCICollGetElem)
STUB(OCICollAssignElem)
STUB(OCICollAppend)
STUB(OCITableDelete)
#ifndef FAKE_OMIT_CACHE_FLUSH
STUB(OCICacheFlush)
#endif
STUB(ociepgoe)
STUB(ociepmsg)
#endif

#ifdef FAKE_V81
EXPORT int OCIEnvCreate(void** envp, unsigned mode, void* ctxp, void* m, void* r, void* f,
                        size_t xtramem_sz, void** usrmempp) {
  (void)envp; (void)ctxp; (void)m; (void)r; (void)f; (void)xtramem_sz; (void)usrmempp;
  char line[64];
  snprintf(line, sizeof line, "OCIEnvCreate %u", mode);
  Record(line);
  return 0;
}
STUB(OCIDirPathAbort)
STUB(OCIDirPathFinish)
STUB(OCIDirPathPrepare)
STUB(OCIDirPathColArrayEntrySet)
STUB(OCIDirPathColArrayToStream)
STUB(OCIDirPathLoadStream)
STUB(OCIDirPathStreamReset)
#endif
