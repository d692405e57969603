// The user-interface language of the process as a Windows-style locale identifier (primary
// language in the low 10 bits, sub-language in the next 6). On Windows the thread's locale;
// elsewhere derived from LC_ALL, then LC_MESSAGES, then LANG, the first set and non-empty,
// the way programs choose their message language.
#pragma once

#include <cstdint>
#include <string>

namespace vek {

inline constexpr std::uint32_t kLocaleEnglishUS = 0x0409;
inline constexpr std::uint32_t kLocaleNorwegianBokmal = 0x0414;
inline constexpr std::uint32_t kLocaleNorwegianNynorsk = 0x0814;

// The identifier for the current environment, read afresh at every call; the program asks
// once, at start-up.
std::uint32_t UserInterfaceLocaleId();
// The identifier for one POSIX locale name such as "nb_NO.UTF-8": "nb"/"no" give 0x0414,
// "nn" 0x0814, a few other languages their own identifiers, an unknown language a
// non-Norwegian one; empty, "C" and "POSIX" give 0x0409.
std::uint32_t LocaleIdFromLocaleName(const std::string& localeName);

}  // namespace vek
