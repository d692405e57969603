// The conversions between the server's values (numbers as decimal text, texts, 7-field
// dates, raw bytes, ROWID texts) and the external types a program binds and defines:
// integers (3), floats (4), texts (1, 5, 96, 97), LONG (8), the 7-byte DATE (12), RAW and
// LONG RAW (23, 24), with Oracle's text forms of numbers, dates and RAW. Errors are raised
// as Oracle errors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devdb/oci/OciTypes.h"
#include "devdb/protocol/WireTypes.h"

namespace devdb::oci {

class ValueConverter {
 public:
  // What writing one value into a host buffer left for the indicator, the returned length
  // and the column return code.
  struct Written {
    sb2 indicator = 0;  // 0, -1 null, >0 or -2 truncated (the original length)
    ub4 length = 0;     // bytes written
    ub2 code = 0;       // 0, 1405 null, 1406 truncated
  };

  // Writes value into capacity bytes at buffer as external type `type`. Raises ORA-01722
  // for a text that is no number, ORA-01455 for an integer overflow, ORA-01460 for a
  // conversion Oracle does not make.
  static Written ToExternal(const protocol::WireValue& value, ub2 type, void* buffer,
                            std::size_t capacity, const std::string& dateFormat);

  // Reads `length` bytes of external type `type`. An empty text or RAW is NULL, as in Oracle.
  static protocol::WireValue FromExternal(ub2 type, const void* buffer, std::size_t length);

  // The bytes a character or binary type receives for the value (LONG pieces are cut from it).
  static std::vector<std::uint8_t> ExternalBytes(const protocol::WireValue& value, ub2 type,
                                                 const std::string& dateFormat);

  static bool IsTextType(ub2 type);
  static bool IsBinaryType(ub2 type);

  // Oracle's text of a number without format: "0.5" -> ".5", "-0.5" -> "-.5".
  static std::string NumberText(const std::string& canonical);
  static std::string HexText(const std::vector<std::uint8_t>& bytes);
  static std::vector<std::uint8_t> HexBytes(const std::string& text);  // ORA-01465 when not hex
  static void EncodeDate(const protocol::WireDate& date, ub1 out[7]);
  static protocol::WireDate DecodeDate(const ub1 in[7]);
};

}  // namespace devdb::oci
