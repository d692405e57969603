// The variant value. Arrays are shared on copy and copied on the first write, so that
// item lists handed between threads stay cheap and never alias a writer.
#include "platform/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vek {
namespace {

VariantError KindError(VariantKind have, const char* wanted) {
  return VariantError(std::string("Could not convert variant of type (") +
                      VariantKindName(have) + ") into type (" + wanted + ")");
}

}  // namespace

const char* VariantKindName(VariantKind kind) {
  switch (kind) {
    case VariantKind::vkUnassigned: return "Unassigned";
    case VariantKind::vkNull: return "Null";
    case VariantKind::vkInteger: return "Integer";
    case VariantKind::vkDouble: return "Double";
    case VariantKind::vkDateTime: return "Date";
    case VariantKind::vkString: return "String";
    case VariantKind::vkBoolean: return "Boolean";
    case VariantKind::vkByte: return "Byte";
    case VariantKind::vkByteArray: return "Array of Byte";
    case VariantKind::vkArray: return "Array of Variant";
  }
  return "Unknown";
}

Variant Variant::Null() { return Variant(VariantKind::vkNull, std::monostate{}); }
Variant Variant::FromDateTime(TDateTime value) { return Variant(VariantKind::vkDateTime, value); }
Variant Variant::FromByte(std::uint8_t value) { return Variant(VariantKind::vkByte, value); }
Variant Variant::FromBytes(std::vector<std::uint8_t> bytes) {
  return Variant(VariantKind::vkByteArray, std::move(bytes));
}
Variant Variant::Array(int lowBound, std::vector<Variant> elements) {
  auto array = std::make_shared<VariantArray>();
  array->lowBound = lowBound;
  array->elements = std::move(elements);
  return Variant(VariantKind::vkArray, std::move(array));
}
Variant Variant::Array(int lowBound, int count) {
  if (count < 0) throw VariantError("Negative array element count");
  return Array(lowBound, std::vector<Variant>(static_cast<std::size_t>(count)));
}

Variant::Variant(std::int32_t value) : kind_(VariantKind::vkInteger), storage_(value) {}
Variant::Variant(double value) : kind_(VariantKind::vkDouble), storage_(value) {}
Variant::Variant(bool value) : kind_(VariantKind::vkBoolean), storage_(value) {}
Variant::Variant(std::string value) : kind_(VariantKind::vkString), storage_(std::move(value)) {}
Variant::Variant(const char* value) : Variant(std::string(value)) {}

bool Variant::IsNumeric() const {
  return kind_ == VariantKind::vkInteger || kind_ == VariantKind::vkDouble ||
         kind_ == VariantKind::vkByte;
}

std::int32_t Variant::AsInteger() const {
  switch (kind_) {
    case VariantKind::vkInteger: return std::get<std::int32_t>(storage_);
    case VariantKind::vkByte: return std::get<std::uint8_t>(storage_);
    case VariantKind::vkBoolean: return std::get<bool>(storage_) ? -1 : 0;
    case VariantKind::vkDouble:
    case VariantKind::vkDateTime:
    case VariantKind::vkString: {
      const double value = AsDouble();
      const double rounded = std::nearbyint(value);
      if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
            rounded <= std::numeric_limits<std::int32_t>::max())) {
        throw VariantError("Variant value out of range for an integer");
      }
      return static_cast<std::int32_t>(rounded);
    }
    default: throw KindError(kind_, "Integer");
  }
}

double Variant::AsDouble() const {
  switch (kind_) {
    case VariantKind::vkInteger: return std::get<std::int32_t>(storage_);
    case VariantKind::vkByte: return std::get<std::uint8_t>(storage_);
    case VariantKind::vkDouble:
    case VariantKind::vkDateTime: return std::get<double>(storage_);
    case VariantKind::vkBoolean: return std::get<bool>(storage_) ? -1.0 : 0.0;
    case VariantKind::vkString: {
      const std::string& text = std::get<std::string>(storage_);
      double value = 0;
      const char* begin = text.data();
      const char* end = begin + text.size();
      while (begin < end && *begin == ' ') ++begin;
      while (end > begin && end[-1] == ' ') --end;
      if (begin < end && *begin == '+') ++begin;
      const auto result = std::from_chars(begin, end, value);
      if (begin == end || result.ec != std::errc() || result.ptr != end) {
        throw VariantError("Could not convert variant of type (String) into type (Double)");
      }
      return value;
    }
    default: throw KindError(kind_, "Double");
  }
}

TDateTime Variant::AsDateTime() const {
  if (kind_ == VariantKind::vkDateTime) return std::get<double>(storage_);
  if (IsNumeric()) return AsDouble();
  throw KindError(kind_, "Date");
}

bool Variant::AsBoolean() const {
  switch (kind_) {
    case VariantKind::vkBoolean: return std::get<bool>(storage_);
    case VariantKind::vkInteger:
    case VariantKind::vkByte:
    case VariantKind::vkDouble: return AsDouble() != 0;
    default: throw KindError(kind_, "Boolean");
  }
}

const std::string& Variant::AsString() const {
  if (kind_ != VariantKind::vkString) throw KindError(kind_, "String");
  return std::get<std::string>(storage_);
}

std::uint8_t Variant::AsByte() const {
  if (kind_ == VariantKind::vkByte) return std::get<std::uint8_t>(storage_);
  const std::int32_t value = AsInteger();
  if (value < 0 || value > 255) throw VariantError("Variant value out of range for a byte");
  return static_cast<std::uint8_t>(value);
}

const std::vector<std::uint8_t>& Variant::AsBytes() const {
  if (kind_ != VariantKind::vkByteArray) throw KindError(kind_, "Array of Byte");
  return std::get<std::vector<std::uint8_t>>(storage_);
}

const VariantArray& Variant::AsArray() const {
  if (kind_ != VariantKind::vkArray) throw VariantError("Variant is not an array");
  return *std::get<std::shared_ptr<VariantArray>>(storage_);
}

VariantArray& Variant::AsArray() {
  if (kind_ != VariantKind::vkArray) throw VariantError("Variant is not an array");
  MakeArrayUnique();
  return *std::get<std::shared_ptr<VariantArray>>(storage_);
}

void Variant::MakeArrayUnique() {
  auto& array = std::get<std::shared_ptr<VariantArray>>(storage_);
  if (array.use_count() > 1) array = std::make_shared<VariantArray>(*array);
}

int Variant::LowBound() const { return AsArray().lowBound; }
int Variant::HighBound() const { return AsArray().HighBound(); }

const Variant& Variant::Element(int index) const {
  const VariantArray& array = AsArray();
  if (index < array.lowBound || index > array.HighBound()) {
    throw VariantError("Variant array index out of bounds");
  }
  return array.elements[static_cast<std::size_t>(index - array.lowBound)];
}

Variant& Variant::Element(int index) {
  VariantArray& array = AsArray();
  if (index < array.lowBound || index > array.HighBound()) {
    throw VariantError("Variant array index out of bounds");
  }
  return array.elements[static_cast<std::size_t>(index - array.lowBound)];
}

bool Variant::operator==(const Variant& other) const {
  if (kind_ != other.kind_) return false;
  if (kind_ == VariantKind::vkArray) {
    const VariantArray& mine = AsArray();
    const VariantArray& theirs = other.AsArray();
    return mine.lowBound == theirs.lowBound && mine.elements == theirs.elements;
  }
  return storage_ == other.storage_;
}

}  // namespace vek
