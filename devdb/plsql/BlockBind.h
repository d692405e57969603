// A bind variable of an anonymous block as the client sees it: a scalar, a PL/SQL index-by
// table with its maximum and current element counts, or a REF CURSOR that the block opens.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devdb/plsql/PlValue.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::plsql {

struct BlockBind {
  std::string name;                // with or without the colon, any case
  std::vector<sql::Value> values;  // scalar: one value; table: the current elements, from 1
  std::optional<PlType> type;      // what the client declared, when it says
  int maxLength = 4000;            // text buffer of an out value
  bool isTable = false;
  int maxElements = 0;  // tables: the client's array size
  bool isCursor = false;
  std::shared_ptr<sql::Statement> cursor;  // after the block: the opened query of OPEN :c FOR
};

}  // namespace devdb::plsql
