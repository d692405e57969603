// The "ora_" SQLite functions. Dates reach them in the engine's storage text, numbers as
// SQLite integers or reals; an empty text result is returned as NULL because Oracle has
// no empty strings.
#include "devdb/sql/OracleFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string_view>

#include "devdb/sql/DateFormat.h"
#include "devdb/sql/ExtendedTypes.h"
#include "devdb/sql/NumberText.h"
#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {
namespace {

const char* kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

class Call {
 public:
  Call(sqlite3_context* context, int count, sqlite3_value** values)
      : context_(context), count_(count), values_(values),
        state_(*static_cast<SessionState*>(sqlite3_user_data(context))) {}

  int Count() const { return count_; }
  SessionState& State() const { return state_; }
  bool IsNull(int i) const { return i >= count_ || sqlite3_value_type(values_[i]) == SQLITE_NULL; }
  bool AnyNull() const {
    for (int i = 0; i < count_; ++i)
      if (IsNull(i)) return true;
    return false;
  }
  int Type(int i) const { return sqlite3_value_type(values_[i]); }

  std::string Text(int i) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values_[i]));
    if (!text) return {};
    const int type = Type(i);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
      return NumberText::OracleDefault(sqlite3_value_double(values_[i]));
    return std::string(text, static_cast<std::size_t>(sqlite3_value_bytes(values_[i])));
  }

  double Number(int i) const {
    switch (Type(i)) {
      case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(values_[i]));
      case SQLITE_FLOAT: return sqlite3_value_double(values_[i]);
      default: {
        const auto parsed = NumberText::Parse(Text(i));
        if (!parsed) throw OracleErrors::Make(texts::kInvalidNumber);
        return *parsed;
      }
    }
  }

  OracleDate Date(int i) const {
    OracleDate date;
    const std::string text = Text(i);
    if (DateFormat::FromStorage(text, date)) return date;
    return DateFormat::Parse(text, state_.nlsDateFormat, DateFormat::Now().year);
  }

  void ResultNull() { sqlite3_result_null(context_); }
  void ResultText(const std::string& text) {
    if (text.empty()) return ResultNull();
    sqlite3_result_text(context_, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void ResultNumber(double value) {
    if (!std::isfinite(value)) throw OracleErrors::Make(texts::kNumericOverflow, {});
    if (value == std::trunc(value) && std::fabs(value) < 9.0e15)
      sqlite3_result_int64(context_, static_cast<std::int64_t>(value));
    else
      sqlite3_result_double(context_, value);
  }
  void ResultDate(const OracleDate& date) { ResultText(DateFormat::ToStorage(date)); }
  void ResultValue(int i) { sqlite3_result_value(context_, values_[i]); }
  void ResultBlob(const std::string& bytes) {
    sqlite3_result_blob(context_, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  }
  const std::string Blob(int i) const {
    const auto* data = static_cast<const char*>(sqlite3_value_blob(values_[i]));
    return data ? std::string(data, static_cast<std::size_t>(sqlite3_value_bytes(values_[i])))
                : std::string();
  }

 private:
  sqlite3_context* context_;
  int count_;
  sqlite3_value** values_;
  SessionState& state_;
};

using Body = void (*)(Call&);

template <Body body>
void Invoke(sqlite3_context* context, int count, sqlite3_value** values) {
  try {
    Call call(context, count, values);
    body(call);
  } catch (const SqlError& error) {
    sqlite3_result_error(context, error.what(), -1);
  } catch (const std::exception& error) {
    sqlite3_result_error(context, texts::Text(texts::kInternalError, {error.what()}).c_str(), -1);
  }
}

// UTF-8 characters of a text; a byte that does not start a valid sequence counts as one
// character, which is how LENGTH(CHR(2000000000)) comes to give the bytes per character.
std::vector<std::string_view> Characters(std::string&&) = delete;  // views would dangle
std::vector<std::string_view> Characters(const std::string& text) {
  std::vector<std::string_view> characters;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    bool valid = i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k)
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (!valid) length = 1;
    characters.push_back(std::string_view(text).substr(i, length));
    i += length;
  }
  return characters;
}

std::string Join(const std::vector<std::string_view>& characters, std::size_t from, std::size_t count) {
  std::string text;
  for (std::size_t k = from; k < characters.size() && k < from + count; ++k) text += characters[k];
  return text;
}

// A position, count or length argument as a whole number, clamped so that a huge or
// infinite value cannot overflow the conversion (no text is that long anyway).
long Whole(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<long>(std::trunc(std::clamp(value, -1.0e15, 1.0e15)));
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// --- identity and session -----------------------------------------------------------

void User(Call& call) { call.ResultText(call.State().user); }
void Uid(Call& call) { call.ResultNumber(static_cast<double>(call.State().userId)); }
void Sysdate(Call& call) { call.ResultDate(DateFormat::Now()); }

void Userenv(Call& call) {
  if (call.IsNull(0)) throw OracleErrors::Make(texts::kInvalidUserenvParameter);
  const std::string parameter = Upper(call.Text(0));
  SessionState& state = call.State();
  if (parameter == "SESSIONID") return call.ResultNumber(static_cast<double>(state.audsid));
  if (parameter == "SID") return call.ResultNumber(state.sid);
  if (parameter == "TERMINAL") return call.ResultText(state.machine.empty() ? "unknown" : state.machine);
  if (parameter == "LANGUAGE") return call.ResultText("AMERICAN_AMERICA.AL32UTF8");
  if (parameter == "LANG") return call.ResultText("US");
  if (parameter == "ISDBA") return call.ResultText(state.sysdba ? "TRUE" : "FALSE");
  if (parameter == "INSTANCE") return call.ResultNumber(1);
  if (parameter == "ENTRYID") return call.ResultNumber(0);
  if (parameter == "CLIENT_INFO") {
    std::lock_guard lock(state.applicationMutex);
    return call.ResultText(state.clientInfo);
  }
  throw OracleErrors::Make(texts::kInvalidUserenvParameter);
}

void SysContext(Call& call) {
  if (call.IsNull(0) || call.IsNull(1)) return call.ResultNull();
  const std::string space = Upper(call.Text(0));
  const std::string parameter = Upper(call.Text(1));
  SessionState& state = call.State();
  if (space != "USERENV") return call.ResultNull();  // an application context never set
  std::string value;
  if (parameter == "SESSIONID") value = std::to_string(state.audsid);
  else if (parameter == "SID") value = std::to_string(state.sid);
  else if (parameter == "SESSION_USER" || parameter == "CURRENT_USER") value = state.user;
  else if (parameter == "CURRENT_SCHEMA") value = state.schema;
  else if (parameter == "SESSION_USERID" || parameter == "CURRENT_USERID") value = std::to_string(state.userId);
  else if (parameter == "OS_USER") value = state.osUser;
  else if (parameter == "HOST" || parameter == "TERMINAL") value = state.machine;
  else if (parameter == "DB_NAME" || parameter == "INSTANCE_NAME" || parameter == "SERVICE_NAME" ||
           parameter == "DB_UNIQUE_NAME" || parameter == "CON_NAME")
    value = "DEVDB";
  else if (parameter == "SERVER_HOST") value = "localhost";
  else if (parameter == "LANGUAGE") value = "AMERICAN_AMERICA.AL32UTF8";
  else if (parameter == "LANG") value = "US";
  else if (parameter == "NLS_DATE_FORMAT") value = state.nlsDateFormat;
  else if (parameter == "NLS_DATE_LANGUAGE") value = "AMERICAN";
  else if (parameter == "NLS_TERRITORY") value = "AMERICA";
  else if (parameter == "ISDBA") value = state.sysdba ? "TRUE" : "FALSE";
  else if (parameter == "AUTHENTICATION_METHOD") value = "PASSWORD";
  else if (parameter == "INSTANCE") value = "1";
  else if (parameter == "MODULE" || parameter == "ACTION" || parameter == "CLIENT_INFO") {
    std::lock_guard lock(state.applicationMutex);
    value = parameter == "MODULE" ? state.module : parameter == "ACTION" ? state.action : state.clientInfo;
  } else {
    throw OracleErrors::Make(texts::kInvalidUserenvParameter);
  }
  call.ResultText(value);
}

// --- conversions ----------------------------------------------------------------------

void DateText(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  call.ResultText(DateFormat::Format(call.Date(0), call.State().nlsDateFormat));
}

void ToCharDate(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  if (call.IsNull(1)) return call.ResultNull();
  call.ResultText(DateFormat::Format(call.Date(0), call.Text(1)));
}

void NumberTextOf(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  if (call.Type(0) == SQLITE_TEXT || call.Type(0) == SQLITE_BLOB) return call.ResultValue(0);
  call.ResultText(NumberText::OracleDefault(call.Number(0)));
}

void ToCharNumber(Call& call) {
  if (call.IsNull(0) || call.IsNull(1)) return call.ResultNull();
  call.ResultText(NumberText::Format(call.Number(0), call.Text(1)));
}

void ToDate(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  if (call.Count() > 1 && call.IsNull(1)) return call.ResultNull();
  const std::string format = call.Count() > 1 ? call.Text(1) : call.State().nlsDateFormat;
  std::string text = call.Text(0);
  call.ResultDate(DateFormat::Parse(text, format, DateFormat::Now().year));
}

void AsDate(Call& call) {  // implicit conversion: storage form passes, other text uses NLS
  if (call.IsNull(0)) return call.ResultNull();
  if (call.Type(0) == SQLITE_INTEGER || call.Type(0) == SQLITE_FLOAT)
    throw OracleErrors::Make(texts::kInconsistentDatatypes, {"DATE", "NUMBER"});
  call.ResultDate(call.Date(0));
}

void ToNumber(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  if (call.Type(0) == SQLITE_TEXT && call.Count() > 1 && !call.IsNull(1)) {
    std::string text;
    for (char c : call.Text(0))
      if (c != ',' && c != '$') text += c;
    const auto parsed = NumberText::Parse(text);
    if (!parsed) throw OracleErrors::Make(texts::kInvalidNumber);
    return call.ResultNumber(*parsed);
  }
  call.ResultNumber(call.Number(0));
}

// --- text functions ---------------------------------------------------------------------

void Concat(Call& call) {
  std::string text;
  for (int i = 0; i < call.Count(); ++i)
    if (!call.IsNull(i)) text += call.Type(i) == SQLITE_BLOB ? call.Blob(i) : call.Text(i);
  call.ResultText(text);
}

void Chr(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  const double number = call.Number(0);
  if (number < 0 || number >= 4294967296.0) throw OracleErrors::Make(texts::kNumericOverflow);
  std::uint64_t code = static_cast<std::uint64_t>(number);
  const int bytes = std::max(1, std::min(4, call.State().bytesPerCharacter));
  if (bytes < 8) code %= (std::uint64_t{1} << (8 * bytes));
  std::string text;
  do {
    text.insert(text.begin(), static_cast<char>(code & 0xff));
    code >>= 8;
  } while (code != 0);
  call.ResultText(text);
}

void Length(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  const std::string text = call.Type(0) == SQLITE_BLOB ? call.Blob(0) : call.Text(0);
  call.ResultNumber(static_cast<double>(Characters(text).size()));
}

void Substr(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  const std::string source = call.Text(0);
  const auto characters = Characters(source);
  const auto size = static_cast<long>(characters.size());
  long position = Whole(call.Number(1));
  if (position == 0) position = 1;
  if (position < 0) position = size + position + 1;
  if (position < 1 || position > size) return call.ResultNull();
  long count = size - position + 1;
  if (call.Count() > 2) {
    const long wanted = Whole(call.Number(2));
    if (wanted < 1) return call.ResultNull();
    if (wanted < count) count = wanted;
  }
  call.ResultText(Join(characters, static_cast<std::size_t>(position - 1), static_cast<std::size_t>(count)));
}

void Instr(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  const std::string haystackText = call.Text(0), needleText = call.Text(1);
  const auto haystack = Characters(haystackText);
  const auto needle = Characters(needleText);
  long position = call.Count() > 2 ? Whole(call.Number(2)) : 1;
  long occurrence = call.Count() > 3 ? Whole(call.Number(3)) : 1;
  if (position == 0) return call.ResultNumber(0);
  if (occurrence < 1)
    throw OracleErrors::Make(texts::kArgumentOutOfRange, {std::to_string(occurrence)});
  const long size = static_cast<long>(haystack.size());
  const long width = static_cast<long>(needle.size());
  auto matchesAt = [&](long start) {
    if (start < 0 || start + width > size) return false;
    for (long k = 0; k < width; ++k)
      if (haystack[static_cast<std::size_t>(start + k)] != needle[static_cast<std::size_t>(k)]) return false;
    return true;
  };
  if (position > 0) {
    for (long start = position - 1; start + width <= size; ++start)
      if (matchesAt(start) && --occurrence == 0) return call.ResultNumber(static_cast<double>(start + 1));
  } else {
    for (long start = size + position; start >= 0; --start)
      if (matchesAt(start) && --occurrence == 0) return call.ResultNumber(static_cast<double>(start + 1));
  }
  call.ResultNumber(0);
}

void Pad(Call& call, bool left) {
  if (call.AnyNull()) return call.ResultNull();
  const std::string source = call.Text(0);
  const auto characters = Characters(source);
  const double wanted = std::trunc(call.Number(1));
  if (wanted < 1) return call.ResultNull();
  const auto length = static_cast<std::size_t>(std::min(wanted, 32767.0));
  const std::string padText = call.Count() > 2 ? call.Text(2) : std::string(" ");
  const auto pad = Characters(padText);
  if (characters.size() >= length) return call.ResultText(Join(characters, 0, length));
  std::string padding;
  for (std::size_t k = 0; k < length - characters.size(); ++k) padding += pad[k % pad.size()];
  const std::string text = Join(characters, 0, characters.size());
  call.ResultText(left ? padding + text : text + padding);
}
void Lpad(Call& call) { Pad(call, true); }
void Rpad(Call& call) { Pad(call, false); }

// ora_trim(text, set, mode): mode 1 leading, 2 trailing, 3 both; set of characters.
void Trim(Call& call) {
  if (call.IsNull(0) || call.IsNull(1)) return call.ResultNull();
  const std::string source = call.Text(0), setText = call.Text(1);
  const auto characters = Characters(source);
  const auto set = Characters(setText);
  const int mode = static_cast<int>(call.Number(2));
  auto inSet = [&](std::string_view c) {
    for (auto s : set)
      if (s == c) return true;
    return false;
  };
  std::size_t begin = 0, end = characters.size();
  if (mode & 1)
    while (begin < end && inSet(characters[begin])) ++begin;
  if (mode & 2)
    while (end > begin && inSet(characters[end - 1])) --end;
  call.ResultText(Join(characters, begin, end - begin));
}

void Replace(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  std::string text = call.Text(0);
  if (call.IsNull(1)) return call.ResultText(text);
  const std::string from = call.Text(1);
  const std::string to = call.Count() > 2 && !call.IsNull(2) ? call.Text(2) : std::string();
  std::string out;
  std::size_t at = 0;
  while (true) {
    const std::size_t found = text.find(from, at);
    if (found == std::string::npos) break;
    out += text.substr(at, found - at) + to;
    at = found + from.size();
  }
  out += text.substr(at);
  call.ResultText(out);
}

// --- numbers and dates -------------------------------------------------------------------

void Div(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  const double divisor = call.Number(1);
  if (divisor == 0) throw OracleErrors::Make(texts::kZeroDivide);
  call.ResultNumber(std::stod(NumberText::Canonical(call.Number(0) / divisor)));
}

void Mod(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  const double a = call.Number(0), b = call.Number(1);
  if (b == 0) return call.ResultNumber(a);
  call.ResultNumber(std::stod(NumberText::Canonical(a - b * std::trunc(a / b))));
}

void RoundNumber(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  const int places = call.Count() > 1 ? static_cast<int>(std::clamp(Whole(call.Number(1)), -300L, 300L)) : 0;
  call.ResultNumber(NumberText::Round(call.Number(0), places));
}

void TruncNumber(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  const int places = call.Count() > 1 ? static_cast<int>(std::clamp(Whole(call.Number(1)), -300L, 300L)) : 0;
  call.ResultNumber(NumberText::Truncate(call.Number(0), places));
}

void TruncDate(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  call.ResultDate(DateFormat::Truncate(call.Date(0), call.Count() > 1 ? call.Text(1) : std::string("DD")));
}

void DateAdd(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  call.ResultDate(DateFormat::FromDays(DateFormat::ToDays(call.Date(0)) + call.Number(1)));
}

void DateDiff(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  const double days = DateFormat::ToDays(call.Date(0)) - DateFormat::ToDays(call.Date(1));
  call.ResultNumber(std::stod(NumberText::Canonical(days)));
}

void AddMonths(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  call.ResultDate(DateFormat::AddMonths(call.Date(0), static_cast<int>(std::clamp(Whole(call.Number(1)), -200000L, 200000L))));
}

void LastDay(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  OracleDate date = call.Date(0);
  date.day = DateFormat::DaysInMonth(date.year, date.month);
  call.ResultDate(date);
}

void Rowid(Call& call) {
  if (call.AnyNull()) return call.ResultNull();
  call.ResultText(OracleFunctions::EncodeRowid(sqlite3_int64(call.Number(0)), sqlite3_int64(call.Number(1))));
}

// ora_rowid_check(text): a text compared with a ROWID must be one (ORA-01410).
void RowidCheck(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  const std::string text = call.Text(0);
  if (OracleFunctions::DecodeRowid(text) < 0) throw OracleErrors::Make(texts::kInvalidRowid);
  call.ResultText(text);
}

// ora_store(value, type, size, precision, scale, column): the conversion and checks a value
// goes through on its way into a column.
void Store(Call& call) {
  if (call.IsNull(0)) return call.ResultNull();
  const int type = static_cast<int>(call.Number(1));
  const int size = static_cast<int>(call.Number(2));
  const int precision = static_cast<int>(call.Number(3));
  const int scale = static_cast<int>(call.Number(4));
  const std::string column = call.Text(5);
  switch (type) {
    case 2: {
      if (call.Type(0) == SQLITE_BLOB)
        throw OracleErrors::Make(texts::kInconsistentDatatypes, {"NUMBER", "BINARY"});
      double value = call.Number(0);
      if (precision > 0 && scale != -127) {
        value = NumberText::Round(value, scale);
        if (std::fabs(value) >= std::pow(10.0, precision - scale))
          throw OracleErrors::Make(texts::kValueLargerThanPrecision);
      }
      return call.ResultNumber(value);
    }
    case 12:
      if (call.Type(0) == SQLITE_INTEGER || call.Type(0) == SQLITE_FLOAT)
        throw OracleErrors::Make(texts::kInconsistentDatatypes, {"DATE", "NUMBER"});
      return call.ResultDate(call.Date(0));
    case 23:
    case 24: {
      std::string bytes;
      if (call.Type(0) == SQLITE_BLOB) {
        bytes = call.Blob(0);
      } else {
        const std::string hex = call.Text(0);
        if (hex.size() % 2) throw OracleErrors::Make(texts::kInvalidHexNumber, {});
        for (std::size_t k = 0; k < hex.size(); k += 2) {
          const std::string pair = hex.substr(k, 2);
          if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            throw OracleErrors::Make(texts::kInvalidHexNumber, {});
          bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
        }
      }
      if (type == 23 && static_cast<int>(bytes.size()) > size)
        throw OracleErrors::Make(texts::kValueTooLargeForColumn,
                                 {column, std::to_string(bytes.size()), std::to_string(size)});
      if (bytes.empty()) return call.ResultNull();
      return call.ResultBlob(bytes);
    }
    default: {
      std::string text = call.Type(0) == SQLITE_BLOB ? call.Blob(0) : call.Text(0);
      if (type == 96 && static_cast<int>(text.size()) < size) text.append(static_cast<std::size_t>(size) - text.size(), ' ');
      if ((type == 1 || type == 96) && static_cast<int>(text.size()) > size)
        throw OracleErrors::Make(texts::kValueTooLargeForColumn,
                                 {column, std::to_string(text.size()), std::to_string(size)});
      return call.ResultText(text);
    }
  }
}

// ora_single(value): the value of a scalar subquery's only row; NULL for no row and
// ORA-01427 for more than one, where SQLite would quietly take the first.
struct SingleRow {
  sqlite3_int64 rows;
  sqlite3_value* value;
};

void SingleStep(sqlite3_context* context, int, sqlite3_value** values) {
  auto* single = static_cast<SingleRow*>(sqlite3_aggregate_context(context, sizeof(SingleRow)));
  if (!single) return sqlite3_result_error_nomem(context);
  if (++single->rows == 1) single->value = sqlite3_value_dup(values[0]);
}

void SingleFinal(sqlite3_context* context) {
  auto* single = static_cast<SingleRow*>(sqlite3_aggregate_context(context, 0));
  if (!single || single->rows == 0) return sqlite3_result_null(context);
  if (single->rows > 1) {
    sqlite3_result_error(context, texts::Text(texts::kSubqueryReturnsManyRows).c_str(), -1);
  } else if (single->value) {
    sqlite3_result_value(context, single->value);
  } else {
    sqlite3_result_error_nomem(context);
  }
  sqlite3_value_free(single->value);
}

struct Definition {
  const char* name;
  int arguments;
  void (*function)(sqlite3_context*, int, sqlite3_value**);
  bool deterministic;
};

}  // namespace

void OracleFunctions::Register(sqlite3* db, SessionState& state) {
  static const Definition definitions[] = {
      {"ora_user", 0, Invoke<User>, false},
      {"ora_uid", 0, Invoke<Uid>, false},
      {"ora_sysdate", 0, Invoke<Sysdate>, false},
      {"ora_userenv", 1, Invoke<Userenv>, false},
      {"ora_sys_context", 2, Invoke<SysContext>, false},
      {"ora_sys_context", 3, Invoke<SysContext>, false},
      {"ora_date_text", 1, Invoke<DateText>, false},
      {"ora_to_char_date", 2, Invoke<ToCharDate>, true},
      {"ora_num_text", 1, Invoke<NumberTextOf>, true},
      {"ora_to_char_number", 2, Invoke<ToCharNumber>, true},
      {"ora_to_date", 1, Invoke<ToDate>, false},
      {"ora_to_date", 2, Invoke<ToDate>, false},
      {"ora_as_date", 1, Invoke<AsDate>, false},
      {"ora_to_number", 1, Invoke<ToNumber>, true},
      {"ora_to_number", 2, Invoke<ToNumber>, true},
      {"ora_concat", -1, Invoke<Concat>, true},
      {"ora_chr", 1, Invoke<Chr>, false},
      {"ora_length", 1, Invoke<Length>, true},
      {"ora_substr", 2, Invoke<Substr>, true},
      {"ora_substr", 3, Invoke<Substr>, true},
      {"ora_instr", 2, Invoke<Instr>, true},
      {"ora_instr", 3, Invoke<Instr>, true},
      {"ora_instr", 4, Invoke<Instr>, true},
      {"ora_lpad", 2, Invoke<Lpad>, true},
      {"ora_lpad", 3, Invoke<Lpad>, true},
      {"ora_rpad", 2, Invoke<Rpad>, true},
      {"ora_rpad", 3, Invoke<Rpad>, true},
      {"ora_trim", 3, Invoke<Trim>, true},
      {"ora_replace", 2, Invoke<Replace>, true},
      {"ora_replace", 3, Invoke<Replace>, true},
      {"ora_div", 2, Invoke<Div>, true},
      {"ora_mod", 2, Invoke<Mod>, true},
      {"ora_round_number", 1, Invoke<RoundNumber>, true},
      {"ora_round_number", 2, Invoke<RoundNumber>, true},
      {"ora_trunc_number", 1, Invoke<TruncNumber>, true},
      {"ora_trunc_number", 2, Invoke<TruncNumber>, true},
      {"ora_trunc_date", 1, Invoke<TruncDate>, false},
      {"ora_trunc_date", 2, Invoke<TruncDate>, false},
      {"ora_date_add", 2, Invoke<DateAdd>, false},
      {"ora_date_diff", 2, Invoke<DateDiff>, false},
      {"ora_add_months", 2, Invoke<AddMonths>, false},
      {"ora_last_day", 1, Invoke<LastDay>, false},
      {"ora_rowid", 2, Invoke<Rowid>, true},
      {"ora_rowid_check", 1, Invoke<RowidCheck>, true},
      {"ora_store", 6, Invoke<Store>, false},
  };
  ExtendedTypes::Register(db, state);
  sqlite3_create_function_v2(db, "ora_single", 1, SQLITE_UTF8, &state, nullptr, SingleStep,
                             SingleFinal, nullptr);
  for (const Definition& definition : definitions) {
    const int flags = SQLITE_UTF8 | (definition.deterministic ? SQLITE_DETERMINISTIC : 0);
    sqlite3_create_function_v2(db, definition.name, definition.arguments, flags, &state,
                               definition.function, nullptr, nullptr, nullptr);
  }
}

std::string OracleFunctions::EncodeRowid(std::int64_t objectId, std::int64_t rowid) {
  auto field = [](std::uint64_t value, int width) {
    std::string text(static_cast<std::size_t>(width), 'A');
    for (int k = width - 1; k >= 0; --k) {
      text[static_cast<std::size_t>(k)] = kBase64[value & 63];
      value >>= 6;
    }
    return text;
  };
  const auto row = static_cast<std::uint64_t>(rowid);
  return field(static_cast<std::uint64_t>(objectId), 6) + field(4, 3) + field(row >> 8, 6) +
         field(row & 255, 3);
}

std::int64_t OracleFunctions::DecodeRowid(const std::string& text) {
  if (text.size() != 18) return -1;
  auto field = [&](std::size_t from, std::size_t width) -> std::int64_t {
    std::int64_t value = 0;
    for (std::size_t k = from; k < from + width; ++k) {
      const char* at = std::strchr(kBase64, text[k]);
      if (!at || !*at) return -1;
      value = value * 64 + (at - kBase64);
    }
    return value;
  };
  const std::int64_t block = field(9, 6), row = field(15, 3);
  if (block < 0 || row < 0) return -1;
  return block * 256 + row;
}

}  // namespace devdb::sql
