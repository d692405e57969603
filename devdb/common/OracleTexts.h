// Every Oracle error text that devdb reports (its SQL engine, its PL/SQL and its client
// library), each a named constant with Oracle's number and wording, kept in one table so that
// they can be compared with a real server's messages in one sitting.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace devdb::texts {

struct OracleText {
  int code;
  const char* message;           // without the "ORA-nnnnn: " prefix; %s marks an argument
  const char* facility = "ORA";  // PLS for the PL/SQL compiler, ORU for the utility packages
};

// "ORA-00942: " for 942: the facility, the number in five digits, a colon and a blank.
inline std::string Prefix(int code, std::string_view facility = "ORA") {
  char digits[16];
  std::snprintf(digits, sizeof digits, "-%05d: ", code);
  return std::string(facility) + digits;
}

// The pattern with each %s replaced by the next argument; one missing stands for nothing.
inline std::string Fill(std::string_view pattern, std::initializer_list<std::string> arguments) {
  std::string text;
  auto argument = arguments.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      if (argument != arguments.end()) text += *argument++;
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

// The whole text: Text(kInvalidIdentifier, {"\"X\""}) is "ORA-00904: \"X\": invalid identifier".
inline std::string Text(const OracleText& error,
                        std::initializer_list<std::string> arguments = {}) {
  return Prefix(error.code, error.facility) + Fill(error.message, arguments);
}

// ---- ORA: the server and the client library -------------------------------------------
// Where one number has several texts, each names the case it covers.

// DUP_VAL_ON_INDEX raised by name, without a constraint to name.
inline constexpr OracleText kDupValOnIndex{1, "unique constraint violated"};
inline constexpr OracleText kUniqueConstraintViolated{1, "unique constraint (%s) violated"};
inline constexpr OracleText kInvalidSessionId{26, "missing or invalid session ID"};
inline constexpr OracleText kCannotKillCurrentSession{27, "cannot kill current session"};
inline constexpr OracleText kSessionKilled{28, "your session has been killed"};
inline constexpr OracleText kNoSuchSession{30, "User session ID does not exist."};
inline constexpr OracleText kTimeoutOnResource{51, "timeout occurred while waiting for a resource"};
inline constexpr OracleText kResourceBusy{
    54, "resource busy and acquire with NOWAIT specified or timeout expired"};
inline constexpr OracleText kDeadlock{60, "deadlock detected while waiting for resource"};
inline constexpr OracleText kInvalidParameterValue{
    96, "invalid value %s for parameter %s, must be from among %s"};
inline constexpr OracleText kInternalError{600, "internal error code, arguments: [%s]"};
inline constexpr OracleText kInvalidSqlStatement{900, "invalid SQL statement"};
inline constexpr OracleText kInvalidCreateCommand{901, "invalid CREATE command"};
inline constexpr OracleText kInvalidDatatype{902, "invalid datatype"};
inline constexpr OracleText kInvalidTableName{903, "invalid table name"};
inline constexpr OracleText kInvalidIdentifier{904, "%s: invalid identifier"};
inline constexpr OracleText kMissingKeyword{905, "missing keyword"};
inline constexpr OracleText kMissingLeftParenthesis{906, "missing left parenthesis"};
inline constexpr OracleText kMissingRightParenthesis{907, "missing right parenthesis"};
inline constexpr OracleText kMissingNullKeyword{908, "missing NULL keyword"};
inline constexpr OracleText kInvalidNumberOfArguments{909, "invalid number of arguments"};
inline constexpr OracleText kLengthTooLongForDatatype{910,
                                                      "specified length too long for its datatype"};
inline constexpr OracleText kInvalidCharacter{911, "invalid character"};
inline constexpr OracleText kTooManyValues{913, "too many values"};
inline constexpr OracleText kMissingComma{917, "missing comma"};
inline constexpr OracleText kColumnAmbiguouslyDefined{918, "column ambiguously defined"};
inline constexpr OracleText kInvalidRelationalOperator{920, "invalid relational operator"};
inline constexpr OracleText kUnexpectedEndOfCommand{921, "unexpected end of SQL command"};
inline constexpr OracleText kInvalidOption{922, "missing or invalid option"};
inline constexpr OracleText kFromNotFound{923, "FROM keyword not found where expected"};
inline constexpr OracleText kMissingBy{924, "missing BY keyword"};
inline constexpr OracleText kMissingInto{925, "missing INTO keyword"};
inline constexpr OracleText kMissingValues{926, "missing VALUES keyword"};
inline constexpr OracleText kMissingEqualSign{927, "missing equal sign"};
inline constexpr OracleText kMissingSelect{928, "missing SELECT keyword"};
inline constexpr OracleText kInconsistentDatatypes{932,
                                                   "inconsistent datatypes: expected %s got %s"};
inline constexpr OracleText kNotProperlyEnded{933, "SQL command not properly ended"};
inline constexpr OracleText kGroupFunctionNotAllowed{934, "group function is not allowed here"};
inline constexpr OracleText kMissingExpression{936, "missing expression"};
inline constexpr OracleText kNotSingleGroupFunction{937, "not a single-group group function"};
inline constexpr OracleText kInvalidAlterCommand{940, "invalid ALTER command"};
inline constexpr OracleText kTableOrViewDoesNotExist{942, "table or view does not exist"};
inline constexpr OracleText kNotEnoughValues{947, "not enough values"};
inline constexpr OracleText kInvalidDropOption{950, "invalid DROP option"};
inline constexpr OracleText kNameInUse{955, "name is already used by an existing object"};
inline constexpr OracleText kDuplicateColumnName{957, "duplicate column name"};
inline constexpr OracleText kAmbiguousColumnNaming{960, "ambiguous column naming in select list"};
inline constexpr OracleText kMissingOn{969, "missing ON keyword"};
inline constexpr OracleText kMissingSet{971, "missing SET keyword"};
inline constexpr OracleText kIdentifierTooLong{972, "identifier is too long"};
inline constexpr OracleText kDatePlusDate{975, "date + date not allowed"};
inline constexpr OracleText kNotGroupByExpression{979, "not a GROUP BY expression"};
inline constexpr OracleText kColumnNotAllowed{984, "column not allowed here"};
inline constexpr OracleText kInvalidUsername{987, "missing or invalid username(s)"};
inline constexpr OracleText kInvalidPassword{988, "missing or invalid password(s)"};
inline constexpr OracleText kInvalidPrivilege{990, "missing or invalid privilege"};
inline constexpr OracleText kInvalidCursor{1001, "invalid cursor"};
inline constexpr OracleText kFetchOutOfSequence{1002, "fetch out of sequence"};
inline constexpr OracleText kNullPassword{1005, "null password given; logon denied"};
inline constexpr OracleText kNotInSelectList{1007, "variable not in select list"};
inline constexpr OracleText kNotAllBound{1008, "not all variables bound"};
inline constexpr OracleText kNotLoggedOn{1012, "not logged on"};
inline constexpr OracleText kUserCancel{1013, "user requested cancel of current operation"};
inline constexpr OracleText kInvalidLogon{1017, "invalid username/password; logon denied"};
inline constexpr OracleText kOutOfUserMemory{1019, "unable to allocate memory in the user side"};
inline constexpr OracleText kBindInDdl{1027,
                                       "bind variables not allowed for data definition operations"};
inline constexpr OracleText kInsufficientPrivileges{1031, "insufficient privileges"};
inline constexpr OracleText kBadBindName{1036, "illegal variable name/number"};
inline constexpr OracleText kNoCreateSession{
    1045, "user %s lacks CREATE SESSION privilege; logon denied"};
inline constexpr OracleText kSavepointNeverEstablished{
    1086, "savepoint '%s' never established in this session or is invalid"};
inline constexpr OracleText kShutdown{
    1089, "immediate shutdown in progress - no operations are permitted"};
inline constexpr OracleText kCannotInsertNull{1400, "cannot insert NULL into (%s)"};
inline constexpr OracleText kNoDataFound{1403, "no data found"};
inline constexpr OracleText kFetchedNull{1405, "fetched column value is NULL"};
inline constexpr OracleText kTruncated{1406, "fetched column value was truncated"};
inline constexpr OracleText kCannotUpdateToNull{1407, "cannot update (%s) to NULL"};
inline constexpr OracleText kInvalidRowid{1410, "invalid ROWID"};
inline constexpr OracleText kIndexDoesNotExist{1418, "specified index does not exist"};
inline constexpr OracleText kTooManyRows{1422,
                                         "exact fetch returns more than requested number of rows"};
inline constexpr OracleText kNumericOverflow{1426, "numeric overflow"};
inline constexpr OracleText kSubqueryReturnsManyRows{
    1427, "single-row subquery returns more than one row"};
inline constexpr OracleText kArgumentOutOfRange{1428, "argument '%s' is out of range"};
inline constexpr OracleText kSynonymDoesNotExist{1432,
                                                 "public synonym to be dropped does not exist"};
inline constexpr OracleText kUserDoesNotExist{1435, "user does not exist"};
inline constexpr OracleText kValueLargerThanPrecision{
    1438, "value larger than specified precision allowed for this column"};
inline constexpr OracleText kRowidFromComplexView{
    1446, "cannot select ROWID from, or sample, a view with DISTINCT, GROUP BY, etc."};
inline constexpr OracleText kIntegerOverflow{1455, "converting column overflows integer datatype"};
inline constexpr OracleText kBadConversion{1460,
                                           "unimplemented or unreasonable conversion requested"};
inline constexpr OracleText kInvalidHexNumber{1465, "invalid hex number"};
inline constexpr OracleText kZeroDivide{1476, "divisor is equal to zero"};
inline constexpr OracleText kInvalidNumberFormat{1481, "invalid number format model"};
inline constexpr OracleText kInvalidNumber{1722, "invalid number"};
inline constexpr OracleText kFloatPrecisionOutOfRange{
    1724, "floating point precision is out of range (1 to 126)"};
inline constexpr OracleText kNumericPrecisionOutOfRange{
    1727, "numeric precision specifier is out of range (1 to 38)"};
inline constexpr OracleText kNumericScaleOutOfRange{
    1728, "numeric scale specifier is out of range (-84 to 127)"};
inline constexpr OracleText kDmlNotLegalOnView{
    1732, "data manipulation operation not legal on this view"};
inline constexpr OracleText kMissingDoubleQuote{1740, "missing double quote in identifier"};
inline constexpr OracleText kZeroLengthIdentifier{1741, "illegal zero-length identifier"};
inline constexpr OracleText kUnterminatedString{1756, "quoted string not properly terminated"};
inline constexpr OracleText kSubqueryNestingTooDeep{1778,
                                                    "maximum subquery nesting level exceeded"};
inline constexpr OracleText kOrderByItemNotNumber{
    1785, "ORDER BY item must be the number of a SELECT-list expression"};
inline constexpr OracleText kWrongNumberOfResultColumns{
    1789, "query block has incorrect number of result columns"};
inline constexpr OracleText kExpressionTypeMismatch{
    1790, "expression must have same datatype as corresponding expression"};
inline constexpr OracleText kDateFormatNotRecognized{1821, "date format not recognized"};
inline constexpr OracleText kDateFormatEndsEarly{
    1830, "date format picture ends before converting entire input string"};
inline constexpr OracleText kInputTooShortForFormat{1840,
                                                    "input value not long enough for date format"};
inline constexpr OracleText kYearOutOfRange{
    1841, "(full) year must be between -4713 and +9999, and not be 0"};
inline constexpr OracleText kInvalidMonth{1843, "not a valid month"};
inline constexpr OracleText kInvalidDayOfWeek{1846, "not a valid day of the week"};
inline constexpr OracleText kDayOfMonthOutOfRange{
    1847, "day of month must be between 1 and last day of month"};
inline constexpr OracleText kHour12OutOfRange{1849, "hour must be between 1 and 12"};
inline constexpr OracleText kHour24OutOfRange{1850, "hour must be between 0 and 23"};
inline constexpr OracleText kMinutesOutOfRange{1851, "minutes must be between 0 and 59"};
inline constexpr OracleText kSecondsOutOfRange{1852, "seconds must be between 0 and 59"};
inline constexpr OracleText kMeridianRequired{1855, "AM/A.M. or PM/P.M. required"};
inline constexpr OracleText kEraRequired{1856, "BC/B.C. or AD/A.D. required"};
inline constexpr OracleText kNonNumericCharacter{
    1858, "a non-numeric character was found where a numeric was expected"};
inline constexpr OracleText kLiteralDoesNotMatchFormat{1861,
                                                       "literal does not match format string"};
inline constexpr OracleText kUserOrRoleDoesNotExist{1917, "user or role '%s' does not exist"};
inline constexpr OracleText kNamedUserDoesNotExist{1918, "user '%s' does not exist"};
inline constexpr OracleText kRoleDoesNotExist{1919, "role '%s' does not exist"};
inline constexpr OracleText kUserNameConflicts{
    1920, "user name '%s' conflicts with another user or role name"};
inline constexpr OracleText kCascadeRequired{1922, "CASCADE must be specified to drop '%s'"};
inline constexpr OracleText kCannotRevokeUngranted{1927,
                                                   "cannot REVOKE privileges you did not grant"};
inline constexpr OracleText kMissingUserOrRole{1935, "missing user or role name"};
inline constexpr OracleText kCannotDropConnectedUser{
    1940, "cannot drop a user that is currently connected"};
inline constexpr OracleText kRoleNotGranted{1951, "ROLE '%s' not granted to '%s'"};
inline constexpr OracleText kSystemPrivilegesNotGranted{1952,
                                                        "system privileges not granted to '%s'"};
inline constexpr OracleText kInvalidUserenvParameter{2003, "invalid USERENV parameter"};
inline constexpr OracleText kIllegalAlterSystemOption{2065, "illegal option for ALTER SYSTEM"};
inline constexpr OracleText kInvalidAlterSessionOption{2248, "invalid option for ALTER SESSION"};
inline constexpr OracleText kConstraintNotAllowedHere{2253,
                                                      "constraint specification not allowed here"};
inline constexpr OracleText kOnlyOnePrimaryKey{2260, "table can have only one primary key"};
inline constexpr OracleText kUnimplemented{3001, "unimplemented feature"};
inline constexpr OracleText kExpressionTooDeep{3095, "expression level is too deep, maximum %s"};
inline constexpr OracleText kNotConnected{3114, "not connected to ORACLE"};
inline constexpr OracleText kOutOfProcessMemory{4030,
                                                "out of process memory when trying to allocate"};
inline constexpr OracleText kCallableDoesNotExist{
    4042, "procedure, function, package, or package body does not exist"};
inline constexpr OracleText kObjectDoesNotExist{4043, "object %s does not exist"};
inline constexpr OracleText kObjectHasErrors{4063, "%s has errors"};
inline constexpr OracleText kStoredProcedureGone{
    4067, "not executed, stored procedure \"%s\" does not exist"};
inline constexpr OracleText kStorageError{6500, "PL/SQL: storage error"};
inline constexpr OracleText kProgramError{6501, "PL/SQL: program error"};
inline constexpr OracleText kBufferTooSmall{
    6502, "PL/SQL: numeric or value error: character string buffer too small"};
inline constexpr OracleText kCharToNumber{
    6502, "PL/SQL: numeric or value error: character to number conversion error"};
inline constexpr OracleText kHexToRaw{
    6502, "PL/SQL: numeric or value error: hex to raw conversion error"};
inline constexpr OracleText kNullIndex{
    6502, "PL/SQL: numeric or value error: NULL index table key value"};
inline constexpr OracleText kValueError{6502, "PL/SQL: numeric or value error"};
inline constexpr OracleText kFunctionNoReturn{6503, "PL/SQL: Function returned without value"};
inline constexpr OracleText kRowtypeMismatch{
    6504, "PL/SQL: Return types of Result Set variables or query do not match"};
inline constexpr OracleText kProgramUnitNotFound{
    6508, "PL/SQL: could not find program unit being called: \"%s\""};
inline constexpr OracleText kUnhandledUserException{6510,
                                                    "PL/SQL: unhandled user-defined exception"};
inline constexpr OracleText kCursorAlreadyOpen{6511, "PL/SQL: cursor already open"};
inline constexpr OracleText kAtLine{6512, "at line %s"};
inline constexpr OracleText kAtUnit{6512, "at \"%s\", line %s"};
inline constexpr OracleText kHostArrayOutOfRange{
    6513, "PL/SQL: index for PL/SQL table out of range for host language array"};
inline constexpr OracleText kAutonomousRolledBack{
    6519, "active autonomous transaction detected and rolled back"};
// The place of a compile error: Text(kCompileError, {line, column, the PLS- text}).
// kCompileErrorUnplaced is the same error found while running, where no place is known.
inline constexpr OracleText kCompileError{6550, "line %s, column %s:\n%s"};
inline constexpr OracleText kCompileErrorUnplaced{6550, "%s"};
// A stored function called from SQL that returns a BOOLEAN.
inline constexpr OracleText kCallStatementIgnored{6552, "PL/SQL: Statement ignored"};
inline constexpr OracleText kCallWrongType{6553, "PLS-382: expression is of wrong type"};
inline constexpr OracleText kPipeEmpty{
    6556, "the pipe is empty, cannot fulfill the unpack_message request"};
inline constexpr OracleText kPipeBufferFull{
    6558, "buffer in dbms_pipe package is full. No more items allowed"};
inline constexpr OracleText kPipeWrongType{6559,
                                           "wrong datatype requested, %s, actual datatype is %s"};
inline constexpr OracleText kCaseNotFound{6592, "CASE not found while executing CASE statement"};
inline constexpr OracleText kUnresolvedName{
    12154, "TNS:could not resolve the connect identifier specified"};
inline constexpr OracleText kValueTooLargeForColumn{
    12899, "value too large for column %s (actual: %s, maximum: %s)"};
inline constexpr OracleText kDmlInsideQuery{14551, "cannot perform a DML operation inside a query"};
inline constexpr OracleText kDdlInsideQuery{
    14552, "cannot perform a DDL, commit or rollback inside a query or DML"};
// DBMS_ALERT and DBMS_OUTPUT report through application error 20000 with an ORU- text.
inline constexpr OracleText kPackageError{20000, "%s"};
inline constexpr OracleText kRaiseApplicationRange{
    21000, "error number argument to raise_application_error of %s is out of range"};
inline constexpr OracleText kBadArgument{21560, "argument is null, invalid, or out of range"};
inline constexpr OracleText kSubqueryNotAllowedHere{22818, "subquery expressions not allowed here"};
inline constexpr OracleText kPipeNameNull{23321, "Pipename may not be null"};
inline constexpr OracleText kPipePrivilege{23322, "Privilege error accessing pipe"};
inline constexpr OracleText kAlreadyAttached{24309, "already connected to a server"};
inline constexpr OracleText kAlreadyAuthenticated{24313, "user already authenticated"};
inline constexpr OracleText kInvalidAttribute{24315, "illegal attribute type"};
inline constexpr OracleText kNotAttached{24327,
                                         "need explicit attach before authenticating a user"};
inline constexpr OracleText kZeroIterations{24333, "zero iteration count"};
inline constexpr OracleText kBadPosition{24334, "no descriptor for this position"};
inline constexpr OracleText kNotPrepared{24337, "statement handle not prepared"};
inline constexpr OracleText kNotExecuted{24338, "statement handle not executed"};
inline constexpr OracleText kCallbackAborted{24343, "user defined callback error"};
inline constexpr OracleText kCompilationWarning{24344, "success with compilation error"};
inline constexpr OracleText kAccountLocked{28000, "the account is locked"};
inline constexpr OracleText kPasswordExpired{28001, "the password has expired"};
inline constexpr OracleText kPasswordWillExpire{28002, "the password will expire within %s days"};
inline constexpr OracleText kInvalidOldPassword{28008, "invalid old password"};
inline constexpr OracleText kDatetimePrecisionOutOfRange{
    30088, "datetime/interval precision is out of range"};

// ---- PLS: the PL/SQL compiler, after an ORA-06550 place --------------------------------

inline constexpr OracleText kEncountered{103, "Encountered the symbol \"%s\"", "PLS"};
inline constexpr OracleText kEncounteredExpecting{
    103, "Encountered the symbol \"%s\" when expecting one of the following:", "PLS"};
inline constexpr OracleText kProgramTooLarge{123, "program too large (Diana nodes)", "PLS"};
inline constexpr OracleText kMustBeDeclared{201, "identifier '%s' must be declared", "PLS"};
inline constexpr OracleText kNotProcedure{221, "'%s' is not a procedure or is undefined", "PLS"};
inline constexpr OracleText kNoSuchFunction{222, "no function with name '%s' exists in this scope",
                                            "PLS"};
inline constexpr OracleText kBodyWithoutSpecification{
    304, "cannot compile body of '%s' without its specification", "PLS"};
inline constexpr OracleText kWrongArguments{
    306, "wrong number or types of arguments in call to '%s'", "PLS"};
inline constexpr OracleText kWrongArgumentsAnywhere{306, "wrong number or types of arguments",
                                                    "PLS"};
inline constexpr OracleText kCannotBeAssigned{
    363, "expression '%s' cannot be used as an assignment target", "PLS"};
inline constexpr OracleText kRaiseOutsideHandler{
    367, "a RAISE statement with no exception name must be inside an exception handler", "PLS"};
inline constexpr OracleText kWrongType{382, "expression is of wrong type", "PLS"};
inline constexpr OracleText kIntoExpected{
    428, "an INTO clause is expected in this SELECT statement", "PLS"};

// ---- ORU: the utility packages, inside an ORA-20000 (kPackageError) --------------------

inline constexpr OracleText kNoAlertsRegistered{10024, "there are no alerts registered", "ORU"};
inline constexpr OracleText kOutputOverflow{10027, "buffer overflow, limit of %s bytes", "ORU"};
inline constexpr OracleText kLineOverflow{
    10028, "line length overflow, limit of 32767 bytes per line", "ORU"};

// ---- Texts without a number of their own ----------------------------------------------

// The second line of a compile error, naming what was left out.
inline constexpr const char* kStatementIgnored = "PL/SQL: Statement ignored";
inline constexpr const char* kSqlStatementIgnored = "PL/SQL: SQL Statement ignored";
// SQLERRM inside a handler of a user-defined exception, and outside any handler.
inline constexpr const char* kUserDefinedException = "User-Defined Exception";
inline constexpr const char* kNormalCompletion = "ORA-0000: normal, successful completion";
// SQLERRM of a number PL/SQL has no text for, and the client library's oerhms for one it has
// never seen; %s is the number.
inline constexpr const char* kSqlerrmNotFound = "Message %s not found";
inline constexpr const char* kMessageNotFound =
    "Message %s not found;  product=RDBMS; facility=ORA";
// A PL/SQL call interrupted for a reason other than a break, a kill or a shutdown.
inline constexpr const char* kOperationInterrupted = "operation interrupted";

}  // namespace devdb::texts
