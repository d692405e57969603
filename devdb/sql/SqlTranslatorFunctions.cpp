// Function calls in expressions: the built-in functions, which write their SQLite text and
// result type, and stored PL/SQL functions, which the session's PL/SQL engine runs through
// ora_plsql.
#include <string>
#include <vector>

#include "devdb/sql/DateFormat.h"
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

Expr Parser::ParseFunction(const std::string& name, const Token& at) {
  ExpectSymbol("(", texts::kMissingLeftParenthesis);
  Expr result;
  // Aggregates.
  if (name == "COUNT" || name == "SUM" || name == "AVG" || name == "MIN" || name == "MAX") {
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
  if (name == "TRIM") {
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
  if (name == "CAST") {
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
  std::vector<Expr> args;
  std::vector<const Token*> argAt;
  if (!Peek().IsSymbol(")")) {
    do {
      argAt.push_back(&Peek());
      args.push_back(RequireValue(ParseExpression(), Peek()));
    } while (AcceptSymbol(","));
  }
  ExpectSymbol(")", texts::kMissingRightParenthesis);
  for (const Expr& arg : args) Merge(result, arg);
  auto arity = [&](std::size_t least, std::size_t most) {
    if (args.size() < least || args.size() > most) Fail(texts::kInvalidNumberOfArguments, at);
  };
  auto text = [&](std::size_t k) { return AsText(args[k]); };
  auto number = [&](std::size_t k) { return AsNumber(args[k], *argAt[k]); };
  auto list = [&](std::initializer_list<std::string> parts) {
    std::string joined;
    for (const auto& part : parts) joined += (joined.empty() ? "" : ", ") + part;
    return joined;
  };
  if (name == "TO_CHAR") {
    arity(1, 3);
    const Expr& value = args[0];
    if (IsDate(value.type)) {
      result.sql = args.size() > 1 ? "ora_to_char_date(" + list({value.sql, text(1)}) + ")"
                                   : "ora_date_text(" + value.sql + ")";
      int size = 75;
      if (args.size() > 1 && args[1].stringLiteral) {
        try {
          size = static_cast<int>(
              DateFormat::Format({2000, 9, 27, 23, 59, 59}, *args[1].stringLiteral).size());
        } catch (const SqlError& error) {
          throw SqlError(error.Code(), error.what(), argAt[1]->offset);
        }
      }
      result.type = VarcharType(size);
    } else if (IsNumber(value.type) || value.type.oracleType == kUnknown) {
      result.sql = args.size() > 1 ? "ora_to_char_number(" + list({value.sql, text(1)}) + ")"
                                   : "ora_num_text(" + value.sql + ")";
      int size = 40;
      if (args.size() > 1 && args[1].stringLiteral)
        size = static_cast<int>(args[1].stringLiteral->size()) + 2;
      result.type = VarcharType(size);
    } else {
      result.sql = AsText(value);
      result.type = VarcharType(TextSize(value.type));
    }
    return result;
  }
  if (name == "TO_DATE") {
    arity(1, 3);
    if (IsDate(args[0].type))
      result.sql = args[0].sql;
    else if (IsNumber(args[0].type) && args.size() == 1)
      Fail(texts::kInconsistentDatatypes, *argAt[0], {"DATE", "NUMBER"});
    else
      result.sql = args.size() > 1 ? "ora_to_date(" + list({text(0), text(1)}) + ")"
                                   : "ora_to_date(" + text(0) + ")";
    if (args.size() > 1 && args[1].stringLiteral) {
      try {
        DateFormat::Validate(*args[1].stringLiteral);
      } catch (const SqlError& error) {
        throw SqlError(error.Code(), error.what(), argAt[1]->offset);
      }
    }
    result.type = DateType();
    return result;
  }
  if (name == "TO_NUMBER") {
    arity(1, 3);
    if (IsDate(args[0].type)) Fail(texts::kInconsistentDatatypes, *argAt[0], {"CHAR", "DATE"});
    result.sql = args.size() > 1 ? "ora_to_number(" + list({args[0].sql, text(1)}) + ")"
                                 : "ora_to_number(" + args[0].sql + ")";
    result.type = NumberType();
    return result;
  }
  if (name == "NVL" || name == "COALESCE" || name == "NVL2" || name == "DECODE" ||
      name == "GREATEST" || name == "LEAST") {
    std::vector<std::size_t> results;  // the arguments that can be the value
    if (name == "NVL") {
      arity(2, 2);
      results = {0, 1};
    } else if (name == "COALESCE") {
      arity(1, 1000);
      for (std::size_t k = 0; k < args.size(); ++k) results.push_back(k);
    } else if (name == "NVL2") {
      arity(3, 3);
      results = {1, 2};
    } else if (name == "GREATEST" || name == "LEAST") {
      arity(1, 1000);
      for (std::size_t k = 0; k < args.size(); ++k) results.push_back(k);
    } else {
      arity(3, 1000);
      for (std::size_t k = 2; k < args.size(); k += 2) results.push_back(k);
      if (args.size() % 2 == 0) results.push_back(args.size() - 1);
    }
    // The first non-NULL result argument decides the type, as Oracle does.
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
      if (IsNumber(type)) return number(k);
      if (IsDate(type)) return AsDate(args[k], *argAt[k]);
      if (IsText(type)) return text(k);
      return args[k].sql;
    };
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
        Expr compared = Compare(args[0], "IS", args[k], *argAt[k]);
        sql += " WHEN " + compared.sql + " THEN " + convert(k + 1);
      }
      if (args.size() % 2 == 0) sql += " ELSE " + convert(args.size() - 1);
      result.sql = sql + " END)";
    }
    result.type = type;
    result.type.nullable = true;
    return result;
  }
  if (name == "CHR") {
    arity(1, 1);
    result.sql = "ora_chr(" + number(0) + ")";
    result.type = VarcharType(1);
    return result;
  }
  if (name == "LENGTH") {
    arity(1, 1);
    result.sql = "ora_length(" + (IsRaw(args[0].type) ? args[0].sql : text(0)) + ")";
    result.type = NumberType();
    return result;
  }
  if (name == "SUBSTR") {
    arity(2, 3);
    result.sql = "ora_substr(" + text(0) + ", " + number(1) +
                 (args.size() > 2 ? ", " + number(2) : std::string()) + ")";
    int size = TextSize(args[0].type);
    if (args.size() > 2 && args[2].numberLiteral)
      size = SmallInteger(*args[2].numberLiteral) >= 0
                 ? std::min(size, SmallInteger(*args[2].numberLiteral))
                 : size;
    result.type = VarcharType(size);
    return result;
  }
  if (name == "INSTR") {
    arity(2, 4);
    std::string sql = "ora_instr(" + text(0) + ", " + text(1);
    for (std::size_t k = 2; k < args.size(); ++k) sql += ", " + number(k);
    result.sql = sql + ")";
    result.type = NumberType();
    return result;
  }
  if (name == "UPPER" || name == "LOWER") {
    arity(1, 1);
    result.sql = (name == "UPPER" ? "upper(" : "lower(") + text(0) + ")";
    result.type = VarcharType(TextSize(args[0].type));
    if (args[0].type.oracleType == kChar) result.type.oracleType = kChar;
    return result;
  }
  if (name == "LTRIM" || name == "RTRIM") {
    arity(1, 2);
    result.sql = "ora_trim(" + text(0) + ", " + (args.size() > 1 ? text(1) : std::string("' '")) +
                 ", " + (name == "LTRIM" ? "1" : "2") + ")";
    result.type = VarcharType(TextSize(args[0].type));
    return result;
  }
  if (name == "LPAD" || name == "RPAD") {
    arity(2, 3);
    result.sql = (name == "LPAD" ? "ora_lpad(" : "ora_rpad(") + text(0) + ", " + number(1) +
                 (args.size() > 2 ? ", " + text(2) : std::string()) + ")";
    int size = 4000;
    if (args[1].numberLiteral && SmallInteger(*args[1].numberLiteral) >= 0)
      size = std::min(4000, SmallInteger(*args[1].numberLiteral));
    result.type = VarcharType(size);
    return result;
  }
  if (name == "REPLACE") {
    arity(2, 3);
    result.sql = "ora_replace(" + text(0) + ", " + text(1) +
                 (args.size() > 2 ? ", " + text(2) : std::string()) + ")";
    result.type = VarcharType(4000);
    return result;
  }
  if (name == "CONCAT") {
    arity(2, 2);
    result.sql = "ora_concat(" + text(0) + ", " + text(1) + ")";
    result.type = VarcharType(TextSize(args[0].type) + TextSize(args[1].type));
    return result;
  }
  if (name == "TRUNC" || name == "ROUND") {
    arity(1, 2);
    if (IsDate(args[0].type)) {
      if (name == "ROUND") Fail(texts::kUnimplemented, at);
      result.sql = "ora_trunc_date(" + args[0].sql +
                   (args.size() > 1 ? ", " + text(1) : std::string()) + ")";
      result.type = DateType();
    } else {
      result.sql = (name == "TRUNC" ? "ora_trunc_number(" : "ora_round_number(") + number(0) +
                   (args.size() > 1 ? ", " + number(1) : std::string()) + ")";
      result.type = NumberType();
    }
    return result;
  }
  if (name == "MOD") {
    arity(2, 2);
    result.sql = "ora_mod(" + number(0) + ", " + number(1) + ")";
    result.type = NumberType();
    return result;
  }
  if (name == "ABS") {
    arity(1, 1);
    result.sql = "abs(" + number(0) + ")";
    result.type = NumberType();
    return result;
  }
  if (name == "SIGN") {
    arity(1, 1);
    result.sql = "(CASE WHEN " + number(0) + " > 0 THEN 1 WHEN " + number(0) +
                 " < 0 THEN -1 WHEN " + number(0) + " = 0 THEN 0 END)";
    result.type = NumberType();
    return result;
  }
  if (name == "ADD_MONTHS") {
    arity(2, 2);
    result.sql = "ora_add_months(" + AsDate(args[0], *argAt[0]) + ", " + number(1) + ")";
    result.type = DateType();
    return result;
  }
  if (name == "LAST_DAY") {
    arity(1, 1);
    result.sql = "ora_last_day(" + AsDate(args[0], *argAt[0]) + ")";
    result.type = DateType();
    return result;
  }
  if (name == "USERENV") {
    arity(1, 1);
    result.sql = "ora_userenv(" + text(0) + ")";
    const std::string parameter = args[0].stringLiteral ? *args[0].stringLiteral : std::string();
    std::string upper = parameter;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "SESSIONID" || upper == "SID" || upper == "ENTRYID" || upper == "INSTANCE")
      result.type = NumberType();
    else
      result.type = VarcharType(256);
    return result;
  }
  if (name == "SYS_CONTEXT") {
    arity(2, 3);
    result.sql = "ora_sys_context(" + text(0) + ", " + text(1) + ")";
    int size = 256;
    if (args.size() > 2 && args[2].numberLiteral && SmallInteger(*args[2].numberLiteral) > 0)
      size = std::min(4000, SmallInteger(*args[2].numberLiteral));
    result.type = VarcharType(size);
    return result;
  }
  if (auto type = StoredFunction({name})) return StoredFunctionCall({name}, *type, args);
  Fail(texts::kInvalidIdentifier, at, {Quote(name)});
}

}  // namespace devdb::sql::translation
