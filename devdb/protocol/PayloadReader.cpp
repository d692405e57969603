// Decoding of message bodies with a bounds check before every read.
#include "devdb/protocol/PayloadReader.h"

#include "devdb/protocol/ProtocolError.h"

namespace devdb::protocol {

void PayloadReader::Need(std::size_t bytes) const {
  if (bytes > Remaining()) throw ProtocolError("message truncated");
}

std::uint8_t PayloadReader::U8() {
  Need(1);
  return data_[position_++];
}

std::uint16_t PayloadReader::U16() {
  Need(2);
  std::uint16_t value = static_cast<std::uint16_t>((data_[position_] << 8) | data_[position_ + 1]);
  position_ += 2;
  return value;
}

std::uint32_t PayloadReader::U32() {
  Need(4);
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | data_[position_ + i];
  position_ += 4;
  return value;
}

std::uint64_t PayloadReader::U64() {
  Need(8);
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = (value << 8) | data_[position_ + i];
  position_ += 8;
  return value;
}

bool PayloadReader::Bool() {
  std::uint8_t value = U8();
  if (value > 1) throw ProtocolError("boolean field is neither 0 nor 1");
  return value == 1;
}

std::string PayloadReader::Text() {
  std::uint32_t length = U32();
  Need(length);
  std::string text(reinterpret_cast<const char*>(data_.data() + position_), length);
  position_ += length;
  return text;
}

std::vector<std::uint8_t> PayloadReader::Bytes() {
  std::uint32_t length = U32();
  Need(length);
  std::vector<std::uint8_t> bytes(data_.begin() + static_cast<std::ptrdiff_t>(position_),
                                  data_.begin() + static_cast<std::ptrdiff_t>(position_ + length));
  position_ += length;
  return bytes;
}

WireValue PayloadReader::Value() {
  WireValue value;
  std::uint8_t kind = U8();
  switch (kind) {
    case static_cast<std::uint8_t>(WireValue::Kind::Null): return value;
    case static_cast<std::uint8_t>(WireValue::Kind::Number):
    case static_cast<std::uint8_t>(WireValue::Kind::Text):
    case static_cast<std::uint8_t>(WireValue::Kind::Rowid):
      value.kind = static_cast<WireValue::Kind>(kind);
      value.text = Text();
      return value;
    case static_cast<std::uint8_t>(WireValue::Kind::Raw):
      value.kind = WireValue::Kind::Raw;
      value.bytes = Bytes();
      return value;
    case static_cast<std::uint8_t>(WireValue::Kind::Date):
      value.kind = WireValue::Kind::Date;
      value.date.year = I32();
      value.date.month = U8();
      value.date.day = U8();
      value.date.hour = U8();
      value.date.minute = U8();
      value.date.second = U8();
      return value;
    default: throw ProtocolError("unknown value kind " + std::to_string(kind));
  }
}

WireError PayloadReader::Error() {
  WireError error;
  error.code = I32();
  error.message = Text();
  error.offset = I32();
  return error;
}

WireColumn PayloadReader::Column() {
  WireColumn column;
  column.name = Text();
  column.oracleType = I32();
  column.dataSize = I32();
  column.precision = I32();
  column.scale = I32();
  column.nullable = Bool();
  return column;
}

std::uint32_t PayloadReader::Count(std::size_t minimumItemSize) {
  std::uint32_t count = U32();
  if (minimumItemSize > 0 && count > Remaining() / minimumItemSize)
    throw ProtocolError("item count larger than the message can hold");
  return count;
}

void PayloadReader::Finish() const {
  if (Remaining() != 0) throw ProtocolError("surplus bytes after the last field");
}

}  // namespace devdb::protocol
