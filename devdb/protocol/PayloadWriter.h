// Builds the body of one message: big-endian integers, length-prefixed texts and byte strings,
// and the tagged values that carry column and bind data. The counterpart of PayloadReader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "devdb/protocol/WireTypes.h"

namespace devdb::protocol {

class PayloadWriter {
 public:
  // Most messages are small: one allocation up front instead of a growth step per field.
  PayloadWriter() : data_(kInitialCapacity) {}

  // The fixed-size writes are here, in the header, because a message is mostly made of them
  // and a call each would cost more than the write itself.
  void U8(std::uint8_t value) { *Room(1) = value; }
  void U16(std::uint16_t value) {
    std::uint8_t* at = Room(2);
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
  }
  void U32(std::uint32_t value) {
    std::uint8_t* at = Room(4);
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
  }
  void U64(std::uint64_t value) {
    U32(static_cast<std::uint32_t>(value >> 32));
    U32(static_cast<std::uint32_t>(value));
  }
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  void I64(std::int64_t value) { U64(static_cast<std::uint64_t>(value)); }
  void Bool(bool value) { U8(value ? 1 : 0); }
  void Text(const std::string& text);
  void Bytes(const std::vector<std::uint8_t>& bytes);
  void Value(const WireValue& value);
  void Error(const WireError& error);
  void Column(const WireColumn& column);

  // The body written so far; the writer is empty afterwards.
  std::vector<std::uint8_t> Take() {
    data_.resize(size_);
    size_ = 0;
    return std::move(data_);
  }

 private:
  static constexpr std::size_t kInitialCapacity = 512;

  // Where the next bytes go. data_ is kept as long as its storage and size_ counts the bytes
  // written, so that a field is stored without a growth check inside the vector each time.
  std::uint8_t* Room(std::size_t bytes) {
    if (bytes > data_.size() - size_) Grow(bytes);
    std::uint8_t* at = data_.data() + size_;
    size_ += bytes;
    return at;
  }
  void Grow(std::size_t bytes);
  void LengthAndBytes(const void* bytes, std::size_t length) {
    U32(static_cast<std::uint32_t>(length));
    if (length > 0) std::memcpy(Room(length), bytes, length);
  }

  std::vector<std::uint8_t> data_;
  std::size_t size_ = 0;
};

}  // namespace devdb::protocol
