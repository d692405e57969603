// An error handle: the records of the last call that reported through it.
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
