// The net service names the Oracle client knows, read from its tnsnames.ora and every file
// that includes, for the logon dialog's list of databases. Only the names are read; the
// client library resolves a name itself at logon.
#pragma once

#include <string>
#include <vector>

namespace vek {

// Names sorted without regard to case; a name equal to one present (compared the same way)
// is not added again, so the form read first stays.
class TNetServiceNameList {
 public:
  // False when an equal name is already present.
  bool Add(const std::string& name);
  void Clear() { names_.clear(); }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::vector<std::string> names_;
};

// Includes nested deeper than this are not followed. Cycles end earlier: a file is read at
// most once per fill, so a file that includes itself, or one of the files that include it,
// is not opened again.
inline constexpr int kMaxIncludeDepth = 16;

// The process-wide list, filled on the first call; a failure while filling keeps what was
// read before it. Later calls return the same list.
const TNetServiceNameList& NetServiceNames();
// Empties the process-wide list and fills it from TnsNamesPath().
void ReadNetServiceNames();
// The full name of tnsnames.ora, worked out on the first successful call and kept. Loads the
// client library first, and raises its "Initialization error" when that fails.
std::string TnsNamesPath();
// Adds the names defined in one file, following its includes; returns the full paths of the
// files it read, in the order it opened them. "#" starts a comment that runs to the end of
// the line; several names before one "=" ("DEV, DEVDB = ...") are each a name of their own.
std::vector<std::string> ParseTnsNames(const std::string& fileName, TNetServiceNameList& names);

// Forgets the kept list and path, so that a test can read them again.
void ResetNetServiceNamesForTesting();

}  // namespace vek
