// The four-state scan (normal, name, quoted, comment) behind substitution variables. The text
// gets a CR LF at its end so that a name or a line comment at the very end is closed.
#include "access/SubstitutionScanner.h"

#include "platform/TextCase.h"

namespace vek {
namespace {

bool IsNameCharacter(unsigned char c) {
  return c == '#' || c == '$' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
         (c >= 'a' && c <= 'z') || c >= 128;
}

enum class ScanState { Normal, Name, Quoted, BlockComment, LineComment };

}  // namespace

std::vector<TNameOccurrence> TSubstitutionScanner::Scan(const std::string& original) {
  const std::string text = original + "\r\n";
  std::vector<TNameOccurrence> found;
  ScanState state = ScanState::Normal;
  std::string name;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    switch (state) {
      case ScanState::Normal:
        if (c == ':') {
          state = ScanState::Name;
          start = i;
          name.clear();
        } else if (c == '\'') {
          state = ScanState::Quoted;
        } else if (c == '/' && next == '*') {
          state = ScanState::BlockComment;
          ++i;  // the asterisk belongs to the opening mark
        } else if (c == '-' && next == '-') {
          state = ScanState::LineComment;
          ++i;
        }
        ++i;
        break;
      case ScanState::Name:
        if (IsNameCharacter(c)) {
          name += static_cast<char>(c);
          ++i;
        } else {
          if (!name.empty()) found.push_back({UpperCase(name), start, name.size()});
          state = ScanState::Normal;  // this character is examined again
        }
        break;
      case ScanState::Quoted:
        if (c == '\'') state = ScanState::Normal;
        ++i;
        break;
      case ScanState::BlockComment:
        if (c == '*' && next == '/') {
          state = ScanState::Normal;
          ++i;  // the second character is examined again in normal state
        } else {
          ++i;
        }
        break;
      case ScanState::LineComment:
        if (c == '\r' && next == '\n') {
          state = ScanState::Normal;
          ++i;
        } else {
          ++i;
        }
        break;
    }
  }
  return found;
}

}  // namespace vek
