// Reading the warning numbers: values "1", "2", ... until the first empty or absent one.
#include "access/WarningCodes.h"

#include <charconv>
#include <string>

#include "platform/Debugger.h"
#include "platform/Registry.h"

namespace vek {

void LoadWarningCodes() {
  if (!DebuggerPresent()) return;
  WarningCodes.clear();
  for (int index = 1;; ++index) {
    const std::string value =
        ReadRegistryString(RegistryRoot::rrCurrentUser, kWarningCodesKey, std::to_string(index));
    if (value.empty()) break;
    if (value.front() == '*') continue;
    std::int32_t number = 0;
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, number);
    if (error == std::errc() && stop == end) WarningCodes.push_back(number);
  }
}

}  // namespace vek
