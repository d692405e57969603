// Which Oracle client library file to load and which Oracle home is in force: the Oracle home
// keys of the registry, PATH, and the program arguments OCIDLL and ORACLEHOME decide, and a
// short search log tells the user afterwards what was looked at. The search's state is
// process-wide, kept in ClientLibraryLocation.cpp; written under ClientLock and reset by
// UnloadClientLibrary.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vek {

// Result codes of the library search (and of LoadClientLibrary).
inline constexpr int kClientLibraryFound = 0;
inline constexpr int kClientLibraryNotFound = 1;
inline constexpr int kClientLibraryUnusable = 2;
inline constexpr int kOracleHomeMissing = 3;

// How the client library files of a home are named and where they lie. clWindows: the home's
// "bin" folder, "oci.dll" and the older "ora*.dll" files. clUnix: "libclntsh.so" and the
// versioned "libclntsh.so.N.M" files, in the home's "lib" folder and then in the home folder
// itself (the Instant Client layout).
enum class TClientLibraryLayout { clWindows, clUnix };

// The layout of this platform, unless a test has chosen the other one.
TClientLibraryLayout ClientLibraryLayout();
void SetClientLibraryLayout(TClientLibraryLayout layout);

// Path of the library to load: preset by the host or the OCIDLL argument, else the search's.
// Setting it leaves untouched whether the search chose it; the next search decides that anew.
std::string OCIDLL();
void SetOCIDLL(const std::string& path);
// File names in double quotes that the first choice pass skips, compared in upper case.
std::string ExcludedClientLibraries();
void SetExcludedClientLibraries(const std::string& names);
// The Oracle home asked for by name, or the one the search chose.
std::string OracleHomeName();
void SetOracleHomeName(const std::string& name);
// The registry key of the home in force as last worked out; empty until GetOracleHomeKey runs.
std::string OracleHomeKey();
// Diagnostic lines joined by CR LF.
std::string ClientSearchLog();
void ClearClientSearchLog();
// (home name, registry index), sorted by name without regard to case, names unique.
std::vector<std::pair<std::string, int>> InstalledHomes();

// What an unload forgets: the library and the home name when the search chose them, and the
// home's key and folder. The presets and the log stay.
void ForgetClientSearch();
// Every result and preset of the search back to how the program starts.
void ResetClientSearchForTesting();

// Joins a folder and a name with the platform's separator ("" + part gives part alone).
std::string AppendPathPart(const std::string& path, const std::string& part);
void AddLogLine(const std::string& text);

std::string GetOracleHomeKey();
std::string GetOracleHomeDir();

// The version of an "ora*.dll" file name: ora73.dll 0.73, ora805.dll 0.805, orant71.dll 0.71;
// none for oraclient8.dll. A pure function of the name.
std::optional<double> ClientLibraryVersion(const std::string& fileName);
// The version of a "libclntsh.so.N.M" file name: N.M as a number; none for any other name.
std::optional<double> SharedLibraryVersion(const std::string& fileName);

// The candidate files of the home in force, in order of preference of discovery.
std::vector<std::string> FindClientLibraries();
// Sets OCIDLL; returns kClientLibraryFound, kClientLibraryNotFound or kOracleHomeMissing.
int LocateClientLibrary();

}  // namespace vek
