// PL/SQL values and their implicit conversions. Numbers are held as binary doubles: enough for
// the counters, statuses and timeouts that stored code in the development server handles.
#include "devdb/plsql/PlValue.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <regex>
#include <string_view>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"
#include "devdb/plsql/StandardFunctions.h"
#include "devdb/sql/DateFormat.h"
#include "devdb/sql/ExtendedTypes.h"

namespace devdb::plsql {
namespace {

constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

std::string Upper(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Padded(int value, int width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  while (static_cast<int>(digits.size()) < width) digits.insert(digits.begin(), '0');
  return value < 0 ? "-" + digits : digits;
}

[[noreturn]] void ValueError(const texts::OracleText& error = texts::kValueError) {
  throw PlsqlError(error);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr int kMostFractionalDigits = 9;

// A number written as text, blanks around it allowed. Read in place: every number bind a
// block reads comes as text.
double ParseNumber(const std::string& text) {
  std::string_view view(text);
  const auto first = view.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) ValueError(texts::kCharToNumber);
  view = view.substr(first, view.find_last_not_of(" \t\r\n") - first + 1);
  const char* begin = view.data();
  const char* end = view.data() + view.size();
  if (*begin == '+') ++begin;
  // Whole numbers of up to 15 digits (item types, statuses, counters) are exact as doubles,
  // so adding up their digits gives what the general reading gives.
  const bool negative = begin < end && *begin == '-';
  const char* digits = negative ? begin + 1 : begin;
  if (digits < end && end - digits <= 15 &&
      std::all_of(digits, end, [](char c) { return c >= '0' && c <= '9'; })) {
    double whole = 0;
    for (const char* c = digits; c < end; ++c) whole = whole * 10 + (*c - '0');
    return negative ? -whole : whole;
  }
  double result = 0;
  auto [stop, error] = std::from_chars(begin, end, result);
  if (error != std::errc() || stop != end) ValueError(texts::kCharToNumber);
  return result;
}

std::string OffsetText(int minutes) {
  return std::string(minutes < 0 ? "-" : "+") + Padded(std::abs(minutes) / 60, 2) + ":" +
         Padded(std::abs(minutes) % 60, 2);
}

std::string NineDigits(long nanoseconds) {
  return Padded(static_cast<int>(nanoseconds), kMostFractionalDigits);
}

long FractionOf(const std::string& digits) {
  std::string padded = digits.substr(0, kMostFractionalDigits);
  padded.append(static_cast<size_t>(kMostFractionalDigits) - padded.size(), '0');
  return std::stol(padded);
}

// The date moved by whole seconds, across days, months and years.
sql::OracleDate Shifted(const sql::OracleDate& date, long long seconds) {
  return StandardFunctions::AddDays(date, static_cast<double>(seconds) / 86400.0);
}

// DATE and TIMESTAMP share these elements; a timestamp adds its fraction and its zone.
std::string FormatDate(const sql::OracleDate& date, const std::string& format,
                       const TimestampParts* timestamp) {
  std::string upper = Upper(format);
  std::string out;
  size_t i = 0;
  auto starts = [&](const char* token) {
    return upper.compare(i, std::char_traits<char>::length(token), token) == 0;
  };
  auto zone = [&] {
    if (!timestamp->withTimeZone) throw PlsqlError(texts::kDateFormatNotRecognized);
    return timestamp->offsetMinutes;
  };
  while (i < upper.size()) {
    if (format[i] == '"') {
      auto close = format.find('"', i + 1);
      if (close == std::string::npos) close = format.size();
      out += format.substr(i + 1, close - i - 1);
      i = close + 1;
    } else if (timestamp && starts("FF")) {
      int digits = timestamp->fractionalDigits;
      i += 2;
      if (i < upper.size() && upper[i] >= '1' && upper[i] <= '9') digits = upper[i++] - '0';
      out += NineDigits(timestamp->nanoseconds).substr(0, static_cast<size_t>(digits));
    } else if (timestamp && starts("X")) {
      out += '.';
      ++i;
    } else if (timestamp && starts("TZH")) {
      int offset = zone();
      out += (offset < 0 ? "-" : "+") + Padded(std::abs(offset) / 60, 2);
      i += 3;
    } else if (timestamp && starts("TZM")) {
      out += Padded(std::abs(zone()) % 60, 2);
      i += 3;
    } else if (timestamp && starts("TZR")) {
      out += OffsetText(zone());
      i += 3;
    } else if (starts("YYYY") || starts("RRRR")) {
      out += Padded(date.year, 4);
      i += 4;
    } else if (starts("YY") || starts("RR")) {
      out += Padded(((date.year % 100) + 100) % 100, 2);
      i += 2;
    } else if (starts("MONTH")) {
      out += kMonths[(date.month + 11) % 12];
      i += 5;
    } else if (starts("MON")) {
      out += kMonths[(date.month + 11) % 12];
      i += 3;
    } else if (starts("MM")) {
      out += Padded(date.month, 2);
      i += 2;
    } else if (starts("DD")) {
      out += Padded(date.day, 2);
      i += 2;
    } else if (starts("HH24")) {
      out += Padded(date.hour, 2);
      i += 4;
    } else if (starts("HH12")) {
      out += Padded((date.hour + 11) % 12 + 1, 2);
      i += 4;
    } else if (starts("HH")) {
      out += Padded((date.hour + 11) % 12 + 1, 2);
      i += 2;
    } else if (starts("MI")) {
      out += Padded(date.minute, 2);
      i += 2;
    } else if (starts("SS")) {
      out += Padded(date.second, 2);
      i += 2;
    } else if (starts("AM") || starts("PM")) {
      out += date.hour < 12 ? "AM" : "PM";
      i += 2;
    } else {
      out += format[i];
      ++i;
    }
  }
  return out;
}

}  // namespace

PlValue PlValue::Null(PlType type) {
  PlValue v;
  v.type_ = type;
  return v;
}

PlValue PlValue::Boolean(bool value) {
  PlValue v;
  v.type_ = PlType::Boolean;
  v.isNull_ = false;
  v.boolean_ = value;
  return v;
}

PlValue PlValue::Number(double value) {
  PlValue v;
  v.type_ = PlType::Number;
  if (std::isnan(value) || std::isinf(value)) ValueError();
  v.isNull_ = false;
  v.number_ = value == 0 ? 0 : value;  // no negative zero
  return v;
}

PlValue PlValue::Text(std::string value) {
  PlValue v;
  v.type_ = PlType::Text;
  v.isNull_ = value.empty();
  v.text_ = std::move(value);
  return v;
}

PlValue PlValue::Date(const sql::OracleDate& value) {
  PlValue v;
  v.type_ = PlType::Date;
  v.isNull_ = false;
  v.date_ = value;
  return v;
}

PlValue PlValue::Timestamp(const TimestampParts& value) {
  PlValue v;
  v.type_ = PlType::Timestamp;
  v.isNull_ = false;
  v.date_ = value.date;
  v.timestamp_ = value;
  return v;
}

PlValue PlValue::Raw(std::vector<std::uint8_t> value) {
  PlValue v;
  v.type_ = PlType::Raw;
  v.isNull_ = value.empty();
  v.raw_ = std::move(value);
  return v;
}

PlValue PlValue::Rowid(std::string value) {
  PlValue v = Text(std::move(value));
  v.type_ = PlType::Rowid;
  return v;
}

PlValue PlValue::Cursor(std::shared_ptr<sql::Statement> cursor) {
  PlValue v;
  v.type_ = PlType::Cursor;
  v.isNull_ = cursor == nullptr;
  v.cursor_ = std::move(cursor);
  return v;
}

PlValue PlValue::FromSql(const sql::Value& value) {
  switch (value.kind) {
    case sql::Value::Kind::Null: return Null();
    case sql::Value::Kind::Number:
      return value.text.empty() ? Null(PlType::Number) : Number(ParseNumber(value.text));
    case sql::Value::Kind::Text: return Text(value.text);
    case sql::Value::Kind::Date: return Date(value.date);
    case sql::Value::Kind::Raw: return Raw(value.bytes);
    case sql::Value::Kind::Rowid: return Rowid(value.text);
  }
  return Null();
}

double PlValue::ToNumber() const {
  switch (type_) {
    case PlType::Number: return number_;
    case PlType::Text:
    case PlType::Rowid: return ParseNumber(text_);
    default: ValueError();
  }
}

std::string PlValue::NumberText(double value) {
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text = buffer;
  auto exponent = text.find('e');
  if (exponent != std::string::npos) {
    text[exponent] = 'E';
    return text;
  }
  // Oracle writes no zero before the decimal point: ".5", "-.25".
  if (text.rfind("0.", 0) == 0) text.erase(0, 1);
  if (text.rfind("-0.", 0) == 0) text.erase(1, 1);
  return text;
}

std::string PlValue::DateText(const sql::OracleDate& date, const std::string& format) {
  return FormatDate(date, format, nullptr);
}

std::string PlValue::TimestampText(const TimestampParts& value, const std::string& format) {
  return FormatDate(value.date, format, &value);
}

std::string PlValue::TimestampText(const TimestampParts& value) {
  std::string stored = sql::DateFormat::ToStorage(value.date) + "." + NineDigits(value.nanoseconds);
  if (value.withTimeZone) stored += " " + OffsetText(value.offsetMinutes);
  return sql::ExtendedTypes::TimestampText(stored, value.withTimeZone, value.fractionalDigits);
}

int PlValue::SessionOffsetMinutes() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<int>(local.tm_gmtoff / 60);
}

sql::OracleDate PlValue::ParseDate(const std::string& text, const std::string& format) {
  std::string upper = Upper(format);
  std::string input = Upper(text);
  sql::OracleDate date;
  size_t i = 0;
  size_t at = 0;
  auto starts = [&](const char* token) {
    return upper.compare(i, std::char_traits<char>::length(token), token) == 0;
  };
  auto number = [&](size_t maxDigits) {
    size_t begin = at;
    while (at < input.size() && at - begin < maxDigits &&
           std::isdigit(static_cast<unsigned char>(input[at])))
      ++at;
    if (at == begin) throw PlsqlError(texts::kNonNumericCharacter);
    return std::stoi(input.substr(begin, at - begin));
  };
  while (i < upper.size()) {
    if (starts("YYYY") || starts("RRRR")) {
      date.year = number(4);
      i += 4;
    } else if (starts("YY") || starts("RR")) {
      int year = number(2);
      date.year = year < 50 ? 2000 + year : 1900 + year;
      i += 2;
    } else if (starts("MON")) {
      auto month = std::find_if(std::begin(kMonths), std::end(kMonths),
                                [&](const char* name) { return input.compare(at, 3, name) == 0; });
      if (month == std::end(kMonths)) throw PlsqlError(texts::kInvalidMonth);
      date.month = static_cast<int>(month - std::begin(kMonths)) + 1;
      at += 3;
      i += 3;
    } else if (starts("MM")) {
      date.month = number(2);
      i += 2;
    } else if (starts("DD")) {
      date.day = number(2);
      i += 2;
    } else if (starts("HH24")) {
      date.hour = number(2);
      i += 4;
    } else if (starts("HH")) {
      date.hour = number(2);
      i += 2;
    } else if (starts("MI")) {
      date.minute = number(2);
      i += 2;
    } else if (starts("SS")) {
      date.second = number(2);
      i += 2;
    } else {
      if (at < input.size()) ++at;
      ++i;
    }
  }
  if (at < input.size()) throw PlsqlError(texts::kDateFormatEndsEarly);
  if (date.month < 1 || date.month > 12) throw PlsqlError(texts::kInvalidMonth);
  if (date.day < 1 || date.day > 31) throw PlsqlError(texts::kDayOfMonthOutOfRange);
  if (date.hour > 23) throw PlsqlError(texts::kHour24OutOfRange);
  if (date.minute > 59) throw PlsqlError(texts::kMinutesOutOfRange);
  if (date.second > 59) throw PlsqlError(texts::kSecondsOutOfRange);
  return date;
}

std::string PlValue::ToText() const {
  if (isNull_) return {};
  switch (type_) {
    case PlType::Text:
    case PlType::Rowid: return text_;
    case PlType::Number: return NumberText(number_);
    case PlType::Date: return DateText(date_, "DD-MON-RR");
    case PlType::Timestamp: return TimestampText(timestamp_);
    case PlType::Raw: {
      static const char* digits = "0123456789ABCDEF";
      std::string hex;
      for (auto byte : raw_) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
      }
      return hex;
    }
    case PlType::Boolean:
    case PlType::Cursor: ValueError();
  }
  return {};
}

sql::OracleDate PlValue::ToDate() const {
  if (type_ == PlType::Date || type_ == PlType::Timestamp) return date_;
  if (type_ == PlType::Text) return ParseDate(text_, "DD-MON-RR");
  ValueError();
}

TimestampParts PlValue::ToTimestamp() const {
  if (type_ == PlType::Timestamp) return timestamp_;
  TimestampParts value;
  if (type_ == PlType::Date) {
    value.date = date_;
    return value;
  }
  if (type_ != PlType::Text) ValueError();
  // NLS_TIMESTAMP_FORMAT 'DD-MON-RR HH.MI.SSXFF AM', and ' TZR' WITH TIME ZONE.
  static const std::regex shape(
      R"(^\s*(\d{1,2}-[A-Za-z]{3}-(\d{2}|\d{4}))\s+(\d{1,2})\.(\d{1,2})\.(\d{1,2})(?:\.(\d{0,9}))?\s*([AaPp])\.?[Mm]\.?(?:\s+([+-])(\d{1,2}):(\d{2}))?\s*$)");
  std::smatch match;
  if (!std::regex_match(text_, match, shape)) {
    value.date = ParseDate(text_, "DD-MON-RR");
    return value;
  }
  value.date = ParseDate(match[1].str(), match[2].length() == 4 ? "DD-MON-YYYY" : "DD-MON-RR");
  int hour = std::stoi(match[3].str());
  if (hour < 1 || hour > 12) throw PlsqlError(texts::kHour12OutOfRange);
  value.date.hour = hour % 12 + (std::toupper(match[7].str()[0]) == 'P' ? 12 : 0);
  value.date.minute = std::stoi(match[4].str());
  value.date.second = std::stoi(match[5].str());
  if (value.date.minute > 59) throw PlsqlError(texts::kMinutesOutOfRange);
  if (value.date.second > 59) throw PlsqlError(texts::kSecondsOutOfRange);
  value.nanoseconds = match[6].length() > 0 ? FractionOf(match[6].str()) : 0;
  value.fractionalDigits = kMostFractionalDigits;
  if (match[8].matched) {
    value.withTimeZone = true;
    value.offsetMinutes = std::stoi(match[9].str()) * 60 + std::stoi(match[10].str());
    if (match[8].str() == "-") value.offsetMinutes = -value.offsetMinutes;
  }
  return value;
}

std::vector<std::uint8_t> PlValue::ToRaw() const {
  if (type_ == PlType::Raw) return raw_;
  std::string text = ToText();
  if (text.size() % 2 != 0) text.insert(text.begin(), '0');
  std::vector<std::uint8_t> bytes;
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexDigit(text[i]);
    int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) ValueError(texts::kHexToRaw);
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

sql::Value PlValue::ToSql() const {
  if (isNull_) return sql::Value::Null();
  switch (type_) {
    case PlType::Number: return sql::Value::Number(NumberText(number_));
    case PlType::Text: return sql::Value::Text(text_);
    case PlType::Rowid: {
      sql::Value v = sql::Value::Text(text_);
      v.kind = sql::Value::Kind::Rowid;
      return v;
    }
    case PlType::Date: return sql::Value::Date(date_);
    // The default text, which a timestamp column reads back and a text column keeps.
    case PlType::Timestamp: return sql::Value::Text(TimestampText(timestamp_));
    case PlType::Raw: return sql::Value::Raw(raw_);
    case PlType::Boolean:
      throw PlsqlError(texts::kCompileErrorUnplaced, {texts::Text(texts::kWrongType)});
    case PlType::Cursor: return sql::Value::Null();
  }
  return sql::Value::Null();
}

PlValue PlValue::Assign(const TypeSpec& type, const PlValue& value) {
  if (value.IsNull()) return Null(type.type);
  switch (type.type) {
    case PlType::Boolean:
      if (value.type_ != PlType::Boolean) ValueError();
      return value;
    case PlType::Number: {
      double number = value.ToNumber();
      if (type.isInteger) number = std::round(number);
      return Number(number);
    }
    case PlType::Text:
    case PlType::Rowid: {
      std::string text = value.ToText();
      if (type.maxLength > 0 && static_cast<int>(text.size()) > type.maxLength)
        ValueError(texts::kBufferTooSmall);
      if (type.isChar && type.maxLength > 0) text.resize(static_cast<size_t>(type.maxLength), ' ');
      PlValue result = Text(std::move(text));
      result.type_ = type.type;
      return result;
    }
    case PlType::Date: return Date(value.ToDate());
    case PlType::Timestamp: {
      TimestampParts timestamp = value.ToTimestamp();
      if (type.withTimeZone && !timestamp.withTimeZone) {
        timestamp.withTimeZone = true;
        timestamp.offsetMinutes = SessionOffsetMinutes();
      } else if (!type.withTimeZone && timestamp.withTimeZone) {
        // The same moment in the session's time zone.
        timestamp.date =
            Shifted(timestamp.date, (SessionOffsetMinutes() - timestamp.offsetMinutes) * 60LL);
        timestamp.withTimeZone = false;
        timestamp.offsetMinutes = 0;
      }
      // The fraction rounds to the precision, as Oracle's assignment does.
      long unit = 1;
      for (int k = type.fractionalDigits; k < kMostFractionalDigits; ++k) unit *= 10;
      long rounded = (timestamp.nanoseconds + unit / 2) / unit * unit;
      if (rounded >= 1000000000L) {
        rounded -= 1000000000L;
        timestamp.date = Shifted(timestamp.date, 1);
      }
      timestamp.nanoseconds = rounded;
      timestamp.fractionalDigits = type.fractionalDigits;
      return Timestamp(timestamp);
    }
    case PlType::Raw: {
      auto bytes = value.ToRaw();
      if (type.maxLength > 0 && static_cast<int>(bytes.size()) > type.maxLength)
        ValueError(texts::kBufferTooSmall);
      return Raw(std::move(bytes));
    }
    case PlType::Cursor:
      if (value.type_ != PlType::Cursor) ValueError();
      return value;
  }
  return value;
}

}  // namespace devdb::plsql
