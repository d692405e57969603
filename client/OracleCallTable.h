// The client library's entry points: Oracle's base and handle types, the version-7 logon data
// area, one pointer type per entry point with Oracle's documented C signature (so that a
// genuine client library works too), and the process-wide table of bound addresses. Only
// OracleCallTable.cpp names an entry point as a string.
#pragma once

#include <cstddef>

namespace vek {

class DynamicLibrary;

extern "C" {

// Base types of the client interface, with their C types on every supported platform.
using sword = int;
using uword = unsigned int;
using sb4 = signed int;
using ub4 = unsigned int;
using sb2 = short;
using ub2 = unsigned short;
using sb1 = signed char;
using ub1 = unsigned char;
using boolean = int;
using OraText = unsigned char;
using OCIDuration = ub2;
using OCITypeCode = ub2;
using OCIInd = sb2;

// Opaque handles and descriptors; the library alone knows their layout.
struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIBind;
struct OCIDefine;
struct OCIDescribe;
struct OCIServer;
struct OCISession;
struct OCISnapshot;
struct OCIResult;
struct OCIRowid;
struct OCILobLocator;
struct OCIType;
struct OCIRef;
struct OCIComplexObject;
struct OCIString;
struct OCIRaw;
struct OCIColl;
struct OCIExtProcContext;
struct OCIDirPathCtx;
struct OCIDirPathColArray;
struct OCIDirPathStream;
using OCITable = OCIColl;

struct OCINumber {
  ub1 OCINumberPart[22];
};

enum OCIPinOpt { OCI_PIN_DEFAULT = 1, OCI_PIN_ANY = 3, OCI_PIN_RECENT = 4, OCI_PIN_LATEST = 5 };
enum OCILockOpt { OCI_LOCK_NONE = 1, OCI_LOCK_X = 2, OCI_LOCK_X_NOWAIT = 3 };
enum OCITypeGetOpt { OCI_TYPEGET_HEADER = 0, OCI_TYPEGET_ALL = 1 };

// The version-7 cursor and logon data area (Cda_Def = Lda_Def). The trailing filler makes it
// as large as the library expects on this platform (64 bytes for 32-bit, 88 for 64-bit).
struct cda_def {
  sb2 v2_rc;
  ub2 ft;
  ub4 rpc;
  ub2 peo;
  ub1 fc;
  ub1 rcs1;
  ub2 rc;  // the Oracle error number of the last call (0 for success)
  ub1 wrn;
  ub1 rcs2;
  sword rcs3;
  struct {
    struct {
      ub4 rcs4;
      ub2 rcs5;
      ub1 rcs6;
    } rd;
    ub4 rcs7;
    ub2 rcs8;
  } rid;
  sword ose;
  ub1 chk;
  void* rcsp;
  ub1 rcs9[sizeof(void*) == 8 ? 32 : 16];
};
using Cda_Def = cda_def;
using Lda_Def = cda_def;

// The host data area that orlon and olog fill; 512 bytes serve 32-bit and 64-bit libraries.
inline constexpr std::size_t HDA_SIZE = 512;

// Callbacks that some entry points take.
using OCICallbackInBind = sb4 (*)(void* ictxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                  ub4* alenp, ub1* piecep, void** indp);
using OCICallbackOutBind = sb4 (*)(void* octxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                   ub4** alenp, ub1* piecep, void** indp, ub2** rcodep);
using OCICallbackDefine = sb4 (*)(void* octxp, OCIDefine* defnp, ub4 iter, void** bufpp,
                                  ub4** alenp, ub1* piecep, void** indp, ub2** rcodep);
using OCICallbackLobRead = sb4 (*)(void* ctxp, const void* bufp, ub4 len, ub1 piece);
using OCICallbackLobWrite = sb4 (*)(void* ctxp, void* bufp, ub4* lenp, ub1* piece);
using OCIMallocCallback = void* (*)(void* ctxp, std::size_t size);
using OCIReallocCallback = void* (*)(void* ctxp, void* memptr, std::size_t newsize);
using OCIFreeCallback = void (*)(void* ctxp, void* memptr);
using OCICacheFlushGet = OCIRef* (*)(void* context, ub1* last);

// Version-7 family.
using Torlon = sword (*)(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd,
                         sword pswdl, sword audit);
using Tologof = sword (*)(Lda_Def* lda);
using Toerhms = sword (*)(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz);
using Toopen = sword (*)(Cda_Def* cursor, Lda_Def* lda, OraText* dbn, sword dbnl, sword arsize,
                         OraText* uid, sword uidl);
using Toparse = sword (*)(Cda_Def* cursor, OraText* sqlstm, sb4 sqllen, sword defflg, ub4 lngflg);
using Todefin = sword (*)(Cda_Def* cursor, sword pos, ub1* buf, sword bufl, sword ftype,
                          sword scale, sb2* indp, OraText* fmt, sword fmtl, sword fmtt, ub2* rlen,
                          ub2* rcode);
using Toexfet = sword (*)(Cda_Def* cursor, ub4 nrows, sword cancel, sword exact);
using Tofen = sword (*)(Cda_Def* cursor, sword nrows);
using Toflng = sword (*)(Cda_Def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl,
                         sb4 offset);
using Toclose = sword (*)(Cda_Def* cursor);
using Todescr = sword (*)(Cda_Def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf,
                          sb4* cbufl, sb4* dsize, sb2* prec, sb2* scale, sb2* nullok);
using Toexec = sword (*)(Cda_Def* cursor);
using Toexn = sword (*)(Cda_Def* cursor, sword iters, sword rowoff);
using Tocom = sword (*)(Lda_Def* lda);
using Torol = sword (*)(Lda_Def* lda);
using Tocon = sword (*)(Lda_Def* lda);
using Tocof = sword (*)(Lda_Def* lda);
using Tobreak = sword (*)(Lda_Def* lda);
using Tobndra = sword (*)(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl,
                          sword ftype, sword scale, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz,
                          ub4* cursiz, OraText* fmt, sword fmtl, sword fmtt);
using Todessp = sword (*)(Cda_Def* cursor, OraText* objnam, std::size_t onlen, ub1* rsv1,
                          std::size_t rsv1ln, ub1* rsv2, std::size_t rsv2ln, ub2* ovrld, ub2* pos,
                          ub2* level, OraText** argnam, ub2* arnlen, ub2* dtype, ub1* defsup,
                          ub1* mode, ub4* dtsiz, sb2* prec, sb2* scale, ub1* radix, ub4* spare,
                          ub4* arrsiz);
using Tolog = sword (*)(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd,
                        sword pswdl, OraText* conn, sword connl, ub4 mode);
using Topinit = sword (*)(ub4 mode);

// Version-8 family.
using TOCIInitialize = sword (*)(ub4 mode, void* ctxp, OCIMallocCallback malocfp,
                                 OCIReallocCallback ralocfp, OCIFreeCallback mfreefp);
using TOCIHandleAlloc = sword (*)(const void* parenth, void** hndlpp, const ub4 type,
                                  const std::size_t xtramem_sz, void** usrmempp);
using TOCIHandleFree = sword (*)(void* hndlp, const ub4 type);
using TOCIDescriptorAlloc = sword (*)(const void* parenth, void** descpp, const ub4 type,
                                      const std::size_t xtramem_sz, void** usrmempp);
using TOCIDescriptorFree = sword (*)(void* descp, const ub4 type);
using TOCIEnvInit = sword (*)(OCIEnv** envp, ub4 mode, std::size_t xtramem_sz, void** usrmempp);
using TOCIServerAttach = sword (*)(OCIServer* srvhp, OCIError* errhp, const OraText* dblink,
                                   sb4 dblink_len, ub4 mode);
using TOCIServerDetach = sword (*)(OCIServer* srvhp, OCIError* errhp, ub4 mode);
using TOCISessionBegin = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt,
                                   ub4 mode);
using TOCISessionEnd = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode);
using TOCILogon = sword (*)(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp,
                            const OraText* username, ub4 uname_len, const OraText* password,
                            ub4 passwd_len, const OraText* dbname, ub4 dbname_len);
using TOCILogoff = sword (*)(OCISvcCtx* svchp, OCIError* errhp);
using TOCIPasswordChange = sword (*)(OCISvcCtx* svchp, OCIError* errhp, const OraText* user_name,
                                     ub4 usernm_len, const OraText* opasswd, ub4 opasswd_len,
                                     const OraText* npasswd, ub4 npasswd_len, ub4 mode);
using TOCIStmtPrepare = sword (*)(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt,
                                  ub4 stmt_len, ub4 language, ub4 mode);
using TOCIBindByPos = sword (*)(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                                void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
using TOCIBindByName = sword (*)(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                                 const OraText* placeholder, sb4 placeh_len, void* valuep,
                                 sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                                 ub4 maxarr_len, ub4* curelep, ub4 mode);
using TOCIBindObject = sword (*)(OCIBind* bindp, OCIError* errhp, const OCIType* type, void** pgvpp,
                                 ub4* pvszsp, void** indpp, ub4* indszp);
using TOCIBindDynamic = sword (*)(OCIBind* bindp, OCIError* errhp, void* ictxp,
                                  OCICallbackInBind icbfp, void* octxp, OCICallbackOutBind ocbfp);
using TOCIBindArrayOfStruct = sword (*)(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip,
                                        ub4 alskip, ub4 rcskip);
using TOCIStmtGetPieceInfo = sword (*)(OCIStmt* stmtp, OCIError* errhp, void** hndlpp, ub4* typep,
                                       ub1* in_outp, ub4* iterp, ub4* idxp, ub1* piecep);
using TOCIStmtSetPieceInfo = sword (*)(void* hndlp, ub4 type, OCIError* errhp, const void* bufp,
                                       ub4* alenp, ub1 piece, const void* indp, ub2* rcodep);
using TOCIStmtExecute = sword (*)(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                  ub4 rowoff, const OCISnapshot* snap_in, OCISnapshot* snap_out,
                                  ub4 mode);
using TOCIDefineByPos = sword (*)(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position,
                                  void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp,
                                  ub2* rcodep, ub4 mode);
using TOCIDefineObject = sword (*)(OCIDefine* defnp, OCIError* errhp, const OCIType* type,
                                   void** pgvpp, ub4* pvszsp, void** indpp, ub4* indszp);
using TOCIDefineDynamic = sword (*)(OCIDefine* defnp, OCIError* errhp, void* octxp,
                                    OCICallbackDefine ocbfp);
using TOCIDefineArrayOfStruct = sword (*)(OCIDefine* defnp, OCIError* errhp, ub4 pvskip,
                                          ub4 indskip, ub4 rlskip, ub4 rcskip);
using TOCIStmtFetch = sword (*)(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation,
                                ub4 mode);
using TOCIStmtGetBindInfo = sword (*)(OCIStmt* stmtp, OCIError* errhp, ub4 size, ub4 startloc,
                                      sb4* found, OraText* bvnp[], ub1 bvnl[], OraText* invp[],
                                      ub1 inpl[], ub1 dupl[], OCIBind** hndl);
using TOCIDescribeAny = sword (*)(OCISvcCtx* svchp, OCIError* errhp, void* objptr, ub4 objnm_len,
                                  ub1 objptr_typ, ub1 info_level, ub1 objtyp, OCIDescribe* dschp);
using TOCIParamGet = sword (*)(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                               ub4 pos);
using TOCIParamSet = sword (*)(void* hdlp, ub4 htyp, OCIError* errhp, const void* dscp, ub4 dtyp,
                               ub4 pos);
using TOCITransStart = sword (*)(OCISvcCtx* svchp, OCIError* errhp, uword timeout, ub4 flags);
using TOCITransDetach = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
using TOCITransCommit = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
using TOCITransRollback = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
using TOCITransPrepare = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
using TOCITransForget = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
using TOCIErrorGet = sword (*)(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                               OraText* bufp, ub4 bufsiz, ub4 type);
using TOCILobAppend = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                                OCILobLocator* src_locp);
using TOCILobAssign = sword (*)(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* src_locp,
                                OCILobLocator** dst_locpp);
using TOCILobCharSetForm = sword (*)(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                     ub1* csfrm);
using TOCILobCharSetId = sword (*)(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                   ub2* csid);
using TOCILobCopy = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                              OCILobLocator* src_locp, ub4 amount, ub4 dst_offset, ub4 src_offset);
using TOCILobDisableBuffering = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp);
using TOCILobEnableBuffering = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp);
using TOCILobErase = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amount,
                               ub4 offset);
using TOCILobFileClose = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep);
using TOCILobFileCloseAll = sword (*)(OCISvcCtx* svchp, OCIError* errhp);
using TOCILobFileExists = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                    boolean* flag);
using TOCILobFileGetName = sword (*)(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* filep,
                                     OraText* dir_alias, ub2* d_length, OraText* filename,
                                     ub2* f_length);
using TOCILobFileIsOpen = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                    boolean* flag);
using TOCILobFileOpen = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                  ub1 mode);
using TOCILobFileSetName = sword (*)(OCIEnv* envhp, OCIError* errhp, OCILobLocator** filepp,
                                     const OraText* dir_alias, ub2 d_length,
                                     const OraText* filename, ub2 f_length);
using TOCILobFlushBuffer = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                     ub4 flag);
using TOCILobGetLength = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                   ub4* lenp);
using TOCILobIsEqual = sword (*)(OCIEnv* envhp, const OCILobLocator* x, const OCILobLocator* y,
                                 boolean* is_equal);
using TOCILobLoadFromFile = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                                      OCILobLocator* src_filep, ub4 amount, ub4 dst_offset,
                                      ub4 src_offset);
using TOCILobLocatorIsInit = sword (*)(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                       boolean* is_initialized);
using TOCILobRead = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                              ub4 offset, void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp,
                              ub2 csid, ub1 csfrm);
using TOCILobTrim = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 newlen);
using TOCILobWrite = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                               ub4 offset, void* bufp, ub4 buflen, ub1 piece, void* ctxp,
                               OCICallbackLobWrite cbfp, ub2 csid, ub1 csfrm);
using TOCIBreak = sword (*)(void* hndlp, OCIError* errhp);
using TOCIServerVersion = sword (*)(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,
                                    ub1 hndltype);
using TOCIAttrGet = sword (*)(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                              ub4 attrtype, OCIError* errhp);
using TOCIAttrSet = sword (*)(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                              ub4 attrtype, OCIError* errhp);
using TOCISvcCtxToLda = sword (*)(OCISvcCtx* svchp, OCIError* errhp, Lda_Def* ldap);
using TOCILdaToSvcCtx = sword (*)(OCISvcCtx** svchpp, OCIError* errhp, Lda_Def* ldap);
using TOCIResultSetToStmt = sword (*)(OCIResult* rsetdp, OCIError* errhp);
using TOCIObjectUnpin = sword (*)(OCIEnv* env, OCIError* err, void* object);
using TOCIObjectLock = sword (*)(OCIEnv* env, OCIError* err, void* object);
using TOCIObjectMarkUpdate = sword (*)(OCIEnv* env, OCIError* err, void* object);
using TOCIObjectUnmark = sword (*)(OCIEnv* env, OCIError* err, void* object);
using TOCIObjectMarkDelete = sword (*)(OCIEnv* env, OCIError* err, void* instance);
using TOCIObjectFlush = sword (*)(OCIEnv* env, OCIError* err, void* object);
using TOCIObjectCopy = sword (*)(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, void* source,
                                 void* null_source, void* target, void* null_target, OCIType* tdo,
                                 OCIDuration duration, ub1 option);
using TOCIObjectGetTypeRef = sword (*)(OCIEnv* env, OCIError* err, void* instance,
                                       OCIRef* type_ref);
using TOCIObjectGetObjectRef = sword (*)(OCIEnv* env, OCIError* err, void* object,
                                         OCIRef* object_ref);
using TOCIObjectGetInd = sword (*)(OCIEnv* env, OCIError* err, void* instance, void** null_struct);
using TOCIObjectExists = sword (*)(OCIEnv* env, OCIError* err, void* ins, boolean* exist);
using TOCIObjectIsLocked = sword (*)(OCIEnv* env, OCIError* err, void* ins, boolean* lock);
using TOCIObjectIsDirty = sword (*)(OCIEnv* env, OCIError* err, void* ins, boolean* dirty);
using TOCIObjectRefresh = sword (*)(OCIEnv* env, OCIError* err, void* object);
using TOCIObjectPinTable = sword (*)(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                                     const OraText* schema_name, ub4 s_n_length,
                                     const OraText* object_name, ub4 o_n_length,
                                     const OCIRef* scope_obj_ref, OCIDuration pin_duration,
                                     void** object);
using TOCIObjectNew = sword (*)(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                                OCITypeCode typecode, OCIType* tdo, void* table,
                                OCIDuration duration, boolean value, void** instance);
using TOCIObjectPin = sword (*)(OCIEnv* env, OCIError* err, OCIRef* object_ref,
                                OCIComplexObject* corhdl, OCIPinOpt pin_option,
                                OCIDuration pin_duration, OCILockOpt lock_option, void** object);
using TOCIObjectFree = sword (*)(OCIEnv* env, OCIError* err, void* instance, ub2 flags);
using TOCITypeByName = sword (*)(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                                 const OraText* schema_name, ub4 s_length, const OraText* type_name,
                                 ub4 t_length, const OraText* version_name, ub4 v_length,
                                 OCIDuration pin_duration, OCITypeGetOpt get_option, OCIType** tdo);
using TOCIObjectGetAttr = sword (*)(OCIEnv* env, OCIError* err, void* instance, void* null_struct,
                                    OCIType* tdo, const OraText** names, const ub4* lengths,
                                    const ub4 name_count, const ub4* indexes, const ub4 index_count,
                                    OCIInd* attr_null_status, void** attr_null_struct,
                                    void** attr_value, OCIType** attr_tdo);
using TOCIObjectSetAttr = sword (*)(OCIEnv* env, OCIError* err, void* instance, void* null_struct,
                                    OCIType* tdo, const OraText** names, const ub4* lengths,
                                    const ub4 name_count, const ub4* indexes, const ub4 index_count,
                                    const OCIInd null_status, const void* attr_null_struct,
                                    const void* attr_value);
using TOCIStringPtr = OraText* (*)(OCIEnv* env, const OCIString* vs);
using TOCIStringAssignText = sword (*)(OCIEnv* env, OCIError* err, const OraText* rhs, ub4 rhs_len,
                                       OCIString** lhs);
using TOCINumberFromInt = sword (*)(OCIError* err, const void* inum, uword inum_length,
                                    uword inum_s_flag, OCINumber* number);
using TOCINumberToInt = sword (*)(OCIError* err, const OCINumber* number, uword rsl_length,
                                  uword rsl_flag, void* rsl);
using TOCINumberFromReal = sword (*)(OCIError* err, const void* rnum, uword rnum_length,
                                     OCINumber* number);
using TOCINumberToReal = sword (*)(OCIError* err, const OCINumber* number, uword rsl_length,
                                   void* rsl);
using TOCINumberToText = sword (*)(OCIError* err, const OCINumber* number, const OraText* fmt,
                                   ub4 fmt_length, const OraText* nls_params, ub4 nls_p_length,
                                   ub4* buf_size, OraText* buf);
using TOCINumberFromText = sword (*)(OCIError* err, const OraText* str, ub4 str_length,
                                     const OraText* fmt, ub4 fmt_length, const OraText* nls_params,
                                     ub4 nls_p_length, OCINumber* number);
using TOCIRawPtr = ub1* (*)(OCIEnv* env, const OCIRaw* raw);
using TOCIRawSize = ub4 (*)(OCIEnv* env, const OCIRaw* raw);
using TOCIRawAssignBytes = sword (*)(OCIEnv* env, OCIError* err, const ub1* rhs, ub4 rhs_len,
                                     OCIRaw** lhs);
using TOCIRefAssign = sword (*)(OCIEnv* env, OCIError* err, const OCIRef* source, OCIRef** target);
using TOCIRefClear = void (*)(OCIEnv* env, OCIRef* ref);
using TOCIRefIsNull = boolean (*)(OCIEnv* env, const OCIRef* ref);
using TOCIRefFromHex = sword (*)(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                                 const OraText* hex, ub4 length, OCIRef** ref);
using TOCIRefHexSize = ub4 (*)(OCIEnv* env, const OCIRef* ref);
using TOCIRefToHex = sword (*)(OCIEnv* env, OCIError* err, const OCIRef* ref, OraText* hex,
                               ub4* hex_length);
using TOCICollSize = sword (*)(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4* size);
using TOCICollTrim = sword (*)(OCIEnv* env, OCIError* err, sb4 trim_num, OCIColl* coll);
using TOCICollMax = sb4 (*)(OCIEnv* env, const OCIColl* coll);
using TOCICollGetElem = sword (*)(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4 index,
                                  boolean* exists, void** elem, void** elemind);
using TOCICollAssignElem = sword (*)(OCIEnv* env, OCIError* err, sb4 index, const void* elem,
                                     const void* elemind, OCIColl* coll);
using TOCICollAppend = sword (*)(OCIEnv* env, OCIError* err, const void* elem, const void* elemind,
                                 OCIColl* coll);
using TOCITableDelete = sword (*)(OCIEnv* env, OCIError* err, sb4 index, OCITable* tbl);
using TOCICacheFlush = sword (*)(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, void* context,
                                 OCICacheFlushGet get, OCIRef** ref);

// Entry points beyond the version-8 family's 114 names.
using TOCIEnvCreate = sword (*)(OCIEnv** envp, ub4 mode, void* ctxp, OCIMallocCallback malocfp,
                                OCIReallocCallback ralocfp, OCIFreeCallback mfreefp,
                                std::size_t xtramem_sz, void** usrmempp);
using TOCIDirPathAbort = sword (*)(OCIDirPathCtx* dpctx, OCIError* errhp);
using TOCIDirPathFinish = sword (*)(OCIDirPathCtx* dpctx, OCIError* errhp);
using TOCIDirPathPrepare = sword (*)(OCIDirPathCtx* dpctx, OCISvcCtx* svchp, OCIError* errhp);
using TOCIDirPathColArrayEntrySet = sword (*)(OCIDirPathColArray* dpca, OCIError* errhp, ub4 rownum,
                                              ub2 colIdx, ub1* cvalp, ub4 clen, ub1 cflg);
using TOCIDirPathColArrayToStream = sword (*)(OCIDirPathColArray* dpca, OCIDirPathCtx* dpctx,
                                              OCIDirPathStream* dpstr, OCIError* errhp, ub4 rowcnt,
                                              ub4 rowoff);
using TOCIDirPathLoadStream = sword (*)(OCIDirPathCtx* dpctx, OCIDirPathStream* dpstr,
                                        OCIError* errhp);
using TOCIDirPathStreamReset = sword (*)(OCIDirPathStream* dpstr, OCIError* errhp);
using Tociepgoe = sword (*)(OCIExtProcContext* with_context, OCIEnv** envh, OCISvcCtx** svch,
                            OCIError** errh);
using Tociepmsg = std::size_t (*)(OCIExtProcContext* with_context, int error_number,
                                  OraText* error_message, std::size_t len);

}  // extern "C"

// Optional entry points: bound when the library has them, deciding no family.
using TOCIRowidToChar = sword (*)(OCIRowid* rowidDesc, OraText* outbfp, ub2* outbflp,
                                  OCIError* errhp);

// Return codes, handle types and modes that the binding and the error reporting use.
inline constexpr sword OCI_SUCCESS = 0;
inline constexpr sword OCI_SUCCESS_WITH_INFO = 1;
inline constexpr sword OCI_ERROR = -1;
inline constexpr sword OCI_INVALID_HANDLE = -2;
inline constexpr sword OCI_NO_DATA = 100;
inline constexpr ub4 OCI_HTYPE_ENV = 1;
inline constexpr ub4 OCI_HTYPE_ERROR = 2;
inline constexpr ub4 OCI_DEFAULT = 0;
inline constexpr ub4 OCI_THREADED = 1;
inline constexpr ub4 OCI_OBJECT = 2;
inline constexpr ub4 OCI_EV_DEF = 0;

// One slot per entry point; empty until the library is bound, and for a name it lacks.
struct TOracleCallTable {
  Torlon orlon = nullptr;
  Tologof ologof = nullptr;
  Toerhms oerhms = nullptr;
  Toopen oopen = nullptr;
  Toparse oparse = nullptr;
  Todefin odefin = nullptr;
  Toexfet oexfet = nullptr;
  Tofen ofen = nullptr;
  Toflng oflng = nullptr;
  Toclose oclose = nullptr;
  Todescr odescr = nullptr;
  Toexec oexec = nullptr;
  Toexn oexn = nullptr;
  Tocom ocom = nullptr;
  Torol orol = nullptr;
  Tocon ocon = nullptr;
  Tocof ocof = nullptr;
  Tobreak obreak = nullptr;
  Tobndra obndra = nullptr;
  Todessp odessp = nullptr;
  Tolog olog = nullptr;
  Topinit opinit = nullptr;

  TOCIInitialize OCIInitialize = nullptr;
  TOCIHandleAlloc OCIHandleAlloc = nullptr;
  TOCIHandleFree OCIHandleFree = nullptr;
  TOCIDescriptorAlloc OCIDescriptorAlloc = nullptr;
  TOCIDescriptorFree OCIDescriptorFree = nullptr;
  TOCIEnvInit OCIEnvInit = nullptr;
  TOCIServerAttach OCIServerAttach = nullptr;
  TOCIServerDetach OCIServerDetach = nullptr;
  TOCISessionBegin OCISessionBegin = nullptr;
  TOCISessionEnd OCISessionEnd = nullptr;
  TOCILogon OCILogon = nullptr;
  TOCILogoff OCILogoff = nullptr;
  TOCIPasswordChange OCIPasswordChange = nullptr;
  TOCIStmtPrepare OCIStmtPrepare = nullptr;
  TOCIBindByPos OCIBindByPos = nullptr;
  TOCIBindByName OCIBindByName = nullptr;
  TOCIBindObject OCIBindObject = nullptr;
  TOCIBindDynamic OCIBindDynamic = nullptr;
  TOCIBindArrayOfStruct OCIBindArrayOfStruct = nullptr;
  TOCIStmtGetPieceInfo OCIStmtGetPieceInfo = nullptr;
  TOCIStmtSetPieceInfo OCIStmtSetPieceInfo = nullptr;
  TOCIStmtExecute OCIStmtExecute = nullptr;
  TOCIDefineByPos OCIDefineByPos = nullptr;
  TOCIDefineObject OCIDefineObject = nullptr;
  TOCIDefineDynamic OCIDefineDynamic = nullptr;
  TOCIDefineArrayOfStruct OCIDefineArrayOfStruct = nullptr;
  TOCIStmtFetch OCIStmtFetch = nullptr;
  TOCIStmtGetBindInfo OCIStmtGetBindInfo = nullptr;
  TOCIDescribeAny OCIDescribeAny = nullptr;
  TOCIParamGet OCIParamGet = nullptr;
  TOCIParamSet OCIParamSet = nullptr;
  TOCITransStart OCITransStart = nullptr;
  TOCITransDetach OCITransDetach = nullptr;
  TOCITransCommit OCITransCommit = nullptr;
  TOCITransRollback OCITransRollback = nullptr;
  TOCITransPrepare OCITransPrepare = nullptr;
  TOCITransForget OCITransForget = nullptr;
  TOCIErrorGet OCIErrorGet = nullptr;
  TOCILobAppend OCILobAppend = nullptr;
  TOCILobAssign OCILobAssign = nullptr;
  TOCILobCharSetForm OCILobCharSetForm = nullptr;
  TOCILobCharSetId OCILobCharSetId = nullptr;
  TOCILobCopy OCILobCopy = nullptr;
  TOCILobDisableBuffering OCILobDisableBuffering = nullptr;
  TOCILobEnableBuffering OCILobEnableBuffering = nullptr;
  TOCILobErase OCILobErase = nullptr;
  TOCILobFileClose OCILobFileClose = nullptr;
  TOCILobFileCloseAll OCILobFileCloseAll = nullptr;
  TOCILobFileExists OCILobFileExists = nullptr;
  TOCILobFileGetName OCILobFileGetName = nullptr;
  TOCILobFileIsOpen OCILobFileIsOpen = nullptr;
  TOCILobFileOpen OCILobFileOpen = nullptr;
  TOCILobFileSetName OCILobFileSetName = nullptr;
  TOCILobFlushBuffer OCILobFlushBuffer = nullptr;
  TOCILobGetLength OCILobGetLength = nullptr;
  TOCILobIsEqual OCILobIsEqual = nullptr;
  TOCILobLoadFromFile OCILobLoadFromFile = nullptr;
  TOCILobLocatorIsInit OCILobLocatorIsInit = nullptr;
  TOCILobRead OCILobRead = nullptr;
  TOCILobTrim OCILobTrim = nullptr;
  TOCILobWrite OCILobWrite = nullptr;
  TOCIBreak OCIBreak = nullptr;
  TOCIServerVersion OCIServerVersion = nullptr;
  TOCIAttrGet OCIAttrGet = nullptr;
  TOCIAttrSet OCIAttrSet = nullptr;
  TOCISvcCtxToLda OCISvcCtxToLda = nullptr;
  TOCILdaToSvcCtx OCILdaToSvcCtx = nullptr;
  TOCIResultSetToStmt OCIResultSetToStmt = nullptr;
  TOCIObjectUnpin OCIObjectUnpin = nullptr;
  TOCIObjectLock OCIObjectLock = nullptr;
  TOCIObjectMarkUpdate OCIObjectMarkUpdate = nullptr;
  TOCIObjectUnmark OCIObjectUnmark = nullptr;
  TOCIObjectMarkDelete OCIObjectMarkDelete = nullptr;
  TOCIObjectFlush OCIObjectFlush = nullptr;
  TOCIObjectCopy OCIObjectCopy = nullptr;
  TOCIObjectGetTypeRef OCIObjectGetTypeRef = nullptr;
  TOCIObjectGetObjectRef OCIObjectGetObjectRef = nullptr;
  TOCIObjectGetInd OCIObjectGetInd = nullptr;
  TOCIObjectExists OCIObjectExists = nullptr;
  TOCIObjectIsLocked OCIObjectIsLocked = nullptr;
  TOCIObjectIsDirty OCIObjectIsDirty = nullptr;
  TOCIObjectRefresh OCIObjectRefresh = nullptr;
  TOCIObjectPinTable OCIObjectPinTable = nullptr;
  TOCIObjectNew OCIObjectNew = nullptr;
  TOCIObjectPin OCIObjectPin = nullptr;
  TOCIObjectFree OCIObjectFree = nullptr;
  TOCITypeByName OCITypeByName = nullptr;
  TOCIObjectGetAttr OCIObjectGetAttr = nullptr;
  TOCIObjectSetAttr OCIObjectSetAttr = nullptr;
  TOCIStringPtr OCIStringPtr = nullptr;
  TOCIStringAssignText OCIStringAssignText = nullptr;
  TOCINumberFromInt OCINumberFromInt = nullptr;
  TOCINumberToInt OCINumberToInt = nullptr;
  TOCINumberFromReal OCINumberFromReal = nullptr;
  TOCINumberToReal OCINumberToReal = nullptr;
  TOCINumberToText OCINumberToText = nullptr;
  TOCINumberFromText OCINumberFromText = nullptr;
  TOCIRawPtr OCIRawPtr = nullptr;
  TOCIRawSize OCIRawSize = nullptr;
  TOCIRawAssignBytes OCIRawAssignBytes = nullptr;
  TOCIRefAssign OCIRefAssign = nullptr;
  TOCIRefClear OCIRefClear = nullptr;
  TOCIRefIsNull OCIRefIsNull = nullptr;
  TOCIRefFromHex OCIRefFromHex = nullptr;
  TOCIRefHexSize OCIRefHexSize = nullptr;
  TOCIRefToHex OCIRefToHex = nullptr;
  TOCICollSize OCICollSize = nullptr;
  TOCICollTrim OCICollTrim = nullptr;
  TOCICollMax OCICollMax = nullptr;
  TOCICollGetElem OCICollGetElem = nullptr;
  TOCICollAssignElem OCICollAssignElem = nullptr;
  TOCICollAppend OCICollAppend = nullptr;
  TOCITableDelete OCITableDelete = nullptr;
  TOCICacheFlush OCICacheFlush = nullptr;

  Tociepgoe ociepgoe = nullptr;
  Tociepmsg ociepmsg = nullptr;

  TOCIEnvCreate OCIEnvCreate = nullptr;
  TOCIDirPathAbort OCIDirPathAbort = nullptr;
  TOCIDirPathFinish OCIDirPathFinish = nullptr;
  TOCIDirPathPrepare OCIDirPathPrepare = nullptr;
  TOCIDirPathColArrayEntrySet OCIDirPathColArrayEntrySet = nullptr;
  TOCIDirPathColArrayToStream OCIDirPathColArrayToStream = nullptr;
  TOCIDirPathLoadStream OCIDirPathLoadStream = nullptr;
  TOCIDirPathStreamReset OCIDirPathStreamReset = nullptr;

  // Oracle 9 and later; empty for older libraries.
  TOCIRowidToChar OCIRowidToChar = nullptr;
};

// The process-wide table. Written only under ClientLock while the library is loaded; read by
// every part of the access layer afterwards, guarded by the family flags.
inline TOracleCallTable OracleCalls;

// Binds every entry point of the loaded library into OracleCalls and sets the family flags
// of ClientLibrary.h by the completeness rule: a family is usable only when every one of its
// names is exported.
void BindOracleCalls(const DynamicLibrary& library);

}  // namespace vek
