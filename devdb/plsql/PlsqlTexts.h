// Every fixed text the PL/SQL engine reports, with Oracle's numbers and wording, kept in one
// place so they can be compared with a real server's messages in one sitting.
#pragma once

namespace devdb::plsql::texts {

inline constexpr const char* kNoDataFound = "ORA-01403: no data found";
inline constexpr const char* kTooManyRows =
    "ORA-01422: exact fetch returns more than requested number of rows";
inline constexpr const char* kZeroDivide = "ORA-01476: divisor is equal to zero";
inline constexpr const char* kInvalidNumber = "ORA-01722: invalid number";
inline constexpr const char* kValueError = "ORA-06502: PL/SQL: numeric or value error";
inline constexpr const char* kBufferTooSmall =
    "ORA-06502: PL/SQL: numeric or value error: character string buffer too small";
inline constexpr const char* kCharToNumber =
    "ORA-06502: PL/SQL: numeric or value error: character to number conversion error";
inline constexpr const char* kNullIndex =
    "ORA-06502: PL/SQL: numeric or value error: NULL index table key value";
inline constexpr const char* kUnhandledUserException =
    "ORA-06510: PL/SQL: unhandled user-defined exception";
inline constexpr const char* kUserDefinedException = "User-Defined Exception";
inline constexpr const char* kHostArrayOutOfRange =
    "ORA-06513: PL/SQL: index for PL/SQL table out of range for host language array";
inline constexpr const char* kFunctionNoReturn =
    "ORA-06503: PL/SQL: Function returned without value";
inline constexpr const char* kCaseNotFound =
    "ORA-06592: CASE not found while executing CASE statement";
inline constexpr const char* kAtLine = "ORA-06512: at line ";
inline constexpr const char* kAtUnit = "ORA-06512: at \"";
inline constexpr const char* kCompileLine = "ORA-06550: line ";
inline constexpr const char* kStatementIgnored = "PL/SQL: Statement ignored";
inline constexpr const char* kSqlStatementIgnored = "PL/SQL: SQL Statement ignored";
inline constexpr const char* kEncountered = "PLS-00103: Encountered the symbol \"";
inline constexpr const char* kWhenExpecting = "\" when expecting one of the following:";
inline constexpr const char* kMustBeDeclared = "' must be declared";
inline constexpr const char* kIdentifier = "PLS-00201: identifier '";
inline constexpr const char* kWrongArguments =
    "PLS-00306: wrong number or types of arguments in call to '";
inline constexpr const char* kNotProcedure = "PLS-00221: '%s' is not a procedure or is undefined";
inline constexpr const char* kCannotBeAssigned =
    "PLS-00363: expression '%s' cannot be used as an assignment target";
inline constexpr const char* kRaiseApplicationRange =
    "ORA-21000: error number argument to raise_application_error of %s is out of range";
inline constexpr const char* kCompilationWarning = "ORA-24344: success with compilation error";
inline constexpr const char* kObjectHasErrors = "ORA-04063: %s has errors";
inline constexpr const char* kObjectDoesNotExist = "ORA-04043: object %s does not exist";
inline constexpr const char* kNameInUse = "ORA-00955: name is already used by an existing object";
inline constexpr const char* kSynonymDoesNotExist =
    "ORA-01432: public synonym to be dropped does not exist";
inline constexpr const char* kAutonomousRolledBack =
    "ORA-06519: active autonomous transaction detected and rolled back";
inline constexpr const char* kShutdown =
    "ORA-01089: immediate shutdown in progress - no operations are permitted";

// DBMS_PIPE.
inline constexpr const char* kPipeEmpty =
    "ORA-06556: the pipe is empty, cannot fulfill the unpack_message request";
inline constexpr const char* kPipeBufferFull =
    "ORA-06558: buffer in dbms_pipe package is full. No more items allowed";
inline constexpr const char* kPipeWrongType =
    "ORA-06559: wrong datatype requested, %s, actual datatype is %s";
inline constexpr const char* kPipePrivilege = "ORA-23322: Privilege error accessing pipe";
inline constexpr const char* kPipeNameNull = "ORA-23321: Pipename may not be null";

// DBMS_ALERT and DBMS_OUTPUT report through application error 20000.
inline constexpr const char* kNoAlertsRegistered = "ORU-10024: there are no alerts registered";
inline constexpr const char* kOutputOverflow = "ORU-10027: buffer overflow, limit of %s bytes";
inline constexpr const char* kLineOverflow =
    "ORU-10028: line length overflow, limit of 32767 bytes per line";

}  // namespace devdb::plsql::texts
