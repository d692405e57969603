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

  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::uint64_t U64();
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
  bool Bool();
  std::string Text();
  std::vector<std::uint8_t> Bytes();
  WireValue Value();
  WireError Error();
  WireColumn Column();
  // A count of items that take at least minimumItemSize bytes each; refuses counts that the
  // remaining bytes cannot hold.
  std::uint32_t Count(std::size_t minimumItemSize);

  std::size_t Remaining() const { return data_.size() - position_; }
  // Ends the message: surplus bytes are as wrong as missing ones.
  void Finish() const;

 private:
  void Need(std::size_t bytes) const;

  std::span<const std::uint8_t> data_;
  std::size_t position_ = 0;
};

}  // namespace devdb::protocol
