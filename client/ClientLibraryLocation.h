// Which Oracle client library file to load and which Oracle home is in force: the Oracle home
// keys of the registry, PATH, and the program arguments OCIDLL and ORACLEHOME decide, and a
// short search log tells the user afterwards what was looked at. Process-wide state of the
// client binding; written under ClientLock and reset by UnloadClientLibrary.
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
inline std::string OCIDLL;
// True while OCIDLL came from the search (an unload then empties it).
inline bool OCIDLLFoundBySearch = true;
// File names in double quotes that the first choice pass skips, compared in upper case.
inline std::string ExcludedClientLibraries;
inline std::string OracleHomeName;
// True while OracleHomeName was chosen by the search (an unload then empties it).
inline bool OracleHomeNameChosenBySearch = true;
inline std::string OracleHomeKey;
inline std::string OracleHomeDir;
// Diagnostic lines joined by CR LF.
inline std::string ClientSearchLog;
// (home name, registry index), sorted by name without regard to case, names unique.
inline std::vector<std::pair<std::string, int>> InstalledHomes;

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
// Fills OCIDLL; returns kClientLibraryFound, kClientLibraryNotFound or kOracleHomeMissing.
int LocateClientLibrary();

}  // namespace vek
