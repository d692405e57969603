// A PL/SQL run-time value and the declared type a variable holds: Oracle's null semantics
// (an empty string is NULL), the implicit conversions between numbers, text and dates, and
// the length checks that raise VALUE_ERROR.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devdb/sql/SqlEngine.h"

namespace devdb::plsql {

enum class PlType : std::uint8_t { Boolean, Number, Text, Date, Raw, Rowid, Cursor, Timestamp };

// A TIMESTAMP or TIMESTAMP WITH TIME ZONE value.
struct TimestampParts {
  sql::OracleDate date;
  long nanoseconds = 0;
  bool withTimeZone = false;
  int offsetMinutes = 0;     // east of UTC; only WITH TIME ZONE
  int fractionalDigits = 6;  // the precision of the type, which its text shows
};

// The declared type of a variable, parameter or function result.
struct TypeSpec {
  PlType type = PlType::Text;
  int maxLength = 0;       // VARCHAR2(n), CHAR(n), RAW(n); 0 without a limit
  bool isChar = false;     // CHAR(n): blank-padded
  bool isInteger = false;  // INTEGER, PLS_INTEGER: rounded on assignment
  std::string name = "VARCHAR2";
  bool withTimeZone = false;  // TIMESTAMP WITH TIME ZONE
  int fractionalDigits = 6;   // TIMESTAMP(n)
};

class PlValue {
 public:
  PlValue() = default;  // a NULL of type VARCHAR2
  static PlValue Null(PlType type = PlType::Text);
  static PlValue Boolean(bool value);
  static PlValue Number(double value);
  static PlValue Text(std::string value);  // '' becomes NULL
  static PlValue Date(const sql::OracleDate& value);
  static PlValue Timestamp(const TimestampParts& value);
  static PlValue Raw(std::vector<std::uint8_t> value);
  static PlValue Rowid(std::string value);
  static PlValue Cursor(std::shared_ptr<sql::Statement> cursor);
  static PlValue FromSql(const sql::Value& value);

  PlType Type() const { return type_; }
  bool IsNull() const { return isNull_; }
  bool AsBoolean() const { return boolean_; }

  // Conversions raise PlsqlError (ORA-06502 and its variants) where Oracle would.
  double ToNumber() const;
  std::string ToText() const;
  // ToText().size(), without a copy of a value that is text already.
  std::size_t TextLength() const {
    if (isNull_) return 0;
    return type_ == PlType::Text || type_ == PlType::Rowid ? text_.size() : ToText().size();
  }
  sql::OracleDate ToDate() const;  // a timestamp without its fraction
  // A DATE has no fraction and no zone; a text is read in the default format, zone optional.
  TimestampParts ToTimestamp() const;
  std::vector<std::uint8_t> ToRaw() const;
  const std::shared_ptr<sql::Statement>& CursorStatement() const { return cursor_; }
  sql::Value ToSql() const;

  // Oracle's canonical text of a number: "12.5", "-.5", "100".
  static std::string NumberText(double value);
  static std::string DateText(const sql::OracleDate& date, const std::string& format);
  static sql::OracleDate ParseDate(const std::string& text, const std::string& format);
  // TO_CHAR of a timestamp: the DATE elements and FF, FF1..FF9, X, TZH, TZM, TZR.
  static std::string TimestampText(const TimestampParts& value, const std::string& format);
  // The text a timestamp reads as by default, the same as a timestamp column's.
  static std::string TimestampText(const TimestampParts& value);
  // The offset of the server's time zone now, which is the session's time zone.
  static int SessionOffsetMinutes();

  // The value converted to a declared type, with the length and NOT NULL checks.
  static PlValue Assign(const TypeSpec& type, const PlValue& value);

 private:
  PlType type_ = PlType::Text;
  bool isNull_ = true;
  bool boolean_ = false;
  double number_ = 0;
  std::string text_;
  sql::OracleDate date_;
  TimestampParts timestamp_;
  std::vector<std::uint8_t> raw_;
  std::shared_ptr<sql::Statement> cursor_;
};

}  // namespace devdb::plsql
