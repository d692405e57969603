// The fixed English texts of the logon layer's own errors. The dialog texts themselves are
// in the text table (ZqaNLS.h), since they follow the user-interface language.
#pragma once

namespace vek::logon_texts {

inline constexpr const char* kSessionUndefined = "Session undefined";
inline constexpr const char* kNoLogonWindow =
    "The logon dialog is not available: no logon window has been installed";

}  // namespace vek::logon_texts
