// The client library's entry points as the program calls them: Oracle's base and handle types,
// the version-7 logon data area, one pointer type T<name> per entry point of
// client/OracleEntryPoints.def (Oracle's documented C signature, so that a genuine client
// library works too), and the process-wide table of bound addresses.
#pragma once

#include <stddef.h>  // size_t, as the entry-point table spells it

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

// One pointer type per entry point: TOCIStmtExecute, Toparse, ...
#define VEK_ENTRY_POINT(family, name, returnType, parameters) \
  using T##name = returnType(*) parameters;
#include "client/OracleEntryPoints.def"

}  // extern "C"

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

// One slot per entry point, named as the entry point; empty until the library is bound, and
// for a name it lacks.
struct TOracleCallTable {
#define VEK_ENTRY_POINT(family, name, returnType, parameters) T##name name = nullptr;
#include "client/OracleEntryPoints.def"
};

// The process-wide table. Written only under ClientLock while the library is loaded; read by
// every part of the access layer afterwards, guarded by the family flags.
inline TOracleCallTable OracleCalls;

// Binds every entry point of the loaded library into OracleCalls and sets the family flags
// of ClientLibrary.h by the completeness rule: a family is usable only when every one of its
// names is exported.
void BindOracleCalls(const DynamicLibrary& library);

}  // namespace vek
