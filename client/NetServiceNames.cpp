// Reading tnsnames.ora: only text outside parentheses and before a "#" counts, so the inner
// pairs of a connect descriptor and comments are never taken for names, whatever their line
// layout.
#include "client/NetServiceNames.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>

#include "client/ClientLibrary.h"
#include "client/ClientLibraryLocation.h"
#include "platform/FileSystem.h"
#include "platform/ProgramArguments.h"
#include "platform/Registry.h"
#include "platform/TextCase.h"

namespace vek {
namespace {

constexpr const char* kOracleKey = "SOFTWARE\\ORACLE";

std::mutex& StateMutex() {
  static std::mutex mutex;
  return mutex;
}

std::optional<TNetServiceNameList>& ProcessNames() {
  static std::optional<TNetServiceNameList> names;
  return names;
}

std::optional<std::string>& KeptTnsNamesPath() {
  static std::optional<std::string> path;
  return path;
}

std::string ReadMachineString(const std::string& key, const std::string& value) {
  return ReadRegistryString(RegistryRoot::rrLocalMachine, key, value);
}

// The folder names below a home, as this platform's client installs them.
struct AdminFolders {
  std::string admin, networkAdmin, net80Admin;
};

AdminFolders AdminFolderNames() {
  const std::string separator(1, kPathSeparator);
  if (ClientLibraryLayout() == TClientLibraryLayout::clWindows) {
    return {"Admin", "Network" + separator + "Admin", "Net80" + separator + "Admin"};
  }
  return {"admin", "network" + separator + "admin", "net80" + separator + "admin"};
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlankOrControl(text[begin])) ++begin;
  while (end > begin && IsBlankOrControl(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The characters of a line that stand outside parentheses and before its comment; depth runs
// on across lines. A ")" without its "(" is dropped rather than taken as a level below zero,
// which would hide every later name of the file.
std::string TextOutsideParentheses(std::string_view line, int& depth) {
  line = line.substr(0, line.find('#'));
  std::string result;
  for (char c : line) {
    if (c == '(') ++depth;
    if (depth == 0 && static_cast<unsigned char>(c) >= 32) result += c;
    if (c == ')' && depth > 0) --depth;
  }
  return result;
}

std::string NameBeforeWorldDomain(const std::string& name) {
  const auto position = UpperCase(name).find(".WORLD");
  return position == std::string::npos ? name : name.substr(0, position);
}

// The names before one "=": one name, or several separated by commas.
std::vector<std::string> AliasNames(const std::string& text) {
  std::vector<std::string> aliases;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t comma = text.find(',', begin);
    const std::string alias =
        NameBeforeWorldDomain(Trim(text.substr(begin, comma == std::string::npos ? comma : comma - begin)));
    if (!alias.empty()) aliases.push_back(alias);
    if (comma == std::string::npos) return aliases;
    begin = comma + 1;
  }
}

// One fill: the files read so far, by full path. A file already read (which includes every
// file further up the include chain) is not opened again.
struct ParseState {
  TNetServiceNameList& names;
  std::vector<std::string> filesRead;
  std::set<std::string> seen;
};

std::string FileKey(const std::string& fullPath) {
  return kIsWindows ? UpperCase(fullPath) : fullPath;
}

void ParseFile(const std::string& fileName, ParseState& state, int depth) {
  if (depth > kMaxIncludeDepth) return;
  std::string file = fileName;
  while (file.rfind("\\\\\\", 0) == 0) file.erase(0, 1);
  if (!FileExists(file)) return;
  const std::string fullPath = FullPath(file);
  if (!state.seen.insert(FileKey(fullPath)).second) return;
  state.filesRead.push_back(fullPath);

  int parenthesisDepth = 0;
  bool includePending = false;
  bool firstLine = true;
  for (std::string_view line : ReadTextLines(file)) {
    if (firstLine && line.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
      line.remove_prefix(kUtf8ByteOrderMark.size());
    firstLine = false;
    const std::string text = Trim(TextOutsideParentheses(line, parenthesisDepth));
    if (text.empty()) continue;
    const auto equals = text.find('=');
    if (equals == std::string::npos) {
      if (includePending) {
        ParseFile(text, state, depth + 1);
        includePending = false;
      }
      continue;
    }
    const std::string value = Trim(text.substr(equals + 1));
    const std::string names = Trim(text.substr(0, equals));
    if (SameText(NameBeforeWorldDomain(names), "ifile")) {
      includePending = false;
      if (!value.empty())
        ParseFile(value, state, depth + 1);
      else
        includePending = true;
      continue;
    }
    // A line such as "= (DESCRIPTION ...)" names nothing; an empty entry would only show as a
    // blank line in the database list.
    for (const std::string& alias : AliasNames(names)) state.names.Add(alias);
  }
}

std::string ComputeTnsNamesPath() {
  std::string home;
  {
    // The home key is process-wide state of the library search; another thread may be
    // loading the library at this moment.
    std::lock_guard lock(ClientLock());
    home = GetOracleHomeKey();
  }
  InitializeClient();
  const AdminFolders folders = AdminFolderNames();
  std::string path;
  try {
    path = GetEnvironmentVariable("TNS_ADMIN");
    if (path.empty()) path = ReadMachineString(home, "TNS_ADMIN");
    if (path.empty() && !SameText(home, kOracleKey))
      path = ReadMachineString(kOracleKey, "TNS_ADMIN");
    if (path.empty()) {
      path = ReadMachineString(home, HasOCI8() ? "NET80" : "NET20");
      if (!path.empty()) {
        path = AppendPathPart(path, folders.admin);
      } else {
        const bool networkAdmin = !HasOCI8() || HasOCI81();
        path = AppendPathPart(ReadMachineString(home, "ORACLE_HOME"),
                              networkAdmin ? folders.networkAdmin : folders.net80Admin);
      }
    }
    path = AppendPathPart(path, "tnsnames.ora");
  } catch (...) {
    // The path stays as far as it got.
  }
  return path;
}

}  // namespace

bool TNetServiceNameList::Add(const std::string& name) {
  const std::string key = UpperCase(name);
  const auto position = std::lower_bound(names_.begin(), names_.end(), key,
                                         [](const std::string& entry, const std::string& wanted) {
                                           return UpperCase(entry) < wanted;
                                         });
  if (position != names_.end() && UpperCase(*position) == key) return false;
  names_.insert(position, name);
  return true;
}

std::vector<std::string> ParseTnsNames(const std::string& fileName, TNetServiceNameList& names) {
  ParseState state{names, {}, {}};
  ParseFile(fileName, state, 0);
  return std::move(state.filesRead);
}

std::string TnsNamesPath() {
  {
    std::lock_guard lock(StateMutex());
    if (KeptTnsNamesPath()) return *KeptTnsNamesPath();
  }
  // Worked out outside the lock: loading the library may take a while and takes ClientLock.
  const std::string path = ComputeTnsNamesPath();
  std::lock_guard lock(StateMutex());
  if (!KeptTnsNamesPath()) KeptTnsNamesPath() = path;
  return *KeptTnsNamesPath();
}

void ReadNetServiceNames() {
  TNetServiceNameList names;
  {
    std::lock_guard lock(StateMutex());
    if (ProcessNames()) ProcessNames()->Clear();
  }
  try {
    ParseTnsNames(TnsNamesPath(), names);
  } catch (...) {
    std::lock_guard lock(StateMutex());
    ProcessNames() = std::move(names);
    throw;
  }
  std::lock_guard lock(StateMutex());
  ProcessNames() = std::move(names);
}

const TNetServiceNameList& NetServiceNames() {
  // One filler at a time; the others wait and then see the filled list.
  static std::mutex fillMutex;
  std::lock_guard fill(fillMutex);
  {
    std::lock_guard lock(StateMutex());
    if (ProcessNames()) return *ProcessNames();
    ProcessNames().emplace();
  }
  try {
    ReadNetServiceNames();
  } catch (...) {
    // The list keeps what was read before the failure, possibly nothing.
  }
  std::lock_guard lock(StateMutex());
  return *ProcessNames();
}

void ResetNetServiceNamesForTesting() {
  std::lock_guard lock(StateMutex());
  ProcessNames().reset();
  KeptTnsNamesPath().reset();
}

}  // namespace vek
