// Value conversions for binds and defines. Numbers go through long double so that every
// integer up to 64 bits and every double survive the decimal text unchanged.
#include "devdb/oci/ValueConverter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "devdb/oci/DateText.h"
#include "devdb/oci/ErrorRecords.h"

namespace devdb::oci {
namespace {

using protocol::WireDate;
using protocol::WireValue;

// The value of a plain integer of up to 18 digits with an optional minus sign, which a long
// double holds exactly, as strtold reads it; false for any other text.
bool ParsePlainInteger(const char* begin, const char* end, long double& value) {
  const bool negative = begin != end && *begin == '-';
  if (negative) ++begin;
  if (begin == end || end - begin > 18) return false;
  std::uint64_t magnitude = 0;
  for (const char* at = begin; at != end; ++at) {
    if (*at < '0' || *at > '9') return false;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(*at - '0');
  }
  value = static_cast<long double>(magnitude);
  if (negative) value = -value;
  return true;
}

long double ParseNumber(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  std::size_t end = text.find_last_not_of(" \t");
  if (begin == std::string::npos) ErrorRecords::Raise(texts::kInvalidNumber);
  // The server's numbers are mostly integers: those need no general parse.
  long double integer = 0;
  if (ParsePlainInteger(text.data() + begin, text.data() + end + 1, integer)) return integer;
  const std::string trimmed = text.substr(begin, end - begin + 1);
  char* stop = nullptr;
  const long double value = std::strtold(trimmed.c_str(), &stop);
  if (stop != trimmed.c_str() + trimmed.size() || !std::isfinite(value))
    ErrorRecords::Raise(texts::kInvalidNumber);
  return value;
}

long double NumberOf(const WireValue& value) {
  switch (value.kind) {
    case WireValue::Kind::Number:
    case WireValue::Kind::Text: return ParseNumber(value.text);
    default: ErrorRecords::Raise(texts::kBadConversion);
  }
}

std::string TextOf(const WireValue& value, const std::string& dateFormat) {
  switch (value.kind) {
    case WireValue::Kind::Number: return ValueConverter::NumberText(value.text);
    case WireValue::Kind::Date: return DateText::Format(value.date, dateFormat);
    case WireValue::Kind::Raw: return ValueConverter::HexText(value.bytes);
    default: return value.text;
  }
}

sb2 TruncatedIndicator(std::size_t originalLength) {
  return originalLength > 32767 ? sb2{-2} : static_cast<sb2>(originalLength);
}

template <typename Integer>
void StoreInteger(long double value, void* buffer) {
  if (value < static_cast<long double>(std::numeric_limits<Integer>::min()) ||
      value > static_cast<long double>(std::numeric_limits<Integer>::max()))
    ErrorRecords::Raise(texts::kIntegerOverflow);
  const Integer integer = static_cast<Integer>(value);
  std::memcpy(buffer, &integer, sizeof integer);
}

void WriteInteger(long double value, bool isSigned, void* buffer, std::size_t capacity) {
  value = std::round(value);  // half away from zero, as Oracle rounds a NUMBER to an integer
  switch (capacity) {
    case 1:
      isSigned ? StoreInteger<std::int8_t>(value, buffer)
               : StoreInteger<std::uint8_t>(value, buffer);
      return;
    case 2:
      isSigned ? StoreInteger<std::int16_t>(value, buffer)
               : StoreInteger<std::uint16_t>(value, buffer);
      return;
    case 4:
      isSigned ? StoreInteger<std::int32_t>(value, buffer)
               : StoreInteger<std::uint32_t>(value, buffer);
      return;
    case 8:
      isSigned ? StoreInteger<std::int64_t>(value, buffer)
               : StoreInteger<std::uint64_t>(value, buffer);
      return;
    default: ErrorRecords::Raise(texts::kBadConversion);
  }
}

template <typename Integer>
std::string IntegerText(const void* buffer) {
  Integer integer;
  std::memcpy(&integer, buffer, sizeof integer);
  return std::to_string(integer);
}

std::string ReadInteger(const void* buffer, std::size_t length, bool isSigned) {
  switch (length) {
    case 1: return isSigned ? IntegerText<std::int8_t>(buffer) : IntegerText<std::uint8_t>(buffer);
    case 2:
      return isSigned ? IntegerText<std::int16_t>(buffer) : IntegerText<std::uint16_t>(buffer);
    case 4:
      return isSigned ? IntegerText<std::int32_t>(buffer) : IntegerText<std::uint32_t>(buffer);
    case 8:
      return isSigned ? IntegerText<std::int64_t>(buffer) : IntegerText<std::uint64_t>(buffer);
    default: ErrorRecords::Raise(texts::kBadConversion);
  }
}

// A double as the server's canonical decimal text: 15 significant digits, "1E+40" style.
std::string FloatText(double value) {
  if (!std::isfinite(value)) ErrorRecords::Raise(texts::kBadConversion);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text = buffer;
  const std::size_t e = text.find('E');
  std::string mantissa = text.substr(0, e);
  if (mantissa.find('.') != std::string::npos) {
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  if (mantissa == "-0") mantissa = "0";
  if (e == std::string::npos) return mantissa;
  const int exponent = std::atoi(text.c_str() + e + 1);
  return mantissa + (exponent < 0 ? "E-" : "E+") + std::to_string(std::abs(exponent));
}

}  // namespace

bool ValueConverter::IsTextType(ub2 type) {
  return type == SQLT_CHR || type == SQLT_STR || type == SQLT_LNG || type == SQLT_AFC ||
         type == SQLT_AVC || type == SQLT_OSL;
}

bool ValueConverter::IsBinaryType(ub2 type) { return type == SQLT_BIN || type == SQLT_LBI; }

std::string ValueConverter::NumberText(const std::string& canonical) {
  if (canonical.rfind("0.", 0) == 0) return canonical.substr(1);
  if (canonical.rfind("-0.", 0) == 0) return "-" + canonical.substr(2);
  return canonical;
}

std::string ValueConverter::HexText(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::vector<std::uint8_t> ValueConverter::HexBytes(const std::string& text) {
  auto digit = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    ErrorRecords::Raise(texts::kInvalidHexNumber);
  };
  std::vector<std::uint8_t> bytes;
  // An odd count of digits reads as if a 0 stood in front, as HEXTORAW does.
  std::size_t at = 0;
  if (text.size() % 2 == 1) {
    bytes.push_back(static_cast<std::uint8_t>(digit(text[0])));
    at = 1;
  }
  for (; at < text.size(); at += 2)
    bytes.push_back(static_cast<std::uint8_t>(digit(text[at]) * 16 + digit(text[at + 1])));
  return bytes;
}

void ValueConverter::EncodeDate(const WireDate& date, ub1 out[7]) {
  const int year = date.year;
  out[0] = static_cast<ub1>(year / 100 + 100);
  out[1] = static_cast<ub1>(year % 100 + 100);
  out[2] = static_cast<ub1>(date.month);
  out[3] = static_cast<ub1>(date.day);
  out[4] = static_cast<ub1>(date.hour + 1);
  out[5] = static_cast<ub1>(date.minute + 1);
  out[6] = static_cast<ub1>(date.second + 1);
}

WireDate ValueConverter::DecodeDate(const ub1 in[7]) {
  WireDate date;
  date.year = (in[0] - 100) * 100 + (in[1] - 100);
  date.month = in[2];
  date.day = in[3];
  date.hour = in[4] - 1;
  date.minute = in[5] - 1;
  date.second = in[6] - 1;
  const bool valid = date.year != 0 && date.year >= -4712 && date.year <= 9999 && date.month >= 1 &&
                     date.month <= 12 && date.day >= 1 && date.day <= 31 && date.hour >= 0 &&
                     date.hour <= 23 && date.minute >= 0 && date.minute <= 59 && date.second >= 0 &&
                     date.second <= 59;
  if (!valid) ErrorRecords::Raise(texts::kYearOutOfRange);
  return date;
}

std::vector<std::uint8_t> ValueConverter::ExternalBytes(const WireValue& value, ub2 type,
                                                        const std::string& dateFormat) {
  if (IsBinaryType(type)) {
    if (value.kind == WireValue::Kind::Raw) return value.bytes;
    if (value.kind == WireValue::Kind::Text) return HexBytes(value.text);
    ErrorRecords::Raise(texts::kBadConversion);
  }
  const std::string text = TextOf(value, dateFormat);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

ValueConverter::Written ValueConverter::ToExternal(const WireValue& value, ub2 type, void* buffer,
                                                   std::size_t capacity,
                                                   const std::string& dateFormat) {
  Written written;
  if (value.IsNull()) {
    written.indicator = -1;
    written.code = texts::kFetchedNull.code;
    return written;
  }
  auto* bytes = static_cast<ub1*>(buffer);
  switch (type) {
    case SQLT_INT:
    case SQLT_UIN:
      WriteInteger(NumberOf(value), type == SQLT_INT, buffer, capacity);
      written.length = static_cast<ub4>(capacity);
      return written;
    case SQLT_FLT: {
      const long double number = NumberOf(value);
      if (capacity == sizeof(double)) {
        const double d = static_cast<double>(number);
        std::memcpy(buffer, &d, sizeof d);
      } else if (capacity == sizeof(float)) {
        const float f = static_cast<float>(number);
        std::memcpy(buffer, &f, sizeof f);
      } else {
        ErrorRecords::Raise(texts::kBadConversion);
      }
      written.length = static_cast<ub4>(capacity);
      return written;
    }
    case SQLT_DAT: {
      if (value.kind != WireValue::Kind::Date) ErrorRecords::Raise(texts::kBadConversion);
      ub1 date[7];
      EncodeDate(value.date, date);
      const std::size_t count = capacity < 7 ? capacity : 7;
      std::memcpy(buffer, date, count);
      written.length = static_cast<ub4>(count);
      if (count < 7) {
        written.indicator = 7;
        written.code = texts::kTruncated.code;
      }
      return written;
    }
    default: break;
  }
  if (!IsTextType(type) && !IsBinaryType(type)) ErrorRecords::Raise(texts::kBadConversion);

  // A text the value holds as it is sent is written from where it lies.
  std::vector<std::uint8_t> binary;
  std::string converted;
  std::string_view data;
  if (IsBinaryType(type)) {
    binary = ExternalBytes(value, type, dateFormat);
    data = {reinterpret_cast<const char*>(binary.data()), binary.size()};
  } else if (value.kind == WireValue::Kind::Text || value.kind == WireValue::Kind::Rowid) {
    data = value.text;
  } else {
    converted = TextOf(value, dateFormat);
    data = converted;
  }
  const bool terminated = type == SQLT_STR || type == SQLT_AVC;
  const std::size_t room = terminated ? (capacity > 0 ? capacity - 1 : 0) : capacity;
  const std::size_t count = data.size() < room ? data.size() : room;
  if (count > 0) std::memcpy(bytes, data.data(), count);
  written.length = static_cast<ub4>(count);
  if (terminated && capacity > 0) bytes[count] = 0;
  if (type == SQLT_AFC && count < capacity) {
    std::memset(bytes + count, ' ', capacity - count);
    written.length = static_cast<ub4>(capacity);
  }
  if (data.size() > room) {
    written.indicator = TruncatedIndicator(data.size());
    written.code = texts::kTruncated.code;
  }
  return written;
}

WireValue ValueConverter::FromExternal(ub2 type, const void* buffer, std::size_t length) {
  const auto* bytes = static_cast<const ub1*>(buffer);
  switch (type) {
    case SQLT_INT:
    case SQLT_UIN: return WireValue::Number(ReadInteger(buffer, length, type == SQLT_INT));
    case SQLT_FLT:
      if (length == sizeof(double)) {
        double d;
        std::memcpy(&d, buffer, sizeof d);
        return WireValue::Number(FloatText(d));
      }
      if (length == sizeof(float)) {
        float f;
        std::memcpy(&f, buffer, sizeof f);
        return WireValue::Number(FloatText(f));
      }
      ErrorRecords::Raise(texts::kBadConversion);
    case SQLT_DAT:
      if (length < 7) ErrorRecords::Raise(texts::kBadConversion);
      return WireValue::Date(DecodeDate(bytes));
    case SQLT_STR:
    case SQLT_AVC: {
      const void* zero = std::memchr(bytes, 0, length);
      if (zero != nullptr) length = static_cast<std::size_t>(static_cast<const ub1*>(zero) - bytes);
      break;
    }
    default: break;
  }
  if (IsBinaryType(type)) {
    if (length == 0) return WireValue::Null();
    return WireValue::Raw(std::vector<std::uint8_t>(bytes, bytes + length));
  }
  if (!IsTextType(type)) ErrorRecords::Raise(texts::kBadConversion);
  if (length == 0) return WireValue::Null();
  return WireValue::Text(std::string(reinterpret_cast<const char*>(bytes), length));
}

}  // namespace devdb::oci
