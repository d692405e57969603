// The tagged value that crosses the access layer's interfaces: bind variables, column
// values, package parameters and the listener's item lists. One-dimensional arrays carry
// their own low bound, as the client interface's index-by tables and pipe items need.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/DateTime.h"

namespace vek {

enum class VariantKind {
  vkUnassigned,
  vkNull,
  vkInteger,
  vkDouble,
  vkDateTime,
  vkString,
  vkBoolean,
  vkByte,
  vkByteArray,
  vkArray,
};

class VariantError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Variant;

struct VariantArray {
  int lowBound = 0;
  std::vector<Variant> elements;

  int HighBound() const { return lowBound + static_cast<int>(elements.size()) - 1; }
};

class Variant {
 public:
  Variant() = default;  // unassigned

  static Variant Null();
  static Variant FromDateTime(TDateTime value);
  static Variant FromByte(std::uint8_t value);
  static Variant FromBytes(std::vector<std::uint8_t> bytes);
  static Variant Array(int lowBound, std::vector<Variant> elements);
  // An array of count unassigned elements, indexed lowBound .. lowBound + count - 1.
  static Variant Array(int lowBound, int count);

  Variant(std::int32_t value);
  Variant(double value);
  Variant(bool value);
  Variant(std::string value);
  Variant(const char* value);

  VariantKind Kind() const { return kind_; }
  bool IsUnassigned() const { return kind_ == VariantKind::vkUnassigned; }
  bool IsNull() const { return kind_ == VariantKind::vkNull; }
  // Unassigned or null: what the layer treats as "no value".
  bool IsEmpty() const { return IsUnassigned() || IsNull(); }
  bool IsArray() const { return kind_ == VariantKind::vkArray; }
  bool IsNumeric() const;

  // Strict readers: throw VariantError when the kind does not match (numeric kinds convert
  // among themselves; a string converts when it holds a number in the C locale).
  std::int32_t AsInteger() const;
  double AsDouble() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  const std::string& AsString() const;
  std::uint8_t AsByte() const;
  const std::vector<std::uint8_t>& AsBytes() const;

  // Array access; indices are in the array's own bounds.
  int LowBound() const;
  int HighBound() const;
  const Variant& Element(int index) const;
  Variant& Element(int index);
  const VariantArray& AsArray() const;
  VariantArray& AsArray();

  bool operator==(const Variant& other) const;

 private:
  using Storage = std::variant<std::monostate, std::int32_t, double, bool, std::string,
                               std::uint8_t, std::vector<std::uint8_t>,
                               std::shared_ptr<VariantArray>>;

  Variant(VariantKind kind, Storage storage) : kind_(kind), storage_(std::move(storage)) {}
  void MakeArrayUnique();

  VariantKind kind_ = VariantKind::vkUnassigned;
  Storage storage_;
};

const char* VariantKindName(VariantKind kind);

}  // namespace vek
