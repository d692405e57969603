// The search for the Oracle home and the client library file. The home whose bin folder
// stands earliest in PATH wins unless a home is asked for by name; within a home the
// version-8 library is preferred over the older numbered ones.
#include "client/ClientLibraryLocation.h"

#include <algorithm>
#include <charconv>

#include "client/ClientTexts.h"
#include "platform/FileSystem.h"
#include "platform/ProgramArguments.h"
#include "platform/Registry.h"
#include "platform/TextCase.h"

namespace vek {
namespace {

namespace texts = client_texts;

constexpr const char* kOracleKey = "SOFTWARE\\ORACLE";
constexpr const char* kAllHomesKey = "SOFTWARE\\ORACLE\\ALL_HOMES";
constexpr const char* kHomeKeyPrefix = "SOFTWARE\\ORACLE\\HOME";

// What the host asked of the search and what it found. Written under ClientLock while loading.
struct SearchState {
  std::string ociDll;
  bool ociDllFoundBySearch = true;  // an unload then empties ociDll
  std::string excludedLibraries;
  std::string homeName;
  bool homeNameChosenBySearch = true;  // an unload then empties homeName
  std::string homeKey;
  std::string homeDir;
  std::string log;
  std::vector<std::pair<std::string, int>> installedHomes;
};

SearchState& Search() {
  static SearchState state;
  return state;
}

TClientLibraryLayout& LayoutInForce() {
  static TClientLibraryLayout layout =
      kIsWindows ? TClientLibraryLayout::clWindows : TClientLibraryLayout::clUnix;
  return layout;
}

struct LayoutRule {
  std::vector<std::string> folders;  // relative to the home, in search order
  std::string primaryName;           // the version-8 library
  std::string versionedPattern;      // the older or versioned files
};

LayoutRule RuleFor(TClientLibraryLayout layout) {
  if (layout == TClientLibraryLayout::clWindows) return {{"bin"}, "oci.dll", "ora*.dll"};
  return {{"lib", ""}, "libclntsh.so", "libclntsh.so.*"};
}

std::optional<double> CandidateVersion(const std::string& fileName) {
  return ClientLibraryLayout() == TClientLibraryLayout::clWindows ? ClientLibraryVersion(fileName)
                                                                  : SharedLibraryVersion(fileName);
}

std::optional<double> ParseWholeNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<int> ParseDecimalInteger(const std::string& text) {
  std::string trimmed = text;
  // A leading "+" is accepted as the usual integer conversions do.
  if (!trimmed.empty() && trimmed.front() == '+') trimmed.erase(0, 1);
  if (trimmed.empty()) return std::nullopt;
  int value = 0;
  const char* end = trimmed.data() + trimmed.size();
  const auto [stop, error] = std::from_chars(trimmed.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::string HomeKey(int index) { return kHomeKeyPrefix + std::to_string(index); }

void ReadInstalledHomes() {
  std::vector<std::pair<std::string, int>>& homes = Search().installedHomes;
  homes.clear();
  const auto counter = ParseDecimalInteger(
      ReadRegistryString(RegistryRoot::rrLocalMachine, kAllHomesKey, "HOME_COUNTER"));
  if (!counter) return;
  const int count = std::max(*counter, 1);
  for (int index = 0; index < count; ++index) {
    std::string name =
        ReadRegistryString(RegistryRoot::rrLocalMachine, HomeKey(index), "ORACLE_HOME_NAME");
    if (name.empty()) continue;
    const std::string upperName = UpperCase(name);
    const auto position = std::lower_bound(
        homes.begin(), homes.end(), upperName,
        [](const auto& entry, const std::string& key) { return UpperCase(entry.first) < key; });
    if (position != homes.end() && UpperCase(position->first) == upperName) continue;
    homes.insert(position, {std::move(name), index});
  }
}

std::string ComputeOracleHomeKey() {
  ReadInstalledHomes();
  SearchState& search = Search();
  const auto& homes = search.installedHomes;
  std::string candidate = kOracleKey;
  if (!homes.empty()) {
    std::string wanted = UpperCase(CommandLineValue("ORACLEHOME"));
    if (wanted.empty()) wanted = UpperCase(search.homeName);
    search.homeNameChosenBySearch = false;

    // The whole of PATH is matched, however long it is.
    const std::string path = UpperCase(GetEnvironmentVariable("PATH"));
    std::size_t best = path.size();
    std::optional<std::pair<std::string, std::string>> taken;  // (key, name)
    for (const auto& [name, index] : homes) {
      const std::string key = HomeKey(index);
      if (UpperCase(name) == wanted) {
        taken = {key, name};
        break;
      }
      const std::string home = ReadRegistryString(RegistryRoot::rrLocalMachine, key, "ORACLE_HOME");
      if (home.empty()) continue;
      const auto found = path.find(UpperCase(AppendPathPart(home, "bin")));
      if (found == std::string::npos) continue;
      const std::size_t position = found + 1;
      if (position < best) {
        taken = {key, name};
        best = position;
      }
    }
    if (!taken) taken = {HomeKey(homes.back().second), homes.back().first};
    candidate = taken->first;
    if (search.homeName.empty()) {
      search.homeName = taken->second;
      search.homeNameChosenBySearch = true;
    }
  }
  if (ReadRegistryString(RegistryRoot::rrLocalMachine, candidate, "ORACLE_HOME").empty()) {
    candidate = kOracleKey;
  }
  return candidate;
}

}  // namespace

std::string OCIDLL() { return Search().ociDll; }
void SetOCIDLL(const std::string& path) { Search().ociDll = path; }
std::string ExcludedClientLibraries() { return Search().excludedLibraries; }
void SetExcludedClientLibraries(const std::string& names) { Search().excludedLibraries = names; }
std::string OracleHomeName() { return Search().homeName; }
void SetOracleHomeName(const std::string& name) { Search().homeName = name; }
std::string OracleHomeKey() { return Search().homeKey; }
std::string ClientSearchLog() { return Search().log; }
void ClearClientSearchLog() { Search().log.clear(); }
std::vector<std::pair<std::string, int>> InstalledHomes() { return Search().installedHomes; }

void ForgetClientSearch() {
  SearchState& search = Search();
  if (search.ociDllFoundBySearch) search.ociDll.clear();
  if (search.homeNameChosenBySearch) search.homeName.clear();
  search.homeKey.clear();
  search.homeDir.clear();
}

void ResetClientSearchForTesting() { Search() = SearchState(); }

TClientLibraryLayout ClientLibraryLayout() { return LayoutInForce(); }
void SetClientLibraryLayout(TClientLibraryLayout layout) { LayoutInForce() = layout; }

std::string AppendPathPart(const std::string& path, const std::string& part) {
  std::string result = path;
  if (!result.empty() && result.back() != kPathSeparator) result += kPathSeparator;
  return result + part;
}

void AddLogLine(const std::string& text) {
  std::string& log = Search().log;
  if (!log.empty()) log += "\r\n";
  log += text;
}

std::string GetOracleHomeKey() {
  std::string& key = Search().homeKey;
  if (key.empty()) key = ComputeOracleHomeKey();
  return key;
}

std::string GetOracleHomeDir() {
  return ReadRegistryString(RegistryRoot::rrLocalMachine, GetOracleHomeKey(), "ORACLE_HOME");
}

std::optional<double> ClientLibraryVersion(const std::string& fileName) {
  const auto dot = fileName.find('.');
  const std::size_t stop = dot == std::string::npos ? 0 : dot;
  const bool nt = fileName.size() >= 5 && UpperCase(fileName.substr(3, 2)) == "NT";
  const std::size_t start = nt ? 5 : 3;
  const std::string digits = stop > start ? fileName.substr(start, stop - start) : std::string();
  return ParseWholeNumber("0." + digits);
}

std::optional<double> SharedLibraryVersion(const std::string& fileName) {
  const std::string prefix = "libclntsh.so.";
  if (fileName.size() <= prefix.size() || fileName.compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  const std::string suffix = fileName.substr(prefix.size());
  // Only digits and one inner dot: "19.1", "21"; not "19.1.0" nor a sign or an exponent.
  if (suffix.find_first_not_of("0123456789.") != std::string::npos) return std::nullopt;
  if (std::count(suffix.begin(), suffix.end(), '.') > 1 || suffix.front() == '.' ||
      suffix.back() == '.') {
    return std::nullopt;
  }
  return ParseWholeNumber(suffix);
}

std::vector<std::string> FindClientLibraries() {
  const std::string homeDir = GetOracleHomeDir();
  Search().homeDir = homeDir;
  std::vector<std::string> candidates;
  if (homeDir.empty()) return candidates;
  const LayoutRule rule = RuleFor(ClientLibraryLayout());
  std::vector<std::string> folders;
  for (const auto& folder : rule.folders) {
    folders.push_back(folder.empty() ? AppendPathPart(homeDir, "")
                                     : AppendPathPart(homeDir, folder + kPathSeparator));
  }
  // The version-8 library comes first whichever folder holds it.
  for (const auto& folder : folders) {
    if (FileExists(folder + rule.primaryName)) {
      AddLogLine(texts::kLogFound + rule.primaryName);
      candidates.push_back(folder + rule.primaryName);
    }
  }
  for (const auto& folder : folders) {
    for (const auto& name : ListFiles(folder, rule.versionedPattern)) {
      const auto version = CandidateVersion(name);
      if (!version || *version <= 0) continue;
      AddLogLine(texts::kLogFound + name);
      candidates.push_back(folder + name);
    }
  }
  return candidates;
}

int LocateClientLibrary() {
  SearchState& search = Search();
  search.ociDllFoundBySearch = false;
  const std::string excluded = UpperCase(search.excludedLibraries);
  int result = kClientLibraryFound;

  const std::string forced = CommandLineValue("OCIDLL");
  if (!forced.empty()) search.ociDll = forced;
  if (!search.ociDll.empty()) {
    AddLogLine(texts::kLogForced + search.ociDll);
    return kClientLibraryFound;
  }

  search.homeDir = GetOracleHomeDir();
  AddLogLine(texts::kLogHomeKey + search.homeKey);
  AddLogLine(texts::kLogHomeDir + search.homeDir);
  const std::vector<std::string> candidates = FindClientLibraries();
  if (search.homeDir.empty()) return kOracleHomeMissing;

  const std::string primary = UpperCase(RuleFor(ClientLibraryLayout()).primaryName);
  double bestVersion = 0;
  for (int pass = 1; pass <= 2 && search.ociDll.empty(); ++pass) {
    for (const auto& candidate : candidates) {
      const std::string name = FileNamePart(candidate);
      const std::string upperName = UpperCase(name);
      if (pass == 1 && excluded.find("\"" + upperName + "\"") != std::string::npos) continue;
      if (upperName == primary) {
        search.ociDll = candidate;
        search.ociDllFoundBySearch = true;
        break;
      }
      const auto version = CandidateVersion(name);
      if (version && *version > bestVersion) {
        bestVersion = *version;
        search.ociDll = candidate;
        search.ociDllFoundBySearch = true;
      }
    }
  }
  if (search.ociDll.empty())
    result = kClientLibraryNotFound;
  else
    AddLogLine(texts::kLogUsing + search.ociDll);
  return result;
}

}  // namespace vek
