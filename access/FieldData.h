// TFieldData: one column of a described select list with its fetch buffers for the rows of
// one fetch call (values, indicators, returned lengths), and the pieces in which a LONG or
// LONG RAW value of the current row arrives. TLongPiece is one such piece.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "client/OracleCallTable.h"

namespace vek {

struct TLongPiece {
  explicit TLongPiece(std::int32_t size)
      : bufferSize(size), returnedLength(static_cast<ub4>(size)), buffer(size > 0 ? size : 0) {}
  std::int32_t bufferSize;
  ub4 returnedLength;  // preset to the size; the client library writes what it filled
  std::vector<ub1> buffer;
};

// Internal (server) datatype codes and buffer type codes the layer uses.
enum TOracleTypeCode : sb2 {
  otcVarchar2 = 1,
  otcNumber = 2,
  otcInteger = 3,
  otcFloat = 4,
  otcString = 5,
  otcLong = 8,
  otcRowId = 11,
  otcDate = 12,
  otcRaw = 23,
  otcLongRaw = 24,
  otcChar = 96,
  otcRowIdDescriptor = 104,
  otcMLSLabel = 106,
  otcObject = 108,
  otcReference = 110,
  otcCLOB = 112,
  otcBLOB = 113,
  otcBFile = 114,
  otcCursor = 116,
};

class TFieldData {
 public:
  std::int32_t dataSize = 0;
  sb2 internalType = 0;
  std::string name;
  sb2 precision = 0;
  sb2 scale = 0;
  sb2 nullable = 0;
  sb2 bufferType = 0;
  std::int32_t elementSize = 0;
  std::int32_t rows = 0;
  std::vector<ub1> valueBuffer;
  std::vector<sb2> indicators;
  std::vector<ub2> returnedLengths;
  std::vector<std::unique_ptr<TLongPiece>> longPieces;

  bool IsLong() const { return bufferType == otcLong || bufferType == otcLongRaw; }
  // The client library cut the row's value to fit the slot. LONG values arrive in pieces
  // that grow as needed, and handle columns have no value of their own in the slot.
  bool ValueTruncated(std::int32_t row) const {
    const bool slotValue = bufferType == otcInteger || bufferType == otcFloat ||
                           bufferType == otcString || bufferType == otcDate;
    if (!slotValue || row < 0 || row >= static_cast<std::int32_t>(indicators.size())) return false;
    return indicators[row] > 0 || indicators[row] == -2;
  }
  // The type code the column is defined with.
  ub2 DefineType() const {
    return static_cast<ub2>(internalType == otcMLSLabel ? internalType : bufferType);
  }

  void AllocateBuffers(std::int32_t rowCount);
  // Before a fetch: indicators and returned lengths start from zero again.
  void ResetBuffers();
  void DiscardLongPieces() { longPieces.clear(); }
  // Adds the next piece: 2000 bytes first, then twice the previous while it is below 32000.
  TLongPiece& AddLongPiece();
  // The current row's value as the pieces hold it.
  std::string LongValue() const;

  ub1* Slot(std::int32_t row) {
    return valueBuffer.empty() ? nullptr
                               : valueBuffer.data() + static_cast<std::size_t>(row) * elementSize;
  }
  const ub1* Slot(std::int32_t row) const {
    return valueBuffer.empty() ? nullptr
                               : valueBuffer.data() + static_cast<std::size_t>(row) * elementSize;
  }
};

}  // namespace vek
