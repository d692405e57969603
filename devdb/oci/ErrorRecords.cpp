// Formatting and raising of the library's own Oracle errors, and the process-wide memory of
// error texts that oerhms reads.
#include "devdb/oci/ErrorRecords.h"

#include <map>
#include <mutex>

#include "devdb/client/ServerError.h"

namespace devdb::oci {

std::string ErrorRecords::Format(int code, const std::string& text) {
  return texts::Prefix(code) + text;
}

int ErrorRecords::CodeOf(const std::string& message) {
  if (message.compare(0, 4, "ORA-") != 0) return 0;
  int code = 0;
  std::size_t at = 4;
  for (; at < message.size() && at < 9 && message[at] >= '0' && message[at] <= '9'; ++at)
    code = code * 10 + (message[at] - '0');
  return at > 4 ? code : 0;
}

namespace {

std::mutex& MemoryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<int, std::string>& Memory() {
  static std::map<int, std::string> memory;
  return memory;
}

constexpr texts::OracleText kKnownTexts[] = {
    texts::kNoDataFound,
    texts::kUnimplemented,
    texts::kNotInSelectList,
    texts::kFetchedNull,
    texts::kTruncated,
    texts::kInvalidCursor,
    texts::kFetchOutOfSequence,
    texts::kNotAllBound,
    texts::kNotLoggedOn,
    texts::kBadBindName,
    texts::kInvalidLogon,
    texts::kIntegerOverflow,
    texts::kBadConversion,
    texts::kInvalidNumber,
    texts::kNotConnected,
    texts::kUnresolvedName,
    texts::kAlreadyAuthenticated,
};

}  // namespace

void ErrorRecords::Add(int code, std::string message) {
  Remember(code, message);
  records_.push_back({code, std::move(message)});
}

void ErrorRecords::Remember(int code, const std::string& message) {
  std::lock_guard lock(MemoryMutex());
  Memory()[code] = message;
}

std::string ErrorRecords::Recall(int code) {
  {
    std::lock_guard lock(MemoryMutex());
    auto found = Memory().find(code);
    if (found != Memory().end()) return found->second;
  }
  for (const auto& known : kKnownTexts)
    if (known.code == code) return Format(code, known.message);
  return Format(code, texts::Fill(texts::kMessageNotFound, {std::to_string(code)}));
}

void ErrorRecords::Raise(const texts::OracleText& error, int offset) {
  throw client::ServerError(error.code, Format(error.code, error.message), offset);
}

}  // namespace devdb::oci
