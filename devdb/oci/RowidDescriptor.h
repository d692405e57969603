// A ROWID descriptor. Its memory has the layout programs written for genuine 8.1 and later
// clients read directly: the third 32-bit word holds a pointer to a byte block whose bytes
// 1-4 are the data object number, 5-6 the file number, 7-10 the block number and 11-12 the
// row number, each most significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

class RowidDescriptor {
 public:
  RowidDescriptor() { std::memset(block_, 0, sizeof block_); }
  RowidDescriptor(const RowidDescriptor&) = delete;
  RowidDescriptor& operator=(const RowidDescriptor&) = delete;

  void Set(ub4 object, ub2 file, ub4 blockNumber, ub2 row) {
    block_[0] = 1;
    Put(1, object, 4);
    Put(5, file, 2);
    Put(7, blockNumber, 4);
    Put(11, row, 2);
    pointer_ = block_;
  }
  // The four numbers of an 18-character extended ROWID: data object number in six base-64
  // digits, file number in three, block number in six, row number in three. False for any
  // other text.
  struct Numbers {
    ub4 object = 0;
    ub2 file = 0;
    ub4 block = 0;
    ub2 row = 0;
  };
  static bool Decode(const std::string& text, Numbers& numbers) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() != 18) return false;
    std::uint64_t fields[4] = {};
    constexpr std::size_t kWidths[4] = {6, 3, 6, 3};
    std::size_t at = 0;
    for (int field = 0; field < 4; ++field) {
      for (std::size_t k = 0; k < kWidths[field]; ++k, ++at) {
        const char* digit = std::strchr(kDigits, text[at]);
        if (digit == nullptr || *digit == '\0') return false;
        fields[field] = fields[field] * 64 + static_cast<std::uint64_t>(digit - kDigits);
      }
    }
    numbers = {static_cast<ub4>(fields[0]), static_cast<ub2>(fields[1]),
               static_cast<ub4>(fields[2]), static_cast<ub2>(fields[3])};
    return true;
  }

  // Holds the ROWID of the text, or "no ROWID" when the text is none.
  void SetText(const std::string& text) {
    Numbers numbers;
    if (Decode(text, numbers))
      Set(numbers.object, numbers.file, numbers.block, numbers.row);
    else
      Clear();
  }
  void Clear() {
    std::memset(block_, 0, sizeof block_);
    pointer_ = nullptr;
  }
  const ub1* Block() const { return pointer_; }

  // The text Oracle shows for the ROWID: 18 base-64 characters, or the restricted form
  // BBBBBBBB.RRRR.FFFF (hexadecimal block, row, file) when the data object number is 0.
  std::string Text() const {
    auto number = [this](int at, int bytes) {
      ub4 value = 0;
      for (int i = 0; i < bytes; ++i) value = (value << 8) | block_[at + i];
      return value;
    };
    const ub4 object = number(1, 4), file = number(5, 2), blockNumber = number(7, 4),
              row = number(11, 2);
    if (object == 0) {
      char text[32];
      std::snprintf(text, sizeof text, "%08X.%04X.%04X", blockNumber, row, file);
      return text;
    }
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    auto put = [&](ub4 value, int width) {
      std::string part(static_cast<std::size_t>(width), 'A');
      for (int i = width - 1; i >= 0; --i, value /= 64) part[static_cast<std::size_t>(i)] = kDigits[value % 64];
      text += part;
    };
    put(object, 6);
    put(file, 3);
    put(blockNumber, 6);
    put(row, 3);
    return text;
  }

 private:
  void Put(int at, ub4 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
      block_[at + i] = static_cast<ub1>(value & 0xFF);
      value >>= 8;
    }
  }

  ub4 reserved_[2] = {0x524F5744, OCI_DTYPE_ROWID};  // words one and two
  ub1* pointer_ = nullptr;                           // word three
  ub1 block_[16];
};

}  // namespace devdb::oci
