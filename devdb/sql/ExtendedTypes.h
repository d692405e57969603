// The column types that came after Oracle 7's: TIMESTAMP, TIMESTAMP WITH TIME ZONE and
// BINARY_DOUBLE. How describe reports them, how SQLite stores them (sortable text for the
// timestamps, a REAL for the double), the SYSTIMESTAMP function, and the text a value reads
// as, in Oracle's default formats.
#pragma once

#include <sqlite3.h>

#include <string>

#include "devdb/sql/OracleErrors.h"
#include "devdb/sql/SessionState.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class ExtendedTypes {
 public:
  // Type codes and data sizes as Oracle's describe reports them.
  static constexpr int kTimestamp = 180;
  static constexpr int kTimestampWithTimeZone = 181;
  static constexpr int kBinaryDouble = 101;
  static constexpr int kTimestampSize = 11;
  static constexpr int kTimestampWithTimeZoneSize = 13;
  static constexpr int kBinaryDoubleSize = 8;
  // The longest text a value of one of these types reads as: nine fractional digits and the
  // offset for the timestamps, seventeen digits and a three-digit exponent for the double.
  // Expressions that turn a value into text are described with this size.
  static int TextLength(int oracleType) {
    return oracleType == kTimestamp ? 31 : oracleType == kTimestampWithTimeZone ? 38 : 24;
  }
  // Fractional digits of a TIMESTAMP without a precision, and of SYSTIMESTAMP.
  static constexpr int kDefaultFractionalDigits = 6;

  // The system clock as Oracle reads it on this platform: the local date and time to the
  // microsecond, with the local offset from UTC. SQL's SYSTIMESTAMP and PL/SQL's read it.
  struct ClockReading {
    OracleDate date;
    long nanoseconds = 0;
    int offsetMinutes = 0;  // east of UTC
  };
  static ClockReading ReadClock();

  static bool Handles(int oracleType) {
    return oracleType == kTimestamp || oracleType == kTimestampWithTimeZone ||
           oracleType == kBinaryDouble;
  }
  // The fractional precision travels in the scale, as OCI_ATTR_SCALE reports it.
  static ColumnDescription Timestamp(int fractionalDigits);
  static ColumnDescription TimestampWithTimeZone(int fractionalDigits);
  static ColumnDescription BinaryDouble();
  // ORA-30088 for a fractional precision outside 0 to 9.
  static SqlError PrecisionOutOfRange(int offset) {
    return OracleErrors::At(texts::kDatetimePrecisionOutOfRange, offset);
  }

  // The SQL that stores `source` into a column of one of these types. sourceKind: 'S' a
  // value in the stored form of a timestamp or a DATE, 'N' a number, 'T' text. The caller
  // refuses the kinds a type does not take (a number for a timestamp, a date for a double).
  static std::string StoreSql(const std::string& source, char sourceKind,
                              const ColumnDescription& column);
  static std::string SystimestampSql() { return "ora_systimestamp()"; }
  // The SQL that turns a value of one of these types into its text (the text ColumnValue gives).
  static std::string TextSql(const std::string& source, const ColumnDescription& type) {
    return "ora_extended_text(" + source + ", " + std::to_string(type.oracleType) + ", " +
           std::to_string(type.scale) + ")";
  }

  // A stored value as the program reads it: the timestamps in NLS_TIMESTAMP_FORMAT
  // 'DD-MON-RR HH.MI.SSXFF AM' (and ' TZR' with the time zone), a double as 1.5E+000.
  static Value ColumnValue(sqlite3_stmt* statement, int column, const ColumnDescription& type);
  static std::string TimestampText(const std::string& stored, bool withTimeZone,
                                   int fractionalDigits);
  static std::string BinaryDoubleText(double value);

  // ora_systimestamp() and the store functions, on one session's connection.
  static void Register(sqlite3* db, SessionState& state);
};

}  // namespace devdb::sql
