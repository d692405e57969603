// Decoding of message bodies with a bounds check before every read.
#include "devdb/protocol/PayloadReader.h"

#include "devdb/protocol/ProtocolError.h"

namespace devdb::protocol {

void PayloadReader::Truncated() { throw ProtocolError("message truncated"); }

void PayloadReader::NotABoolean() { throw ProtocolError("boolean field is neither 0 nor 1"); }

void PayloadReader::CountTooLarge() {
  throw ProtocolError("item count larger than the message can hold");
}

std::vector<std::uint8_t> PayloadReader::Bytes() {
  const std::uint32_t length = U32();
  Need(length);
  std::vector<std::uint8_t> bytes(Here(), Here() + length);
  position_ += length;
  return bytes;
}

void PayloadReader::ValueInto(WireValue& value) {
  const std::uint8_t kind = U8();
  switch (kind) {
    case static_cast<std::uint8_t>(WireValue::Kind::Null): return;
    case static_cast<std::uint8_t>(WireValue::Kind::Number):
    case static_cast<std::uint8_t>(WireValue::Kind::Text):
    case static_cast<std::uint8_t>(WireValue::Kind::Rowid):
      value.kind = static_cast<WireValue::Kind>(kind);
      TextInto(value.text);
      return;
    case static_cast<std::uint8_t>(WireValue::Kind::Raw):
      value.kind = WireValue::Kind::Raw;
      value.bytes = Bytes();
      return;
    case static_cast<std::uint8_t>(WireValue::Kind::Date):
      value.kind = WireValue::Kind::Date;
      value.date.year = I32();
      value.date.month = U8();
      value.date.day = U8();
      value.date.hour = U8();
      value.date.minute = U8();
      value.date.second = U8();
      return;
    default: throw ProtocolError("unknown value kind " + std::to_string(kind));
  }
}

WireError PayloadReader::Error() {
  WireError error;
  error.code = I32();
  TextInto(error.message);
  error.offset = I32();
  return error;
}

WireColumn PayloadReader::Column() {
  WireColumn column;
  TextInto(column.name);
  column.oracleType = I32();
  column.dataSize = I32();
  column.precision = I32();
  column.scale = I32();
  column.nullable = Bool();
  return column;
}

void PayloadReader::Finish() const {
  if (Remaining() != 0) throw ProtocolError("surplus bytes after the last field");
}

}  // namespace devdb::protocol
