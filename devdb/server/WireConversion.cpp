// Value kinds have the same numbers on both sides; dates are copied field by field.
#include "devdb/server/WireConversion.h"

namespace devdb::server {

using protocol::WireValue;

protocol::WireValue WireConversion::ToWire(const sql::Value& value) {
  WireValue wire;
  wire.kind = static_cast<WireValue::Kind>(value.kind);
  wire.text = value.text;
  wire.bytes = value.bytes;
  wire.date = {value.date.year, value.date.month,  value.date.day,
               value.date.hour, value.date.minute, value.date.second};
  return wire;
}

sql::Value WireConversion::FromWire(const protocol::WireValue& wire) {
  sql::Value value;
  value.kind = static_cast<sql::Value::Kind>(wire.kind);
  value.text = wire.text;
  value.bytes = wire.bytes;
  value.date = {wire.date.year, wire.date.month,  wire.date.day,
                wire.date.hour, wire.date.minute, wire.date.second};
  return value;
}

protocol::WireValue WireConversion::ToWire(sql::Value&& value) {
  WireValue wire;
  wire.kind = static_cast<WireValue::Kind>(value.kind);
  wire.text = std::move(value.text);
  wire.bytes = std::move(value.bytes);
  wire.date = {value.date.year, value.date.month,  value.date.day,
               value.date.hour, value.date.minute, value.date.second};
  return wire;
}

sql::Value WireConversion::FromWire(protocol::WireValue&& wire) {
  sql::Value value;
  value.kind = static_cast<sql::Value::Kind>(wire.kind);
  value.text = std::move(wire.text);
  value.bytes = std::move(wire.bytes);
  value.date = {wire.date.year, wire.date.month,  wire.date.day,
                wire.date.hour, wire.date.minute, wire.date.second};
  return value;
}

protocol::WireColumn WireConversion::ToWire(const sql::ColumnDescription& column) {
  return {column.name,      column.oracleType, column.dataSize,
          column.precision, column.scale,      column.nullable};
}

std::vector<protocol::WireColumn> WireConversion::ToWire(
    const std::vector<sql::ColumnDescription>& columns) {
  std::vector<protocol::WireColumn> wire;
  wire.reserve(columns.size());
  for (const auto& column : columns) wire.push_back(ToWire(column));
  return wire;
}

protocol::WireError WireConversion::ToWire(const sql::SqlError& error) {
  return {error.Code(), error.what(), error.Offset()};
}

std::optional<plsql::PlType> WireConversion::DeclaredType(std::int32_t externalType) {
  switch (externalType) {
    case 1:   // VARCHAR2
    case 5:   // null-terminated string
    case 8:   // LONG
    case 9:   // VARCHAR
    case 94:  // LONG VARCHAR
    case 96:  // CHAR
    case 97:  // CHARZ
      return plsql::PlType::Text;
    case 2:    // NUMBER
    case 3:    // integer
    case 4:    // float
    case 6:    // VARNUM
    case 7:    // packed decimal
    case 68:   // unsigned integer
    case 21:   // binary float
    case 22:   // binary double
    case 100:  // native float
    case 101:  // native double
      return plsql::PlType::Number;
    case 12:   // DATE
    case 156:  // OCI date
      return plsql::PlType::Date;
    case 23:  // RAW
    case 24:  // LONG RAW
    case 95:  // LONG VARRAW
      return plsql::PlType::Raw;
    case 11:   // ROWID
    case 104:  // ROWID descriptor
      return plsql::PlType::Rowid;
    case 102:  // cursor variable
    case 116:  // result set
      return plsql::PlType::Cursor;
    default: return std::nullopt;
  }
}

sql::ConnectMode WireConversion::FromWire(protocol::WireConnectMode mode) {
  switch (mode) {
    case protocol::WireConnectMode::SysDba: return sql::ConnectMode::SysDba;
    case protocol::WireConnectMode::SysOper: return sql::ConnectMode::SysOper;
    case protocol::WireConnectMode::Normal: break;
  }
  return sql::ConnectMode::Normal;
}

}  // namespace devdb::server
