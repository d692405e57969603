// The logon history list, its scrambled stored form, and its registry and ini-file storage.
#include "logon/HistoryItems.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <random>
#include <stdexcept>

#include "access/ConnectAs.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/RegistryFileStore.h"
#include "platform/TextCase.h"

namespace vek {
namespace {

// The scrambling. A character code c (0..255) becomes ((c << kShift) ^ mask) + kOffset with
// mask = seed + kStep * ((i % kStepCycle) + 1). c << kShift stays below 1024 and the mask
// below 1999 + 7 * 256 = 3791, so the exclusive-or stays below 4096 and every group lies in
// 1000..5095: four digits for any text. Seeds are four digits themselves.
constexpr int kSeedMin = 1000;
constexpr int kSeedMax = 1999;
constexpr int kStep = 7;
constexpr int kStepCycle = 256;
constexpr int kOffset = 1000;
constexpr int kShift = 2;
constexpr std::size_t kGroupLength = 4;

// A stored value is read through a buffer of this many bytes, its terminating zero included;
// a longer value reads as missing.
constexpr std::size_t kValueBufferSize = 257;

constexpr const char* kValueNamePrefix = "Logon";
constexpr const char* kIniSection = "Logon";

std::mutex& ScramblingMutex() {
  static std::mutex mutex;
  return mutex;
}

std::mt19937& ScramblingGenerator() {
  static std::mt19937 generator(static_cast<std::mt19937::result_type>(
      std::chrono::system_clock::now().time_since_epoch().count()));
  return generator;
}

int MaskAt(int seed, std::size_t position) {
  return seed + kStep * static_cast<int>(position % kStepCycle + 1);
}

void AppendGroup(std::string& out, int value) {
  const std::string digits = std::to_string(value);
  out.append(kGroupLength - digits.size(), '0');
  out += digits;
}

// The value of four decimal digits at position, or -1 when they are missing or not digits.
int ReadGroup(const std::string& text, std::size_t position) {
  if (position + kGroupLength > text.size()) return -1;
  int value = 0;
  for (std::size_t i = position; i < position + kGroupLength; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// True when the value with its terminating zero fits the reading buffer.
bool FitsValueBuffer(const std::string& value) { return value.size() + 1 <= kValueBufferSize; }

std::string DropLeadingBackslash(const std::string& key) {
  return !key.empty() && key.front() == '\\' ? key.substr(1) : key;
}

std::string ValueName(int position) { return kValueNamePrefix + std::to_string(position); }

}  // namespace

std::string THistoryItem::DisplayText() const {
  std::string text = Username;
  if (!Database.empty()) text += "@" + Database;
  if (!ConnectAs.empty()) text += " as " + ConnectAs;
  return text;
}

std::string THistoryItem::LogonText() const {
  std::string text = Username + "/" + Password + "@" + Database;
  if (!ConnectAs.empty()) text += " as " + ConnectAs;
  return text;
}

int THistoryItems::Count() const { return static_cast<int>(items_.size()); }

const THistoryItem& THistoryItems::operator[](int index) const { return Item(index); }

const THistoryItem& THistoryItems::Item(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("THistoryItems: index out of range");
  return items_[static_cast<std::size_t>(index)];
}

void THistoryItems::Clear() { items_.clear(); }

void THistoryItems::AddLogon(const std::string& username, const std::string& password,
                             const std::string& database, const std::string& connectAs,
                             bool toFront) {
  if (username.empty()) return;
  THistoryItem item{username, password, database,
                    ConnectAsToText(ConnectAsFromText(connectAs))};

  // A combined "user/password@database": the user name ends at the first slash or at sign;
  // the password runs from the slash to the at sign behind it (or the end), the database
  // from the at sign to the slash behind it (or the end).
  const std::size_t slash = username.find('/');
  const std::size_t at = username.find('@');
  if (at != std::string::npos && at + 1 < username.size()) {
    const std::size_t end = slash != std::string::npos && slash > at ? slash : username.size();
    item.Database = username.substr(at + 1, end - at - 1);
  }
  if (slash != std::string::npos) {
    const std::size_t end = at != std::string::npos && at > slash ? at : username.size();
    item.Password = username.substr(slash + 1, end - slash - 1);
  }
  item.Username = username.substr(0, std::min(slash, at));

  // The mode clause may sit at the end of any of the three fields; it is taken off the
  // password before the password rule applies, so that "scott/tiger as sysdba" keeps its
  // mode also when passwords are not kept.
  std::string mode = SplitConnectAs(item.Database);
  if (mode.empty()) mode = SplitConnectAs(item.Password);
  if (mode.empty()) mode = SplitConnectAs(item.Username);
  SplitConnectAs(item.Password);
  SplitConnectAs(item.Username);
  if (!mode.empty()) item.ConnectAs = mode;
  if (!WithPassword) item.Password.clear();
  if (item.Username.empty()) return;

  const std::string key = UpperCase(item.DisplayText());
  for (std::size_t i = items_.size(); i-- > 0;) {
    if (UpperCase(items_[i].DisplayText()) == key) items_.erase(items_.begin() + i);
  }
  if (Size > 0) {
    while (Count() >= Size) items_.erase(items_.begin() + (Size - 1));
  }
  if (toFront) items_.insert(items_.begin(), std::move(item));
  else items_.push_back(std::move(item));
}

void THistoryItems::LoadFromRegistry(const std::string& key) {
  if (key.empty()) return;
  const std::string keyPath = DropLeadingBackslash(key);
  // Bounded by the values the store holds: the loop ends at the first missing one.
  for (int n = 0;; ++n) {
    const std::string stored = ReadRegistryString(RegistryRoot::rrCurrentUser, keyPath, ValueName(n));
    const std::string text =
        FitsValueBuffer(stored) ? DecodeHistoryText(stored.substr(0, stored.find('\0'))) : "";
    if (text.empty()) break;
    if (Size == 0 || n < Size) AddLogon(text, "", "", "", false);
  }
}

void THistoryItems::SaveToRegistry(const std::string& key) {
  if (key.empty()) return;
  const std::string keyPath = DropLeadingBackslash(key);
  ReseedHistoryScrambling();
  for (int n = 0; DeleteRegistryValue(RegistryRoot::rrCurrentUser, keyPath, ValueName(n)); ++n) {
  }
  // An entry whose stored form would not fit the reader's buffer is left out: written, it
  // would end every later load at its position and hide the older entries behind it.
  int position = 0;
  for (const THistoryItem& item : items_) {
    const std::string value = EncodeHistoryText(item.LogonText());
    if (!FitsValueBuffer(value)) continue;
    WriteRegistryString(RegistryRoot::rrCurrentUser, keyPath, ValueName(position++), value);
  }
}

bool THistoryItems::LoadFromIniFile(const std::string& fileName) {
  if (fileName.empty()) return false;
  try {
    const RegistryFileStore file(HistoryIniFilePath(fileName));
    for (int n = 0;; ++n) {
      const std::string stored = file.ReadValue(kIniSection, std::to_string(n)).value_or("");
      if (stored.empty()) break;
      const std::string text = DecodeHistoryText(stored);
      if (Size == 0 || n < Size) AddLogon(text, "", "", "", false);
      if (text.empty()) break;
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool THistoryItems::SaveToIniFile(const std::string& fileName) {
  if (fileName.empty()) return false;
  try {
    ReseedHistoryScrambling();
    RegistryFileStore file(HistoryIniFilePath(fileName));
    // The store rewrites the file through a temporary file renamed over it at every change,
    // so an interrupted save leaves a whole file behind.
    for (const std::string& name : file.ValueNames(kIniSection)) {
      if (!file.DeleteValue(kIniSection, name)) return false;
    }
    int position = 0;
    for (const THistoryItem& item : items_) {
      const std::string value = EncodeHistoryText(item.LogonText());
      if (!FitsValueBuffer(value)) continue;
      if (!file.WriteValue(kIniSection, std::to_string(position++), value)) return false;
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

THistoryItems& LogonHistory() {
  static THistoryItems history;
  return history;
}

std::string HistoryIniFilePath(const std::string& fileName) {
  if (DirectoryPart(fileName).empty()) return UserConfigurationFolder() + kPathSeparator + fileName;
  return fileName;
}

void ReseedHistoryScrambling() {
  std::lock_guard lock(ScramblingMutex());
  ScramblingGenerator().seed(static_cast<std::mt19937::result_type>(
      std::chrono::system_clock::now().time_since_epoch().count()));
}

std::string EncodeHistoryText(const std::string& text) {
  int seed;
  {
    std::lock_guard lock(ScramblingMutex());
    seed = std::uniform_int_distribution<int>(kSeedMin, kSeedMax)(ScramblingGenerator());
  }
  std::string out;
  out.reserve((text.size() + 1) * kGroupLength);
  AppendGroup(out, seed);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int code = static_cast<unsigned char>(text[i]);
    AppendGroup(out, ((code << kShift) ^ MaskAt(seed, i)) + kOffset);
  }
  return out;
}

std::string DecodeHistoryText(const std::string& text) {
  const int seed = ReadGroup(text, 0);
  if (seed < 0) return {};
  std::string out;
  for (std::size_t i = 0;; ++i) {
    const int group = ReadGroup(text, (i + 1) * kGroupLength);
    if (group < kOffset) break;
    const int shifted = (group - kOffset) ^ MaskAt(seed, i);
    // Bits that no character sets mean a damaged group, read like one that is not a number.
    if (shifted < 0 || shifted > (255 << kShift) || (shifted & ((1 << kShift) - 1)) != 0) break;
    out += static_cast<char>(shifted >> kShift);
  }
  return out;
}

}  // namespace vek
