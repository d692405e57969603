// Buffers and LONG pieces of a column.
#include "access/FieldData.h"

#include <algorithm>

namespace vek {
namespace {

constexpr std::int32_t kFirstPieceSize = 2000;
constexpr std::int32_t kLargestDoublingPiece = 32000;

}  // namespace

void TFieldData::AllocateBuffers(std::int32_t rowCount) {
  rows = rowCount;
  valueBuffer.assign(elementSize > 0 ? static_cast<std::size_t>(rows) * elementSize : 0, 0);
  indicators.assign(rows, 0);
  returnedLengths.assign(rows, 0);
}

void TFieldData::ResetBuffers() {
  std::fill(indicators.begin(), indicators.end(), 0);
  std::fill(returnedLengths.begin(), returnedLengths.end(), 0);
}

TLongPiece& TFieldData::AddLongPiece() {
  std::int32_t size = kFirstPieceSize;
  if (!longPieces.empty()) {
    const std::int32_t previous = longPieces.back()->bufferSize;
    size = previous < kLargestDoublingPiece ? previous * 2 : previous;
  }
  longPieces.push_back(std::make_unique<TLongPiece>(size));
  return *longPieces.back();
}

std::string TFieldData::LongValue() const {
  std::string value;
  for (const auto& piece : longPieces) {
    const std::size_t length = std::min<std::size_t>(piece->returnedLength, piece->buffer.size());
    value.append(reinterpret_cast<const char*>(piece->buffer.data()), length);
  }
  return value;
}

}  // namespace vek
