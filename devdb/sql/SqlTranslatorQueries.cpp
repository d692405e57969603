// Queries: SELECT statements with FOR UPDATE, WITH clauses, set operators and ORDER BY, the
// query blocks with their select lists, WHERE, CONNECT BY LEVEL, GROUP BY and HAVING, and the
// FROM clause with its joins.
#include <string>

#include "devdb/sql/SqlTranslatorParser.h"

namespace devdb::sql::translation {

void Parser::ParseSelectStatement(TranslatedStatement& out) {
  QueryResult query = ParseQuery(false);
  if (Accept("FOR")) {
    Expect("UPDATE", texts::kMissingKeyword);
    out.forUpdate = true;
    if (Accept("OF")) {
      do {
        Name(texts::kInvalidIdentifier);
        if (AcceptSymbol(".")) Name(texts::kInvalidIdentifier);
      } while (AcceptSymbol(","));
    }
    if (Accept("NOWAIT")) {
      out.noWait = true;
    } else if (Accept("WAIT")) {
      if (Peek().kind != Token::Kind::Number) Fail(texts::kNotProperlyEnded);
      out.noWait = Next().text == "0";
    } else if (Accept("SKIP")) {
      Fail(texts::kUnimplemented);
    }
  }
  ExpectEnd();
  out.kind = StatementKind::Select;
  out.sqlite = query.sql;
  out.info.columns = query.columns;
}

QueryResult Parser::ParseQuery(bool positional) {
  Nesting nesting(*this, true);
  // WITH name [(columns)] AS (query), ...: names visible to the rest of this query.
  std::string with;
  const std::size_t namedBefore = namedQueries_.size();
  if (Accept("WITH")) {
    if (Peek().Is("FUNCTION") || Peek().Is("PROCEDURE")) Fail(texts::kUnimplemented);
    do {
      const std::string name = Name(texts::kInvalidTableName);
      std::vector<std::string> renamed;
      if (AcceptSymbol("(")) {
        do {
          renamed.push_back(Name(texts::kInvalidIdentifier));
        } while (AcceptSymbol(","));
        ExpectSymbol(")", texts::kMissingRightParenthesis);
      }
      Expect("AS", texts::kMissingKeyword);
      const Token& at = Peek();
      ExpectSymbol("(", texts::kMissingLeftParenthesis);
      QueryResult query = ParseQuery(false);
      ExpectSymbol(")", texts::kMissingRightParenthesis);
      if (!renamed.empty()) {
        if (renamed.size() != query.columns.size()) Fail(texts::kWrongNumberOfResultColumns, at);
        for (std::size_t k = 0; k < renamed.size(); ++k) query.columns[k].name = renamed[k];
      }
      std::string columnList;
      for (const auto& column : query.columns)
        columnList += (columnList.empty() ? "" : ", ") + Quote(column.name);
      with += (with.empty() ? "WITH " : ", ") + Quote("WITH." + name) + "(" + columnList +
              ") AS (" + query.sql + ")";
      namedQueries_.emplace_back(name, query.columns);
    } while (AcceptSymbol(","));
    if (!Peek().Is("SELECT") && !Peek().IsSymbol("(")) Fail(texts::kMissingSelect);
  }
  QueryResult result = ParseQueryBody(positional);
  namedQueries_.resize(namedBefore);
  if (!with.empty()) result.sql = with + " " + result.sql;
  return result;
}

QueryResult Parser::ParseQueryBody(bool positional) {
  QueryResult result;
  std::vector<std::string> names;
  Scope scope;
  BlockResult first;
  bool simple = !Peek().IsSymbol("(");
  if (simple) {
    first = ParseQueryBlock(positional, scope, names);
  } else {
    first = ParseQueryTerm(positional);
    for (const auto& column : first.columns) names.push_back(column.name);
  }
  result.columns = first.columns;
  bool compound = false;
  std::vector<BlockResult> parts{first};
  std::vector<std::string> operators;
  while (Peek().Is("UNION") || Peek().Is("MINUS") || Peek().Is("INTERSECT")) {
    const Token& at = Next();
    std::string op = at.Is("UNION")   ? (Accept("ALL") ? "UNION ALL" : "UNION")
                     : at.Is("MINUS") ? "EXCEPT"
                                      : "INTERSECT";
    compound = true;
    BlockResult next = ParseQueryTerm(positional);
    if (next.columns.size() != result.columns.size()) Fail(texts::kWrongNumberOfResultColumns, at);
    for (std::size_t k = 0; k < next.columns.size(); ++k) {
      ColumnDescription& mine = result.columns[k];
      const ColumnDescription& theirs = next.columns[k];
      const bool compatible = mine.oracleType == kUnknown || theirs.oracleType == kUnknown ||
                              (IsText(mine) && IsText(theirs)) ||
                              mine.oracleType == theirs.oracleType;
      if (!compatible) Fail(texts::kExpressionTypeMismatch, at);
      if (mine.oracleType == kUnknown) {
        const std::string name = mine.name;
        mine = theirs;
        mine.name = name;
      }
      if (IsText(mine)) {
        if (mine.oracleType != theirs.oracleType && IsText(theirs)) mine.oracleType = kVarchar;
        mine.dataSize = std::max(mine.dataSize, theirs.dataSize);
      }
      if (IsNumber(mine) && (mine.precision != theirs.precision || mine.scale != theirs.scale)) {
        mine.precision = 0;
        mine.scale = -127;
      }
      mine.nullable = mine.nullable || theirs.nullable;
    }
    parts.push_back(next);
    operators.push_back(op);
  }
  auto blockSql = [&](const BlockResult& block) {
    if (!block.limit) return block.sql;
    if (block.grouped) Fail(texts::kUnimplemented);
    return compound ? "SELECT * FROM (" + block.sql + " LIMIT " + *block.limit + ")"
                    : block.sql + " LIMIT " + *block.limit;
  };
  std::string sql = blockSql(parts[0]);
  for (std::size_t k = 1; k < parts.size(); ++k)
    sql += " " + operators[k - 1] + " " + blockSql(parts[k]);
  if (Peek().Is("ORDER")) {
    std::vector<std::string> orderNames, aliases;
    for (std::size_t k = 0; k < result.columns.size(); ++k) {
      orderNames.push_back(result.columns[k].name);
      aliases.push_back(positional ? "__C" + std::to_string(k + 1) : result.columns[k].name);
    }
    if (parts[0].limit && !compound) {
      // Oracle numbers the rows before it sorts them: keep the first n, then sort those,
      // which can only name the select list's columns.
      const Token& at = Peek();
      std::string order;
      try {
        order = ParseOrderBy(nullptr, orderNames, aliases);
      } catch (const SqlError& error) {
        if (error.Code() == texts::kInvalidIdentifier.code) Fail(texts::kUnimplemented, at);
        throw;
      }
      sql = "SELECT * FROM (" + sql + ")" + order;
    } else {
      const bool scoped = simple && !compound;
      if (scoped) scopes_.push_back(&scope);
      sql += ParseOrderBy(scoped ? &scope : nullptr, orderNames, aliases);
      if (scoped) scopes_.pop_back();
    }
  }
  result.sql = sql;
  return result;
}

BlockResult Parser::ParseQueryTerm(bool positional) {
  if (AcceptSymbol("(")) {
    QueryResult inner = ParseQuery(positional);
    ExpectSymbol(")", texts::kMissingRightParenthesis);
    BlockResult block;
    block.sql = "SELECT * FROM (" + inner.sql + ")";
    block.columns = inner.columns;
    return block;
  }
  Scope scope;
  std::vector<std::string> names;
  if (!Peek().Is("SELECT")) Fail(texts::kMissingSelect);
  return ParseQueryBlock(positional, scope, names);
}

std::string Parser::ParseOrderBy(Scope* scope, const std::vector<std::string>& names,
                                 const std::vector<std::string>& aliases) {
  Next();
  Expect("BY", texts::kMissingBy);
  std::string sql = " ORDER BY ";
  bool firstItem = true;
  do {
    const Token& at = Peek();
    std::string item;
    const bool bare = (at.kind == Token::Kind::Word || at.kind == Token::Kind::QuotedName) &&
                      !Peek(1).IsSymbol(".") && !Peek(1).IsSymbol("(");
    if (at.kind == Token::Kind::Number &&
        (Peek(1).IsSymbol(",") || Peek(1).kind == Token::Kind::End || Peek(1).Is("ASC") ||
         Peek(1).Is("DESC") || Peek(1).Is("NULLS") || Peek(1).IsSymbol(")"))) {
      Next();
      const int position = SmallInteger(at.text);
      if (position < 1 || position > static_cast<int>(names.size()))
        Fail(texts::kOrderByItemNotNumber, at);
      item = std::to_string(position);
    } else if (bare && std::find(names.begin(), names.end(), at.text) != names.end()) {
      Next();
      item = Quote(aliases[static_cast<std::size_t>(std::find(names.begin(), names.end(), at.text) -
                                                    names.begin())]);
    } else if (scope) {
      Expr e = RequireValue(ParseExpression(), at);
      // SQLite would read a constant integer as a select-list position; Oracle sorts by it.
      item = e.numberLiteral ? "CAST(" + e.sql + " AS NUMERIC)" : e.sql;
    } else {
      Fail(texts::kInvalidIdentifier, at, {Quote(at.text)});
    }
    bool descending = false;
    if (Accept("DESC"))
      descending = true;
    else
      Accept("ASC");
    std::string nulls = descending ? " NULLS FIRST" : " NULLS LAST";
    if (Accept("NULLS")) {
      if (Accept("FIRST"))
        nulls = " NULLS FIRST";
      else if (Accept("LAST"))
        nulls = " NULLS LAST";
      else
        Fail(texts::kNotProperlyEnded);
    }
    sql += (firstItem ? "" : ", ") + item + (descending ? " DESC" : " ASC") + nulls;
    firstItem = false;
  } while (AcceptSymbol(","));
  return sql;
}

std::optional<std::size_t> Parser::FindAtThisLevel(
    std::size_t start, std::initializer_list<const char*> wanted,
    std::initializer_list<const char*> ending) const {
  auto isOneOf = [](const Token& token, std::initializer_list<const char*> words) {
    for (const char* word : words)
      if (token.Is(word)) return true;
    return false;
  };
  int depth = 0;
  for (std::size_t k = start; k < tokens_.size(); ++k) {
    const Token& token = tokens_[k];
    if (token.kind == Token::Kind::End) break;
    if (token.IsSymbol("(")) {
      ++depth;
    } else if (token.IsSymbol(")")) {
      if (--depth < 0) break;
    } else if (depth == 0 && isOneOf(token, wanted)) {
      return k;
    } else if (depth == 0 && isOneOf(token, ending)) {
      break;
    }
  }
  return std::nullopt;
}

BlockResult Parser::ParseQueryBlock(bool positional, Scope& scope,
                                    std::vector<std::string>& names) {
  BlockResult block;
  const bool scalar = std::exchange(scalarSubquery_, false);
  Expect("SELECT", texts::kMissingSelect);
  bool distinct = false;
  if (Accept("DISTINCT") || Accept("UNIQUE"))
    distinct = true;
  else
    Accept("ALL");
  const std::size_t listStart = pos_;
  // Find this block's FROM: the select list names columns of the tables listed after it.
  const std::optional<std::size_t> fromIndex =
      FindAtThisLevel(pos_, {"FROM"}, {"UNION", "MINUS", "INTERSECT", "WHERE", "ORDER", "GROUP"});
  // CONNECT BY is understood only as Oracle's row generator on DUAL:
  // SELECT ... FROM DUAL CONNECT BY LEVEL <= n.
  std::optional<std::size_t> connectIndex;
  std::size_t afterConnect = 0;
  std::optional<std::string> levelLimit;
  if (fromIndex) {
    connectIndex = FindAtThisLevel(*fromIndex, {"CONNECT", "START"},
                                   {"UNION", "MINUS", "INTERSECT", "ORDER", "GROUP"});
  }
  if (connectIndex) {
    pos_ = *connectIndex;
    if (!Accept("CONNECT")) Fail(texts::kUnimplemented);
    Expect("BY", texts::kMissingBy);
    if (!Accept("LEVEL")) Fail(texts::kUnimplemented);
    const Token& op = Peek();
    if (!op.IsSymbol("<=") && !op.IsSymbol("<")) Fail(texts::kUnimplemented);
    Next();
    const Token& limitAt = Peek();
    Scope empty;
    scopes_.push_back(&empty);
    const bool outerAggregates = aggregatesAllowed_;
    aggregatesAllowed_ = false;
    Expr limit = RequireValue(ParseExpression(), limitAt);
    aggregatesAllowed_ = outerAggregates;
    scopes_.pop_back();
    if (limit.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, limitAt);
    levelLimit = std::string(op.IsSymbol("<=") ? "<= (" : "< (") + AsNumber(limit, limitAt) + ")";
    afterConnect = pos_;
  }
  std::string fromSql;
  std::size_t afterFrom = 0;
  if (fromIndex) {
    pos_ = *fromIndex + 1;
    levelLimit_ = levelLimit;
    fromSql = ParseFromClause(scope);
    levelLimit_.reset();
    if (levelLimit && (scope.sources.size() != 1 || !scope.sources[0].levels))
      Fail(texts::kUnimplemented, tokens_[*connectIndex]);
    afterFrom = pos_;
    pos_ = listStart;
  }
  scopes_.push_back(&scope);
  const bool outerAggregates = aggregatesAllowed_;
  aggregatesAllowed_ = true;
  std::optional<std::string>* outerLimit = rownumLimit_;
  rownumLimit_ = nullptr;
  // The select list.
  std::vector<Expr> items;
  std::string list;
  auto addItem = [&](Expr e, const std::string& name) {
    ColumnDescription column = e.type;
    column.name = name;
    names.push_back(name);
    const std::string alias = positional ? "__C" + std::to_string(block.columns.size() + 1) : name;
    list += (list.empty() ? "" : ", ") + e.sql + " AS " + Quote(alias);
    block.columns.push_back(column);
    items.push_back(std::move(e));
  };
  do {
    const Token& at = Peek();
    if (at.IsSymbol("*")) {
      Next();
      if (!fromIndex) Fail(texts::kFromNotFound);
      for (const Source& source : scope.sources)
        for (const ColumnDescription& column : source.columns)
          addItem(Column(source, column, at), column.name);
      continue;
    }
    if ((at.kind == Token::Kind::Word || at.kind == Token::Kind::QuotedName) &&
        Peek(1).IsSymbol(".") && Peek(2).IsSymbol("*")) {
      const std::string alias = at.text;
      pos_ += 3;
      auto found = std::find_if(scope.sources.begin(), scope.sources.end(),
                                [&](const Source& s) { return s.alias == alias; });
      if (found == scope.sources.end()) Fail(texts::kInvalidIdentifier, at, {Quote(alias)});
      for (const ColumnDescription& column : found->columns)
        addItem(Column(*found, column, at), column.name);
      continue;
    }
    if (at.Is("FROM") || at.kind == Token::Kind::End) Fail(texts::kMissingExpression, at);
    const std::size_t first = pos_;
    Expr e;
    if (fromIndex) {
      e = RequireValue(ParseExpression(), at);
    } else {
      // Without FROM, check the syntax only; the error is the missing FROM.
      try {
        e = ParseExpression();
      } catch (const SqlError& error) {
        if (error.Code() != texts::kInvalidIdentifier.code &&
            error.Code() != texts::kColumnAmbiguouslyDefined.code)
          throw;
        Fail(texts::kFromNotFound);
      }
    }
    const std::size_t last = pos_ - 1;
    std::string name = e.name.empty() ? DerivedName(first, last) : e.name;
    if (Accept("AS")) {
      name = Name(texts::kFromNotFound);
    } else if (AtName() && !Peek().Is("FROM")) {
      name = Name();
    }
    if (e.type.oracleType == kUnknown) e.type = VarcharType(4000);
    addItem(std::move(e), name);
  } while (AcceptSymbol(","));
  if (!fromIndex || pos_ != *fromIndex) Fail(texts::kFromNotFound);
  pos_ = afterFrom;
  std::string sql = " FROM " + fromSql;
  std::optional<std::string> limit;
  if (Accept("WHERE")) {
    aggregatesAllowed_ = false;
    rownumLimit_ = &limit;
    rownumDepth_ = 0;
    const Token& at = Peek();
    Expr condition = ParseCondition();
    if (!condition.condition) Fail(texts::kInvalidRelationalOperator, at);
    if (condition.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, at);
    sql += " WHERE " + condition.sql;
    rownumLimit_ = nullptr;
    aggregatesAllowed_ = true;
  }
  if (connectIndex && pos_ == *connectIndex)
    pos_ = afterConnect;
  else if (Peek().Is("CONNECT") || Peek().Is("START"))
    Fail(texts::kUnimplemented);
  std::vector<std::string> groupBy;
  if (Accept("GROUP")) {
    Expect("BY", texts::kMissingBy);
    aggregatesAllowed_ = false;
    std::string groupSql;
    do {
      const Token& at = Peek();
      Expr e = RequireValue(ParseExpression(), at);
      if (e.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, at);
      groupBy.push_back(e.sql);
      // SQLite would read a constant integer as a select-list position.
      groupSql += (groupSql.empty() ? "" : ", ") +
                  (e.numberLiteral ? "CAST(" + e.sql + " AS NUMERIC)" : e.sql);
    } while (AcceptSymbol(","));
    aggregatesAllowed_ = true;
    sql += " GROUP BY " + groupSql;
  }
  bool aggregated = !groupBy.empty();
  if (Accept("HAVING")) {
    const Token& at = Peek();
    Expr condition = ParseCondition();
    if (!condition.condition) Fail(texts::kInvalidRelationalOperator, at);
    if (condition.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, at);
    sql += " HAVING " + condition.sql;
    aggregated = true;
    for (const auto& [column, offset] : condition.bareColumns)
      if (std::find(groupBy.begin(), groupBy.end(), column) == groupBy.end())
        throw OracleErrors::Make(texts::kNotGroupByExpression, {}, offset);
  }
  for (const Expr& item : items) aggregated = aggregated || item.aggregate;
  if (aggregated) {
    for (const Expr& item : items) {
      if (std::find(groupBy.begin(), groupBy.end(), item.sql) != groupBy.end()) continue;
      for (const auto& [column, offset] : item.bareColumns)
        if (std::find(groupBy.begin(), groupBy.end(), column) == groupBy.end())
          throw OracleErrors::Make(
              groupBy.empty() ? texts::kNotSingleGroupFunction : texts::kNotGroupByExpression, {},
              offset);
    }
  }
  scopes_.pop_back();
  aggregatesAllowed_ = outerAggregates;
  rownumLimit_ = outerLimit;
  if (scalar && !aggregated && !distinct && !limit && items.size() == 1 &&
      items[0].sql.find(kRownumSql) == std::string::npos) {
    // A scalar subquery must find at most one row: aggregate its rows to check that.
    list = "ora_single(" + items[0].sql + ") AS " + Quote(positional ? "__C1" : names.back());
    aggregated = true;
  }
  block.sql = std::string("SELECT ") + (distinct ? "DISTINCT " : "") + list + sql;
  block.limit = limit;
  block.grouped = aggregated || distinct;
  return block;
}

std::string Parser::ParseFromClause(Scope& scope) {
  std::string sql = ParseTableReference(scope);
  while (true) {
    if (AcceptSymbol(",")) {
      sql += ", " + ParseTableReference(scope);
      continue;
    }
    std::string join;
    if (Accept("CROSS")) {
      Expect("JOIN", texts::kMissingKeyword);
      sql += " CROSS JOIN " + ParseTableReference(scope);
      continue;
    }
    if (Accept("INNER"))
      join = "JOIN";
    else if (Accept("LEFT")) {
      Accept("OUTER");
      join = "LEFT JOIN";
    } else if (Accept("RIGHT")) {
      Accept("OUTER");
      join = "RIGHT JOIN";
    } else if (Accept("FULL")) {
      Accept("OUTER");
      join = "FULL JOIN";
    } else if (Peek().Is("JOIN"))
      join = "JOIN";
    else if (Peek().Is("NATURAL"))
      Fail(texts::kUnimplemented);
    if (join.empty()) break;
    Expect("JOIN", texts::kMissingKeyword);
    const std::string reference = ParseTableReference(scope);
    if (Peek().Is("USING")) Fail(texts::kUnimplemented);
    Expect("ON", texts::kMissingOn);
    scopes_.push_back(&scope);
    const bool outerAggregates = aggregatesAllowed_;
    aggregatesAllowed_ = false;
    const Token& at = Peek();
    Expr condition = ParseCondition();
    aggregatesAllowed_ = outerAggregates;
    scopes_.pop_back();
    if (!condition.condition) Fail(texts::kInvalidRelationalOperator, at);
    if (condition.sql.find(kRownumSql) != std::string::npos) Fail(texts::kUnimplemented, at);
    sql += " " + join + " " + reference + " ON " + condition.sql;
  }
  return sql;
}

std::string Parser::ParseTableReference(Scope& scope) {
  const Token& at = Peek();
  if (AcceptSymbol("(")) {
    if (!Peek().Is("SELECT") && !Peek().Is("WITH") && !Peek().IsSymbol("("))
      Fail(texts::kMissingSelect);
    std::optional<std::string>* outerLimit = rownumLimit_;
    rownumLimit_ = nullptr;
    QueryResult query = ParseQuery(false);
    rownumLimit_ = outerLimit;
    ExpectSymbol(")", texts::kMissingRightParenthesis);
    Source source;
    source.alias = AtName() ? Next().text : "";
    source.reference =
        Quote(source.alias.empty() ? "__Q" + std::to_string(++subqueryCounter_) : source.alias);
    source.columns = query.columns;
    scope.sources.push_back(source);
    return "(" + query.sql + ") AS " + source.reference;
  }
  if (at.kind != Token::Kind::Word && at.kind != Token::Kind::QuotedName)
    Fail(texts::kInvalidTableName);
  auto [owner, name] = ParseObjectName();
  Source source = ResolveTable(owner, name, at);
  if (AtName()) source.alias = Next().text;
  if (levelLimit_ && source.owner == "SYS" && source.table == "DUAL") {
    const std::string generator =
        "(WITH RECURSIVE \"__LEVELS\"(\"LEVEL\") AS (SELECT 1 UNION ALL SELECT \"LEVEL\" + 1 "
        "FROM \"__LEVELS\" WHERE \"LEVEL\" + 1 " +
        *levelLimit_ + ") SELECT 'X' AS \"DUMMY\", \"LEVEL\" FROM \"__LEVELS\")";
    source.levels = true;
    source.objectId = 0;
    source.reference = generator;
    levelLimit_.reset();
  }
  // SQLite needs distinct names even where Oracle lets the same table appear twice.
  const std::string sqliteAlias = Quote(
      source.alias + (scope.sources.empty() ? "" : "#" + std::to_string(scope.sources.size())));
  const std::string reference = source.reference + " AS " + sqliteAlias;
  source.reference = sqliteAlias;
  scope.sources.push_back(source);
  return reference;
}

}  // namespace devdb::sql::translation
