// The line rules of the splitter. Only the start of a unit decides its kind, so a ";" inside a
// PL/SQL block never ends it, while a plain SQL statement may also end with a "/" line (as
// GRANT and CREATE SYNONYM do in the package script).
#include "tools/vsql/StatementSplitter.h"

#include <cctype>
#include <vector>

#include "platform/TextCase.h"

namespace vek::vsql {
namespace {

std::string Trim(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  const std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::vector<std::string> FirstWords(const std::string& text, std::size_t count) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    const bool wordCharacter = std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    if (wordCharacter) {
      word += c;
      continue;
    }
    if (!word.empty()) words.push_back(LowerCase(word));
    word.clear();
    if (words.size() >= count) return words;
    if (c != ' ' && c != '\t') break;
  }
  if (!word.empty() && words.size() < count) words.push_back(LowerCase(word));
  return words;
}

bool IsCommand(const std::string& trimmed) {
  if (trimmed.front() == '@') return true;
  const std::vector<std::string> words = FirstWords(trimmed, 1);
  if (words.empty()) return false;
  const std::string& word = words[0];
  return word == "set" || word == "exit" || word == "quit" || word == "whenever" ||
         word == "exec" || word == "execute" || word == "prompt" || word == "start";
}

bool IsProcedural(const std::string& trimmed) {
  std::vector<std::string> words = FirstWords(trimmed, 6);
  if (words.empty()) return false;
  if (words[0] == "begin" || words[0] == "declare") return true;
  if (words[0] != "create") return false;
  std::size_t next = 1;
  if (next + 1 < words.size() && words[next] == "or" && words[next + 1] == "replace") next += 2;
  if (next < words.size() && (words[next] == "editionable" || words[next] == "noneditionable")) {
    ++next;
  }
  if (next >= words.size()) return false;
  const std::string& kind = words[next];
  return kind == "package" || kind == "procedure" || kind == "function" || kind == "trigger" ||
         kind == "type" || kind == "library";
}

bool IsRemark(const std::string& trimmed) {
  if (trimmed.rfind("--", 0) == 0) return true;
  const std::vector<std::string> words = FirstWords(trimmed, 1);
  return !words.empty() && (words[0] == "rem" || words[0] == "remark");
}

}  // namespace

std::optional<TScriptUnit> TStatementSplitter::AddLine(const std::string& raw) {
  ++lineNumber_;
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const std::string trimmed = Trim(line);

  if (inComment_) {
    if (trimmed.find("*/") != std::string::npos) inComment_ = false;
    return std::nullopt;
  }
  if (buffer_.empty()) {
    if (trimmed.empty() || trimmed == "/" || IsRemark(trimmed)) return std::nullopt;
    if (trimmed.rfind("/*", 0) == 0) {
      // A comment between statements; the rest of its closing line is ignored.
      inComment_ = trimmed.find("*/", 2) == std::string::npos;
      return std::nullopt;
    }
    if (IsCommand(trimmed)) return TScriptUnit{TScriptUnit::Command, trimmed, lineNumber_};
    procedural_ = IsProcedural(trimmed);
    firstLine_ = lineNumber_;
    buffer_ = line;
  } else {
    if (trimmed == "/") return Complete();
    buffer_ += "\n" + line;
  }
  if (!procedural_ && !trimmed.empty() && trimmed.back() == ';') {
    const std::size_t semicolon = buffer_.find_last_of(';');
    buffer_.erase(semicolon);
    return Complete();
  }
  return std::nullopt;
}

std::optional<TScriptUnit> TStatementSplitter::Finish() {
  inComment_ = false;
  return Complete();
}

std::optional<TScriptUnit> TStatementSplitter::Complete() {
  TScriptUnit unit{TScriptUnit::Statement, buffer_, firstLine_};
  buffer_.clear();
  procedural_ = false;
  if (Trim(unit.text).empty()) return std::nullopt;
  return unit;
}

}  // namespace vek::vsql
