// Counts the statement calls that the access layer makes into the client library, by putting
// counting wrappers into the call table in front of the loaded library's entry points, and
// records the texts it prepares. The wrappers are removed when the object goes.
#pragma once

#include <string>
#include <vector>

#include "client/ClientLibrary.h"
#include "client/OracleCallTable.h"

namespace vek::testing {

struct ClientCallLog {
  int prepares = 0;        // OCIStmtPrepare or oparse
  int describes = 0;       // OCIParamGet or odescr
  int executes = 0;        // OCIStmtExecute, oexfet or oexn
  int executeFetches = 0;  // executions that also fetched rows (iterations > 0 for a select)
  int fetches = 0;         // OCIStmtFetch or ofen
  std::vector<std::string> preparedTexts;

  int FetchCalls() const { return executeFetches + fetches; }
};

class CountedClientCalls {
 public:
  // Loads the client library if need be.
  CountedClientCalls();
  ~CountedClientCalls();
  CountedClientCalls(const CountedClientCalls&) = delete;
  CountedClientCalls& operator=(const CountedClientCalls&) = delete;

  ClientCallLog& Log() { return log(); }
  void Reset() { log() = ClientCallLog{}; }

 private:
  static ClientCallLog& log() {
    static ClientCallLog instance;
    return instance;
  }
  static inline TOracleCallTable saved_;

  static sword Prepare(OCIStmt* s, OCIError* e, const OraText* text, ub4 length, ub4 language,
                       ub4 mode) {
    ++log().prepares;
    log().preparedTexts.emplace_back(reinterpret_cast<const char*>(text), length);
    return saved_.OCIStmtPrepare(s, e, text, length, language, mode);
  }
  static sword ParamGet(const void* h, ub4 type, OCIError* e, void** p, ub4 position) {
    ++log().describes;
    return saved_.OCIParamGet(h, type, e, p, position);
  }
  static sword Execute(OCISvcCtx* c, OCIStmt* s, OCIError* e, ub4 iterations, ub4 offset,
                       const OCISnapshot* in, OCISnapshot* out, ub4 mode) {
    ++log().executes;
    if (iterations > 0 && mode == 0) {
      // Only a select fetches in its execute call; the layer passes 1 for other statements.
      ub2 type = 0;
      saved_.OCIAttrGet(s, 4, &type, nullptr, 24, e);
      if (type == 1) ++log().executeFetches;
    }
    return saved_.OCIStmtExecute(c, s, e, iterations, offset, in, out, mode);
  }
  static sword Fetch(OCIStmt* s, OCIError* e, ub4 rows, ub2 orientation, ub4 mode) {
    ++log().fetches;
    return saved_.OCIStmtFetch(s, e, rows, orientation, mode);
  }
  static sword Parse(Cda_Def* cursor, OraText* text, sb4 length, sword deferred, ub4 language) {
    ++log().prepares;
    log().preparedTexts.emplace_back(reinterpret_cast<const char*>(text));
    return saved_.oparse(cursor, text, length, deferred, language);
  }
  static sword Describe7(Cda_Def* cursor, sword position, sb4* size, sb2* type, sb1* name,
                         sb4* nameLength, sb4* displaySize, sb2* precision, sb2* scale,
                         sb2* nullable) {
    ++log().describes;
    return saved_.odescr(cursor, position, size, type, name, nameLength, displaySize, precision,
                         scale, nullable);
  }
  static sword ExecuteFetch7(Cda_Def* cursor, ub4 rows, sword cancel, sword exact) {
    ++log().executes;
    ++log().executeFetches;
    return saved_.oexfet(cursor, rows, cancel, exact);
  }
  static sword Fetch7(Cda_Def* cursor, sword rows) {
    ++log().fetches;
    return saved_.ofen(cursor, rows);
  }
  static sword Execute7(Cda_Def* cursor, sword iterations, sword offset) {
    ++log().executes;
    return saved_.oexn(cursor, iterations, offset);
  }
};

inline CountedClientCalls::CountedClientCalls() {
  InitializeClient();
  saved_ = OracleCalls;
  Reset();
  if (OracleCalls.OCIStmtPrepare) {
    OracleCalls.OCIStmtPrepare = &Prepare;
    OracleCalls.OCIParamGet = &ParamGet;
    OracleCalls.OCIStmtExecute = &Execute;
    OracleCalls.OCIStmtFetch = &Fetch;
  }
  if (OracleCalls.oparse) {
    OracleCalls.oparse = &Parse;
    OracleCalls.odescr = &Describe7;
    OracleCalls.oexfet = &ExecuteFetch7;
    OracleCalls.ofen = &Fetch7;
    OracleCalls.oexn = &Execute7;
  }
}

inline CountedClientCalls::~CountedClientCalls() { OracleCalls = saved_; }

}  // namespace vek::testing
