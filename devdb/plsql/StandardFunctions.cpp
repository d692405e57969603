// STANDARD functions. Each returns NULL for NULL arguments except where Oracle says otherwise
// (NVL, the concatenating ones, COALESCE, DECODE-like functions).
#include "devdb/plsql/StandardFunctions.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"

namespace devdb::plsql {
namespace {

using Function = std::function<PlValue(const std::vector<PlValue>&)>;

[[noreturn]] void WrongArguments(const std::string& name) {
  throw PlsqlError(texts::kCompileErrorUnplaced, {texts::Text(texts::kWrongArguments, {name})});
}

long long DayNumber(int year, int month, int day) {
  // Days since a fixed epoch in the proleptic Gregorian calendar.
  year -= month <= 2;
  long long era = (year >= 0 ? year : year - 399) / 400;
  long long yearOfEra = year - era * 400;
  long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra;
}

sql::OracleDate FromDayNumber(long long days, long long secondsOfDay) {
  long long era = (days >= 0 ? days : days - 146096) / 146097;
  long long dayOfEra = days - era * 146097;
  long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  long long year = yearOfEra + era * 400;
  long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  long long mp = (5 * dayOfYear + 2) / 153;
  int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  sql::OracleDate date;
  date.year = static_cast<int>(year + (month <= 2));
  date.month = month;
  date.day = day;
  date.hour = static_cast<int>(secondsOfDay / 3600);
  date.minute = static_cast<int>(secondsOfDay / 60 % 60);
  date.second = static_cast<int>(secondsOfDay % 60);
  return date;
}

bool AnyNull(const std::vector<PlValue>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(),
                     [](const PlValue& v) { return v.IsNull(); });
}

// The longest text PL/SQL holds; longer results raise VALUE_ERROR rather than grow unbounded.
constexpr std::size_t kMaxText = 32767;

[[noreturn]] void TooLong() { throw PlsqlError(texts::kBufferTooSmall); }

std::string Pad(const std::vector<PlValue>& a, bool left) {
  double requested = a[1].ToNumber();
  if (requested > static_cast<double>(kMaxText)) TooLong();
  auto width = static_cast<long long>(requested);
  std::string text = a[0].ToText();
  std::string fill = a.size() > 2 ? a[2].ToText() : " ";
  if (width <= 0 || fill.empty()) return {};
  if (static_cast<long long>(text.size()) >= width)
    return text.substr(0, static_cast<size_t>(width));
  std::string padding;
  while (static_cast<long long>(padding.size() + text.size()) < width) padding += fill;
  padding.resize(static_cast<size_t>(width) - text.size());
  return left ? padding + text : text + padding;
}

std::string TrimSet(const std::string& text, const std::string& set, bool left, bool right) {
  size_t begin = 0;
  size_t end = text.size();
  if (left)
    while (begin < end && set.find(text[begin]) != std::string::npos) ++begin;
  if (right)
    while (end > begin && set.find(text[end - 1]) != std::string::npos) --end;
  return text.substr(begin, end - begin);
}

const std::map<std::string, Function>& Functions() {
  static const std::map<std::string, Function> functions = {
      {"UPPER",
       [](const auto& a) {
         std::string text = a.at(0).ToText();
         for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
         return PlValue::Text(text);
       }},
      {"LOWER",
       [](const auto& a) {
         std::string text = a.at(0).ToText();
         for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
         return PlValue::Text(text);
       }},
      {"INITCAP",
       [](const auto& a) {
         std::string text = a.at(0).ToText();
         bool start = true;
         for (auto& c : text) {
           auto u = static_cast<unsigned char>(c);
           c = static_cast<char>(start ? std::toupper(u) : std::tolower(u));
           start = !std::isalnum(u);
         }
         return PlValue::Text(text);
       }},
      {"LENGTH",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null(PlType::Number);
         std::string text = a[0].ToText();
         auto characters = std::count_if(text.begin(), text.end(), [](char c) {
           return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
         });
         return PlValue::Number(static_cast<double>(characters));
       }},
      {"LENGTHB",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null(PlType::Number);
         return PlValue::Number(static_cast<double>(a[0].ToText().size()));
       }},
      {"SUBSTR",
       [](const auto& a) {
         if (a.size() < 2 || AnyNull(a)) return PlValue::Null();
         std::string text = a[0].ToText();
         auto length = static_cast<long long>(text.size());
         auto start = static_cast<long long>(std::trunc(a[1].ToNumber()));
         if (start == 0) start = 1;
         if (start < 0) start = length + start + 1;
         if (start < 1 || start > length) return PlValue::Null();
         long long count =
             a.size() > 2 ? static_cast<long long>(std::trunc(a[2].ToNumber())) : length;
         if (count < 1) return PlValue::Null();
         return PlValue::Text(
             text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
       }},
      {"INSTR",
       [](const auto& a) {
         if (a.size() < 2 || AnyNull(a)) return PlValue::Null(PlType::Number);
         std::string text = a[0].ToText();
         std::string needle = a[1].ToText();
         auto start = a.size() > 2 ? static_cast<long long>(a[2].ToNumber()) : 1;
         auto occurrence = a.size() > 3 ? static_cast<long long>(a[3].ToNumber()) : 1;
         if (start < 1 || occurrence < 1) return PlValue::Number(0);
         size_t at = static_cast<size_t>(start - 1);
         for (;;) {
           at = text.find(needle, at);
           if (at == std::string::npos) return PlValue::Number(0);
           if (--occurrence == 0) return PlValue::Number(static_cast<double>(at + 1));
           ++at;
         }
       }},
      {"NVL", [](const auto& a) { return a.at(0).IsNull() ? a.at(1) : a[0]; }},
      {"NVL2", [](const auto& a) { return a.at(0).IsNull() ? a.at(2) : a.at(1); }},
      {"COALESCE",
       [](const auto& a) {
         for (const auto& value : a)
           if (!value.IsNull()) return value;
         return PlValue::Null();
       }},
      {"TO_CHAR",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null();
         if (a[0].Type() == PlType::Date)
           return PlValue::Text(
               PlValue::DateText(a[0].ToDate(), a.size() > 1 ? a[1].ToText() : "DD-MON-RR"));
         if (a[0].Type() == PlType::Timestamp) {
           if (a.size() < 2) return PlValue::Text(a[0].ToText());
           return PlValue::Text(PlValue::TimestampText(a[0].ToTimestamp(), a[1].ToText()));
         }
         if (a[0].Type() == PlType::Number)
           return PlValue::Text(PlValue::NumberText(a[0].ToNumber()));
         return PlValue::Text(a[0].ToText());
       }},
      {"TO_NUMBER",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null(PlType::Number);
         return PlValue::Number(a[0].ToNumber());
       }},
      {"TO_DATE",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null(PlType::Date);
         if (a[0].Type() == PlType::Date) return a[0];
         if (a[0].Type() == PlType::Timestamp) return PlValue::Date(a[0].ToDate());
         return PlValue::Date(
             PlValue::ParseDate(a[0].ToText(), a.size() > 1 ? a[1].ToText() : "DD-MON-RR"));
       }},
      {"TRIM",
       [](const auto& a) { return PlValue::Text(TrimSet(a.at(0).ToText(), " ", true, true)); }},
      {"LTRIM",
       [](const auto& a) {
         return PlValue::Text(
             TrimSet(a.at(0).ToText(), a.size() > 1 ? a[1].ToText() : " ", true, false));
       }},
      {"RTRIM",
       [](const auto& a) {
         return PlValue::Text(
             TrimSet(a.at(0).ToText(), a.size() > 1 ? a[1].ToText() : " ", false, true));
       }},
      {"REPLACE",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null();
         std::string text = a[0].ToText();
         std::string from = a.size() > 1 ? a[1].ToText() : "";
         std::string to = a.size() > 2 ? a[2].ToText() : "";
         if (from.empty()) return PlValue::Text(text);
         std::string out;
         size_t at = 0;
         for (size_t found; (found = text.find(from, at)) != std::string::npos;
              at = found + from.size()) {
           out += text.substr(at, found - at) + to;
         }
         return PlValue::Text(out + text.substr(at));
       }},
      {"LPAD",
       [](const auto& a) {
         return a.size() < 2 || AnyNull(a) ? PlValue::Null() : PlValue::Text(Pad(a, true));
       }},
      {"RPAD",
       [](const auto& a) {
         return a.size() < 2 || AnyNull(a) ? PlValue::Null() : PlValue::Text(Pad(a, false));
       }},
      {"CHR",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null();
         return PlValue::Text(
             std::string(1, static_cast<char>(static_cast<int>(a[0].ToNumber()) & 0xFF)));
       }},
      {"ASCII",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null(PlType::Number);
         return PlValue::Number(static_cast<unsigned char>(a[0].ToText()[0]));
       }},
      {"ABS",
       [](const auto& a) {
         return a.at(0).IsNull() ? PlValue::Null(PlType::Number)
                                 : PlValue::Number(std::fabs(a[0].ToNumber()));
       }},
      {"SIGN",
       [](const auto& a) {
         if (a.at(0).IsNull()) return PlValue::Null(PlType::Number);
         double v = a[0].ToNumber();
         return PlValue::Number(v > 0 ? 1 : v < 0 ? -1 : 0);
       }},
      {"FLOOR",
       [](const auto& a) {
         return a.at(0).IsNull() ? PlValue::Null(PlType::Number)
                                 : PlValue::Number(std::floor(a[0].ToNumber()));
       }},
      {"CEIL",
       [](const auto& a) {
         return a.at(0).IsNull() ? PlValue::Null(PlType::Number)
                                 : PlValue::Number(std::ceil(a[0].ToNumber()));
       }},
      {"SQRT",
       [](const auto& a) {
         return a.at(0).IsNull() ? PlValue::Null(PlType::Number)
                                 : PlValue::Number(std::sqrt(a[0].ToNumber()));
       }},
      {"POWER",
       [](const auto& a) {
         return AnyNull(a) ? PlValue::Null(PlType::Number)
                           : PlValue::Number(std::pow(a.at(0).ToNumber(), a.at(1).ToNumber()));
       }},
      {"MOD",
       [](const auto& a) {
         if (AnyNull(a)) return PlValue::Null(PlType::Number);
         double x = a.at(0).ToNumber();
         double y = a.at(1).ToNumber();
         return PlValue::Number(y == 0 ? x : x - y * std::trunc(x / y));
       }},
      {"ROUND",
       [](const auto& a) {
         if (AnyNull(a)) return PlValue::Null(PlType::Number);
         double scale = std::pow(10.0, a.size() > 1 ? a[1].ToNumber() : 0);
         return PlValue::Number(std::round(a.at(0).ToNumber() * scale) / scale);
       }},
      {"TRUNC",
       [](const auto& a) {
         if (AnyNull(a)) return a.at(0);
         // TRUNC of a timestamp is a DATE, as in Oracle.
         if (a[0].Type() == PlType::Date || a[0].Type() == PlType::Timestamp) {
           sql::OracleDate date = a[0].ToDate();
           date.hour = date.minute = date.second = 0;
           return PlValue::Date(date);
         }
         double scale = std::pow(10.0, a.size() > 1 ? a[1].ToNumber() : 0);
         return PlValue::Number(std::trunc(a[0].ToNumber() * scale) / scale);
       }},
      {"GREATEST",
       [](const auto& a) {
         if (a.empty() || AnyNull(a)) return PlValue::Null();
         PlValue best = a[0];
         for (const auto& v : a)
           if (StandardFunctions::Compare(v, best) > 0) best = v;
         return best;
       }},
      {"LEAST",
       [](const auto& a) {
         if (a.empty() || AnyNull(a)) return PlValue::Null();
         PlValue best = a[0];
         for (const auto& v : a)
           if (StandardFunctions::Compare(v, best) < 0) best = v;
         return best;
       }},
      {"RAWTOHEX",
       [](const auto& a) {
         return a.at(0).IsNull() ? PlValue::Null()
                                 : PlValue::Text(PlValue::Raw(a[0].ToRaw()).ToText());
       }},
      {"HEXTORAW",
       [](const auto& a) {
         return a.at(0).IsNull() ? PlValue::Null(PlType::Raw) : PlValue::Raw(a[0].ToRaw());
       }},
      {"ADD_MONTHS",
       [](const auto& a) {
         if (AnyNull(a)) return PlValue::Null(PlType::Date);
         sql::OracleDate date = a.at(0).ToDate();
         long long months =
             date.year * 12LL + (date.month - 1) + static_cast<long long>(a.at(1).ToNumber());
         date.year = static_cast<int>(months / 12);
         date.month = static_cast<int>(months % 12) + 1;
         return PlValue::Date(date);
       }},
  };
  return functions;
}

}  // namespace

bool StandardFunctions::Exists(const std::string& name) { return Functions().count(name) > 0; }

PlValue StandardFunctions::Call(const std::string& name, const std::vector<PlValue>& arguments) {
  const auto& function = Functions().at(name);
  try {
    return function(arguments);
  } catch (const std::out_of_range&) {
    WrongArguments(name);
  }
}

void StandardFunctions::RaiseApplicationError(const std::vector<PlValue>& arguments) {
  if (arguments.size() < 2 || arguments.size() > 3) WrongArguments("RAISE_APPLICATION_ERROR");
  double number = arguments[0].IsNull() ? 0 : arguments[0].ToNumber();
  auto code = static_cast<long long>(number);
  if (code > -20000 || code < -20999) {
    throw PlsqlError(texts::kRaiseApplicationRange, {PlValue::NumberText(number)});
  }
  std::string message = arguments[1].ToText();
  if (message.size() > 2048) message.resize(2048);
  throw PlsqlError(static_cast<int>(-code), texts::Prefix(static_cast<int>(-code)) + message);
}

int StandardFunctions::Compare(const PlValue& left, const PlValue& right) {
  if (left.Type() == PlType::Boolean || right.Type() == PlType::Boolean) {
    if (left.Type() != right.Type()) throw PlsqlError(texts::kValueError);
    return static_cast<int>(left.AsBoolean()) - static_cast<int>(right.AsBoolean());
  }
  if (left.Type() == PlType::Number || right.Type() == PlType::Number) {
    double a = left.ToNumber();
    double b = right.ToNumber();
    return a < b ? -1 : a > b ? 1 : 0;
  }
  if (left.Type() == PlType::Timestamp || right.Type() == PlType::Timestamp) {
    // Moments compare in UTC when either carries a zone; one without is in the session's.
    TimestampParts a = left.ToTimestamp();
    TimestampParts b = right.ToTimestamp();
    bool zoned = a.withTimeZone || b.withTimeZone;
    auto offset = [zoned](const TimestampParts& t) {
      return !zoned ? 0 : t.withTimeZone ? t.offsetMinutes : PlValue::SessionOffsetMinutes();
    };
    long long seconds =
        std::llround(DaysBetween(a.date, b.date) * 86400.0) - (offset(a) - offset(b)) * 60LL;
    if (seconds != 0) return seconds < 0 ? -1 : 1;
    return a.nanoseconds < b.nanoseconds ? -1 : a.nanoseconds > b.nanoseconds ? 1 : 0;
  }
  if (left.Type() == PlType::Date || right.Type() == PlType::Date) {
    double difference = DaysBetween(left.ToDate(), right.ToDate());
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
  }
  int order = left.ToText().compare(right.ToText());
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

bool StandardFunctions::Like(const std::string& text, const std::string& pattern) {
  // Iterative wildcard match with back-tracking to the last %.
  size_t t = 0, p = 0, starP = std::string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '%') {
      starP = p++;
      starT = t;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

sql::OracleDate StandardFunctions::AddDays(const sql::OracleDate& date, double days) {
  long long seconds = DayNumber(date.year, date.month, date.day) * 86400LL + date.hour * 3600LL +
                      date.minute * 60LL + date.second + std::llround(days * 86400.0);
  long long day = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  return FromDayNumber(day, seconds - day * 86400);
}

double StandardFunctions::DaysBetween(const sql::OracleDate& later,
                                      const sql::OracleDate& earlier) {
  auto seconds = [](const sql::OracleDate& d) {
    return DayNumber(d.year, d.month, d.day) * 86400LL + d.hour * 3600LL + d.minute * 60LL +
           d.second;
  };
  return static_cast<double>(seconds(later) - seconds(earlier)) / 86400.0;
}

std::string StandardFunctions::ErrorText(int sqlcode) {
  if (sqlcode == 0) return texts::kNormalCompletion;
  if (sqlcode == 100) return texts::Text(texts::kNoDataFound);
  if (sqlcode == 1) return texts::kUserDefinedException;
  int code = sqlcode < 0 ? -sqlcode : sqlcode;
  for (const texts::OracleText* known :
       {&texts::kNoDataFound, &texts::kTooManyRows, &texts::kZeroDivide, &texts::kValueError,
        &texts::kInvalidNumber}) {
    if (known->code == code) return texts::Text(*known);
  }
  return texts::Prefix(code) + texts::Fill(texts::kSqlerrmNotFound, {std::to_string(code)});
}

}  // namespace devdb::plsql
