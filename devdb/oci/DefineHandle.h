// A define handle: which select-list position of which statement a program's buffers
// receive.
#pragma once

#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

class StatementHandle;

class DefineHandle {
 public:
  DefineHandle(StatementHandle* statement, ub4 position)
      : statement(statement), position(position) {}
  StatementHandle* statement;
  ub4 position;
};

}  // namespace devdb::oci
