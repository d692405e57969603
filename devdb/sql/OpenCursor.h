// A select of a session that is part way through its rows. The session asks its open
// cursors to read their remaining rows into memory when it must begin a write transaction
// and an open cursor still holds an older snapshot of the database, which SQLite cannot
// upgrade; the rows stay those of the moment the cursor was opened, as in Oracle.
#pragma once

namespace devdb::sql {

class OpenCursor {
 public:
  virtual void Materialize() = 0;

 protected:
  ~OpenCursor() = default;
};

}  // namespace devdb::sql
