// Scripts are read as UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise.
#include <gtest/gtest.h>

#include "tests/platform/TemporaryFolder.h"
#include "tools/vsql/ScriptText.h"

namespace vek::vsql {
namespace {

TEST(ScriptTextTest, Windows1252BytesBecomeUtf8AndUtf8StaysAsItIs) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"plain", "plain"},           {"m\xE5 f\xF8re", "m\xC3\xA5 f\xC3\xB8re"},
      {"m\xC3\xA5", "m\xC3\xA5"},   {"\x80", "\xE2\x82\xAC"},
      {"cut \xC3", "cut \xC3\x83"},
  };
  for (const Case& c : cases) EXPECT_EQ(TScriptText::ToUtf8(c.bytes), c.text) << c.bytes;
}

TEST(ScriptTextTest, LinesLoseTheirLineBreaks) {
  testing::TemporaryFolder folder;
  const std::string path = folder.WriteFile("s.sql", "a\r\nb\n\nc");
  EXPECT_EQ(TScriptText::ReadLines(path), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_THROW(TScriptText::ReadLines(folder.PathOf("missing.sql")), std::runtime_error);
}

TEST(ScriptTextTest, ThePackageScriptReadsAsUtf8) {
  const auto lines = TScriptText::ReadLines(VEK_PACKAGE_SCRIPT);
  ASSERT_GT(lines.size(), 3u);
  EXPECT_EQ(lines[1],
            "For at pipewatch-applikasjonen skal fungere, m\xC3\xA5 f\xC3\xB8lgande pakke vere");
}

}  // namespace
}  // namespace vek::vsql
