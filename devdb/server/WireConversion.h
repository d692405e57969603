// Field-by-field conversion between the engine's records and the wire's records, which have
// the same shape but live apart so that clients never depend on the engine.
#pragma once

#include <optional>

#include "devdb/plsql/PlValue.h"
#include "devdb/protocol/Messages.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::server {

class WireConversion {
 public:
  static protocol::WireValue ToWire(const sql::Value& value);
  static protocol::WireValue ToWire(sql::Value&& value);
  static sql::Value FromWire(const protocol::WireValue& value);
  static sql::Value FromWire(protocol::WireValue&& value);
  static protocol::WireColumn ToWire(const sql::ColumnDescription& column);
  static protocol::WireError ToWire(const sql::SqlError& error);
  static sql::ConnectMode FromWire(protocol::WireConnectMode mode);
  static std::vector<protocol::WireColumn> ToWire(
      const std::vector<sql::ColumnDescription>& columns);
  // The PL/SQL type of what a client declared with an Oracle external type code; nothing
  // for 0 and for codes PL/SQL does not need to tell apart.
  static std::optional<plsql::PlType> DeclaredType(std::int32_t externalType);
};

}  // namespace devdb::server
