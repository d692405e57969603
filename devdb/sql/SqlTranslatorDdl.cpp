// DDL: CREATE TABLE (columns, data types, constraints, AS query) and CREATE INDEX, DROP of
// tables, indexes and users, and the dispatch of CREATE and ALTER to the families that
// carry out the rest.
#include <string>

#include "devdb/sql/ExtendedTypes.h"
#include "devdb/sql/SqlTranslatorParser.h"

namespace devdb::sql::translation {

ColumnDescription Parser::ParseDataType() {
  const Token& at = Peek();
  if (at.kind != Token::Kind::Word) Fail(texts::kInvalidDatatype);
  const std::string word = Next().text;
  auto size = [&](bool required, int fallback) {
    if (!AcceptSymbol("(")) {
      if (required) Fail(texts::kMissingLeftParenthesis);
      return fallback;
    }
    if (Peek().kind != Token::Kind::Number) Fail(texts::kLengthTooLongForDatatype);
    const int value = SmallInteger(Next().text);
    Accept("BYTE");
    Accept("CHAR");
    ExpectSymbol(")", texts::kMissingRightParenthesis);
    return value;
  };
  if (word == "VARCHAR2" || word == "VARCHAR" || word == "NVARCHAR2") {
    const int length = size(true, 0);
    if (length < 1 || length > 4000) Fail(texts::kLengthTooLongForDatatype, at);
    return TypeOf(kVarchar, length);
  }
  if (word == "CHAR" || word == "CHARACTER" || word == "NCHAR") {
    if (Peek().Is("VARYING")) Fail(texts::kUnimplemented);
    const int length = size(false, 1);
    if (length < 1 || length > 2000) Fail(texts::kLengthTooLongForDatatype, at);
    return TypeOf(kChar, length);
  }
  if (word == "NUMBER" || word == "NUMERIC" || word == "DECIMAL" || word == "DEC") {
    if (!AcceptSymbol("(")) {
      if (word == "NUMBER") return TypeOf(kNumber, 22, 0, -127);
      return TypeOf(kNumber, 22, 38, 0);
    }
    int precision = 38;
    if (AcceptSymbol("*")) {
      precision = 38;
    } else {
      if (Peek().kind != Token::Kind::Number) Fail(texts::kNumericPrecisionOutOfRange, Peek());
      precision = SmallInteger(Next().text);
    }
    if (precision < 1 || precision > 38) Fail(texts::kNumericPrecisionOutOfRange, at);
    int scale = 0;
    if (AcceptSymbol(",")) {
      bool negative = AcceptSymbol("-");
      if (Peek().kind != Token::Kind::Number) Fail(texts::kNumericScaleOutOfRange, Peek());
      const int magnitude = SmallInteger(Next().text);
      if (magnitude < 0) Fail(texts::kNumericScaleOutOfRange, at);
      scale = magnitude * (negative ? -1 : 1);
      if (scale < -84 || scale > 127) Fail(texts::kNumericScaleOutOfRange, at);
    }
    ExpectSymbol(")", texts::kMissingRightParenthesis);
    return TypeOf(kNumber, 22, precision, scale);
  }
  if (word == "INTEGER" || word == "INT" || word == "SMALLINT") return TypeOf(kNumber, 22, 38, 0);
  if (word == "FLOAT") {
    int precision = 126;
    if (AcceptSymbol("(")) {
      if (Peek().kind != Token::Kind::Number) Fail(texts::kFloatPrecisionOutOfRange, Peek());
      precision = SmallInteger(Next().text);
      if (precision < 1 || precision > 126) Fail(texts::kFloatPrecisionOutOfRange, at);
      ExpectSymbol(")", texts::kMissingRightParenthesis);
    }
    return TypeOf(kNumber, 22, precision, -127);
  }
  if (word == "REAL") return TypeOf(kNumber, 22, 63, -127);
  if (word == "DOUBLE") {
    Expect("PRECISION", texts::kInvalidDatatype);
    return TypeOf(kNumber, 22, 126, -127);
  }
  if (word == "DATE") return DateType();
  if (word == "TIMESTAMP") {
    int digits = ExtendedTypes::kDefaultFractionalDigits;
    if (AcceptSymbol("(")) {
      if (Peek().kind != Token::Kind::Number) Fail(texts::kNonNumericCharacter, Peek());
      digits = SmallInteger(Next().text);
      if (digits < 0 || digits > 9) throw ExtendedTypes::PrecisionOutOfRange(at.offset);
      ExpectSymbol(")", texts::kMissingRightParenthesis);
    }
    if (!Accept("WITH")) return ExtendedTypes::Timestamp(digits);
    if (Peek().Is("LOCAL")) Fail(texts::kUnimplemented, Peek());
    Expect("TIME", texts::kInvalidDatatype);
    Expect("ZONE", texts::kInvalidDatatype);
    return ExtendedTypes::TimestampWithTimeZone(digits);
  }
  if (word == "BINARY_DOUBLE") return ExtendedTypes::BinaryDouble();
  if (word == "RAW") {
    const int length = size(true, 0);
    if (length < 1 || length > 2000) Fail(texts::kLengthTooLongForDatatype, at);
    return TypeOf(kRaw, length);
  }
  if (word == "LONG") {
    if (Accept("RAW")) return TypeOf(kLongRaw, 0);
    return TypeOf(kLong, 0);
  }
  if (word == "ROWID") return TypeOf(kRowid, 10);
  Fail(texts::kInvalidDatatype, at);
}

void Parser::ParseCreate(TranslatedStatement& out) {
  Next();
  if (Accept("OR")) {
    Expect("REPLACE", texts::kInvalidOption);
  }
  const Token& what = Peek();
  if (what.Is("TABLE")) {
    Next();
    ParseCreateTable(out);
  } else if (what.Is("UNIQUE") || what.Is("INDEX")) {
    const bool unique = Accept("UNIQUE");
    Expect("INDEX", texts::kInvalidCreateCommand);
    out.info.sqlFunctionCode = 20;
    ParseCreateIndex(out, unique);
  } else if (what.Is("USER")) {
    Next();
    out.info.sqlFunctionCode = 19;
    ParseCreateUser(out);
  } else if (what.Is("PROCEDURE") || what.Is("FUNCTION") || what.Is("PACKAGE") ||
             what.Is("TRIGGER") || what.Is("TYPE")) {
    out.kind = StatementKind::PlsqlUnit;
    out.info.sqlFunctionCode = what.Is("PROCEDURE") ? 24 : what.Is("FUNCTION") ? 91 : 94;
    if (what.Is("PACKAGE") && Peek(1).Is("BODY")) out.info.sqlFunctionCode = 97;
  } else if (what.Is("VIEW") || what.Is("SEQUENCE") || what.Is("SYNONYM") || what.Is("PUBLIC") ||
             what.Is("ROLE") || what.Is("GLOBAL")) {
    Fail(texts::kUnimplemented, what);
  } else {
    Fail(texts::kInvalidCreateCommand, what);
  }
}

void Parser::ParseCreateTable(TranslatedStatement& out) {
  out.kind = StatementKind::CreateTable;
  const Token& nameToken = Peek();
  auto [owner, name] = ParseObjectName();
  TableSpec& table = out.table;
  table.owner = owner.empty() ? state_.schema : owner;
  table.name = name;
  if (catalogue_.FindObject(table.owner, table.name)) Fail(texts::kNameInUse, nameToken);
  std::optional<std::vector<std::string>> primaryKey;
  auto addUnique = [&](std::string constraint, std::vector<std::string> columns, bool primary,
                       const Token& at) {
    if (primary) {
      if (primaryKey) Fail(texts::kOnlyOnePrimaryKey, at);
      primaryKey = columns;
    }
    table.uniqueKeys.emplace_back(constraint, columns);
  };
  if (AcceptSymbol("(")) {
    do {
      const Token& at = Peek();
      std::string constraint;
      if (Accept("CONSTRAINT")) constraint = Name(texts::kInvalidIdentifier);
      if (Peek().Is("PRIMARY") || Peek().Is("UNIQUE")) {
        const bool primary = Accept("PRIMARY");
        if (primary)
          Expect("KEY", texts::kMissingKeyword);
        else
          Next();
        ExpectSymbol("(", texts::kMissingLeftParenthesis);
        std::vector<std::string> columns;
        do {
          const Token& columnAt = Peek();
          const std::string column = Name(texts::kInvalidIdentifier);
          if (std::none_of(table.columns.begin(), table.columns.end(),
                           [&](const ColumnDescription& c) { return c.name == column; }))
            Fail(texts::kInvalidIdentifier, columnAt, {Quote(column)});
          columns.push_back(column);
        } while (AcceptSymbol(","));
        ExpectSymbol(")", texts::kMissingRightParenthesis);
        addUnique(constraint, columns, primary, at);
        continue;
      }
      if (!constraint.empty() || Peek().Is("CHECK") || Peek().Is("FOREIGN"))
        Fail(texts::kUnimplemented);
      const std::string column = Name(texts::kInvalidIdentifier);
      if (std::any_of(table.columns.begin(), table.columns.end(),
                      [&](const ColumnDescription& c) { return c.name == column; }))
        Fail(texts::kDuplicateColumnName, at);
      ColumnDescription type = ParseDataType();
      type.name = column;
      std::string defaultSql;
      while (true) {
        std::string columnConstraint;
        if (Accept("CONSTRAINT")) columnConstraint = Name(texts::kInvalidIdentifier);
        if (Accept("DEFAULT")) {
          const Token& defaultAt = Peek();
          Scope empty;
          scopes_.push_back(&empty);
          Expr value = RequireValue(ParseExpression(), defaultAt);
          scopes_.pop_back();
          if (!bindNames_.empty()) Fail(texts::kBindInDdl, defaultAt);
          if (value.sql.find(kRownumSql) != std::string::npos)
            Fail(texts::kColumnNotAllowed, defaultAt);
          if (value.sql.find("SELECT ") != std::string::npos)
            Fail(texts::kSubqueryNotAllowedHere, defaultAt);
          defaultSql = StoreValue(
              value, type, Quote(table.owner) + "." + Quote(table.name) + "." + Quote(column),
              defaultAt);
        } else if (Accept("NOT")) {
          Expect("NULL", texts::kMissingNullKeyword);
          type.nullable = false;
        } else if (Accept("NULL")) {
          type.nullable = true;
        } else if (Peek().Is("PRIMARY")) {
          const Token& keyAt = Next();
          Expect("KEY", texts::kMissingKeyword);
          type.nullable = false;
          addUnique(columnConstraint, {column}, true, keyAt);
        } else if (Peek().Is("UNIQUE")) {
          const Token& keyAt = Next();
          addUnique(columnConstraint, {column}, false, keyAt);
        } else if (Peek().Is("CHECK") || Peek().Is("REFERENCES")) {
          Fail(texts::kUnimplemented);
        } else {
          if (!columnConstraint.empty()) Fail(texts::kConstraintNotAllowedHere);
          break;
        }
      }
      table.columns.push_back(type);
      table.defaults.push_back(defaultSql);
    } while (AcceptSymbol(","));
    ExpectSymbol(")", texts::kMissingRightParenthesis);
    if (primaryKey)
      for (ColumnDescription& column : table.columns)
        if (std::find(primaryKey->begin(), primaryKey->end(), column.name) != primaryKey->end())
          column.nullable = false;
  }
  if (Accept("TABLESPACE")) Name(texts::kInvalidOption);
  if (Accept("AS")) {
    if (!table.columns.empty()) Fail(texts::kUnimplemented);
    QueryResult query = ParseQuery(true);
    for (std::size_t k = 0; k < query.columns.size(); ++k) {
      ColumnDescription column = query.columns[k];
      if (column.oracleType == kUnknown) column = VarcharType(4000);
      if (column.oracleType == kChar && column.dataSize == 0) column.dataSize = 1;
      if (column.oracleType == kVarchar && column.dataSize == 0) column.dataSize = 1;
      column.nullable = query.columns[k].nullable;
      table.columns.push_back(column);
      table.defaults.emplace_back();
    }
    table.asSelect = query.sql;
  } else if (table.columns.empty()) {
    Fail(texts::kMissingLeftParenthesis);
  }
  ExpectEnd();
}

void Parser::ParseCreateIndex(TranslatedStatement& out, bool unique) {
  out.kind = StatementKind::CreateIndex;
  const Token& nameToken = Peek();
  auto [owner, name] = ParseObjectName();
  out.index.owner = owner.empty() ? state_.schema : owner;
  out.index.name = name;
  out.index.unique = unique;
  if (catalogue_.FindObject(out.index.owner, name)) Fail(texts::kNameInUse, nameToken);
  Expect("ON", texts::kMissingOn);
  const Token& tableToken = Peek();
  auto [tableOwner, table] = ParseObjectName();
  TableDefinition definition;
  Source source = ResolveTable(tableOwner.empty() ? state_.schema : tableOwner, table, tableToken,
                               &definition, TableAccess::Ddl);
  if (definition.kind != "TABLE") Fail(texts::kTableOrViewDoesNotExist, tableToken);
  if (definition.owner != out.index.owner) Fail(texts::kUnimplemented, tableToken);
  out.index.table = definition.name;
  ExpectSymbol("(", texts::kMissingLeftParenthesis);
  do {
    const Token& at = Peek();
    const std::string column = Name(texts::kInvalidIdentifier);
    if (std::none_of(source.columns.begin(), source.columns.end(),
                     [&](const ColumnDescription& c) { return c.name == column; }))
      Fail(texts::kInvalidIdentifier, at, {Quote(column)});
    if (!Accept("ASC")) Accept("DESC");
    out.index.columns.push_back(column);
  } while (AcceptSymbol(","));
  ExpectSymbol(")", texts::kMissingRightParenthesis);
  if (Accept("TABLESPACE")) Name(texts::kInvalidOption);
  ExpectEnd();
}

void Parser::ParseDrop(TranslatedStatement& out) {
  Next();
  if (Accept("TABLE")) {
    out.kind = StatementKind::DropTable;
    const Token& at = Peek();
    auto [owner, name] = ParseObjectName();
    TableDefinition definition;
    ResolveTable(owner.empty() ? state_.schema : owner, name, at, &definition, TableAccess::Ddl);
    if (definition.kind != "TABLE") Fail(texts::kTableOrViewDoesNotExist, at);
    out.drop = {definition.owner, definition.name, false};
    if (Accept("CASCADE")) Expect("CONSTRAINTS", texts::kMissingKeyword);
    Accept("PURGE");
  } else if (Accept("INDEX")) {
    out.kind = StatementKind::DropIndex;
    out.info.sqlFunctionCode = 21;
    const Token& at = Peek();
    auto [owner, name] = ParseObjectName();
    const std::string schema = owner.empty() ? state_.schema : owner;
    auto definition = catalogue_.FindObject(schema, name);
    if (!definition || definition->kind != "INDEX") Fail(texts::kIndexDoesNotExist, at);
    out.drop = {schema, name, false};
  } else if (Accept("USER")) {
    out.kind = StatementKind::DropUser;
    out.info.sqlFunctionCode = 11;
    out.drop.name = Name(texts::kMissingUserOrRole);
    out.drop.cascade = Accept("CASCADE");
  } else if (Peek().Is("PROCEDURE") || Peek().Is("FUNCTION") || Peek().Is("PACKAGE")) {
    out.kind = StatementKind::PlsqlUnit;
    return;
  } else {
    Fail(texts::kInvalidDropOption);
  }
  ExpectEnd();
}

void Parser::ParseAlter(TranslatedStatement& out) {
  Next();
  if (Accept("USER")) {
    ParseAlterUser(out);
    return;
  }
  if (Accept("SESSION")) {
    ParseAlterSession(out);
    return;
  }
  if (Accept("SYSTEM")) {
    ParseAlterSystem(out);
    return;
  }
  if (Peek().Is("TABLE") || Peek().Is("INDEX")) Fail(texts::kUnimplemented);
  Fail(texts::kInvalidAlterCommand);
}

}  // namespace devdb::sql::translation
