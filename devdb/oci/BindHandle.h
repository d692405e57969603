// A bind handle: which placeholder of which statement a program's buffers are bound to. The
// buffers themselves live in the statement, so a re-bind through the same handle replaces them.
#pragma once

#include <string>

#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

class StatementHandle;

class BindHandle {
 public:
  BindHandle(StatementHandle* statement, std::string name, ub4 position)
      : statement(statement), name(std::move(name)), position(position) {}
  StatementHandle* statement;
  std::string name;  // upper case without colon; empty for a bind by position
  ub4 position;
};

}  // namespace devdb::oci
