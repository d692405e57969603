// A session for the error-reporting tests: it answers with whatever interface, connection
// state and error source the test gives it, over the stand-in client library, and counts how
// often its lock was given back.
#pragma once

#include "access/ErrorReportingSession.h"
#include "tests/client/FakeClientLibrary.h"

namespace vek::testing {

class FakeSession : public TErrorReportingSession {
 public:
  bool UsesOCI8() const override { return usesOCI8; }
  bool Connected() const override { return connected; }
  OCIError* ErrorHandle() const override {
    return reinterpret_cast<OCIError*>(const_cast<FakeErrorHandle*>(&errorRecord));
  }
  Lda_Def* LogonDataArea() override { return &logonDataArea; }
  void UnlockSession() override { ++unlocks; }

  bool usesOCI8 = true;
  bool connected = true;
  FakeErrorHandle errorRecord{0, ""};
  Lda_Def logonDataArea{};
  int unlocks = 0;
};

}  // namespace vek::testing
