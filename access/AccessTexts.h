// The fixed English texts of the access layer's own errors, kept together so that they can
// be read, compared and translated in one sitting.
#pragma once

namespace vek::access_texts {

// CheckSessionFeature: the subject is put in front of each.
inline constexpr const char* kRequiresSession = " requires a session";
inline constexpr const char* kRequiresConnectedSession = " requires a connected session";
inline constexpr const char* kRequiresOCI8Mode = " requires OCI8 mode, but OCI7 mode is used.";
inline constexpr const char* kRequiresNet8 = " requires Net8, which is not detected on this PC";

// Subjects of CheckSessionFeature.
inline constexpr const char* kSubjectSubQueries = "A query with sub-queries";
inline constexpr const char* kSubjectObjectVariable = "An object variable";
inline constexpr const char* kSubjectReferenceVariable = "A reference variable";
inline constexpr const char* kSubjectLobVariable = "A LOB Locator variable";
inline constexpr const char* kSubjectQueryWithObjects = "A query with objects";
inline constexpr const char* kSubjectQueryWithReferences = "A query with references";
inline constexpr const char* kSubjectQueryWithLobs = "A query with LOB's";

// An EOracleError whose error handle held no record: the client library reported a failure
// status without saying more. The status follows.
inline constexpr const char* kNoErrorRecord = "Oracle client call failed with status ";

// Session.
inline constexpr const char* kCannotChangeThreadSafe =
    "Cannot change ThreadSafe property when connected";
inline constexpr const char* kCannotChangePooling = "Cannot change Pooling property when connected";
inline constexpr const char* kCannotChangeMTSOptions =
    "Cannot change MTSOptions property when connected";
inline constexpr const char* kCannotChangeUseOCI7 =
    "Cannot change UseOCI7 property when session is connected";
inline constexpr const char* kCannotCommitMTS = "Cannot commit an MTS Controlled Transaction";
inline constexpr const char* kCannotRollbackMTS = "Cannot rollback an MTS Controlled Transaction";
inline constexpr const char* kExternalLDAOnlyOCI7 =
    "ExternalLDA only valid when connected through OCI7";
inline constexpr const char* kExternalSVCOnlyWithOCI8 = "ExternalSVC only valid with OCI8";
inline constexpr const char* kExternalSVCOnlyOCI8 =
    "ExternalSVC only valid when connected through OCI8";

// Statements.
inline constexpr const char* kSessionUndefined = "Session undefined";
inline constexpr const char* kNotLoggedOn = "Not logged on";
inline constexpr const char* kQueryThreadInProgress = "Query thread is still in progress";

// Column access: "Field " + index or name + one of the endings.
inline constexpr const char* kFieldPrefix = "Field ";
inline constexpr const char* kDoesNotExist = " does not exist";
inline constexpr const char* kIsNotALong = " is not a Long";
inline constexpr const char* kIsNotALOB = " is not a LOB";
// Field by an index outside the column list: the list's own index error, the index and ")".
inline constexpr const char* kListIndexOutOfBounds = "List index out of bounds (";
inline constexpr const char* kBeyondEof = "You cannot access field data beyond Eof";
// "Cannot convert field " + name + one of the targets.
inline constexpr const char* kCannotConvertField = "Cannot convert field ";
inline constexpr const char* kToAString = " to a String";
inline constexpr const char* kToAnInteger = " to an Integer";
inline constexpr const char* kToAFloat = " to a Float";
inline constexpr const char* kToADate = " to a Date";

// Conversion of column text.
inline constexpr const char* kNotAnInteger = "' is not a valid integer value";
inline constexpr const char* kNotAFloat = "' is not a valid floating point value";
inline constexpr const char* kNotADate = "' is not a valid date";

// The listener.
inline constexpr const char* kEventStarted = "Operation not allowed on a started OracleEvent";
inline constexpr const char* kEventSessionUndefined = "TOracleEvent: Session undefined";
inline constexpr const char* kEventNamesUndefined = "TOracleEvent: ObjectNames undefined";
inline constexpr const char* kEventOnePipeName =
    "TOracleEvent: Only one ObjectName allowed for a Pipe";
inline constexpr const char* kEventEmptyName = "TOracleEvent: ObjectName cannot be empty";
// Handed to OnError for a failure on the listening thread that carries no message of its own.
inline constexpr const char* kEventUnknownError = "Unknown error on the listening thread";

}  // namespace vek::access_texts
