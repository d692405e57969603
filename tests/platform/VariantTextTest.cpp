// The locale-aware text of a variant, with fixed locales so that no result depends on the
// machine's own settings.
#include "platform/VariantText.h"

#include <gtest/gtest.h>

namespace vek {
namespace {

const LocaleFormats kNorwegian{"dd.MM.yyyy", "HH:mm:ss", ','};
const LocaleFormats kAmerican{"M/d/yyyy", "h:mm:ss AP", '.'};

struct TextCase {
  const char* what;
  Variant value;
  LocaleFormats formats;
  std::string expected;
};

TEST(VariantText, ConvertsEachKindInTheGivenLocale) {
  const TDateTime afternoon = EncodeDateTime({2026, 12, 9, 14, 5, 7, 0});
  const TDateTime midnight = EncodeDate(2026, 3, 1);
  const TextCase cases[] = {
      {"date with time", Variant::FromDateTime(afternoon), kNorwegian, "09.12.2026 14:05:07"},
      {"date at midnight", Variant::FromDateTime(midnight), kNorwegian, "01.03.2026"},
      {"twelve-hour time", Variant::FromDateTime(afternoon), kAmerican, "12/9/2026 2:05:07 PM"},
      {"decimal comma", Variant(3.25), kNorwegian, "3,25"},
      {"decimal point", Variant(3.25), kAmerican, "3.25"},
      {"whole double", Variant(42.0), kNorwegian, "42"},
      {"fifteen digits", Variant(1.0 / 3.0), kAmerican, "0.333333333333333"},
      {"integer", Variant(std::int32_t{-17}), kNorwegian, "-17"},
      {"string", Variant("hei på deg"), kNorwegian, "hei på deg"},
      {"null", Variant::Null(), kNorwegian, ""},
      {"unassigned", Variant(), kNorwegian, ""},
      {"boolean", Variant(true), kNorwegian, "True"},
      {"bytes", Variant::FromBytes({0x0A, 0xFF}), kNorwegian, "0AFF"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(VariantToText(c.value, c.formats), c.expected) << c.what;
  }
}

TEST(VariantText, ArrayHasNoTextOfItsOwn) {
  EXPECT_THROW(VariantToText(Variant::Array(0, 1), kNorwegian), VariantError);
}

TEST(VariantText, UsesTheInstalledLocaleUntilTheScopeEnds) {
  const LocaleFormats before = UserLocale();
  {
    ScopedUserLocale scoped(kNorwegian);
    EXPECT_EQ(VariantToText(Variant(0.5)), "0,5");
  }
  EXPECT_EQ(UserLocale().decimalSeparator, before.decimalSeparator);
}

TEST(VariantText, TranslatesSystemDatePatterns) {
  EXPECT_EQ(PatternFromStrftime("%d.%m.%Y"), "dd.MM.yyyy");
  EXPECT_EQ(PatternFromStrftime("%m/%d/%y"), "MM/dd/yy");
  EXPECT_EQ(PatternFromStrftime("%r"), "hh:mm:ss AP");
  EXPECT_EQ(PatternFromStrftime("%Y年%m月%d日"), "yyyy年MM月dd日");
  EXPECT_EQ(PatternFromStrftime("%d de %B"), "dd 'd'e MMMM");
}

}  // namespace
}  // namespace vek
