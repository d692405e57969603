// WarningCodes: Oracle error numbers that a developer wants raised as EOracleWarning instead
// of EOracleError while debugging. Read from the current user's registry at start-up, and
// only when the process runs under a debugger; in a normal run the list stays empty.
#pragma once

#include <cstdint>
#include <vector>

namespace vek {

// Written only at start-up.
inline std::vector<std::int32_t> WarningCodes;

// The key whose values "1", "2", ... hold the numbers; a value starting with "*" is skipped.
inline constexpr const char* kWarningCodesKey = "SOFTWARE\\Orvane Systems\\ZQA\\Warnings";

void LoadWarningCodes();

}  // namespace vek
