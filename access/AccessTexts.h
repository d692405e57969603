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

}  // namespace vek::access_texts
