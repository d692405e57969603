// The user-interface language as a Windows-style locale identifier, derived from the
// environment's message-language variables (LC_ALL over LC_MESSAGES over LANG).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ProgramArguments.h"
#include "platform/UserInterfaceLanguage.h"

namespace vek {
namespace {

TEST(UserInterfaceLanguage, EnvironmentGivesTheLocaleIdentifier) {
  using Value = std::optional<std::string>;
  struct Case {
    Value lcAll, lcMessages, lang;
    std::uint32_t expected;
  };
  const Value unset;
  const std::vector<Case> cases = {
      {unset, unset, "nb_NO.UTF-8", 0x0414},
      {unset, unset, "nn_NO", 0x0814},
      {unset, unset, "no_NO", 0x0414},
      {unset, unset, "C", 0x0409},
      {unset, unset, "POSIX", 0x0409},
      {unset, unset, "C.UTF-8", 0x0409},
      {unset, unset, unset, 0x0409},
      {unset, unset, "en_US", 0x0409},
      {"nn_NO.UTF-8", "nb_NO", "en_US", 0x0814},
      {unset, "nb_NO@euro", "en_US", 0x0414},
      {"", "", "nn", 0x0814},
      {"en_US.UTF-8", "nb_NO", unset, 0x0409},
      {"sv_SE", unset, unset, 0x041D},
  };
  for (const Case& c : cases) {
    ScopedEnvironmentVariable all("LC_ALL", c.lcAll);
    ScopedEnvironmentVariable messages("LC_MESSAGES", c.lcMessages);
    ScopedEnvironmentVariable lang("LANG", c.lang);
    EXPECT_EQ(UserInterfaceLocaleId(), c.expected)
        << "LC_ALL=" << c.lcAll.value_or("(unset)") << " LC_MESSAGES="
        << c.lcMessages.value_or("(unset)") << " LANG=" << c.lang.value_or("(unset)");
  }
}

TEST(UserInterfaceLanguage, UnknownLanguagesAreNotNorwegian) {
  const std::uint32_t id = LocaleIdFromLocaleName("tlh_XX.UTF-8");
  EXPECT_NE(id & 0x3FF, 20u);
}

}  // namespace
}  // namespace vek
