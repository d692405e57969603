// The wall around every entry point: no C++ exception may cross into the calling program,
// so each body runs here and whatever it throws becomes an Oracle error record.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "devdb/client/ServerError.h"
#include "devdb/oci/ErrorRecords.h"
#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

// The Oracle number and text of whatever the body threw.
inline ErrorRecords::Record RecordOfCurrentException() {
  try {
    throw;
  } catch (const client::ServerError& error) {
    return {error.Code(), error.what()};
  } catch (const std::bad_alloc&) {
    return {texts::kOutOfProcessMemory.code, texts::Text(texts::kOutOfProcessMemory)};
  } catch (const std::exception& error) {
    return {texts::kInternalError.code, texts::Text(texts::kInternalError, {error.what()})};
  } catch (...) {
    return {texts::kInternalError.code, texts::Text(texts::kInternalError)};
  }
}

template <typename Body>
sword GuardedCall(ErrorRecords& records, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    try {
      ErrorRecords::Record record = RecordOfCurrentException();
      records.Add(record.code, std::move(record.message));
    } catch (...) {
      // Out of memory while recording: the status still tells the program.
    }
    return OCI_ERROR;
  }
}

}  // namespace devdb::oci
