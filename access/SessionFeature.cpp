// The feature check; the reason for a session on the version-7 interface depends on whether
// the loaded client could offer the version-8 interface at all.
#include "access/SessionFeature.h"

#include "access/AccessTexts.h"
#include "client/ClientLibrary.h"
#include "platform/Exception.h"

namespace vek {

void CheckSessionFeature(const TErrorReportingSession* session, const std::string& subject) {
  if (!session) throw Exception(subject + access_texts::kRequiresSession);
  if (!session->Connected()) throw Exception(subject + access_texts::kRequiresConnectedSession);
  if (session->UsesOCI8()) return;
  if (HasOCI8()) throw Exception(subject + access_texts::kRequiresOCI8Mode);
  throw Exception(subject + access_texts::kRequiresNet8);
}

}  // namespace vek
