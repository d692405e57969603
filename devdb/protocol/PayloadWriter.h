// Builds the body of one message: big-endian integers, length-prefixed texts and byte strings,
// and the tagged values that carry column and bind data. The counterpart of PayloadReader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devdb/protocol/WireTypes.h"

namespace devdb::protocol {

class PayloadWriter {
 public:
  // Most messages are small: one allocation up front instead of a growth step per field.
  PayloadWriter() { data_.reserve(kInitialCapacity); }

  void U8(std::uint8_t value);
  void U16(std::uint16_t value);
  void U32(std::uint32_t value);
  void U64(std::uint64_t value);
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  void I64(std::int64_t value) { U64(static_cast<std::uint64_t>(value)); }
  void Bool(bool value) { U8(value ? 1 : 0); }
  void Text(const std::string& text);
  void Bytes(const std::vector<std::uint8_t>& bytes);
  void Value(const WireValue& value);
  void Error(const WireError& error);
  void Column(const WireColumn& column);

  const std::vector<std::uint8_t>& Data() const { return data_; }
  std::vector<std::uint8_t> Take() { return std::move(data_); }

 private:
  static constexpr std::size_t kInitialCapacity = 512;
  std::vector<std::uint8_t> data_;
};

}  // namespace devdb::protocol
