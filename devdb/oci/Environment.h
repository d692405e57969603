// An environment handle: the root of every other handle, with the error records of the
// calls that report through it (OCIHandleAlloc, OCIDescriptorAlloc).
#pragma once

#include <mutex>

#include "devdb/oci/ErrorRecords.h"
#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

class Environment {
 public:
  explicit Environment(ub4 mode) : mode_(mode) {}
  ub4 Mode() const { return mode_; }
  // Threads may allocate from one environment at once; its records are theirs in turn.
  std::mutex recordsMutex;
  ErrorRecords records;

 private:
  ub4 mode_;
};

}  // namespace devdb::oci
