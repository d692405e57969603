// The version-7 entry point the program only binds: odessp reports Oracle's
// "unimplemented feature" (ORA-03001) in the cursor data area it was given.
#include "devdb/oci/ErrorRecords.h"
#include "devdb/oci/OciApi.h"

using namespace devdb::oci;
namespace texts = devdb::texts;

namespace {

sword Unimplemented7(Cda_Def* cursor) {
  const int code = texts::kUnimplemented.code;
  try {
    ErrorRecords::Remember(code, ErrorRecords::Format(code, texts::kUnimplemented.message));
  } catch (...) {
  }
  if (cursor != nullptr) {
    cursor->rc = static_cast<ub2>(code);
    cursor->v2_rc = static_cast<sb2>(-code);
  }
  return code;
}

}  // namespace

extern "C" {

sword odessp(Cda_Def* cursor, OraText*, size_t, ub1*, size_t, ub1*, size_t, ub2*, ub2*, ub2*,
             OraText**, ub2*, ub2*, ub1*, ub1*, ub4*, sb2*, sb2*, ub1*, ub4*, ub4*) {
  return Unimplemented7(cursor);
}

}  // extern "C"
