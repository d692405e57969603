// Case conversion and comparison of ASCII text, as Oracle names, registry keys and
// program arguments need it (bytes above 127 are left alone).
#pragma once

#include <string>
#include <string_view>

namespace vek {

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

}  // namespace vek
