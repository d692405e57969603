// TVariableStoredForm: the raw bytes a window's stored form keeps for a statement's variable
// list (the "Data" property of Variables). Version 3 is written; versions 1 to 3 are read
// (1 without values, 2 without PL/SQL tables) and a newer one is refused.
#pragma once

#include <cstdint>
#include <vector>

namespace vek {

class TVariables;

class TVariableStoredForm {
 public:
  static constexpr std::int32_t kVersion = 3;

  static std::vector<std::uint8_t> Write(const TVariables& list);
  // Empties the list first. A truncated or malformed stream raises; nothing is written past
  // a variable's buffer.
  static void Read(TVariables& list, const std::vector<std::uint8_t>& data);
  // Whether the property is stored at all: when the list differs from the list of the form
  // it inherits from, or, without one, when it is not empty.
  static bool ShouldWrite(const TVariables& list, const TVariables* inherited);
};

}  // namespace vek
