// What the library keeps beside a program's version-7 cursor data area: the statement and
// whether its parse waits for the first call that needs the server (deferred parse).
#pragma once

#include "devdb/oci/OciTypes.h"
#include "devdb/oci/StatementCore.h"

namespace devdb::oci {

class CursorArea {
 public:
  explicit CursorArea(Lda_Def* logonArea) : logonArea(logonArea) {}
  Lda_Def* logonArea;
  StatementCore core;
};

}  // namespace devdb::oci
