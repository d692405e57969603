// The monitor's own fixed texts, in one place. The window's captions are Norwegian
// (Nynorsk); the line added when a sender starts is English, like the access layer's.
#pragma once

namespace vek::monitor::texts {

inline constexpr const char* kApplicationTitle = "VEK - Tracescope";
inline constexpr const char* kCaptionPrefix = "VEK - Tracescope for ";
inline constexpr const char* kSchemaNamesHint = "Velg brukar";
inline constexpr const char* kClearCaption = "Blank ut";
inline constexpr const char* kClearHint = "Blank ut";
inline constexpr const char* kStayOnTopCaption = "ActionStayOnTop";
inline constexpr const char* kStayOnTopHint = "Alltid framme";
inline constexpr const char* kHelpCaption = "Hjelp";
inline constexpr const char* kHelpHint = "Hjelp";
inline constexpr const char* kPackageResourceName = "PLSQLPACKAGE";
inline constexpr const char* kDebugSessionStarted = "Debug session started";
inline constexpr const char* kListeningStopped = "Listening stopped: ";
inline constexpr const char* kListeningAgain = "Listening again";
inline constexpr const char* kInvalidMaxLines =
    "MaxLines must be a whole number of at least 1; the pane keeps the newest %1 lines.";

}  // namespace vek::monitor::texts
