// The locale-aware text of a variant, as the monitor shows pipe items.
#include "platform/VariantText.h"

#include <cmath>
#include <cstdio>

namespace vek {
namespace {

const char* const kMonthShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthLong[] = {"January", "February", "March",     "April",
                                  "May",     "June",     "July",      "August",
                                  "September", "October", "November", "December"};

std::string Padded(int value, int width) {
  std::string text = std::to_string(value);
  while (static_cast<int>(text.size()) < width) text.insert(text.begin(), '0');
  return text;
}

std::size_t RunLength(const std::string& pattern, std::size_t at) {
  std::size_t end = at;
  while (end < pattern.size() && pattern[end] == pattern[at]) ++end;
  return end - at;
}

bool HasAmPm(const std::string& pattern) {
  bool quoted = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '\'') quoted = !quoted;
    if (!quoted && (pattern[i] == 'A' || pattern[i] == 'a') && i + 1 < pattern.size() &&
        (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string FormatDateTime(const std::string& pattern, TDateTime value) {
  const DateTimeParts parts = DecodeDateTime(value);
  const bool twelveHour = HasAmPm(pattern);
  std::string out;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '\'') {
      const std::size_t close = pattern.find('\'', i + 1);
      if (close == i + 1) {
        out += '\'';
        i += 2;
        continue;
      }
      const std::size_t end = close == std::string::npos ? pattern.size() : close;
      out.append(pattern, i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if ((c == 'A' || c == 'a') && i + 1 < pattern.size() &&
        (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) {
      const bool pm = parts.hour >= 12;
      out += c == 'A' ? (pm ? "PM" : "AM") : (pm ? "pm" : "am");
      i += 2;
      continue;
    }
    const std::size_t run = RunLength(pattern, i);
    switch (c) {
      case 'd': out += Padded(parts.day, run >= 2 ? 2 : 1); break;
      case 'M':
        if (run >= 4) out += kMonthLong[parts.month - 1];
        else if (run == 3) out += kMonthShort[parts.month - 1];
        else out += Padded(parts.month, static_cast<int>(run));
        break;
      case 'y': out += run >= 3 ? Padded(parts.year, 4) : Padded(parts.year % 100, 2); break;
      case 'H': out += Padded(parts.hour, run >= 2 ? 2 : 1); break;
      case 'h': {
        int hour = parts.hour;
        if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
        out += Padded(hour, run >= 2 ? 2 : 1);
        break;
      }
      case 'm': out += Padded(parts.minute, run >= 2 ? 2 : 1); break;
      case 's': out += Padded(parts.second, run >= 2 ? 2 : 1); break;
      default: out.append(run, c); break;
    }
    i += run;
  }
  return out;
}

std::string DateTimeToText(TDateTime value, const LocaleFormats& formats) {
  std::string text = FormatDateTime(formats.shortDateFormat, value);
  const DateTimeParts parts = DecodeDateTime(value);
  if (parts.hour != 0 || parts.minute != 0 || parts.second != 0 || parts.millisecond != 0) {
    text += ' ';
    text += FormatDateTime(formats.longTimeFormat, value);
  }
  return text;
}

std::string DoubleToText(double value, const LocaleFormats& formats) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text = buffer;
  for (char& c : text) {
    if (c == '.') c = formats.decimalSeparator;
  }
  return text;
}

std::string VariantToText(const Variant& value, const LocaleFormats& formats) {
  switch (value.Kind()) {
    case VariantKind::vkUnassigned:
    case VariantKind::vkNull: return {};
    case VariantKind::vkInteger:
    case VariantKind::vkByte: return std::to_string(value.AsInteger());
    case VariantKind::vkDouble: return DoubleToText(value.AsDouble(), formats);
    case VariantKind::vkDateTime: return DateTimeToText(value.AsDateTime(), formats);
    case VariantKind::vkString: return value.AsString();
    case VariantKind::vkBoolean: return value.AsBoolean() ? "True" : "False";
    case VariantKind::vkByteArray: {
      static const char kHex[] = "0123456789ABCDEF";
      std::string text;
      for (std::uint8_t byte : value.AsBytes()) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
      }
      return text;
    }
    case VariantKind::vkArray: break;
  }
  throw VariantError("Could not convert variant of type (Array of Variant) into type (String)");
}

std::string VariantToText(const Variant& value) { return VariantToText(value, UserLocale()); }

}  // namespace vek
