// The user-interface language as a Windows-style locale identifier: the thread locale on
// Windows, the message-language variables of the environment elsewhere.
#include "platform/UserInterfaceLanguage.h"

#include "platform/ProgramArguments.h"
#include "platform/TextCase.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vek {
namespace {

// Language codes (ISO 639-1) with their Windows primary language and usual sub-language.
struct LanguageEntry {
  const char* code;
  std::uint32_t localeId;
};

const LanguageEntry kLanguages[] = {
    {"nb", kLocaleNorwegianBokmal}, {"no", kLocaleNorwegianBokmal},
    {"nn", kLocaleNorwegianNynorsk}, {"en", kLocaleEnglishUS},
    {"da", 0x0406},                  {"de", 0x0407},
    {"es", 0x0C0A},                  {"fi", 0x040B},
    {"fr", 0x040C},                  {"is", 0x040F},
    {"it", 0x0410},                  {"nl", 0x0413},
    {"pl", 0x0415},                  {"pt", 0x0816},
    {"ru", 0x0419},                  {"sv", 0x041D},
};

// Windows' "neutral" identifier for a language it has no entry for here: not Norwegian, and
// not mistaken for any known language.
constexpr std::uint32_t kLocaleUnknownLanguage = 0x1000;

}  // namespace

std::uint32_t LocaleIdFromLocaleName(const std::string& localeName) {
  // "language[_territory][.codeset][@modifier]"
  const std::string language =
      LowerCase(localeName.substr(0, localeName.find_first_of("_.@")));
  if (language.empty() || language == "c" || language == "posix") return kLocaleEnglishUS;
  for (const LanguageEntry& entry : kLanguages) {
    if (language == entry.code) return entry.localeId;
  }
  return kLocaleUnknownLanguage;
}

std::uint32_t UserInterfaceLocaleId() {
#ifdef _WIN32
  return static_cast<std::uint32_t>(GetThreadLocale());
#else
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = GetEnvironmentVariable(variable);
    if (!value.empty()) return LocaleIdFromLocaleName(value);
  }
  return kLocaleEnglishUS;
#endif
}

}  // namespace vek
