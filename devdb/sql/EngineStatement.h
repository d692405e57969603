// A prepared statement of one session: the translated SQLite statement for queries and
// DML, with binding of Oracle values, array execution and fetching with Oracle types;
// other statements are handed to the session core when executed.
#pragma once

#include <deque>
#include <memory>

#include "devdb/sql/OpenCursor.h"
#include "devdb/sql/SessionCore.h"
#include "devdb/sql/SqlEngine.h"
#include "devdb/sql/SqliteStatement.h"

namespace devdb::sql {

class EngineStatement : public Statement, private OpenCursor {
 public:
  EngineStatement(std::shared_ptr<SessionCore> core, TranslatedStatement translated);
  ~EngineStatement() override;

  const StatementInfo& Info() const override { return translated_.info; }
  ExecuteResult Execute(const std::vector<Bind>& binds, int iterations, int rowOffset,
                        bool commitOnSuccess) override;
  std::vector<std::vector<Value>> Fetch(int maxRows) override;
  std::uint64_t RowsFetched() const override { return rowsFetched_; }

 private:
  ExecuteResult Run(const std::vector<Bind>& binds, int iterations, int rowOffset,
                    bool commitOnSuccess);
  std::vector<std::vector<Value>> FetchRows(int maxRows);
  // For each statement bind name, the bind that supplies it; throws 1036 / 1008.
  std::vector<const Bind*> MatchBinds(const std::vector<Bind>& binds, std::size_t rowsNeeded) const;
  void BindRow(const std::vector<const Bind*>& matched, std::size_t row);
  Value ColumnValue(int column, const ColumnDescription& description) const;
  std::vector<Value> CurrentRow() const;
  void Materialize() override;
  void Close();  // no rows left: the SQLite statement is reset and the cursor forgotten

  std::shared_ptr<SessionCore> core_;
  TranslatedStatement translated_;
  SqliteStatement statement_;
  bool open_ = false;  // an executed select with rows possibly left
  bool materialized_ = false;  // its remaining rows are in buffered_, not in SQLite
  std::deque<std::vector<Value>> buffered_;
  std::uint64_t rowsFetched_ = 0;
};

}  // namespace devdb::sql
