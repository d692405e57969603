// An environment handle: the root of every other handle, with the error records of the
// calls that report through it (OCIHandleAlloc, OCIDescriptorAlloc).
#pragma once

#include "devdb/oci/ErrorRecords.h"
#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

class Environment {
 public:
  explicit Environment(ub4 mode) : mode_(mode) {}
  ub4 Mode() const { return mode_; }
  ErrorRecords records;

 private:
  ub4 mode_;
};

}  // namespace devdb::oci
