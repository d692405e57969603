// Encoding of message bodies. Lengths are 32-bit; a text longer than that cannot be sent and
// is refused here rather than silently cut.
#include "devdb/protocol/PayloadWriter.h"

#include "devdb/protocol/ProtocolError.h"

namespace devdb::protocol {

void PayloadWriter::U8(std::uint8_t value) { data_.push_back(value); }

void PayloadWriter::U16(std::uint16_t value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value)};
  data_.insert(data_.end(), bytes, bytes + 2);
}

void PayloadWriter::U32(std::uint32_t value) {
  const std::uint8_t bytes[4] = {
      static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
      static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  data_.insert(data_.end(), bytes, bytes + 4);
}

void PayloadWriter::U64(std::uint64_t value) {
  U32(static_cast<std::uint32_t>(value >> 32));
  U32(static_cast<std::uint32_t>(value));
}

void PayloadWriter::Text(const std::string& text) {
  if (text.size() > UINT32_MAX) throw ProtocolError("text too long for one field");
  U32(static_cast<std::uint32_t>(text.size()));
  data_.insert(data_.end(), text.begin(), text.end());
}

void PayloadWriter::Bytes(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > UINT32_MAX) throw ProtocolError("byte string too long for one field");
  U32(static_cast<std::uint32_t>(bytes.size()));
  data_.insert(data_.end(), bytes.begin(), bytes.end());
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
