// The script splitter. A statement is PL/SQL when the PL/SQL engine would take it (blocks and
// CREATE of stored code); only those need the "/" line, since their bodies contain ";".
#include "devdb/plsql/ScriptSplitter.h"

#include <sstream>

#include "devdb/plsql/ProceduralEngine.h"

namespace devdb::plsql {
namespace {

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

std::string Trimmed(const std::string& text) {
  auto begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  auto end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

bool NeedsSlash(const std::string& text) {
  if (!ProceduralEngine::Handles(text)) return false;
  std::string upper;
  for (char c : Trimmed(text).substr(0, 40))
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // Statements about stored code that have no body end at ";" like SQL.
  return upper.rfind("GRANT", 0) != 0 && upper.rfind("DROP", 0) != 0 &&
         upper.find("SYNONYM") == std::string::npos;
}

// True when a ";" ends the line outside quotes and comments.
bool EndsWithSemicolon(const std::string& line, bool& inComment) {
  bool inString = false;
  char last = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (inComment) {
      if (c == '*' && i + 1 < line.size() && line[i + 1] == '/') {
        inComment = false;
        ++i;
      }
      continue;
    }
    if (inString) {
      if (c == '\'') inString = false;
      continue;
    }
    if (c == '\'') {
      inString = true;
      last = c;
    } else if (c == '-' && i + 1 < line.size() && line[i + 1] == '-') {
      break;
    } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '*') {
      inComment = true;
      ++i;
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      last = c;
    }
  }
  return !inString && !inComment && last == ';';
}

}  // namespace

std::vector<ScriptStatement> ScriptSplitter::Split(const std::string& script) {
  std::vector<ScriptStatement> statements;
  std::string current;
  int startLine = 1;
  int lineNumber = 0;
  bool inComment = false;
  std::istringstream input(script);
  std::string line;
  auto finish = [&](std::string text) {
    if (!IsBlank(text)) statements.push_back({std::move(text), startLine});
    current.clear();
  };
  while (std::getline(input, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (IsBlank(current)) {
      current.clear();
      startLine = lineNumber;
    }
    if (Trimmed(line) == "/" && !inComment) {
      finish(current);
      continue;
    }
    current += line;
    current += '\n';
    bool endsStatement = EndsWithSemicolon(line, inComment);
    if (endsStatement && !NeedsSlash(current)) {
      std::string text = current;
      auto semicolon = text.find_last_of(';');
      text.erase(semicolon);
      finish(text);
    }
  }
  finish(current);
  return statements;
}

std::string ScriptSplitter::FromWindows1252(const std::string& bytes) {
  // The 0x80-0x9F range of Windows-1252; the rest matches Latin-1.
  static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                    0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::string out;
  for (unsigned char c : bytes) {
    char32_t code = c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

}  // namespace devdb::plsql
