// Every entry point the library exports, with the C signature Oracle documents for it: the
// whole version-8 family in its binding order, the later additions, and the version-7
// family. Only these names leave the library; everything else in it is hidden.
#pragma once

#include "devdb/oci/OciTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OCI_EXPORT __attribute__((visibility("default")))

/* Version-8 family, binding order. */
OCI_EXPORT sword OCIInitialize(ub4 mode, void* ctxp, void* (*malocfp)(void* ctxp, size_t size),
                               void* (*ralocfp)(void* ctxp, void* memptr, size_t newsize),
                               void (*mfreefp)(void* ctxp, void* memptr));
OCI_EXPORT sword OCIHandleAlloc(const void* parenth, void** hndlpp, const ub4 type,
                                const size_t xtramem_sz, void** usrmempp);
OCI_EXPORT sword OCIHandleFree(void* hndlp, const ub4 type);
OCI_EXPORT sword OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type,
                                    const size_t xtramem_sz, void** usrmempp);
OCI_EXPORT sword OCIDescriptorFree(void* descp, const ub4 type);
// Oracle 9 and later.
OCI_EXPORT sword OCIRowidToChar(OCIRowid* rowidDesc, OraText* outbfp, ub2* outbflp, OCIError* errhp);
OCI_EXPORT sword OCIEnvInit(OCIEnv** envp, ub4 mode, size_t xtramem_sz, void** usrmempp);
OCI_EXPORT sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink,
                                 sb4 dblink_len, ub4 mode);
OCI_EXPORT sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode);
OCI_EXPORT sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt,
                                 ub4 mode);
OCI_EXPORT sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode);
OCI_EXPORT sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp,
                          const OraText* username, ub4 uname_len, const OraText* password,
                          ub4 passwd_len, const OraText* dbname, ub4 dbname_len);
OCI_EXPORT sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp);
OCI_EXPORT sword OCIPasswordChange(OCISvcCtx* svchp, OCIError* errhp, const OraText* user_name,
                                   ub4 usernm_len, const OraText* opasswd, ub4 opasswd_len,
                                   const OraText* npasswd, ub4 npasswd_len, ub4 mode);
OCI_EXPORT sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len,
                                ub4 language, ub4 mode);
OCI_EXPORT sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                              void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                              ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
OCI_EXPORT sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                               const OraText* placeholder, sb4 placeh_len, void* valuep,
                               sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                               ub4 maxarr_len, ub4* curelep, ub4 mode);
OCI_EXPORT sword OCIBindObject(OCIBind* bindp, OCIError* errhp, const OCIType* type, void** pgvpp,
                               ub4* pvszsp, void** indpp, ub4* indszp);
OCI_EXPORT sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp,
                                OCICallbackInBind icbfp, void* octxp, OCICallbackOutBind ocbfp);
OCI_EXPORT sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip,
                                      ub4 alskip, ub4 rcskip);
OCI_EXPORT sword OCIStmtGetPieceInfo(OCIStmt* stmtp, OCIError* errhp, void** hndlpp, ub4* typep,
                                     ub1* in_outp, ub4* iterp, ub4* idxp, ub1* piecep);
OCI_EXPORT sword OCIStmtSetPieceInfo(void* hndlp, ub4 type, OCIError* errhp, const void* bufp,
                                     ub4* alenp, ub1 piece, const void* indp, ub2* rcodep);
OCI_EXPORT sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                ub4 rowoff, const OCISnapshot* snap_in, OCISnapshot* snap_out,
                                ub4 mode);
OCI_EXPORT sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position,
                                void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp,
                                ub2* rcodep, ub4 mode);
OCI_EXPORT sword OCIDefineObject(OCIDefine* defnp, OCIError* errhp, const OCIType* type,
                                 void** pgvpp, ub4* pvszsp, void** indpp, ub4* indszp);
OCI_EXPORT sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp,
                                  OCICallbackDefine ocbfp);
OCI_EXPORT sword OCIDefineArrayOfStruct(OCIDefine* defnp, OCIError* errhp, ub4 pvskip, ub4 indskip,
                                        ub4 rlskip, ub4 rcskip);
OCI_EXPORT sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation,
                              ub4 mode);
OCI_EXPORT sword OCIStmtGetBindInfo(OCIStmt* stmtp, OCIError* errhp, ub4 size, ub4 startloc,
                                    sb4* found, OraText* bvnp[], ub1 bvnl[], OraText* invp[],
                                    ub1 inpl[], ub1 dupl[], OCIBind** hndl);
OCI_EXPORT sword OCIDescribeAny(OCISvcCtx* svchp, OCIError* errhp, void* objptr, ub4 objnm_len,
                                ub1 objptr_typ, ub1 info_level, ub1 objtyp, OCIDescribe* dschp);
OCI_EXPORT sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                             ub4 pos);
OCI_EXPORT sword OCIParamSet(void* hdlp, ub4 htyp, OCIError* errhp, const void* dscp, ub4 dtyp,
                             ub4 pos);
OCI_EXPORT sword OCITransStart(OCISvcCtx* svchp, OCIError* errhp, uword timeout, ub4 flags);
OCI_EXPORT sword OCITransDetach(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
OCI_EXPORT sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
OCI_EXPORT sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
OCI_EXPORT sword OCITransPrepare(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
OCI_EXPORT sword OCITransForget(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
OCI_EXPORT sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                             OraText* bufp, ub4 bufsiz, ub4 type);
OCI_EXPORT sword OCILobAppend(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                              OCILobLocator* src_locp);
OCI_EXPORT sword OCILobAssign(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* src_locp,
                              OCILobLocator** dst_locpp);
OCI_EXPORT sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                   ub1* csfrm);
OCI_EXPORT sword OCILobCharSetId(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                 ub2* csid);
OCI_EXPORT sword OCILobCopy(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                            OCILobLocator* src_locp, ub4 amount, ub4 dst_offset, ub4 src_offset);
OCI_EXPORT sword OCILobDisableBuffering(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp);
OCI_EXPORT sword OCILobEnableBuffering(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp);
OCI_EXPORT sword OCILobErase(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amount,
                             ub4 offset);
OCI_EXPORT sword OCILobFileClose(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep);
OCI_EXPORT sword OCILobFileCloseAll(OCISvcCtx* svchp, OCIError* errhp);
OCI_EXPORT sword OCILobFileExists(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                  boolean* flag);
OCI_EXPORT sword OCILobFileGetName(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* filep,
                                   OraText* dir_alias, ub2* d_length, OraText* filename,
                                   ub2* f_length);
OCI_EXPORT sword OCILobFileIsOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                  boolean* flag);
OCI_EXPORT sword OCILobFileOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, ub1 mode);
OCI_EXPORT sword OCILobFileSetName(OCIEnv* envhp, OCIError* errhp, OCILobLocator** filepp,
                                   const OraText* dir_alias, ub2 d_length, const OraText* filename,
                                   ub2 f_length);
OCI_EXPORT sword OCILobFlushBuffer(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                   ub4 flag);
OCI_EXPORT sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp);
OCI_EXPORT sword OCILobIsEqual(OCIEnv* envhp, const OCILobLocator* x, const OCILobLocator* y,
                               boolean* is_equal);
OCI_EXPORT sword OCILobLoadFromFile(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                                    OCILobLocator* src_filep, ub4 amount, ub4 dst_offset,
                                    ub4 src_offset);
OCI_EXPORT sword OCILobLocatorIsInit(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                     boolean* is_initialized);
OCI_EXPORT sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                            ub4 offset, void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp,
                            ub2 csid, ub1 csfrm);
OCI_EXPORT sword OCILobTrim(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 newlen);
OCI_EXPORT sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                             ub4 offset, void* bufp, ub4 buflen, ub1 piece, void* ctxp,
                             OCICallbackLobWrite cbfp, ub2 csid, ub1 csfrm);
OCI_EXPORT sword OCIBreak(void* hndlp, OCIError* errhp);
OCI_EXPORT sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,
                                  ub1 hndltype);
OCI_EXPORT sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                            ub4 attrtype, OCIError* errhp);
OCI_EXPORT sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                            ub4 attrtype, OCIError* errhp);
OCI_EXPORT sword OCISvcCtxToLda(OCISvcCtx* svchp, OCIError* errhp, Lda_Def* ldap);
OCI_EXPORT sword OCILdaToSvcCtx(OCISvcCtx** svchpp, OCIError* errhp, Lda_Def* ldap);
OCI_EXPORT sword OCIResultSetToStmt(OCIResult* rsetdp, OCIError* errhp);
OCI_EXPORT sword OCIObjectUnpin(OCIEnv* env, OCIError* err, void* object);
OCI_EXPORT sword OCIObjectLock(OCIEnv* env, OCIError* err, void* object);
OCI_EXPORT sword OCIObjectMarkUpdate(OCIEnv* env, OCIError* err, void* object);
OCI_EXPORT sword OCIObjectUnmark(OCIEnv* env, OCIError* err, void* object);
OCI_EXPORT sword OCIObjectMarkDelete(OCIEnv* env, OCIError* err, void* instance);
OCI_EXPORT sword OCIObjectFlush(OCIEnv* env, OCIError* err, void* object);
OCI_EXPORT sword OCIObjectCopy(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, void* source,
                               void* null_source, void* target, void* null_target, OCIType* tdo,
                               OCIDuration duration, ub1 option);
OCI_EXPORT sword OCIObjectGetTypeRef(OCIEnv* env, OCIError* err, void* instance, OCIRef* type_ref);
OCI_EXPORT sword OCIObjectGetObjectRef(OCIEnv* env, OCIError* err, void* object,
                                       OCIRef* object_ref);
OCI_EXPORT sword OCIObjectGetInd(OCIEnv* env, OCIError* err, void* instance, void** null_struct);
OCI_EXPORT sword OCIObjectExists(OCIEnv* env, OCIError* err, void* ins, boolean* exist);
OCI_EXPORT sword OCIObjectIsLocked(OCIEnv* env, OCIError* err, void* ins, boolean* lock);
OCI_EXPORT sword OCIObjectIsDirty(OCIEnv* env, OCIError* err, void* ins, boolean* dirty);
OCI_EXPORT sword OCIObjectRefresh(OCIEnv* env, OCIError* err, void* object);
OCI_EXPORT sword OCIObjectPinTable(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                                   const OraText* schema_name, ub4 s_n_length,
                                   const OraText* object_name, ub4 o_n_length,
                                   const OCIRef* scope_obj_ref, OCIDuration pin_duration,
                                   void** object);
OCI_EXPORT sword OCIObjectNew(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                              OCITypeCode typecode, OCIType* tdo, void* table, OCIDuration duration,
                              boolean value, void** instance);
OCI_EXPORT sword OCIObjectPin(OCIEnv* env, OCIError* err, OCIRef* object_ref,
                              OCIComplexObject* corhdl, OCIPinOpt pin_option,
                              OCIDuration pin_duration, OCILockOpt lock_option, void** object);
OCI_EXPORT sword OCIObjectFree(OCIEnv* env, OCIError* err, void* instance, ub2 flags);
OCI_EXPORT sword OCITypeByName(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                               const OraText* schema_name, ub4 s_length, const OraText* type_name,
                               ub4 t_length, const OraText* version_name, ub4 v_length,
                               OCIDuration pin_duration, OCITypeGetOpt get_option, OCIType** tdo);
OCI_EXPORT sword OCIObjectGetAttr(OCIEnv* env, OCIError* err, void* instance, void* null_struct,
                                  OCIType* tdo, const OraText** names, const ub4* lengths,
                                  const ub4 name_count, const ub4* indexes, const ub4 index_count,
                                  OCIInd* attr_null_status, void** attr_null_struct,
                                  void** attr_value, OCIType** attr_tdo);
OCI_EXPORT sword OCIObjectSetAttr(OCIEnv* env, OCIError* err, void* instance, void* null_struct,
                                  OCIType* tdo, const OraText** names, const ub4* lengths,
                                  const ub4 name_count, const ub4* indexes, const ub4 index_count,
                                  const OCIInd null_status, const void* attr_null_struct,
                                  const void* attr_value);
OCI_EXPORT OraText* OCIStringPtr(OCIEnv* env, const OCIString* vs);
OCI_EXPORT sword OCIStringAssignText(OCIEnv* env, OCIError* err, const OraText* rhs, ub4 rhs_len,
                                     OCIString** lhs);
OCI_EXPORT sword OCINumberFromInt(OCIError* err, const void* inum, uword inum_length,
                                  uword inum_s_flag, OCINumber* number);
OCI_EXPORT sword OCINumberToInt(OCIError* err, const OCINumber* number, uword rsl_length,
                                uword rsl_flag, void* rsl);
OCI_EXPORT sword OCINumberFromReal(OCIError* err, const void* rnum, uword rnum_length,
                                   OCINumber* number);
OCI_EXPORT sword OCINumberToReal(OCIError* err, const OCINumber* number, uword rsl_length,
                                 void* rsl);
OCI_EXPORT sword OCINumberToText(OCIError* err, const OCINumber* number, const OraText* fmt,
                                 ub4 fmt_length, const OraText* nls_params, ub4 nls_p_length,
                                 ub4* buf_size, OraText* buf);
OCI_EXPORT sword OCINumberFromText(OCIError* err, const OraText* str, ub4 str_length,
                                   const OraText* fmt, ub4 fmt_length, const OraText* nls_params,
                                   ub4 nls_p_length, OCINumber* number);
OCI_EXPORT ub1* OCIRawPtr(OCIEnv* env, const OCIRaw* raw);
OCI_EXPORT ub4 OCIRawSize(OCIEnv* env, const OCIRaw* raw);
OCI_EXPORT sword OCIRawAssignBytes(OCIEnv* env, OCIError* err, const ub1* rhs, ub4 rhs_len,
                                   OCIRaw** lhs);
OCI_EXPORT sword OCIRefAssign(OCIEnv* env, OCIError* err, const OCIRef* source, OCIRef** target);
OCI_EXPORT void OCIRefClear(OCIEnv* env, OCIRef* ref);
OCI_EXPORT boolean OCIRefIsNull(OCIEnv* env, const OCIRef* ref);
OCI_EXPORT sword OCIRefFromHex(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, const OraText* hex,
                               ub4 length, OCIRef** ref);
OCI_EXPORT ub4 OCIRefHexSize(OCIEnv* env, const OCIRef* ref);
OCI_EXPORT sword OCIRefToHex(OCIEnv* env, OCIError* err, const OCIRef* ref, OraText* hex,
                             ub4* hex_length);
OCI_EXPORT sword OCICollSize(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4* size);
OCI_EXPORT sword OCICollTrim(OCIEnv* env, OCIError* err, sb4 trim_num, OCIColl* coll);
OCI_EXPORT sb4 OCICollMax(OCIEnv* env, const OCIColl* coll);
OCI_EXPORT sword OCICollGetElem(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4 index,
                                boolean* exists, void** elem, void** elemind);
OCI_EXPORT sword OCICollAssignElem(OCIEnv* env, OCIError* err, sb4 index, const void* elem,
                                   const void* elemind, OCIColl* coll);
OCI_EXPORT sword OCICollAppend(OCIEnv* env, OCIError* err, const void* elem, const void* elemind,
                               OCIColl* coll);
OCI_EXPORT sword OCITableDelete(OCIEnv* env, OCIError* err, sb4 index, OCITable* tbl);
OCI_EXPORT sword OCICacheFlush(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, void* context,
                               OCIRef* (*get)(void* context, ub1* last), OCIRef** ref);

/* Later additions. */
OCI_EXPORT sword OCIEnvCreate(OCIEnv** envp, ub4 mode, void* ctxp,
                              void* (*malocfp)(void* ctxp, size_t size),
                              void* (*ralocfp)(void* ctxp, void* memptr, size_t newsize),
                              void (*mfreefp)(void* ctxp, void* memptr), size_t xtramem_sz,
                              void** usrmempp);
OCI_EXPORT sword OCIDirPathAbort(OCIDirPathCtx* dpctx, OCIError* errhp);
OCI_EXPORT sword OCIDirPathFinish(OCIDirPathCtx* dpctx, OCIError* errhp);
OCI_EXPORT sword OCIDirPathPrepare(OCIDirPathCtx* dpctx, OCISvcCtx* svchp, OCIError* errhp);
OCI_EXPORT sword OCIDirPathColArrayEntrySet(OCIDirPathColArray* dpca, OCIError* errhp, ub4 rownum,
                                            ub2 colIdx, ub1* cvalp, ub4 clen, ub1 cflg);
OCI_EXPORT sword OCIDirPathColArrayToStream(OCIDirPathColArray* dpca, OCIDirPathCtx* dpctx,
                                            OCIDirPathStream* dpstr, OCIError* errhp, ub4 rowcnt,
                                            ub4 rowoff);
OCI_EXPORT sword OCIDirPathLoadStream(OCIDirPathCtx* dpctx, OCIDirPathStream* dpstr,
                                      OCIError* errhp);
OCI_EXPORT sword OCIDirPathStreamReset(OCIDirPathStream* dpstr, OCIError* errhp);
OCI_EXPORT sword ociepgoe(OCIExtProcContext* with_context, OCIEnv** envh, OCISvcCtx** svch,
                          OCIError** errh);
OCI_EXPORT size_t ociepmsg(OCIExtProcContext* with_context, int error_number,
                           OraText* error_message, size_t len);

/* Version-7 family. */
OCI_EXPORT sword orlon(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
                       sword audit);
OCI_EXPORT sword ologof(Lda_Def* lda);
OCI_EXPORT sword oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz);
OCI_EXPORT sword oopen(Cda_Def* cursor, Lda_Def* lda, OraText* dbn, sword dbnl, sword arsize,
                       OraText* uid, sword uidl);
OCI_EXPORT sword oparse(Cda_Def* cursor, OraText* sqlstm, sb4 sqllen, sword defflg, ub4 lngflg);
OCI_EXPORT sword odefin(Cda_Def* cursor, sword pos, ub1* buf, sword bufl, sword ftype, sword scale,
                        sb2* indp, OraText* fmt, sword fmtl, sword fmtt, ub2* rlen, ub2* rcode);
OCI_EXPORT sword oexfet(Cda_Def* cursor, ub4 nrows, sword cancel, sword exact);
OCI_EXPORT sword ofen(Cda_Def* cursor, sword nrows);
OCI_EXPORT sword oflng(Cda_Def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl,
                       sb4 offset);
OCI_EXPORT sword oclose(Cda_Def* cursor);
OCI_EXPORT sword odescr(Cda_Def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf, sb4* cbufl,
                        sb4* dsize, sb2* prec, sb2* scale, sb2* nullok);
OCI_EXPORT sword oexec(Cda_Def* cursor);
OCI_EXPORT sword oexn(Cda_Def* cursor, sword iters, sword rowoff);
OCI_EXPORT sword ocom(Lda_Def* lda);
OCI_EXPORT sword orol(Lda_Def* lda);
OCI_EXPORT sword ocon(Lda_Def* lda);
OCI_EXPORT sword ocof(Lda_Def* lda);
OCI_EXPORT sword obreak(Lda_Def* lda);
OCI_EXPORT sword obndra(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl,
                        sword ftype, sword scale, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz,
                        ub4* cursiz, OraText* fmt, sword fmtl, sword fmtt);
OCI_EXPORT sword odessp(Cda_Def* cursor, OraText* objnam, size_t onlen, ub1* rsv1, size_t rsv1ln,
                        ub1* rsv2, size_t rsv2ln, ub2* ovrld, ub2* pos, ub2* level,
                        OraText** argnam, ub2* arnlen, ub2* dtype, ub1* defsup, ub1* mode,
                        ub4* dtsiz, sb2* prec, sb2* scale, ub1* radix, ub4* spare, ub4* arrsiz);
OCI_EXPORT sword olog(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
                      OraText* conn, sword connl, ub4 mode);
OCI_EXPORT sword opinit(ub4 mode);

#ifdef __cplusplus
}
#endif
