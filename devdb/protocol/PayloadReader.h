// Reads the body of one message field by field. Every read checks the bytes that remain, and
// every count is checked against them before anything is allocated, so that a hostile length
// ends in a ProtocolError instead of a huge allocation or a read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "devdb/protocol/WireTypes.h"

namespace devdb::protocol {

class PayloadReader {
 public:
  explicit PayloadReader(std::span<const std::uint8_t> data) : data_(data) {}

  // The fixed-size reads are here, in the header, because a message is mostly made of them
  // and a call each would cost more than the read itself.
  std::uint8_t U8() {
    Need(1);
    return data_[position_++];
  }
  std::uint16_t U16() {
    Need(2);
    const std::uint8_t* at = Here();
    position_ += 2;
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
  }
  std::uint32_t U32() {
    Need(4);
    const std::uint8_t* at = Here();
    position_ += 4;
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) |
           (std::uint32_t{at[2]} << 8) | std::uint32_t{at[3]};
  }
  std::uint64_t U64() {
    const std::uint64_t high = U32();
    return (high << 32) | U32();
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
  bool Bool() {
    const std::uint8_t value = U8();
    if (value > 1) NotABoolean();
    return value == 1;
  }
  std::string Text() {
    std::string text;
    TextInto(text);
    return text;
  }
  // Reads a text field into a string that already exists, reusing its storage.
  void TextInto(std::string& text) {
    const std::uint32_t length = U32();
    Need(length);
    text.assign(reinterpret_cast<const char*>(Here()), length);
    position_ += length;
  }
  std::vector<std::uint8_t> Bytes();
  WireValue Value() {
    WireValue value;
    ValueInto(value);
    return value;
  }
  // Reads a value into a default (null) value, so that a list of values is filled in place.
  void ValueInto(WireValue& value);
  WireError Error();
  WireColumn Column();
  // A count of items that take at least minimumItemSize bytes each; refuses counts that the
  // remaining bytes cannot hold.
  std::uint32_t Count(std::size_t minimumItemSize) {
    const std::uint32_t count = U32();
    if (minimumItemSize > 0 && count > Remaining() / minimumItemSize) CountTooLarge();
    return count;
  }

  std::size_t Remaining() const { return data_.size() - position_; }
  // Ends the message: surplus bytes are as wrong as missing ones.
  void Finish() const;

 private:
  void Need(std::size_t bytes) const {
    if (bytes > Remaining()) Truncated();
  }
  const std::uint8_t* Here() const { return data_.data() + position_; }
  // The throws stay out of line, so that the reads around them stay small.
  [[noreturn]] static void Truncated();
  [[noreturn]] static void NotABoolean();
  [[noreturn]] static void CountTooLarge();

  std::span<const std::uint8_t> data_;
  std::size_t position_ = 0;
};

}  // namespace devdb::protocol
