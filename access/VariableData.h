// TVariableData: one declared bind variable of a statement: its normalised name, type code,
// value buffer with one indicator per element, and what the last binding handed to the
// client library. The client library writes out-values straight into these fields, so their
// addresses stay put while the variable lives (the list holds each variable on the heap).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "client/OracleCallTable.h"

namespace vek {

class TComponent;

// Leaves bytes that a resize adds unwritten, so that a buffer whose tail is never read (text
// that ends at its zero byte) need not be cleared; assign(n, 0) still clears.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <typename U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Arguments>
  void construct(U* place, Arguments&&... arguments) {
    ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
  }
};

using TVariableBuffer = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

class TVariableData {
 public:
  TVariableData() = default;
  TVariableData(const TVariableData&) = delete;
  TVariableData& operator=(const TVariableData&) = delete;

  std::string name;  // ":" followed by the upper-cased name
  std::int16_t type = 0;
  std::int32_t elementSize = 0;
  TVariableBuffer buffer;           // element count x element size bytes, or empty
  std::vector<sb2> indicators{-1};  // -1 null, 0 a value
  std::int32_t valueLength = 0;     // otSubst, otLong and otLongRaw
  std::int32_t lowBound = 0;
  std::int32_t elementCount = 1;
  bool plsqlTable = false;
  // Passed to the client library as the current element count, which it writes back.
  ub4 elementsInUse = 0;
  bool ownsBuffer = false;
  bool complex = false;
  TComponent* object = nullptr;  // the reference a complex variable holds

  // What the last binding passed. A binding is kept only while all of these still hold, since
  // a freed and reallocated buffer may come back at the same address with a new size.
  OCIBind* bindHandle = nullptr;
  const void* boundAddress = nullptr;
  const void* boundIndicators = nullptr;
  std::int32_t boundSize = 0;
  std::int32_t boundCount = 0;
  // The 16-bit length slot of LONG and LONG RAW bindings, copied to and from valueLength.
  ub2 lengthSlot = 0;

  std::uint8_t* Slot(std::int32_t index) { return buffer.data() + index * elementSize; }
  const std::uint8_t* Slot(std::int32_t index) const { return buffer.data() + index * elementSize; }
  // The text of a zero-terminated slot, never reading past the slot.
  std::string SlotText(std::int32_t index) const;
  bool IsTextType() const;
  void ForgetBinding();
};

}  // namespace vek
