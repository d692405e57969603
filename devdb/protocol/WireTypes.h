// The data records that travel inside messages: values, errors and column descriptions.
// They have the same shape as the engine's records so that the server converts field by
// field, yet the client side never needs the engine's headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace devdb::protocol {

struct WireDate {
  int year = 1;  // negative for BC
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const WireDate&) const = default;
};

// Numbers travel as decimal text ("-12.5", "1E+40") so that no precision is lost on the way.
struct WireValue {
  enum class Kind : std::uint8_t { Null = 0, Number = 1, Text = 2, Date = 3, Raw = 4, Rowid = 5 };
  Kind kind = Kind::Null;
  std::string text;                 // Number, Text, Rowid
  std::vector<std::uint8_t> bytes;  // Raw
  WireDate date;                    // Date

  static WireValue Null() { return {}; }
  static WireValue Number(std::string decimal) { return Make(Kind::Number, std::move(decimal)); }
  static WireValue Text(std::string text) { return Make(Kind::Text, std::move(text)); }
  static WireValue Rowid(std::string text) { return Make(Kind::Rowid, std::move(text)); }
  static WireValue Date(const WireDate& date) {
    WireValue v;
    v.kind = Kind::Date;
    v.date = date;
    return v;
  }
  static WireValue Raw(std::vector<std::uint8_t> bytes) {
    WireValue v;
    v.kind = Kind::Raw;
    v.bytes = std::move(bytes);
    return v;
  }
  bool IsNull() const { return kind == Kind::Null; }
  bool operator==(const WireValue&) const = default;

 private:
  static WireValue Make(Kind kind, std::string text) {
    WireValue v;
    v.kind = kind;
    v.text = std::move(text);
    return v;
  }
};

// An Oracle error or warning: code 942, message "ORA-00942: table or view does not exist",
// offset the 0-based parse error offset (0 when the error was not found while parsing).
// Code 0 means "none".
struct WireError {
  std::int32_t code = 0;
  std::string message;
  std::int32_t offset = 0;
  bool operator==(const WireError&) const = default;
};

struct WireColumn {
  std::string name;
  std::int32_t oracleType = 1;
  std::int32_t dataSize = 0;
  std::int32_t precision = 0;
  std::int32_t scale = 0;
  bool nullable = true;
  bool operator==(const WireColumn&) const = default;
};

using WireRow = std::vector<WireValue>;

}  // namespace devdb::protocol
