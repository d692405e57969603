// CheckSessionFeature: the guard of operations that need a connected session on the
// version-8 interface (sub-queries, objects, references, large objects).
#pragma once

#include <string>

#include "access/ErrorReportingSession.h"

namespace vek {

// Raises Exception with the subject and the reason unless the session exists, is connected
// and uses the version-8 interface; the checks run in that order.
void CheckSessionFeature(const TErrorReportingSession* session, const std::string& subject);

}  // namespace vek
