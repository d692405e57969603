// The text form of a row identifier, built from its four numbers: 18 base-64 characters for
// an extended ROWID (data object number not 0), else the restricted form
// BBBBBBBB.RRRR.FFFF in upper-case hexadecimal.
#pragma once

#include <cstdint>
#include <string>

namespace vek {

std::string RowIdText(std::uint32_t objectNumber, std::uint32_t fileNumber,
                      std::uint32_t blockNumber, std::uint32_t rowNumber);

}  // namespace vek
