// CheckSessionFeature: its checks run in a fixed order, and the reason for a version-7
// session depends on whether the loaded client offers the version-8 interface.
#include <gtest/gtest.h>

#include "access/AccessTexts.h"
#include "access/SessionFeature.h"
#include "client/ClientLibrary.h"
#include "platform/Exception.h"
#include "tests/access/FakeSession.h"

namespace vek {
namespace {

using testing::FakeSession;

std::string FeatureMessage(const TErrorReportingSession* session) {
  try {
    CheckSessionFeature(session, access_texts::kSubjectSubQueries);
  } catch (const Exception& error) {
    return error.what();
  }
  return "(no error)";
}

struct FeatureCase {
  const char* description;
  bool sessionExists, connected, usesOCI8, hasOCI8;
  std::string expected;
};

TEST(SessionFeature, ChecksRunInOrder) {
  const std::vector<FeatureCase> cases = {
      {"no session", false, false, false, false, "A query with sub-queries requires a session"},
      {"disconnected, library without OCI8", true, false, false, false,
       "A query with sub-queries requires a connected session"},
      {"disconnected, library with OCI8", true, false, true, true,
       "A query with sub-queries requires a connected session"},
      {"OCI7 session, library with OCI8", true, true, false, true,
       "A query with sub-queries requires OCI8 mode, but OCI7 mode is used."},
      {"OCI7 session, library without OCI8", true, true, false, false,
       "A query with sub-queries requires Net8, which is not detected on this PC"},
      {"connected OCI8 session", true, true, true, true, "(no error)"},
  };
  for (const auto& c : cases) {
    FakeSession session;
    session.connected = c.connected;
    session.usesOCI8 = c.usesOCI8;
    ClientFamilies().hasOCI8 = c.hasOCI8;
    EXPECT_EQ(FeatureMessage(c.sessionExists ? &session : nullptr), c.expected) << c.description;
  }
  ClientFamilies().hasOCI8 = false;
}

}  // namespace
}  // namespace vek
