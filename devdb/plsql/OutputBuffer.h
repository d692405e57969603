// A session's DBMS_OUTPUT buffer: lines that stored code writes and the client reads back
// with GET_LINE(S), with the buffer and line-length limits and their ORU errors.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace devdb::plsql {

class OutputBuffer {
 public:
  static constexpr std::size_t kMaxLine = 32767;

  // limit: bytes, or no value for no limit. Enabling again keeps what is buffered.
  void Enable(std::optional<std::size_t> limit);
  void Disable();
  bool Enabled() const { return enabled_; }
  void Put(const std::string& text);
  void NewLine();
  // The oldest complete line, or nothing when none is waiting.
  std::optional<std::string> GetLine();

 private:
  void Count(std::size_t bytes);

  bool enabled_ = false;
  std::optional<std::size_t> limit_;
  std::size_t used_ = 0;
  std::deque<std::string> lines_;
  std::string partial_;
};

}  // namespace devdb::plsql
