// Runs one engine call so that whatever goes wrong inside reaches the server as a SqlError:
// an Oracle error passes unchanged, anything else (a library exception, exhausted memory)
// becomes ORA-00600 with its text instead of ending the server's thread.
#pragma once

#include <exception>
#include <new>
#include <utility>

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {

template <class Call>
auto OracleErrorBoundary(Call&& call) -> decltype(call()) {
  try {
    return std::forward<Call>(call)();
  } catch (const SqlError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw OracleErrors::Make(texts::kInternalError, {"out of memory"});
  } catch (const std::exception& error) {
    throw OracleErrors::Make(texts::kInternalError, {error.what()});
  }
}

}  // namespace devdb::sql
