// Expressions and conditions: operators with Oracle's implicit conversions, comparisons,
// IN, LIKE, BETWEEN, IS NULL, EXISTS, CASE, scalar subqueries, literals, bind variables and
// the names of columns, ROWID, ROWNUM and the pseudo-columns.
#include <set>
#include <string>

#include "devdb/sql/DateFormat.h"
#include "devdb/sql/ExtendedTypes.h"
#include "devdb/sql/SqlTranslatorParser.h"

namespace devdb::sql::translation {

std::string Parser::AsNumber(const Expr& e, const Token& at) {
  if (IsNumber(e.type) || e.type.oracleType == kUnknown) return e.sql;
  if (IsDate(e.type)) Fail(texts::kInconsistentDatatypes, at, {"NUMBER", "DATE"});
  if (IsRaw(e.type)) Fail(texts::kInconsistentDatatypes, at, {"NUMBER", "BINARY"});
  return "ora_to_number(" + e.sql + ")";
}

std::string Parser::AsText(const Expr& e) {
  if (ExtendedTypes::Handles(e.type.oracleType)) return ExtendedTypes::TextSql(e.sql, e.type);
  if (IsNumber(e.type)) return "ora_num_text(" + e.sql + ")";
  if (IsDate(e.type)) return "ora_date_text(" + e.sql + ")";
  if (IsRaw(e.type)) return "upper(hex(" + e.sql + "))";
  return e.sql;
}

std::string Parser::AsDate(const Expr& e, const Token& at) {
  if (IsDate(e.type)) return e.sql;
  if (IsNumber(e.type)) Fail(texts::kInconsistentDatatypes, at, {"DATE", "NUMBER"});
  return "ora_as_date(" + e.sql + ")";
}

Expr Parser::Compare(Expr left, const std::string& op, Expr right, const Token& at) {
  Expr result;
  std::string l = left.sql, r = right.sql;
  if (IsDate(left.type) || IsDate(right.type)) {
    l = AsDate(left, at);
    r = AsDate(right, at);
  } else if (IsNumber(left.type) || IsNumber(right.type)) {
    if (IsText(left.type)) l = AsNumber(left, at);
    if (IsText(right.type)) r = AsNumber(right, at);
  } else if (left.type.oracleType == kRowid || right.type.oracleType == kRowid) {
    if (left.type.oracleType != kRowid) l = "ora_rowid_check(" + l + ")";
    if (right.type.oracleType != kRowid) r = "ora_rowid_check(" + r + ")";
  } else if (left.type.oracleType == kChar && right.type.oracleType == kChar) {
    // Two CHAR values compare with blank-padded semantics: trailing blanks do not count.
    l = "rtrim(" + l + ", ' ')";
    r = "rtrim(" + r + ", ' ')";
  }
  result.sql = "(" + l + " " + op + " " + r + ")";
  result.condition = true;
  result.aggregate = left.aggregate || right.aggregate;
  result.bareColumns = left.bareColumns;
  result.bareColumns.insert(result.bareColumns.end(), right.bareColumns.begin(),
                            right.bareColumns.end());
  return result;
}

Expr Parser::ParseCondition() {
  const int limitsBefore = rownumDepth_;
  Expr left = ParseAnd();
  if (!Peek().Is("OR")) return left;
  Expr result = left;
  while (Accept("OR")) {
    const Token& at = Peek();
    Expr right = ParseAnd();
    if (!left.condition || !right.condition) Fail(texts::kInvalidRelationalOperator, at);
    result.sql = "(" + result.sql + " OR " + right.sql + ")";
    Merge(result, right);
  }
  if (rownumDepth_ != limitsBefore) Fail(texts::kUnimplemented);
  result.condition = true;
  return result;
}

Expr Parser::ParseAnd() {
  Expr result = ParseNot();
  while (Accept("AND")) {
    const Token& at = Peek();
    Expr right = ParseNot();
    if (!result.condition || !right.condition) Fail(texts::kInvalidRelationalOperator, at);
    result.sql = "(" + result.sql + " AND " + right.sql + ")";
    Merge(result, right);
  }
  return result;
}

Expr Parser::ParseNot() {
  if (Accept("NOT")) {
    Nesting nesting(*this, false);
    const int limitsBefore = rownumDepth_;
    const Token& at = Peek();
    Expr inner = ParseNot();
    if (!inner.condition) Fail(texts::kInvalidRelationalOperator, at);
    if (rownumDepth_ != limitsBefore) Fail(texts::kUnimplemented);
    inner.sql = "(NOT " + inner.sql + ")";
    return inner;
  }
  return ParsePredicate();
}

Expr Parser::ParsePredicate() {
  const Token& start = Peek();
  if (Accept("EXISTS")) {
    ExpectSymbol("(", texts::kMissingLeftParenthesis);
    QueryResult query = ParseQuery(false);
    ExpectSymbol(")", texts::kMissingRightParenthesis);
    Expr result;
    result.sql = "EXISTS (" + query.sql + ")";
    result.condition = true;
    return result;
  }
  Expr left = ParseExpression();
  if (left.condition) return left;
  const Token& at = Peek();
  static const std::set<std::string> comparisons = {"=", "<>", "<", ">", "<=", ">="};
  if (at.kind == Token::Kind::Symbol && comparisons.count(at.text)) {
    const std::string op = Next().text;
    if (Peek().Is("ANY") || Peek().Is("ALL") || Peek().Is("SOME")) Fail(texts::kUnimplemented);
    const Token& rightAt = Peek();
    Expr right = RequireValue(ParseExpression(), rightAt);
    if (left.rownum) {
      if (!rownumLimit_ || right.sql.find(kRownumSql) != std::string::npos ||
          !right.bareColumns.empty())
        Fail(texts::kUnimplemented, start);
      // The number of rows ROWNUM <= e lets through is floor(e), for ROWNUM < e ceil(e) - 1;
      // never negative (SQLite takes a negative LIMIT as none) and 0 for NULL.
      const std::string e = "(" + AsNumber(right, rightAt) + ")";
      std::string count;
      if (op == "<=")
        count = "max(0, coalesce(CAST(" + e + " AS INTEGER), 0))";
      else if (op == "<")
        count = "max(0, coalesce(CAST(" + e + " AS INTEGER) + (" + e + " > CAST(" + e +
                " AS INTEGER)) - 1, 0))";
      else if (op == "=" && right.numberLiteral && *right.numberLiteral == "1")
        count = "1";
      else
        Fail(texts::kUnimplemented, start);
      // Several conditions: the strictest wins.
      *rownumLimit_ = *rownumLimit_ ? "min(" + **rownumLimit_ + ", " + count + ")" : count;
      ++rownumDepth_;
      Expr always;
      always.sql = "1";
      always.condition = true;
      return always;
    }
    if (right.rownum) Fail(texts::kUnimplemented, rightAt);
    return Compare(left, op, right, at);
  }
  const bool negated = Accept("NOT");
  if (Accept("IN")) {
    ExpectSymbol("(", texts::kMissingLeftParenthesis);
    Expr result;
    result.condition = true;
    if (Peek().Is("SELECT") || Peek().Is("WITH")) {
      QueryResult query = ParseQuery(false);
      if (query.columns.size() != 1) Fail(texts::kTooManyValues);
      result.sql = "(" + left.sql + (negated ? " NOT IN (" : " IN (") + query.sql + "))";
    } else {
      std::string list;
      do {
        const Token& itemAt = Peek();
        Expr item = RequireValue(ParseExpression(), itemAt);
        std::string converted = item.sql;
        if (IsDate(left.type))
          converted = AsDate(item, itemAt);
        else if (IsNumber(left.type) && IsText(item.type))
          converted = AsNumber(item, itemAt);
        list += (list.empty() ? "" : ", ") + converted;
        Merge(result, item);
      } while (AcceptSymbol(","));
      std::string leftSql = left.sql;
      result.sql = "(" + leftSql + (negated ? " NOT IN (" : " IN (") + list + "))";
    }
    ExpectSymbol(")", texts::kMissingRightParenthesis);
    Merge(result, left);
    return result;
  }
  if (Accept("LIKE")) {
    const Token& patternAt = Peek();
    Expr pattern = RequireValue(ParseExpression(), patternAt);
    Expr result;
    result.sql = "(" + AsText(left) + (negated ? " NOT LIKE " : " LIKE ") + AsText(pattern);
    if (Accept("ESCAPE")) {
      const Token& escapeAt = Peek();
      Expr escape = RequireValue(ParseExpression(), escapeAt);
      result.sql += " ESCAPE " + escape.sql;
    }
    result.sql += ")";
    result.condition = true;
    Merge(result, left);
    Merge(result, pattern);
    return result;
  }
  if (Accept("BETWEEN")) {
    const Token& lowAt = Peek();
    Expr low = RequireValue(ParseExpression(), lowAt);
    Expect("AND", texts::kMissingKeyword);
    const Token& highAt = Peek();
    Expr high = RequireValue(ParseExpression(), highAt);
    Expr lower = Compare(left, ">=", low, lowAt);
    Expr upper = Compare(left, "<=", high, highAt);
    Expr result;
    result.sql = std::string(negated ? "(NOT " : "(") + lower.sql + " AND " + upper.sql + ")";
    result.condition = true;
    Merge(result, lower);
    Merge(result, upper);
    return result;
  }
  if (negated) Fail(texts::kInvalidRelationalOperator);
  if (Accept("IS")) {
    const bool not_ = Accept("NOT");
    Expect("NULL", texts::kMissingNullKeyword);
    Expr result;
    result.sql = "(" + left.sql + (not_ ? " IS NOT NULL)" : " IS NULL)");
    result.condition = true;
    Merge(result, left);
    return result;
  }
  return left;
}

Expr Parser::ParseExpression() {
  Expr left = ParseTerm();
  while (Peek().IsSymbol("+") || Peek().IsSymbol("-") || Peek().IsSymbol("||")) {
    const Token& at = Next();
    const Token& rightAt = Peek();
    Expr right = RequireValue(ParseTerm(), rightAt);
    RequireValue(left, at);
    Expr result;
    Merge(result, left);
    Merge(result, right);
    if (at.text == "||") {
      result.sql = "ora_concat(" + AsText(left) + ", " + AsText(right) + ")";
      result.type = VarcharType(TextSize(left.type) + TextSize(right.type));
    } else if (IsDate(left.type) && IsDate(right.type)) {
      if (at.text == "+") Fail(texts::kDatePlusDate, at);
      result.sql = "ora_date_diff(" + left.sql + ", " + right.sql + ")";
      result.type = NumberType();
    } else if (IsDate(left.type)) {
      const std::string amount = AsNumber(right, rightAt);
      result.sql =
          "ora_date_add(" + left.sql + ", " + (at.text == "-" ? "-(" + amount + ")" : amount) + ")";
      result.type = DateType();
    } else if (IsDate(right.type)) {
      if (at.text == "-") Fail(texts::kInconsistentDatatypes, rightAt, {"NUMBER", "DATE"});
      result.sql = "ora_date_add(" + right.sql + ", " + AsNumber(left, at) + ")";
      result.type = DateType();
    } else {
      result.sql = "(" + AsNumber(left, at) + " " + at.text + " " + AsNumber(right, rightAt) + ")";
      result.type = NumberType();
    }
    left = result;
  }
  return left;
}

Expr Parser::ParseTerm() {
  Expr left = ParseFactor();
  while (Peek().IsSymbol("*") || Peek().IsSymbol("/")) {
    const Token& at = Next();
    const Token& rightAt = Peek();
    Expr right = RequireValue(ParseFactor(), rightAt);
    RequireValue(left, at);
    Expr result;
    Merge(result, left);
    Merge(result, right);
    const std::string l = AsNumber(left, at), r = AsNumber(right, rightAt);
    result.sql = at.text == "*" ? "(" + l + " * " + r + ")" : "ora_div(" + l + ", " + r + ")";
    result.type = NumberType();
    left = result;
  }
  return left;
}

Expr Parser::ParseFactor() {
  if (Peek().IsSymbol("-") || Peek().IsSymbol("+")) {
    Nesting nesting(*this, false);
    const Token& at = Next();
    const Token& operandAt = Peek();
    Expr operand = RequireValue(ParseFactor(), operandAt);
    if (at.text == "+") return operand;
    Expr result = operand;
    result.sql = "(-" + AsNumber(operand, operandAt) + ")";
    result.type = NumberType();
    result.name.clear();
    if (operand.numberLiteral) result.numberLiteral = "-" + *operand.numberLiteral;
    return result;
  }
  return ParsePrimary();
}

Expr Parser::ParsePrimary() {
  const Token& at = Peek();
  Expr e;
  switch (at.kind) {
    case Token::Kind::Number:
      Next();
      e.sql = at.text;
      e.type = NumberType();
      e.numberLiteral = at.text;
      return e;
    case Token::Kind::String:
      Next();
      if (at.text.empty()) {
        e.sql = "NULL";
        e.type = TypeOf(kChar, 0);
        e.nullLiteral = true;
      } else {
        e.sql = Literal(at.text);
        e.type = TypeOf(kChar, static_cast<int>(at.text.size()));
      }
      e.stringLiteral = at.text;
      return e;
    case Token::Kind::Bind:
      Next();
      e.sql = Bind(at.text);
      e.type = TypeOf(kUnknown, 4000);
      return e;
    case Token::Kind::Symbol:
      if (at.IsSymbol("(")) {
        Next();
        if (Peek().Is("SELECT") || Peek().Is("WITH")) {
          pos_--;
          return ParseSubqueryValue();
        }
        Nesting nesting(*this, false);
        Expr inner = ParseCondition();
        ExpectSymbol(")", texts::kMissingRightParenthesis);
        inner.sql = "(" + inner.sql + ")";
        inner.name.clear();
        inner.numberLiteral.reset();
        inner.stringLiteral.reset();
        return inner;
      }
      Fail(texts::kMissingExpression, at);
    case Token::Kind::Word:
      if (at.Is("NULL")) {
        Next();
        e.sql = "NULL";
        e.type = VarcharType(0);
        e.nullLiteral = true;
        return e;
      }
      if (at.Is("CASE")) return ParseCase();
      if (at.Is("DATE") && Peek(1).kind == Token::Kind::String) {
        Next();
        const Token& literal = Next();
        try {
          e.sql =
              Literal(DateFormat::ToStorage(DateFormat::Parse(literal.text, "YYYY-MM-DD", 2000)));
        } catch (const SqlError& error) {
          throw SqlError(error.Code(), error.what(), literal.offset);
        }
        e.type = DateType();
        return e;
      }
      if (Reserved().count(at.text) && !at.Is("PRIOR")) Fail(texts::kMissingExpression, at);
      [[fallthrough]];
    case Token::Kind::QuotedName: {
      Expr name = ParseName();
      // Oracle's old outer-join marker: not supported; say so rather than misread it.
      if (Peek().IsSymbol("(+)")) Fail(texts::kUnimplemented);
      return name;
    }
    case Token::Kind::End: Fail(texts::kMissingExpression, at);
  }
  Fail(texts::kMissingExpression, at);
}

Expr Parser::ParseSubqueryValue() {
  const Token& at = Peek();
  ExpectSymbol("(", texts::kMissingLeftParenthesis);
  std::optional<std::string>* outerLimit = rownumLimit_;
  rownumLimit_ = nullptr;
  const bool outerAggregates = aggregatesAllowed_;
  scalarSubquery_ = Peek().Is("SELECT");  // not for WITH: its first block is a named query
  QueryResult query = ParseQuery(false);
  scalarSubquery_ = false;
  aggregatesAllowed_ = outerAggregates;
  rownumLimit_ = outerLimit;
  ExpectSymbol(")", texts::kMissingRightParenthesis);
  if (query.columns.size() != 1) Fail(texts::kTooManyValues, at);
  Expr e;
  e.sql = "(" + query.sql + ")";
  e.type = query.columns[0];
  e.type.name.clear();
  e.type.nullable = true;
  return e;
}

Expr Parser::ParseCase() {
  Nesting nesting(*this, false);
  Next();
  Expr result;
  std::string sql = "CASE";
  std::optional<Expr> subject;
  if (!Peek().Is("WHEN")) {
    const Token& at = Peek();
    subject = RequireValue(ParseExpression(), at);
    sql += " " + subject->sql;
    Merge(result, *subject);
  }
  bool typed = false;
  if (!Peek().Is("WHEN")) Fail(texts::kMissingKeyword);
  while (Accept("WHEN")) {
    const Token& at = Peek();
    Expr when = subject ? RequireValue(ParseExpression(), at) : ParseCondition();
    if (!subject && !when.condition) Fail(texts::kInvalidRelationalOperator, at);
    Expect("THEN", texts::kMissingKeyword);
    const Token& thenAt = Peek();
    Expr then = RequireValue(ParseExpression(), thenAt);
    std::string thenSql = then.sql;
    if (typed) {
      if (IsNumber(result.type))
        thenSql = AsNumber(then, thenAt);
      else if (IsDate(result.type))
        thenSql = AsDate(then, thenAt);
      else if (IsText(result.type))
        thenSql = AsText(then);
      if (IsText(result.type))
        result.type.dataSize = std::max(result.type.dataSize, TextSize(then.type));
    } else if (!then.nullLiteral) {
      result.type = then.type;
      if (result.type.oracleType == kChar) result.type.oracleType = kVarchar;
      typed = true;
    }
    sql += " WHEN " + when.sql + " THEN " + thenSql;
    Merge(result, when);
    Merge(result, then);
  }
  if (Accept("ELSE")) {
    const Token& at = Peek();
    Expr otherwise = RequireValue(ParseExpression(), at);
    std::string elseSql = otherwise.sql;
    if (typed) {
      if (IsNumber(result.type))
        elseSql = AsNumber(otherwise, at);
      else if (IsDate(result.type))
        elseSql = AsDate(otherwise, at);
      else if (IsText(result.type))
        elseSql = AsText(otherwise);
    } else {
      result.type = otherwise.type;
    }
    sql += " ELSE " + elseSql;
    Merge(result, otherwise);
  }
  Expect("END", texts::kMissingKeyword);
  result.sql = "(" + sql + " END)";
  result.type.nullable = true;
  return result;
}

Expr Parser::Column(const Source& source, const ColumnDescription& column, const Token& at) {
  Expr e;
  e.sql = source.reference + "." + Quote(column.name);
  e.type = column;
  e.type.name.clear();
  e.name = column.name;
  e.bareColumns.emplace_back(e.sql, at.offset);
  return e;
}

Expr Parser::Rowid(const Source& source, const Token& at) {
  if (source.objectId == 0) Fail(texts::kRowidFromComplexView, at);
  Expr e;
  e.sql = "ora_rowid(" + std::to_string(source.objectId) + ", " + source.reference + ".rowid)";
  e.type = TypeOf(kRowid, 10);
  e.name = "ROWID";
  e.bareColumns.emplace_back(e.sql, at.offset);
  return e;
}

Expr Parser::ParseName() {
  const Token& at = Peek();

  std::vector<std::string> parts{Next().text};
  std::vector<bool> quoted{at.kind == Token::Kind::QuotedName};
  while (Peek().IsSymbol(".") &&
         (Peek(1).kind == Token::Kind::Word || Peek(1).kind == Token::Kind::QuotedName)) {
    Next();
    quoted.push_back(Peek().kind == Token::Kind::QuotedName);
    parts.push_back(Next().text);
  }
  if (Peek().IsSymbol("(") && !quoted.back()) {
    Nesting nesting(*this, false);
    if (parts.size() > 1) {
      if (auto type = StoredFunction(parts)) {
        Next();
        std::vector<Expr> args;
        if (!Peek().IsSymbol(")")) {
          do {
            const Token& argumentAt = Peek();
            args.push_back(RequireValue(ParseExpression(), argumentAt));
          } while (AcceptSymbol(","));
        }
        ExpectSymbol(")", texts::kMissingRightParenthesis);
        return StoredFunctionCall(parts, *type, args);
      }
      std::string full;
      for (const auto& part : parts) full += (full.empty() ? "" : ".") + Quote(part);
      Fail(texts::kInvalidIdentifier, at, {full});
    }
    return ParseFunction(parts[0], at);
  }
  Expr e;
  if (parts.size() == 1 && !quoted[0]) {
    const std::string& word = parts[0];
    if (word == "SYSDATE" || word == "CURRENT_DATE") {
      e.sql = "ora_sysdate()";
      e.type = DateType();
      return e;
    }
    if (word == "SYSTIMESTAMP") {
      e.sql = ExtendedTypes::SystimestampSql();
      e.type = ExtendedTypes::TimestampWithTimeZone(ExtendedTypes::kDefaultFractionalDigits);
      return e;
    }
    if (word == "USER") {
      e.sql = "ora_user()";
      e.type = VarcharType(128);
      return e;
    }
    if (word == "UID") {
      e.sql = "ora_uid()";
      e.type = NumberType();
      return e;
    }
    if (word == "ROWNUM") {
      e.sql = kRownumSql;
      e.type = NumberType();
      e.rownum = true;
      return e;
    }
    if (word == "LEVEL") {
      for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
        for (const Source& source : (*scope)->sources)
          if (source.levels) {
            e.sql = source.reference + ".\"LEVEL\"";
            e.type = NumberType();
            e.bareColumns.emplace_back(e.sql, at.offset);
            return e;
          }
      Fail(texts::kUnimplemented, at);
    }
  }
  const std::string& columnName = parts.back();
  if (parts.size() == 1) {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      const Source* match = nullptr;
      const ColumnDescription* matchColumn = nullptr;
      int rowidSources = 0;
      for (const Source& source : (*scope)->sources) {
        if (source.objectId) ++rowidSources;
        for (const ColumnDescription& column : source.columns) {
          if (column.name != columnName) continue;
          if (match) Fail(texts::kColumnAmbiguouslyDefined, at);
          match = &source;
          matchColumn = &column;
        }
      }
      if (match) return Column(*match, *matchColumn, at);
      if (columnName == "ROWID" && !quoted[0] && !(*scope)->sources.empty()) {
        if (rowidSources > 1) Fail(texts::kColumnAmbiguouslyDefined, at);
        for (const Source& source : (*scope)->sources)
          if (source.objectId) return Rowid(source, at);
      }
    }
    // A name that is no column may be a function called without arguments.
    if (auto type = StoredFunction(parts)) return StoredFunctionCall(parts, *type, {});
    Fail(texts::kInvalidIdentifier, at, {Quote(columnName)});
  }
  // alias.column or owner.table.column
  const std::string& alias = parts[parts.size() - 2];
  for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
    for (const Source& source : (*scope)->sources) {
      const bool aliasMatches = parts.size() == 2
                                    ? source.alias == alias
                                    : (source.alias == alias && source.owner == parts[0]);
      if (!aliasMatches) continue;
      for (const ColumnDescription& column : source.columns)
        if (column.name == columnName) return Column(source, column, at);
      if (columnName == "ROWID" && !quoted.back()) return Rowid(source, at);
      std::string full;
      for (const auto& part : parts) full += (full.empty() ? "" : ".") + Quote(part);
      Fail(texts::kInvalidIdentifier, at, {full});
    }
  }
  if (auto type = StoredFunction(parts)) return StoredFunctionCall(parts, *type, {});
  std::string full;
  for (const auto& part : parts) full += (full.empty() ? "" : ".") + Quote(part);
  Fail(texts::kInvalidIdentifier, at, {full});
}

}  // namespace devdb::sql::translation
