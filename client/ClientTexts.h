// The fixed texts of the client binding: the failed-load report and the lines of the library
// search log. Kept together so that they can be read and compared in one place.
#pragma once

namespace vek::client_texts {

inline constexpr const char* kInitializationError = "Initialization error";
inline constexpr const char* kCouldNotLoad = "Could not load ";
inline constexpr const char* kCouldNotLocate = "Could not locate OCI dll";
inline constexpr const char* kCouldNotInitialize = "Could not initialize ";
inline constexpr const char* kNotInstalled = "SQL*Net not properly installed";

inline constexpr const char* kLogForced = "OCIDLL forced to ";
inline constexpr const char* kLogHomeKey = "OracleHomeKey: ";
inline constexpr const char* kLogHomeDir = "OracleHomeDir: ";
inline constexpr const char* kLogFound = "Found: ";
inline constexpr const char* kLogUsing = "Using: ";
inline constexpr const char* kLogLoadLibrary = "LoadLibrary(";
inline constexpr const char* kLogReturned = ") returned ";

}  // namespace vek::client_texts
