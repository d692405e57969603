// The logon history: the last few successful logons (user name, database, connect-as mode
// and, only when asked to, the password), one process-wide list that the logon dialog
// offers in its popup, stored as scrambled text in the current user's registry or an ini file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vek {

class THistoryItem {
 public:
  std::string Username, Password, Database, ConnectAs;

  // The user name, then "@" and the database when there is one, then " as " and the mode
  // when there is one. The popup caption and, upper-cased, the duplicate key.
  std::string DisplayText() const;
  // The stored form: user "/" password "@" database, and " as " mode when there is a mode.
  std::string LogonText() const;
};

class THistoryItems {
 public:
  // Most entries kept; 0 means no limit.
  std::int32_t Size = 0;
  // Entries keep passwords only when this is set at the time they are added.
  bool WithPassword = false;

  int Count() const;
  // Position 0 is the most recent logon. Index must be in 0 .. Count() - 1.
  const THistoryItem& operator[](int index) const;
  const THistoryItem& Item(int index) const;
  void Clear();

  // Adds one logon. username may carry "/password@database as MODE"; an earlier entry with
  // the same user, database and mode (any letter case) is replaced.
  void AddLogon(const std::string& username, const std::string& password,
                const std::string& database, const std::string& connectAs, bool toFront);

  // Values "Logon0", "Logon1", ... under key in the current user's hive. Do nothing for an
  // empty key; failures are not reported.
  void LoadFromRegistry(const std::string& key);
  void SaveToRegistry(const std::string& key);

  // Section "Logon", keys "0", "1", ...; a file name without a folder lives in the user's
  // configuration folder (HistoryIniFilePath). False on failure or an empty name.
  bool LoadFromIniFile(const std::string& fileName);
  bool SaveToIniFile(const std::string& fileName);

 private:
  std::vector<THistoryItem> items_;
};

// The one process-wide list, created empty on first use.
THistoryItems& LogonHistory();

// The registry key under which the monitor keeps its history.
inline constexpr const char* kLogonHistoryKey = "Software\\VEK\\LogonHistory";

// Where an ini file name without a folder lives: ${XDG_CONFIG_HOME:-~/.config}/vek/<name>
// (on Windows the name is returned as it is, for the system's profile folder).
std::string HistoryIniFilePath(const std::string& fileName);

// The stored form of a history value: groups of four decimal digits, a random seed first and
// one group per character. Decoding stops at the first group that is not a number.
std::string EncodeHistoryText(const std::string& text);
std::string DecodeHistoryText(const std::string& text);
// Reseeds the scrambling's random generator from the clock; every save does so.
void ReseedHistoryScrambling();

}  // namespace vek
