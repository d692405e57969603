// TIMESTAMP values are stored as "2024-01-02 03:04:05.123456000" (nine fractional digits,
// " +01:00" after them WITH TIME ZONE), so that they sort as they compare; a DATE's stored
// form reads as a timestamp without a fraction. BINARY_DOUBLE is a SQLite REAL.
#include "devdb/sql/ExtendedTypes.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <regex>

#include "devdb/sql/DateFormat.h"
#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {
namespace {

constexpr int kMostFractionalDigits = 9;
constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

struct TimestampValue {
  OracleDate date;
  long nanoseconds = 0;
  bool hasTimeZone = false;
  int offsetMinutes = 0;  // east of UTC
};

std::string Digits(long value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width)
    text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
  return text;
}

std::string OffsetText(int minutes) {
  const int magnitude = std::abs(minutes);
  return std::string(minutes < 0 ? "-" : "+") + Digits(magnitude / 60, 2) + ":" +
         Digits(magnitude % 60, 2);
}

long FractionOf(const std::string& digits) {
  std::string padded = digits.substr(0, kMostFractionalDigits);
  padded.append(static_cast<std::size_t>(kMostFractionalDigits) - padded.size(), '0');
  return std::stol(padded);
}

// Drops the digits beyond the column's precision.
long Truncated(long nanoseconds, int fractionalDigits) {
  long unit = 1;
  for (int k = fractionalDigits; k < kMostFractionalDigits; ++k) unit *= 10;
  return nanoseconds / unit * unit;
}

std::string Stored(const TimestampValue& value, bool withTimeZone) {
  std::string text =
      DateFormat::ToStorage(value.date) + "." + Digits(value.nanoseconds, kMostFractionalDigits);
  if (withTimeZone) text += " " + OffsetText(value.offsetMinutes);
  return text;
}

bool FromStored(const std::string& text, TimestampValue& value) {
  static const std::regex shape(
      R"(^(-?\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})(?:\.(\d{1,9}))?(?: ([+-])(\d{2}):(\d{2}))?$)");
  std::smatch match;
  if (!std::regex_match(text, match, shape)) return false;
  if (!DateFormat::FromStorage(match[1].str(), value.date)) return false;
  value.nanoseconds = match[2].matched ? FractionOf(match[2].str()) : 0;
  value.hasTimeZone = match[3].matched;
  if (value.hasTimeZone) {
    value.offsetMinutes = std::stoi(match[4].str()) * 60 + std::stoi(match[5].str());
    if (match[3].str() == "-") value.offsetMinutes = -value.offsetMinutes;
  }
  return true;
}

// Text in the default format: 'DD-MON-RR HH.MI.SSXFF AM', with ' TZR' for a time zone.
TimestampValue FromDefaultText(const std::string& text) {
  static const std::regex shape(
      R"(^\s*(\S+\s+\d{1,2}\.\d{1,2}\.\d{1,2})(?:\.(\d{0,9}))?(\s*[AaPp]\.?[Mm]\.?)(?:\s+([+-])(\d{1,2}):(\d{2}))?\s*$)");
  std::smatch match;
  if (!std::regex_match(text, match, shape)) throw OracleErrors::Make(texts::kDateFormatEndsEarly);
  TimestampValue value;
  value.date = DateFormat::Parse(match[1].str() + match[3].str(), "DD-MON-RR HH.MI.SS AM",
                                 DateFormat::Now().year);
  value.nanoseconds = match[2].matched && match[2].length() > 0 ? FractionOf(match[2].str()) : 0;
  value.hasTimeZone = match[4].matched;
  if (value.hasTimeZone) {
    value.offsetMinutes = std::stoi(match[5].str()) * 60 + std::stoi(match[6].str());
    if (match[4].str() == "-") value.offsetMinutes = -value.offsetMinutes;
  }
  return value;
}

TimestampValue Now() {
  const ExtendedTypes::ClockReading clock = ExtendedTypes::ReadClock();
  TimestampValue value;
  value.date = clock.date;
  value.nanoseconds = clock.nanoseconds;
  value.hasTimeZone = true;
  value.offsetMinutes = clock.offsetMinutes;
  return value;
}

// The session's time zone for a timestamp that comes without one: the server's.
int LocalOffsetMinutes() { return Now().offsetMinutes; }

std::string ArgumentText(sqlite3_value* value) {
  const auto* data = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return data ? std::string(data, static_cast<std::size_t>(sqlite3_value_bytes(value)))
              : std::string();
}

template <typename Body>
void Guarded(sqlite3_context* context, Body body) {
  try {
    body();
  } catch (const SqlError& error) {
    sqlite3_result_error(context, error.what(), -1);
  } catch (const std::exception& error) {
    sqlite3_result_error(context, texts::Text(texts::kInternalError, {error.what()}).c_str(), -1);
  }
}

void ResultText(sqlite3_context* context, const std::string& text) {
  sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Systimestamp(sqlite3_context* context, int, sqlite3_value**) {
  Guarded(context, [&] { ResultText(context, Stored(Now(), true)); });
}

// ora_extended_text(value, type code, fractional digits): a value as text, as the program reads
// it from a column.
void ExtendedText(sqlite3_context* context, int, sqlite3_value** values) {
  Guarded(context, [&] {
    if (sqlite3_value_type(values[0]) == SQLITE_NULL) return sqlite3_result_null(context);
    const int type = sqlite3_value_int(values[1]);
    if (type == ExtendedTypes::kBinaryDouble) {
      return ResultText(context, ExtendedTypes::BinaryDoubleText(sqlite3_value_double(values[0])));
    }
    ResultText(context, ExtendedTypes::TimestampText(ArgumentText(values[0]),
                                                     type == ExtendedTypes::kTimestampWithTimeZone,
                                                     sqlite3_value_int(values[2])));
  });
}

// ora_store_timestamp(value, source kind, with time zone, fractional digits)
void StoreTimestamp(sqlite3_context* context, int, sqlite3_value** values) {
  Guarded(context, [&] {
    if (sqlite3_value_type(values[0]) == SQLITE_NULL) return sqlite3_result_null(context);
    const std::string kind = ArgumentText(values[1]);
    const bool withTimeZone = sqlite3_value_int(values[2]) != 0;
    const int digits = sqlite3_value_int(values[3]);
    const std::string text = ArgumentText(values[0]);
    if (text.empty()) return sqlite3_result_null(context);  // '' is NULL in Oracle
    TimestampValue value;
    if (kind == "S") {
      if (!FromStored(text, value)) throw OracleErrors::Make(texts::kDateFormatEndsEarly);
    } else {
      value = FromDefaultText(text);
    }
    if (withTimeZone && !value.hasTimeZone) value.offsetMinutes = LocalOffsetMinutes();
    value.nanoseconds = Truncated(value.nanoseconds, digits);
    ResultText(context, Stored(value, withTimeZone));
  });
}

// ora_store_binary_double(value): a number as it stands, a text when it reads as a number.
void StoreBinaryDouble(sqlite3_context* context, int, sqlite3_value** values) {
  Guarded(context, [&] {
    switch (sqlite3_value_type(values[0])) {
      case SQLITE_NULL: return sqlite3_result_null(context);
      case SQLITE_INTEGER:
      case SQLITE_FLOAT: return sqlite3_result_double(context, sqlite3_value_double(values[0]));
      case SQLITE_BLOB:
        throw OracleErrors::Make(texts::kInconsistentDatatypes, {"BINARY_DOUBLE", "BINARY"});
      default: break;
    }
    const std::string text = ArgumentText(values[0]);
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return sqlite3_result_null(context);
    const std::string trimmed = text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
    char* stop = nullptr;
    const double value = std::strtod(trimmed.c_str(), &stop);
    if (stop != trimmed.c_str() + trimmed.size() || !std::isfinite(value) ||
        trimmed.find_first_of("xXnN") != std::string::npos) {
      throw OracleErrors::Make(texts::kInvalidNumber);
    }
    sqlite3_result_double(context, value);
  });
}

}  // namespace

ExtendedTypes::ClockReading ExtendedTypes::ReadClock() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  ClockReading reading;
  reading.date = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
  reading.nanoseconds = Truncated(now.tv_nsec, kDefaultFractionalDigits);
  reading.offsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
  return reading;
}

ColumnDescription ExtendedTypes::Timestamp(int fractionalDigits) {
  return {"", kTimestamp, kTimestampSize, 0, fractionalDigits, true};
}

ColumnDescription ExtendedTypes::TimestampWithTimeZone(int fractionalDigits) {
  return {"", kTimestampWithTimeZone, kTimestampWithTimeZoneSize, 0, fractionalDigits, true};
}

ColumnDescription ExtendedTypes::BinaryDouble() {
  return {"", kBinaryDouble, kBinaryDoubleSize, 0, 0, true};
}

std::string ExtendedTypes::StoreSql(const std::string& source, char sourceKind,
                                    const ColumnDescription& column) {
  if (column.oracleType == kBinaryDouble) return "ora_store_binary_double(" + source + ")";
  return "ora_store_timestamp(" + source + ", '" + std::string(1, sourceKind) + "', " +
         (column.oracleType == kTimestampWithTimeZone ? "1" : "0") + ", " +
         std::to_string(column.scale) + ")";
}

Value ExtendedTypes::ColumnValue(sqlite3_stmt* statement, int column,
                                 const ColumnDescription& type) {
  if (sqlite3_column_type(statement, column) == SQLITE_NULL) return Value::Null();
  if (type.oracleType == kBinaryDouble) {
    return Value::Text(BinaryDoubleText(sqlite3_column_double(statement, column)));
  }
  const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  const std::string stored(data, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
  return Value::Text(TimestampText(stored, type.oracleType == kTimestampWithTimeZone, type.scale));
}

std::string ExtendedTypes::TimestampText(const std::string& stored, bool withTimeZone,
                                         int fractionalDigits) {
  TimestampValue value;
  if (!FromStored(stored, value)) return stored;
  const OracleDate& date = value.date;
  const int hour12 = date.hour % 12 == 0 ? 12 : date.hour % 12;
  std::string text = Digits(date.day, 2) + "-" + kMonths[(date.month - 1) % 12] + "-" +
                     Digits(((date.year % 100) + 100) % 100, 2) + " " + Digits(hour12, 2) + "." +
                     Digits(date.minute, 2) + "." + Digits(date.second, 2);
  const int digits = std::clamp(fractionalDigits, 0, kMostFractionalDigits);
  if (digits > 0) {
    text += "." + Digits(value.nanoseconds, kMostFractionalDigits)
                      .substr(0, static_cast<std::size_t>(digits));
  }
  text += date.hour < 12 ? " AM" : " PM";
  if (withTimeZone) text += " " + OffsetText(value.offsetMinutes);
  return text;
}

std::string ExtendedTypes::BinaryDoubleText(double value) {
  if (std::isnan(value)) return "Nan";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  if (value == 0) return "0";
  // The fewest significant digits that read back as the same double (at most seventeen);
  // one digit always follows the point.
  char buffer[40];
  for (int decimals = 0; decimals <= 16; ++decimals) {
    std::snprintf(buffer, sizeof buffer, "%.*E", decimals, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  std::string text = buffer;
  if (text.find('.') == std::string::npos) text.insert(text.find('E'), ".0");
  const std::size_t e = text.find('E');
  std::string mantissa = text.substr(0, e);
  while (mantissa.size() > 1 && mantissa.back() == '0' && mantissa[mantissa.size() - 2] != '.') {
    mantissa.pop_back();
  }
  const int exponent = std::atoi(text.c_str() + e + 1);
  return mantissa + (exponent < 0 ? "E-" : "E+") + Digits(std::abs(exponent), 3);
}

void ExtendedTypes::Register(sqlite3* db, SessionState& state) {
  sqlite3_create_function_v2(db, "ora_systimestamp", 0, SQLITE_UTF8, &state, Systimestamp, nullptr,
                             nullptr, nullptr);
  sqlite3_create_function_v2(db, "ora_extended_text", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, &state,
                             ExtendedText, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db, "ora_store_timestamp", 4, SQLITE_UTF8, &state, StoreTimestamp,
                             nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db, "ora_store_binary_double", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                             &state, StoreBinaryDouble, nullptr, nullptr, nullptr);
}

}  // namespace devdb::sql
