// DBMS_OUTPUT's buffer. Writes while disabled are dropped, as Oracle drops them.
#include "devdb/plsql/OutputBuffer.h"

#include <algorithm>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"

namespace devdb::plsql {

void OutputBuffer::Enable(std::optional<std::size_t> limit) {
  enabled_ = true;
  if (limit) limit = std::clamp<std::size_t>(*limit, 2000, 1000000);
  limit_ = limit;
}

void OutputBuffer::Disable() {
  enabled_ = false;
  lines_.clear();
  partial_.clear();
  used_ = 0;
}

void OutputBuffer::Count(std::size_t bytes) {
  if (limit_ && used_ + bytes > *limit_) {
    throw PlsqlError(texts::kPackageError,
                     {texts::Text(texts::kOutputOverflow, {std::to_string(*limit_)})});
  }
  used_ += bytes;
}

void OutputBuffer::Put(const std::string& text) {
  if (!enabled_) return;
  if (partial_.size() + text.size() > kMaxLine)
    throw PlsqlError(texts::kPackageError, {texts::Text(texts::kLineOverflow)});
  Count(text.size());
  partial_ += text;
}

void OutputBuffer::NewLine() {
  if (!enabled_) return;
  lines_.push_back(std::move(partial_));
  partial_.clear();
}

std::optional<std::string> OutputBuffer::GetLine() {
  if (lines_.empty()) return std::nullopt;
  std::string line = std::move(lines_.front());
  lines_.pop_front();
  used_ -= std::min(used_, line.size());
  return line;
}

}  // namespace devdb::plsql
