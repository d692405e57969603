// The program's named raw-data resources, embedded in the executable at build time.
#pragma once

#include <string>

namespace vek::monitor {

// The resource's bytes exactly as checked in; throws std::runtime_error when it is missing.
std::string ReadProgramResource(const std::string& name);

}  // namespace vek::monitor
