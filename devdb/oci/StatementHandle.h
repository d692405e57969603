// A statement handle: the statement itself and the attributes a program reads and writes
// on it (prefetch settings, the rows of the last fetch).
#pragma once

#include "devdb/oci/OciTypes.h"
#include "devdb/oci/StatementCore.h"

namespace devdb::oci {

class Environment;

class StatementHandle {
 public:
  explicit StatementHandle(Environment* environment) : environment_(environment) {}
  Environment* Env() const { return environment_; }

  StatementCore core;
  ub4 prefetchRows = 1;
  ub4 prefetchMemory = 0;
  bool described = false;

 private:
  Environment* environment_;
};

}  // namespace devdb::oci
