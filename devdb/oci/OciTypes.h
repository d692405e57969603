// The client interface's base types, constants, opaque handle names, callback types and the
// version-7 data area, as an OCI program sees them. Shared by the library and by programs
// (the tests) that call it, so both sides agree on every size and number.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int sword;
typedef unsigned int uword;
typedef signed int sb4;
typedef unsigned int ub4;
typedef short sb2;
typedef unsigned short ub2;
typedef signed char sb1;
typedef unsigned char ub1;
typedef int boolean;
typedef unsigned char OraText;
typedef ub2 OCIDuration;
typedef ub2 OCITypeCode;
typedef sb2 OCIInd;

typedef struct OCIEnv OCIEnv;
typedef struct OCIError OCIError;
typedef struct OCISvcCtx OCISvcCtx;
typedef struct OCIStmt OCIStmt;
typedef struct OCIBind OCIBind;
typedef struct OCIDefine OCIDefine;
typedef struct OCIDescribe OCIDescribe;
typedef struct OCIServer OCIServer;
typedef struct OCISession OCISession;
typedef struct OCISnapshot OCISnapshot;
typedef struct OCIRowid OCIRowid;
typedef struct OCIResult OCIResult;
typedef struct OCILobLocator OCILobLocator;
typedef struct OCIParam OCIParam;
typedef struct OCIRowid OCIRowid;
typedef struct OCIType OCIType;
typedef struct OCIRef OCIRef;
typedef struct OCIComplexObject OCIComplexObject;
typedef struct OCIString OCIString;
typedef struct OCIRaw OCIRaw;
typedef struct OCIColl OCIColl;
typedef OCIColl OCITable;
typedef struct OCIExtProcContext OCIExtProcContext;
typedef struct OCIDirPathCtx OCIDirPathCtx;
typedef struct OCIDirPathColArray OCIDirPathColArray;
typedef struct OCIDirPathStream OCIDirPathStream;

typedef struct OCINumber {
  ub1 OCINumberPart[22];
} OCINumber;

typedef enum OCIPinOpt {
  OCI_PIN_DEFAULT = 1,
  OCI_PIN_ANY = 3,
  OCI_PIN_RECENT = 4,
  OCI_PIN_LATEST = 5
} OCIPinOpt;
typedef enum OCILockOpt { OCI_LOCK_NONE = 1, OCI_LOCK_X = 2, OCI_LOCK_X_NOWAIT = 3 } OCILockOpt;
typedef enum OCITypeGetOpt { OCI_TYPEGET_HEADER = 0, OCI_TYPEGET_ALL = 1 } OCITypeGetOpt;

/* The version-7 cursor and logon data area, laid out as the genuine library lays it out on
   this platform: 64 bytes for 32-bit programs, 88 for 64-bit ones. */
struct cda_def {
  sb2 v2_rc;
  ub2 ft;
  ub4 rpc;
  ub2 peo;
  ub1 fc;
  ub1 rcs1;
  ub2 rc;
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
typedef struct cda_def Cda_Def;
typedef struct cda_def Lda_Def;

#define HDA_SIZE 512

typedef sb4 (*OCICallbackInBind)(void* ictxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                 ub4* alenp, ub1* piecep, void** indp);
typedef sb4 (*OCICallbackOutBind)(void* octxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                  ub4** alenp, ub1* piecep, void** indp, ub2** rcodep);
typedef sb4 (*OCICallbackDefine)(void* octxp, OCIDefine* defnp, ub4 iter, void** bufpp, ub4** alenp,
                                 ub1* piecep, void** indp, ub2** rcodep);
typedef sb4 (*OCICallbackLobRead)(void* ctxp, const void* bufp, ub4 len, ub1 piece);
typedef sb4 (*OCICallbackLobWrite)(void* ctxp, void* bufp, ub4* lenp, ub1* piece);

/* Return codes. */
#define OCI_SUCCESS 0
#define OCI_SUCCESS_WITH_INFO 1
#define OCI_NEED_DATA 99
#define OCI_NO_DATA 100
#define OCI_ERROR (-1)
#define OCI_INVALID_HANDLE (-2)
#define OCI_STILL_EXECUTING (-3123)
#define OCI_CONTINUE (-24200)

/* Handle types. */
#define OCI_HTYPE_ENV 1
#define OCI_HTYPE_ERROR 2
#define OCI_HTYPE_SVCCTX 3
#define OCI_HTYPE_STMT 4
#define OCI_HTYPE_BIND 5
#define OCI_HTYPE_DEFINE 6
#define OCI_HTYPE_DESCRIBE 7
#define OCI_HTYPE_SERVER 8
#define OCI_HTYPE_SESSION 9
#define OCI_HTYPE_TRANS 10

/* Descriptor types. */
#define OCI_DTYPE_LOB 50
#define OCI_DTYPE_SNAP 51
#define OCI_DTYPE_RSET 52
#define OCI_DTYPE_PARAM 53
#define OCI_DTYPE_ROWID 54

/* Modes. */
#define OCI_DEFAULT 0x00
#define OCI_THREADED 0x01
#define OCI_OBJECT 0x02
#define OCI_NO_MUTEX 0x80
#define OCI_ENV_NO_MUTEX 0x08
#define OCI_DESCRIBE_ONLY 0x10
#define OCI_COMMIT_ON_SUCCESS 0x20
#define OCI_DATA_AT_EXEC 0x02
#define OCI_DYNAMIC_FETCH 0x02
#define OCI_SYSDBA 0x02
#define OCI_SYSOPER 0x04
#define OCI_CRED_RDBMS 1
#define OCI_CRED_EXT 2
#define OCI_AUTH 0x08
#define OCI_NTV_SYNTAX 1
#define OCI_FETCH_NEXT 0x02
#define OCI_ONE_PIECE 0
#define OCI_FIRST_PIECE 1
#define OCI_NEXT_PIECE 2
#define OCI_LAST_PIECE 3

/* Attributes. */
#define OCI_ATTR_DATA_SIZE 1
#define OCI_ATTR_DATA_TYPE 2
#define OCI_ATTR_DISP_SIZE 3
#define OCI_ATTR_NAME 4
#define OCI_ATTR_PRECISION 5
#define OCI_ATTR_SCALE 6
#define OCI_ATTR_IS_NULL 7
#define OCI_ATTR_TYPE_NAME 8
#define OCI_ATTR_SCHEMA_NAME 9
#define OCI_ATTR_ROW_COUNT 9
#define OCI_ATTR_SQLFNCODE 10
#define OCI_ATTR_ENV 5
#define OCI_ATTR_SERVER 6
#define OCI_ATTR_SESSION 7
#define OCI_ATTR_PREFETCH_ROWS 11
#define OCI_ATTR_PREFETCH_MEMORY 13
#define OCI_ATTR_PARAM_COUNT 18
#define OCI_ATTR_ROWID 19
#define OCI_ATTR_USERNAME 22
#define OCI_ATTR_PASSWORD 23
#define OCI_ATTR_STMT_TYPE 24
#define OCI_ATTR_PARSE_ERROR_OFFSET 129
#define OCI_ATTR_PARSE_ERROR_OFFSET_80 128
#define OCI_ATTR_ROWS_FETCHED 197

/* External data types. */
#define SQLT_CHR 1
#define SQLT_NUM 2
#define SQLT_INT 3
#define SQLT_FLT 4
#define SQLT_STR 5
#define SQLT_LNG 8
#define SQLT_RID 11
#define SQLT_DAT 12
#define SQLT_BIN 23
#define SQLT_LBI 24
#define SQLT_UIN 68
#define SQLT_AFC 96
#define SQLT_AVC 97
#define SQLT_CUR 102
#define SQLT_RDD 104
#define SQLT_OSL 106
#define SQLT_RSET 116

#ifdef __cplusplus
}
#endif
