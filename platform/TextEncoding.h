// Conversion between UTF-8, the program's inner text form, and Windows-1252, the 8-bit
// character set of the server package text the program carries.
#pragma once

#include <string>
#include <string_view>

namespace vek {

std::string Windows1252ToUtf8(std::string_view bytes);
// Characters without a Windows-1252 form become '?'.
std::string Utf8ToWindows1252(std::string_view text);

// One character at a time: appends a code point in UTF-8; decodes the sequence at text[i],
// advancing i (a malformed byte reads as U+FFFD).
void AppendUtf8(std::string& out, char32_t c);
char32_t NextCodePoint(std::string_view text, std::size_t& i);

}  // namespace vek
