// A ROWID descriptor. Its memory has the layout programs written for genuine 8.1 and later
// clients read directly: the third 32-bit word holds a pointer to a byte block whose bytes
// 1-4 are the data object number, 5-6 the file number, 7-10 the block number and 11-12 the
// row number, each most significant byte first.
#pragma once

#include <cstring>

#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

class RowidDescriptor {
 public:
  RowidDescriptor() { std::memset(block_, 0, sizeof block_); }
  RowidDescriptor(const RowidDescriptor&) = delete;
  RowidDescriptor& operator=(const RowidDescriptor&) = delete;

  void Set(ub4 object, ub2 file, ub4 blockNumber, ub2 row) {
    block_[0] = 1;
    Put(1, object, 4);
    Put(5, file, 2);
    Put(7, blockNumber, 4);
    Put(11, row, 2);
    pointer_ = block_;
  }
  void Clear() {
    std::memset(block_, 0, sizeof block_);
    pointer_ = nullptr;
  }
  const ub1* Block() const { return pointer_; }

 private:
  void Put(int at, ub4 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
      block_[at + i] = static_cast<ub1>(value & 0xFF);
      value >>= 8;
    }
  }

  ub4 reserved_[2] = {0x524F5744, OCI_DTYPE_ROWID};  // words one and two
  ub1* pointer_ = nullptr;                           // word three
  ub1 block_[16];
};

}  // namespace devdb::oci
