// Windows-1252 to UTF-8 and back, including the typographic range 0x80..0x9F.
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace vek {
namespace {

TEST(TextEncoding, DecodesLatinAndTypographicBytes) {
  EXPECT_EQ(Windows1252ToUtf8("m\xE5 f\xF8lgande \xC6"), "må følgande Æ");
  EXPECT_EQ(Windows1252ToUtf8("\x80 \x93quoted\x94 \x85"), "€ “quoted” …");
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");  // undefined byte
}

TEST(TextEncoding, EncodesBackAndMarksWhatHasNoByte) {
  EXPECT_EQ(Utf8ToWindows1252("må følgande € “x”"), "m\xE5 f\xF8lgande \x80 \x93x\x94");
  EXPECT_EQ(Utf8ToWindows1252("漢"), "?");
  EXPECT_EQ(Utf8ToWindows1252("\xC3"), "?");  // cut sequence
}

}  // namespace
}  // namespace vek
