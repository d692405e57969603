// Function calls in expressions: the built-in functions, found by name in a table of
// handlers that write their SQLite text and result type, and stored PL/SQL functions, which
// the session's PL/SQL engine runs through ora_plsql.
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "devdb/sql/DateFormat.h"
#include "devdb/sql/ExtendedTypes.h"
#include "devdb/sql/SqlTranslatorParser.h"

namespace devdb::sql::translation {

// A stored PL/SQL function: the session's PL/SQL engine runs it for each row through
// ora_plsql, which gets the name, one letter per argument telling what kind of value the
// argument is (a date and a number both arrive in SQLite's own forms), and the arguments.
Expr Parser::StoredFunctionCall(const std::vector<std::string>& parts,
                                const ColumnDescription& type, const std::vector<Expr>& args) {
  Expr result;
  std::string name;
  for (const auto& part : parts) name += (name.empty() ? "" : ".") + part;
  std::string quotedName;
  for (char c : name) quotedName += c == '\'' ? std::string("''") : std::string(1, c);
  std::string kinds;
  std::string arguments;
  for (const Expr& arg : args) {
    kinds += IsNumber(arg.type) ? 'N' : IsDate(arg.type) ? 'D' : IsRaw(arg.type) ? 'R' : 'T';
    arguments += ", " + arg.sql;
    Merge(result, arg);
  }
  result.sql = "ora_plsql('" + quotedName + "', '" + kinds + "'" + arguments + ")";
  result.type = type;
  result.type.name.clear();
  result.type.nullable = true;
  return result;
}

namespace {

std::string List(std::initializer_list<std::string> parts) {
  std::string joined;
  for (const auto& part : parts) joined += (joined.empty() ? "" : ", ") + part;
  return joined;
}

}  // namespace

// One call of a built-in function whose arguments are a plain list of values, as its handler
// sees it: the arguments, where each began, and the result, which already carries what the
// arguments bring along (aggregates, bare columns); the handler writes its text and type.
struct Parser::FunctionCall {
  Parser& parser;
  const std::string& name;
  const Token& at;
  std::vector<Expr> args;
  std::vector<const Token*> argAt;
  Expr result;

  void Arity(std::size_t least, std::size_t most) const {
    if (args.size() < least || args.size() > most)
      parser.Fail(texts::kInvalidNumberOfArguments, at);
  }
  std::string Text(std::size_t k) { return parser.AsText(args[k]); }
  std::string Number(std::size_t k) { return parser.AsNumber(args[k], *argAt[k]); }
  std::string Date(std::size_t k) { return parser.AsDate(args[k], *argAt[k]); }
  // Handlers that several names share.
  static void ChooseAmong(FunctionCall& call);
  static void UpperOrLower(FunctionCall& call);
  static void TrimOneSide(FunctionCall& call);
  static void Pad(FunctionCall& call);
  static void TruncOrRound(FunctionCall& call);

  // A literal format model checked where the statement is parsed, its errors placed on it.
  template <typename Check>
  void CheckLiteral(std::size_t k, Check check) {
    if (args.size() <= k || !args[k].stringLiteral) return;
    try {
      check(*args[k].stringLiteral);
    } catch (const SqlError& error) {
      throw SqlError(error.Code(), error.what(), argAt[k]->offset);
    }
  }
};

Expr Parser::ParseFunction(const std::string& name, const Token& at) {
  ExpectSymbol("(", texts::kMissingLeftParenthesis);
  const auto& forms = SpecialForms();
  if (auto form = forms.find(name); form != forms.end()) return (this->*form->second)(name, at);
  FunctionCall call{*this, name, at, {}, {}, {}};
  if (!Peek().IsSymbol(")")) {
    do {
      call.argAt.push_back(&Peek());
      call.args.push_back(RequireValue(ParseExpression(), Peek()));
    } while (AcceptSymbol(","));
  }
  ExpectSymbol(")", texts::kMissingRightParenthesis);
  for (const Expr& arg : call.args) Merge(call.result, arg);
  const auto& functions = BuiltinFunctions();
  if (auto function = functions.find(name); function != functions.end()) {
    function->second(call);
    return call.result;
  }
  if (auto type = StoredFunction({name})) return StoredFunctionCall({name}, *type, call.args);
  Fail(texts::kInvalidIdentifier, at, {Quote(name)});
}

const std::map<std::string, Parser::SpecialForm>& Parser::SpecialForms() {
  static const std::map<std::string, SpecialForm> forms = {
      {"COUNT", &Parser::ParseAggregate}, {"SUM", &Parser::ParseAggregate},
      {"AVG", &Parser::ParseAggregate},   {"MIN", &Parser::ParseAggregate},
      {"MAX", &Parser::ParseAggregate},   {"TRIM", &Parser::ParseTrim},
      {"CAST", &Parser::ParseCast}};
  return forms;
}

Expr Parser::ParseAggregate(const std::string& name, const Token& at) {
  Expr result;
  if (!aggregatesAllowed_) Fail(texts::kGroupFunctionNotAllowed, at);
  aggregatesAllowed_ = false;
  std::string sql;
  if (name == "COUNT" && AcceptSymbol("*")) {
    sql = "count(*)";
  } else {
    const bool distinct = Accept("DISTINCT");
    if (!distinct) Accept("ALL");
    const Token& argumentAt = Peek();
    Expr argument = RequireValue(ParseExpression(), argumentAt);
    std::string inner = argument.sql;
    if (name == "SUM" || name == "AVG") inner = AsNumber(argument, argumentAt);
    std::string function = name;
    for (char& c : function) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    sql = function + "(" + (distinct ? "DISTINCT " : "") + inner + ")";
    if (name == "MIN" || name == "MAX")
      result.type = argument.type;
    else
      result.type = NumberType();
  }
  if (name == "COUNT") result.type = NumberType();
  aggregatesAllowed_ = true;
  ExpectSymbol(")", texts::kMissingRightParenthesis);
  result.sql = sql;
  result.aggregate = true;
  result.type.nullable = true;
  return result;
}

Expr Parser::ParseTrim(const std::string&, const Token&) {
  Expr result;
  int mode = 3;
  std::string set = "' '";
  if (Accept("LEADING"))
    mode = 1;
  else if (Accept("TRAILING"))
    mode = 2;
  else
    Accept("BOTH");
  const Token& firstAt = Peek();
  Expr first;
  bool haveFirst = false;
  if (!Peek().Is("FROM")) {
    first = RequireValue(ParseExpression(), firstAt);
    haveFirst = true;
  }
  if (Accept("FROM")) {
    if (haveFirst) set = AsText(first);
    const Token& sourceAt = Peek();
    Expr source = RequireValue(ParseExpression(), sourceAt);
    result.sql = "ora_trim(" + AsText(source) + ", " + set + ", " + std::to_string(mode) + ")";
    result.type = VarcharType(TextSize(source.type));
    Merge(result, source);
  } else {
    if (!haveFirst) Fail(texts::kMissingExpression);
    result.sql = "ora_trim(" + AsText(first) + ", ' ', 3)";
    result.type = VarcharType(TextSize(first.type));
  }
  Merge(result, first);
  ExpectSymbol(")", texts::kMissingRightParenthesis);
  return result;
}

Expr Parser::ParseCast(const std::string&, const Token& at) {
  Expr result;
  const Token& valueAt = Peek();
  Expr value = RequireValue(ParseExpression(), valueAt);
  Expect("AS", texts::kMissingKeyword);
  ColumnDescription type = ParseDataType();
  ExpectSymbol(")", texts::kMissingRightParenthesis);
  type.name.clear();
  if (IsNumber(type))
    result.sql = "ora_to_number(" + value.sql + ")";
  else if (IsDate(type))
    result.sql = AsDate(value, valueAt);
  else if (IsText(type))
    result.sql = "ora_store(" + AsText(value) + ", " + std::to_string(type.oracleType) + ", " +
                 std::to_string(type.dataSize) + ", 0, 0, 'CAST')";
  else
    Fail(texts::kUnimplemented, at);
  if (IsNumber(value.type) && IsNumber(type)) result.sql = value.sql;
  result.type = type;
  Merge(result, value);
  return result;
}

// NVL, COALESCE, NVL2, DECODE, GREATEST and LEAST: some of the arguments can be the value,
// and the first of those that is not a NULL literal decides its type, as Oracle does.
void Parser::FunctionCall::ChooseAmong(FunctionCall& call) {
  const auto& args = call.args;
  const std::string& name = call.name;
  std::vector<std::size_t> results;  // the arguments that can be the value
  if (name == "NVL") {
    call.Arity(2, 2);
    results = {0, 1};
  } else if (name == "COALESCE") {
    call.Arity(1, 1000);
    for (std::size_t k = 0; k < args.size(); ++k) results.push_back(k);
  } else if (name == "NVL2") {
    call.Arity(3, 3);
    results = {1, 2};
  } else if (name == "GREATEST" || name == "LEAST") {
    call.Arity(1, 1000);
    for (std::size_t k = 0; k < args.size(); ++k) results.push_back(k);
  } else {
    call.Arity(3, 1000);
    for (std::size_t k = 2; k < args.size(); k += 2) results.push_back(k);
    if (args.size() % 2 == 0) results.push_back(args.size() - 1);
  }
  ColumnDescription type = VarcharType(0);
  bool typed = false;
  for (std::size_t k : results) {
    if (args[k].nullLiteral) continue;
    if (!typed) {
      type = args[k].type;
      if (type.oracleType == kChar) type.oracleType = kVarchar;
      if (type.oracleType == kUnknown) type = VarcharType(4000);
      typed = true;
    } else if (IsText(type)) {
      type.dataSize = std::min(4000, std::max(type.dataSize, TextSize(args[k].type)));
    }
  }
  auto convert = [&](std::size_t k) {
    if (args[k].nullLiteral) return std::string("NULL");
    if (IsNumber(type)) return call.Number(k);
    if (IsDate(type)) return call.Date(k);
    if (IsText(type)) return call.Text(k);
    return args[k].sql;
  };
  Expr& result = call.result;
  if (name == "NVL" || name == "COALESCE") {
    std::string joined;
    for (std::size_t k : results) joined += (joined.empty() ? "" : ", ") + convert(k);
    result.sql = args.size() == 1 ? convert(0) : "coalesce(" + joined + ")";
  } else if (name == "NVL2") {
    result.sql = "(CASE WHEN " + args[0].sql + " IS NOT NULL THEN " + convert(1) + " ELSE " +
                 convert(2) + " END)";
  } else if (name == "GREATEST" || name == "LEAST") {
    std::string joined;
    for (std::size_t k : results) joined += (joined.empty() ? "" : ", ") + convert(k);
    result.sql =
        args.size() == 1 ? convert(0) : (name == "GREATEST" ? "max(" : "min(") + joined + ")";
  } else {
    std::string sql = "(CASE";
    for (std::size_t k = 1; k + 1 < args.size(); k += 2) {
      Expr compared = call.parser.Compare(args[0], "IS", args[k], *call.argAt[k]);
      sql += " WHEN " + compared.sql + " THEN " + convert(k + 1);
    }
    if (args.size() % 2 == 0) sql += " ELSE " + convert(args.size() - 1);
    result.sql = sql + " END)";
  }
  result.type = type;
  result.type.nullable = true;
}

// UPPER and LOWER; a CHAR stays a CHAR.
void Parser::FunctionCall::UpperOrLower(FunctionCall& call) {
  call.Arity(1, 1);
  call.result.sql = (call.name == "UPPER" ? "upper(" : "lower(") + call.Text(0) + ")";
  call.result.type = VarcharType(TextSize(call.args[0].type));
  if (call.args[0].type.oracleType == kChar) call.result.type.oracleType = kChar;
}

// LTRIM and RTRIM.
void Parser::FunctionCall::TrimOneSide(FunctionCall& call) {
  call.Arity(1, 2);
  call.result.sql = "ora_trim(" + call.Text(0) + ", " +
                    (call.args.size() > 1 ? call.Text(1) : std::string("' '")) + ", " +
                    (call.name == "LTRIM" ? "1" : "2") + ")";
  call.result.type = VarcharType(TextSize(call.args[0].type));
}

// LPAD and RPAD: as long as a literal length asks for, else as long as a text can be.
void Parser::FunctionCall::Pad(FunctionCall& call) {
  const auto& args = call.args;
  call.Arity(2, 3);
  call.result.sql = (call.name == "LPAD" ? "ora_lpad(" : "ora_rpad(") + call.Text(0) + ", " +
                    call.Number(1) + (args.size() > 2 ? ", " + call.Text(2) : std::string()) + ")";
  int size = 4000;
  if (args[1].numberLiteral && SmallInteger(*args[1].numberLiteral) >= 0)
    size = std::min(4000, SmallInteger(*args[1].numberLiteral));
  call.result.type = VarcharType(size);
}

// TRUNC and ROUND of a number, and TRUNC of a date.
void Parser::FunctionCall::TruncOrRound(FunctionCall& call) {
  const auto& args = call.args;
  call.Arity(1, 2);
  if (IsDate(args[0].type)) {
    if (call.name == "ROUND") call.parser.Fail(texts::kUnimplemented, call.at);
    call.result.sql = "ora_trunc_date(" + args[0].sql +
                      (args.size() > 1 ? ", " + call.Text(1) : std::string()) + ")";
    call.result.type = DateType();
  } else {
    call.result.sql = (call.name == "TRUNC" ? "ora_trunc_number(" : "ora_round_number(") +
                      call.Number(0) + (args.size() > 1 ? ", " + call.Number(1) : std::string()) +
                      ")";
    call.result.type = NumberType();
  }
}

const std::map<std::string, Parser::BuiltinFunction>& Parser::BuiltinFunctions() {
  static const std::map<std::string, BuiltinFunction> functions = {
      {"TO_CHAR",
       [](FunctionCall& call) {
         call.Arity(1, 3);
         const auto& args = call.args;
         const Expr& value = args[0];
         if (ExtendedTypes::Handles(value.type.oracleType) && args.size() == 1) {
           call.result.sql = call.parser.AsText(value);
           call.result.type = VarcharType(TextSize(value.type));
         } else if (IsDate(value.type)) {
           call.result.sql = args.size() > 1
                                 ? "ora_to_char_date(" + List({value.sql, call.Text(1)}) + ")"
                                 : "ora_date_text(" + value.sql + ")";
           int size = 75;
           call.CheckLiteral(1, [&](const std::string& format) {
             size = static_cast<int>(DateFormat::Format({2000, 9, 27, 23, 59, 59}, format).size());
           });
           call.result.type = VarcharType(size);
         } else if (IsNumber(value.type) || value.type.oracleType == kUnknown) {
           call.result.sql = args.size() > 1
                                 ? "ora_to_char_number(" + List({value.sql, call.Text(1)}) + ")"
                                 : "ora_num_text(" + value.sql + ")";
           int size = 40;
           if (args.size() > 1 && args[1].stringLiteral)
             size = static_cast<int>(args[1].stringLiteral->size()) + 2;
           call.result.type = VarcharType(size);
         } else {
           call.result.sql = call.parser.AsText(value);
           call.result.type = VarcharType(TextSize(value.type));
         }
       }},
      {"TO_DATE",
       [](FunctionCall& call) {
         call.Arity(1, 3);
         const auto& args = call.args;
         if (IsDate(args[0].type))
           call.result.sql = args[0].sql;
         else if (IsNumber(args[0].type) && args.size() == 1)
           call.parser.Fail(texts::kInconsistentDatatypes, *call.argAt[0], {"DATE", "NUMBER"});
         else
           call.result.sql = args.size() > 1
                                 ? "ora_to_date(" + List({call.Text(0), call.Text(1)}) + ")"
                                 : "ora_to_date(" + call.Text(0) + ")";
         call.CheckLiteral(1, [](const std::string& format) { DateFormat::Validate(format); });
         call.result.type = DateType();
       }},
      {"TO_NUMBER",
       [](FunctionCall& call) {
         call.Arity(1, 3);
         const auto& args = call.args;
         if (IsDate(args[0].type))
           call.parser.Fail(texts::kInconsistentDatatypes, *call.argAt[0], {"CHAR", "DATE"});
         call.result.sql = args.size() > 1
                               ? "ora_to_number(" + List({args[0].sql, call.Text(1)}) + ")"
                               : "ora_to_number(" + args[0].sql + ")";
         call.result.type = NumberType();
       }},
      {"NVL", FunctionCall::ChooseAmong},
      {"COALESCE", FunctionCall::ChooseAmong},
      {"NVL2", FunctionCall::ChooseAmong},
      {"DECODE", FunctionCall::ChooseAmong},
      {"GREATEST", FunctionCall::ChooseAmong},
      {"LEAST", FunctionCall::ChooseAmong},
      {"CHR",
       [](FunctionCall& call) {
         call.Arity(1, 1);
         call.result.sql = "ora_chr(" + call.Number(0) + ")";
         call.result.type = VarcharType(1);
       }},
      {"LENGTH",
       [](FunctionCall& call) {
         call.Arity(1, 1);
         call.result.sql =
             "ora_length(" + (IsRaw(call.args[0].type) ? call.args[0].sql : call.Text(0)) + ")";
         call.result.type = NumberType();
       }},
      {"SUBSTR",
       [](FunctionCall& call) {
         const auto& args = call.args;
         call.Arity(2, 3);
         call.result.sql = "ora_substr(" + call.Text(0) + ", " + call.Number(1) +
                           (args.size() > 2 ? ", " + call.Number(2) : std::string()) + ")";
         int size = TextSize(args[0].type);
         if (args.size() > 2 && args[2].numberLiteral)
           size = SmallInteger(*args[2].numberLiteral) >= 0
                      ? std::min(size, SmallInteger(*args[2].numberLiteral))
                      : size;
         call.result.type = VarcharType(size);
       }},
      {"INSTR",
       [](FunctionCall& call) {
         call.Arity(2, 4);
         std::string sql = "ora_instr(" + call.Text(0) + ", " + call.Text(1);
         for (std::size_t k = 2; k < call.args.size(); ++k) sql += ", " + call.Number(k);
         call.result.sql = sql + ")";
         call.result.type = NumberType();
       }},
      {"UPPER", FunctionCall::UpperOrLower},
      {"LOWER", FunctionCall::UpperOrLower},
      {"LTRIM", FunctionCall::TrimOneSide},
      {"RTRIM", FunctionCall::TrimOneSide},
      {"LPAD", FunctionCall::Pad},
      {"RPAD", FunctionCall::Pad},
      {"REPLACE",
       [](FunctionCall& call) {
         call.Arity(2, 3);
         call.result.sql = "ora_replace(" + call.Text(0) + ", " + call.Text(1) +
                           (call.args.size() > 2 ? ", " + call.Text(2) : std::string()) + ")";
         call.result.type = VarcharType(4000);
       }},
      {"CONCAT",
       [](FunctionCall& call) {
         call.Arity(2, 2);
         call.result.sql = "ora_concat(" + call.Text(0) + ", " + call.Text(1) + ")";
         call.result.type = VarcharType(TextSize(call.args[0].type) + TextSize(call.args[1].type));
       }},
      {"TRUNC", FunctionCall::TruncOrRound},
      {"ROUND", FunctionCall::TruncOrRound},
      {"MOD",
       [](FunctionCall& call) {
         call.Arity(2, 2);
         call.result.sql = "ora_mod(" + call.Number(0) + ", " + call.Number(1) + ")";
         call.result.type = NumberType();
       }},
      {"ABS",
       [](FunctionCall& call) {
         call.Arity(1, 1);
         call.result.sql = "abs(" + call.Number(0) + ")";
         call.result.type = NumberType();
       }},
      {"SIGN",
       [](FunctionCall& call) {
         call.Arity(1, 1);
         call.result.sql = "(CASE WHEN " + call.Number(0) + " > 0 THEN 1 WHEN " + call.Number(0) +
                           " < 0 THEN -1 WHEN " + call.Number(0) + " = 0 THEN 0 END)";
         call.result.type = NumberType();
       }},
      {"ADD_MONTHS",
       [](FunctionCall& call) {
         call.Arity(2, 2);
         call.result.sql = "ora_add_months(" + call.Date(0) + ", " + call.Number(1) + ")";
         call.result.type = DateType();
       }},
      {"LAST_DAY",
       [](FunctionCall& call) {
         call.Arity(1, 1);
         call.result.sql = "ora_last_day(" + call.Date(0) + ")";
         call.result.type = DateType();
       }},
      {"USERENV",
       [](FunctionCall& call) {
         call.Arity(1, 1);
         call.result.sql = "ora_userenv(" + call.Text(0) + ")";
         const std::string parameter =
             call.args[0].stringLiteral ? *call.args[0].stringLiteral : std::string();
         std::string upper = parameter;
         for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
         if (upper == "SESSIONID" || upper == "SID" || upper == "ENTRYID" || upper == "INSTANCE")
           call.result.type = NumberType();
         else
           call.result.type = VarcharType(256);
       }},
      {"SYS_CONTEXT",
       [](FunctionCall& call) {
         const auto& args = call.args;
         call.Arity(2, 3);
         call.result.sql = "ora_sys_context(" + call.Text(0) + ", " + call.Text(1) + ")";
         int size = 256;
         if (args.size() > 2 && args[2].numberLiteral && SmallInteger(*args[2].numberLiteral) > 0)
           size = std::min(4000, SmallInteger(*args[2].numberLiteral));
         call.result.type = VarcharType(size);
       }},
  };
  return functions;
}

}  // namespace devdb::sql::translation
