// An error handle: the records of the last call that reported through it. Every call that
// takes one clears it first, so OCIErrorGet always reads the latest call's records.
#pragma once

#include "devdb/oci/ErrorRecords.h"

namespace devdb::oci {

class Environment;

class ErrorHandle {
 public:
  explicit ErrorHandle(Environment* environment) : environment_(environment) {}
  Environment* Env() const { return environment_; }
  ErrorRecords records;

 private:
  Environment* environment_;
};

}  // namespace devdb::oci
