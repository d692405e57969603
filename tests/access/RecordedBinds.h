// Records every bind call the access layer makes (OCIBindByName or obndra) by putting
// recording wrappers into the call table in front of the loaded library's entry points. The
// records keep the pointers handed over, so a test can look at what the client library would
// read and write. The wrappers are removed when the object goes.
#pragma once

#include <string>
#include <vector>

#include "client/ClientLibrary.h"
#include "client/OracleCallTable.h"

namespace vek::testing {

struct BindRecord {
  std::string name;
  sb4 size = 0;
  ub2 type = 0;
  void* buffer = nullptr;
  bool lengthSlot = false;
  ub4 maximumElements = 0;
  ub4* currentElements = nullptr;
  ub4 currentAtBind = 0;
};

class RecordedBinds {
 public:
  // Loads the client library if need be.
  RecordedBinds() {
    InitializeClient();
    saved() = OracleCalls;
    records().clear();
    if (OracleCalls.OCIBindByName) OracleCalls.OCIBindByName = &BindByName;
    if (OracleCalls.obndra) OracleCalls.obndra = &Bind7;
  }
  ~RecordedBinds() { OracleCalls = saved(); }
  RecordedBinds(const RecordedBinds&) = delete;
  RecordedBinds& operator=(const RecordedBinds&) = delete;

  std::vector<BindRecord>& Records() { return records(); }

 private:
  static std::vector<BindRecord>& records() {
    static std::vector<BindRecord> instance;
    return instance;
  }
  static TOracleCallTable& saved() {
    static TOracleCallTable instance;
    return instance;
  }
  static void Record(const char* name, void* buffer, sb4 size, ub2 type, const void* length,
                     ub4 maximum, ub4* current) {
    records().push_back(
        {name, size, type, buffer, length != nullptr, maximum, current, current ? *current : 0});
  }
  static sword BindByName(OCIStmt* statement, OCIBind** bind, OCIError* error, const OraText* name,
                          sb4 nameLength, void* value, sb4 size, ub2 type, void* indicators,
                          ub2* length, ub2* codes, ub4 maximum, ub4* current, ub4 mode) {
    Record(reinterpret_cast<const char*>(name), value, size, type, length, maximum, current);
    return saved().OCIBindByName(statement, bind, error, name, nameLength, value, size, type,
                                 indicators, length, codes, maximum, current, mode);
  }
  static sword Bind7(Cda_Def* cursor, OraText* name, sword nameLength, ub1* value, sword size,
                     sword type, sword scale, sb2* indicators, ub2* length, ub2* codes, ub4 maximum,
                     ub4* current, OraText* format, sword formatLength, sword formatType) {
    Record(reinterpret_cast<const char*>(name), value, size, static_cast<ub2>(type), length,
           maximum, current);
    return saved().obndra(cursor, name, nameLength, value, size, type, scale, indicators, length,
                          codes, maximum, current, format, formatLength, formatType);
  }
};

}  // namespace vek::testing
