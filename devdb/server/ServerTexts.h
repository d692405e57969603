// The Oracle errors that the server itself raises, as opposed to the engine: session
// plumbing, kill, break, shutdown and cursor handling. Texts as Oracle words them.
#pragma once

namespace devdb::server::texts {

inline constexpr int kSessionKilledCode = 28;
inline constexpr const char* kSessionKilled = "ORA-00028: your session has been killed";
inline constexpr int kCannotKillCurrentCode = 27;
inline constexpr const char* kCannotKillCurrent = "ORA-00027: cannot kill current session";
inline constexpr int kNoSuchSessionCode = 30;
inline constexpr const char* kNoSuchSession = "ORA-00030: User session ID does not exist.";
inline constexpr int kCancelledCode = 1013;
inline constexpr const char* kCancelled = "ORA-01013: user requested cancel of current operation";
inline constexpr int kNotLoggedOnCode = 1012;
inline constexpr const char* kNotLoggedOn = "ORA-01012: not logged on";
inline constexpr int kInvalidCursorCode = 1001;
inline constexpr const char* kInvalidCursor = "ORA-01001: invalid cursor";
inline constexpr int kTooManySessionsCode = 18;
inline constexpr const char* kTooManySessions = "ORA-00018: maximum number of sessions exceeded";
inline constexpr int kTooManyCursorsCode = 1000;
inline constexpr const char* kTooManyCursors = "ORA-01000: maximum open cursors exceeded";
inline constexpr int kBadBindNameCode = 1036;
inline constexpr const char* kBadBindName = "ORA-01036: illegal variable name/number";
inline constexpr int kNotAllBoundCode = 1008;
inline constexpr const char* kNotAllBound = "ORA-01008: not all variables bound";
inline constexpr int kTableOutOfRangeCode = 6513;
inline constexpr const char* kTableOutOfRange =
    "ORA-06513: PL/SQL: index for PL/SQL table out of range for host language array";
inline constexpr int kShutdownCode = 1089;
inline constexpr const char* kShutdown =
    "ORA-01089: immediate shutdown or close in progress - no operations are permitted";
inline constexpr int kAlreadyAuthenticatedCode = 24313;
inline constexpr const char* kAlreadyAuthenticated = "ORA-24313: user already authenticated";
inline constexpr int kUnsupportedVersionCode = 3134;
inline constexpr const char* kUnsupportedVersion =
    "ORA-03134: Connections to this server version are no longer supported.";
inline constexpr int kLostContactCode = 3135;
inline constexpr const char* kLostContact = "ORA-03135: connection lost contact";
inline constexpr int kInternalErrorCode = 600;
inline constexpr const char* kInternalErrorPrefix = "ORA-00600: internal error code, arguments: ";

}  // namespace devdb::server::texts
