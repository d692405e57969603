// Encoding of message bodies. Lengths are 32-bit; a text longer than that cannot be sent and
// is refused here rather than silently cut.
#include "devdb/protocol/PayloadWriter.h"

#include <algorithm>

#include "devdb/protocol/ProtocolError.h"

namespace devdb::protocol {

void PayloadWriter::Grow(std::size_t bytes) {
  data_.resize(std::max(size_ + bytes, 2 * data_.size()));
}

void PayloadWriter::Text(const std::string& text) {
  if (text.size() > UINT32_MAX) throw ProtocolError("text too long for one field");
  LengthAndBytes(text.data(), text.size());
}

void PayloadWriter::Bytes(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > UINT32_MAX) throw ProtocolError("byte string too long for one field");
  LengthAndBytes(bytes.data(), bytes.size());
}

void PayloadWriter::Value(const WireValue& value) {
  U8(static_cast<std::uint8_t>(value.kind));
  switch (value.kind) {
    case WireValue::Kind::Null: break;
    case WireValue::Kind::Number:
    case WireValue::Kind::Text:
    case WireValue::Kind::Rowid: Text(value.text); break;
    case WireValue::Kind::Raw: Bytes(value.bytes); break;
    case WireValue::Kind::Date:
      I32(value.date.year);
      U8(static_cast<std::uint8_t>(value.date.month));
      U8(static_cast<std::uint8_t>(value.date.day));
      U8(static_cast<std::uint8_t>(value.date.hour));
      U8(static_cast<std::uint8_t>(value.date.minute));
      U8(static_cast<std::uint8_t>(value.date.second));
      break;
  }
}

void PayloadWriter::Error(const WireError& error) {
  I32(error.code);
  Text(error.message);
  I32(error.offset);
}

void PayloadWriter::Column(const WireColumn& column) {
  Text(column.name);
  I32(column.oracleType);
  I32(column.dataSize);
  I32(column.precision);
  I32(column.scale);
  Bool(column.nullable);
}

}  // namespace devdb::protocol
