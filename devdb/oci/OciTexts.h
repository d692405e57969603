// The Oracle errors that the library reports on its own, without asking the server: their
// numbers and Oracle's texts, kept together so they can be compared with Oracle's in one
// sitting. Errors raised by the server arrive with their own texts.
#pragma once

namespace devdb::oci::texts {

struct OracleText {
  int code;
  const char* message;  // without the "ORA-nnnnn: " prefix
};

inline constexpr OracleText kNoDataFound{1403, "no data found"};
inline constexpr OracleText kUnimplemented{3001, "unimplemented feature"};
inline constexpr OracleText kNotInSelectList{1007, "variable not in select list"};
inline constexpr OracleText kFetchedNull{1405, "fetched column value is NULL"};
inline constexpr OracleText kTruncated{1406, "fetched column value was truncated"};
inline constexpr OracleText kInvalidCursor{1001, "invalid cursor"};
inline constexpr OracleText kFetchOutOfSequence{1002, "fetch out of sequence"};
inline constexpr OracleText kNotAllBound{1008, "not all variables bound"};
inline constexpr OracleText kNotLoggedOn{1012, "not logged on"};
inline constexpr OracleText kBadBindName{1036, "illegal variable name/number"};
inline constexpr OracleText kInvalidLogon{1017, "invalid username/password; logon denied"};
inline constexpr OracleText kIntegerOverflow{1455, "converting column overflows integer datatype"};
inline constexpr OracleText kBadConversion{1460,
                                           "unimplemented or unreasonable conversion requested"};
inline constexpr OracleText kInvalidNumber{1722, "invalid number"};
inline constexpr OracleText kNotConnected{3114, "not connected to ORACLE"};
inline constexpr OracleText kUnresolvedName{
    12154, "TNS:could not resolve the connect identifier specified"};
inline constexpr OracleText kAlreadyAuthenticated{24313, "user already authenticated"};
inline constexpr OracleText kInvalidAttribute{24315, "illegal attribute type"};
inline constexpr OracleText kNotAttached{24327,
                                         "need explicit attach before authenticating a user"};
inline constexpr OracleText kZeroIterations{24333, "zero iteration count"};
inline constexpr OracleText kNotPrepared{24337, "statement handle not prepared"};
inline constexpr OracleText kNotExecuted{24338, "statement handle not executed"};
inline constexpr OracleText kBadArgument{21560, "argument is null, invalid, or out of range"};
inline constexpr OracleText kBadPosition{24334, "no descriptor for this position"};
inline constexpr OracleText kCallbackAborted{24343, "user defined callback error"};
inline constexpr OracleText kOutOfUserMemory{1019, "unable to allocate memory in the user side"};
inline constexpr OracleText kBadDateValue{
    1841, "(full) year must be between -4713 and +9999, and not be 0"};

// oerhms for a number the library has never seen.
inline constexpr const char* kMessageNotFound =
    "Message %d not found;  product=RDBMS; facility=ORA";

}  // namespace devdb::oci::texts
