// INSERT, UPDATE and DELETE with their RETURNING ... INTO clauses, and the conversion of a
// value to the type of the column that stores it.
#include <string>

#include "devdb/sql/ExtendedTypes.h"
#include "devdb/sql/SqlTranslatorParser.h"

namespace devdb::sql::translation {

void Parser::ParseInsert(TranslatedStatement& out) {
  Next();
  Expect("INTO", texts::kMissingInto);
  const Token& tableToken = Peek();
  auto [owner, name] = ParseObjectName();
  TableDefinition definition;
  Source target = ResolveTable(owner, name, tableToken, &definition, TableAccess::Insert);
  if (definition.kind != "TABLE") Fail(texts::kDmlNotLegalOnView, tableToken);
  if (AtName() && !Peek().Is("VALUES")) target.alias = Name();
  std::vector<std::size_t> columns;
  if (AcceptSymbol("(")) {
    do {
      const Token& at = Peek();
      const std::string column = Name(texts::kInvalidIdentifier);
      auto found = std::find_if(target.columns.begin(), target.columns.end(),
                                [&](const ColumnDescription& c) { return c.name == column; });
      if (found == target.columns.end()) Fail(texts::kInvalidIdentifier, at, {Quote(column)});
      const auto index = static_cast<std::size_t>(found - target.columns.begin());
      if (std::find(columns.begin(), columns.end(), index) != columns.end())
        Fail(texts::kDuplicateColumnName, at);
      columns.push_back(index);
    } while (AcceptSymbol(","));
    ExpectSymbol(")", texts::kMissingRightParenthesis);
  } else {
    for (std::size_t k = 0; k < target.columns.size(); ++k) columns.push_back(k);
  }
  const std::string prefix = Quote(target.owner) + "." + Quote(target.table) + ".";
  out.targetColumnPrefix = prefix;
  std::string columnList;
  for (std::size_t k = 0; k < columns.size(); ++k)
    columnList += (k ? ", " : "") + Quote(target.columns[columns[k]].name);
  std::string sql = "INSERT INTO " + target.reference + " (" + columnList + ") ";
  if (Accept("VALUES")) {
    ExpectSymbol("(", texts::kMissingLeftParenthesis);
    std::vector<std::string> values;
    Scope empty;
    scopes_.push_back(&empty);
    do {
      const Token& at = Peek();
      if (values.size() == columns.size()) Fail(texts::kTooManyValues, at);
      aggregatesAllowed_ = false;
      Expr value = RequireValue(ParseExpression(), at);
      if (value.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, at);
      const ColumnDescription& column = target.columns[columns[values.size()]];
      values.push_back(StoreValue(value, column, prefix + Quote(column.name), at));
    } while (AcceptSymbol(","));
    scopes_.pop_back();
    if (values.size() < columns.size()) Fail(texts::kNotEnoughValues);
    ExpectSymbol(")", texts::kMissingRightParenthesis);
    sql += "VALUES (";
    for (std::size_t k = 0; k < values.size(); ++k) sql += (k ? ", " : "") + values[k];
    sql += ")";
  } else if (Peek().Is("SELECT") || Peek().Is("WITH") || Peek().IsSymbol("(")) {
    const Token& at = Peek();
    QueryResult query = ParseQuery(true);
    if (query.columns.size() > columns.size()) Fail(texts::kTooManyValues, at);
    if (query.columns.size() < columns.size()) Fail(texts::kNotEnoughValues, at);
    std::string list;
    for (std::size_t k = 0; k < columns.size(); ++k) {
      Expr value;
      value.sql = Quote("__C" + std::to_string(k + 1));
      value.type = query.columns[k];
      const ColumnDescription& column = target.columns[columns[k]];
      list += (k ? ", " : "") + StoreValue(value, column, prefix + Quote(column.name), at);
    }
    sql += "SELECT " + list + " FROM (" + query.sql + ")";
  } else {
    Fail(texts::kMissingValues);
  }
  target.reference = definition.storage;
  sql += ParseReturning(out, target);
  ExpectEnd();
  out.kind = StatementKind::Insert;
  out.sqlite = sql;
}

std::string Parser::ParseReturning(TranslatedStatement& out, const Source& target) {
  if (!Accept("RETURNING") && !Accept("RETURN")) return "";
  Scope scope;
  scope.sources.push_back(target);
  scopes_.push_back(&scope);
  const bool outerAggregates = aggregatesAllowed_;
  aggregatesAllowed_ = false;
  std::string list;
  do {
    const Token& at = Peek();
    Expr value = RequireValue(ParseExpression(), at);
    if (value.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, at);
    if (value.type.oracleType == kUnknown) value.type = VarcharType(4000);
    if (value.type.oracleType == kChar && value.stringLiteral) value.type.oracleType = kVarchar;
    out.returningTypes.push_back(value.type);
    list += (list.empty() ? "" : ", ") + value.sql;
  } while (AcceptSymbol(","));
  aggregatesAllowed_ = outerAggregates;
  scopes_.pop_back();
  Expect("INTO", texts::kMissingInto);
  do {
    if (Peek().kind != Token::Kind::Bind) Fail(texts::kBadBindName);
    out.returningBinds.push_back(Next().text);
  } while (AcceptSymbol(","));
  if (out.returningBinds.size() < out.returningTypes.size()) Fail(texts::kNotEnoughValues);
  if (out.returningBinds.size() > out.returningTypes.size()) Fail(texts::kTooManyValues);
  return " RETURNING " + list;
}

void Parser::ParseUpdate(TranslatedStatement& out) {
  Next();
  const Token& tableToken = Peek();
  auto [owner, name] = ParseObjectName();
  TableDefinition definition;
  Source target = ResolveTable(owner, name, tableToken, &definition, TableAccess::Update);
  if (definition.kind != "TABLE") Fail(texts::kDmlNotLegalOnView, tableToken);
  if (AtName() && !Peek().Is("SET")) target.alias = Name();
  Scope scope;
  scope.sources.push_back(target);
  scopes_.push_back(&scope);
  Expect("SET", texts::kMissingSet);
  const std::string prefix = Quote(target.owner) + "." + Quote(target.table) + ".";
  out.targetColumnPrefix = prefix;
  std::string assignments;
  do {
    if (Peek().IsSymbol("(")) Fail(texts::kUnimplemented);
    const Token& at = Peek();
    std::string column = Name(texts::kInvalidIdentifier);
    if (AcceptSymbol(".")) {
      if (column != target.alias)
        Fail(texts::kInvalidIdentifier, at, {Quote(column) + "." + Quote(Peek().text)});
      column = Name(texts::kInvalidIdentifier);
    }
    auto found = std::find_if(target.columns.begin(), target.columns.end(),
                              [&](const ColumnDescription& c) { return c.name == column; });
    if (found == target.columns.end()) Fail(texts::kInvalidIdentifier, at, {Quote(column)});
    ExpectSymbol("=", texts::kMissingEqualSign);
    const Token& valueAt = Peek();
    aggregatesAllowed_ = false;
    Expr value = RequireValue(ParseExpression(), valueAt);
    if (value.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, valueAt);
    assignments += (assignments.empty() ? "" : ", ") + Quote(found->name) + " = " +
                   StoreValue(value, *found, prefix + Quote(found->name), valueAt);
  } while (AcceptSymbol(","));
  std::string sql = "UPDATE " + target.reference + " SET " + assignments;
  sql += ParseDmlWhere();
  scopes_.pop_back();
  sql += ParseReturning(out, target);
  ExpectEnd();
  out.kind = StatementKind::Update;
  out.sqlite = sql;
}

// The WHERE of an UPDATE or DELETE, if any: a condition without aggregates or ROWNUM.
std::string Parser::ParseDmlWhere() {
  if (!Accept("WHERE")) return {};
  aggregatesAllowed_ = false;
  const Token& at = Peek();
  Expr condition = ParseCondition();
  if (!condition.condition) Fail(texts::kInvalidRelationalOperator, at);
  if (condition.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, at);
  return " WHERE " + condition.sql;
}

void Parser::ParseDelete(TranslatedStatement& out) {
  Next();
  Accept("FROM");
  const Token& tableToken = Peek();
  auto [owner, name] = ParseObjectName();
  TableDefinition definition;
  Source target = ResolveTable(owner, name, tableToken, &definition, TableAccess::Delete);
  if (definition.kind != "TABLE") Fail(texts::kDmlNotLegalOnView, tableToken);
  if (AtName() && !Peek().Is("WHERE")) target.alias = Name();
  Scope scope;
  scope.sources.push_back(target);
  scopes_.push_back(&scope);
  std::string sql = "DELETE FROM " + target.reference;
  sql += ParseDmlWhere();
  scopes_.pop_back();
  sql += ParseReturning(out, target);
  ExpectEnd();
  out.kind = StatementKind::Delete;
  out.sqlite = sql;
}

std::string Parser::StoreValue(const Expr& value, const ColumnDescription& column,
                               const std::string& fullName, const Token& at) {
  std::string source = value.sql;
  if (ExtendedTypes::Handles(column.oracleType)) {
    const bool timestampValue = value.type.oracleType == ExtendedTypes::kTimestamp ||
                                value.type.oracleType == ExtendedTypes::kTimestampWithTimeZone;
    const bool numberValue =
        IsNumber(value.type) || value.type.oracleType == ExtendedTypes::kBinaryDouble;
    const char kind = IsDate(value.type) || timestampValue ? 'S' : numberValue ? 'N' : 'T';
    if (column.oracleType == ExtendedTypes::kBinaryDouble && kind == 'S')
      Fail(texts::kInconsistentDatatypes, at,
           {"BINARY_DOUBLE", timestampValue ? "TIMESTAMP" : "DATE"});
    if (column.oracleType != ExtendedTypes::kBinaryDouble && kind == 'N')
      Fail(texts::kInconsistentDatatypes, at, {"TIMESTAMP", "NUMBER"});
    return ExtendedTypes::StoreSql(source, kind, column);
  }
  if (IsDate(value.type) && (IsText(column) || column.oracleType == kLong)) source = AsText(value);
  if (IsNumber(value.type) && IsDate(column))
    Fail(texts::kInconsistentDatatypes, at, {"DATE", "NUMBER"});
  if (IsDate(value.type) && IsNumber(column))
    Fail(texts::kInconsistentDatatypes, at, {"NUMBER", "DATE"});
  return "ora_store(" + source + ", " + std::to_string(column.oracleType) + ", " +
         std::to_string(column.dataSize) + ", " + std::to_string(column.precision) + ", " +
         std::to_string(column.scale) + ", " + Literal(fullName) + ")";
}

}  // namespace devdb::sql::translation
