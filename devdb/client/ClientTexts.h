// The fixed error texts that the devdb client reports on its own, when the server cannot
// answer: they are Oracle's texts for the same situations, so callers need no second table.
#pragma once

namespace devdb::client::texts {

inline constexpr int kEndOfFileCode = 3113;
inline constexpr const char* kEndOfFile = "ORA-03113: end-of-file on communication channel";
inline constexpr int kNotConnectedCode = 3114;
inline constexpr const char* kNotConnected = "ORA-03114: not connected to ORACLE";
inline constexpr int kNoListenerCode = 12541;
inline constexpr const char* kNoListener = "ORA-12541: TNS:no listener";
inline constexpr int kSessionKilledCode = 28;
inline constexpr const char* kSessionKilled = "ORA-00028: your session has been killed";
inline constexpr int kProtocolViolationCode = 3106;
inline constexpr const char* kProtocolViolation =
    "ORA-03106: fatal two-task communication protocol error";

}  // namespace devdb::client::texts
