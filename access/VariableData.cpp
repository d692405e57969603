// The small helpers of one bind variable: reading a text slot safely and forgetting a
// binding when the statement gets a new handle.
#include "access/VariableData.h"

#include <cstring>

#include "access/VariableTypes.h"

namespace vek {

std::string TVariableData::SlotText(std::int32_t index) const {
  if (elementSize <= 0 || buffer.size() < static_cast<std::size_t>((index + 1) * elementSize)) {
    return {};
  }
  const auto* start = reinterpret_cast<const char*>(Slot(index));
  const void* end = std::memchr(start, 0, static_cast<std::size_t>(elementSize));
  const std::size_t length =
      end ? static_cast<const char*>(end) - start : static_cast<std::size_t>(elementSize);
  return std::string(start, length);
}

bool TVariableData::IsTextType() const {
  return type == otSubst || type == otString || type == otPLSQLString || type == otChar;
}

void TVariableData::ForgetBinding() {
  bindHandle = nullptr;
  boundAddress = nullptr;
  boundIndicators = nullptr;
  boundSize = 0;
  boundCount = 0;
}

}  // namespace vek
