// The variant value: kinds, strict readers, arrays with their own low bound and
// copy-on-write sharing.
#include "platform/Variant.h"

#include <gtest/gtest.h>

namespace vek {
namespace {

TEST(Variant, EachConstructorGivesItsKind) {
  EXPECT_EQ(Variant().Kind(), VariantKind::vkUnassigned);
  EXPECT_EQ(Variant::Null().Kind(), VariantKind::vkNull);
  EXPECT_EQ(Variant(std::int32_t{7}).Kind(), VariantKind::vkInteger);
  EXPECT_EQ(Variant(2.5).Kind(), VariantKind::vkDouble);
  EXPECT_EQ(Variant::FromDateTime(1.0).Kind(), VariantKind::vkDateTime);
  EXPECT_EQ(Variant("x").Kind(), VariantKind::vkString);
  EXPECT_EQ(Variant(true).Kind(), VariantKind::vkBoolean);
  EXPECT_EQ(Variant::FromByte(3).Kind(), VariantKind::vkByte);
  EXPECT_EQ(Variant::FromBytes({1, 2}).Kind(), VariantKind::vkByteArray);
  EXPECT_EQ(Variant::Array(0, 2).Kind(), VariantKind::vkArray);
}

TEST(Variant, NumbersConvertAmongThemselvesAndFromNumericText) {
  EXPECT_EQ(Variant(2.6).AsInteger(), 3);
  EXPECT_DOUBLE_EQ(Variant(std::int32_t{4}).AsDouble(), 4.0);
  EXPECT_DOUBLE_EQ(Variant(" 12.5 ").AsDouble(), 12.5);
  EXPECT_EQ(Variant::FromByte(200).AsInteger(), 200);
  EXPECT_THROW(Variant("12,5").AsDouble(), VariantError);
  EXPECT_THROW(Variant(3e10).AsInteger(), VariantError);
  EXPECT_THROW(Variant::Null().AsInteger(), VariantError);
  EXPECT_THROW(Variant(std::int32_t{1}).AsString(), VariantError);
}

TEST(Variant, ArrayHasItsOwnBoundsAndRejectsIndicesOutsideThem) {
  Variant array = Variant::Array(1, {Variant("a"), Variant("b"), Variant("c")});
  EXPECT_EQ(array.LowBound(), 1);
  EXPECT_EQ(array.HighBound(), 3);
  EXPECT_EQ(array.Element(3).AsString(), "c");
  EXPECT_THROW(array.Element(0), VariantError);
  EXPECT_THROW(array.Element(4), VariantError);
  EXPECT_EQ(Variant::Array(0, 0).HighBound(), -1);
  EXPECT_THROW(Variant("x").LowBound(), VariantError);
}

TEST(Variant, CopiedArrayIsIndependentOfTheOriginal) {
  Variant original = Variant::Array(0, {Variant(std::int32_t{1})});
  Variant copy = original;
  copy.Element(0) = Variant("changed");
  EXPECT_EQ(original.Element(0).AsInteger(), 1);
  EXPECT_EQ(copy.Element(0).AsString(), "changed");
  EXPECT_FALSE(original == copy);
}

}  // namespace
}  // namespace vek
