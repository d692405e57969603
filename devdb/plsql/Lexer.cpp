// The PL/SQL tokenizer. Identifiers may carry $ and # (V$SESSION, VEK_DEBUG#), bytes above
// 127 are taken as letters, and "1..10" is a range, not a malformed number.
#include "devdb/plsql/Lexer.h"

#include <cctype>

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"

namespace devdb::plsql {
namespace {

bool IsIdentifierStart(unsigned char c) { return std::isalpha(c) || c >= 0x80; }
bool IsIdentifierPart(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80;
}

std::string Upper(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

[[noreturn]] void Fail(int line, int column, const std::string& symbol) {
  throw PlsqlError(texts::kCompileError, {std::to_string(line), std::to_string(column),
                                          texts::Text(texts::kEncounteredExpecting, {symbol})});
}

}  // namespace

std::string Token::SqlText() const {
  switch (kind) {
    case Kind::String: {
      std::string quoted = "'";
      for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
      }
      return quoted + "'";
    }
    case Kind::QuotedIdentifier: return "\"" + text + "\"";
    case Kind::Bind: return ":" + text;
    default: return text;
  }
}

std::vector<Token> Lexer::Tokenize(const std::string& source) {
  std::vector<Token> tokens;
  size_t i = 0;
  int line = 1;
  size_t lineStart = 0;
  auto advance = [&](size_t count) {
    for (size_t k = 0; k < count && i < source.size(); ++k, ++i) {
      if (source[i] == '\n') {
        ++line;
        lineStart = i + 1;
      }
    }
  };
  while (i < source.size()) {
    unsigned char c = static_cast<unsigned char>(source[i]);
    if (std::isspace(c)) {
      advance(1);
      continue;
    }
    if (c == '-' && i + 1 < source.size() && source[i + 1] == '-') {
      while (i < source.size() && source[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < source.size() && source[i + 1] == '*') {
      int startLine = line;
      int startColumn = static_cast<int>(i - lineStart) + 1;
      auto end = source.find("*/", i + 2);
      (void)startLine;
      (void)startColumn;
      if (end == std::string::npos) break;  // the parser meets end-of-file here
      advance(end + 2 - i);
      continue;
    }
    Token token;
    token.line = line;
    token.column = static_cast<int>(i - lineStart) + 1;
    token.offset = static_cast<int>(i);
    if (IsIdentifierStart(c)) {
      size_t begin = i;
      while (i < source.size() && IsIdentifierPart(static_cast<unsigned char>(source[i]))) ++i;
      token.kind = Token::Kind::Identifier;
      token.text = source.substr(begin, i - begin);
      token.upper = Upper(token.text);
    } else if (std::isdigit(c) || (c == '.' && i + 1 < source.size() &&
                                   std::isdigit(static_cast<unsigned char>(source[i + 1])))) {
      size_t begin = i;
      while (i < source.size() && std::isdigit(static_cast<unsigned char>(source[i]))) ++i;
      if (i < source.size() && source[i] == '.' &&
          !(i + 1 < source.size() && source[i + 1] == '.')) {
        ++i;
        while (i < source.size() && std::isdigit(static_cast<unsigned char>(source[i]))) ++i;
      }
      if (i < source.size() && (source[i] == 'e' || source[i] == 'E')) {
        size_t save = i;
        ++i;
        if (i < source.size() && (source[i] == '+' || source[i] == '-')) ++i;
        if (i < source.size() && std::isdigit(static_cast<unsigned char>(source[i]))) {
          while (i < source.size() && std::isdigit(static_cast<unsigned char>(source[i]))) ++i;
        } else {
          i = save;
        }
      }
      token.kind = Token::Kind::Number;
      token.text = source.substr(begin, i - begin);
      token.upper = token.text;
    } else if (c == '\'') {
      ++i;
      std::string text;
      bool terminated = true;
      for (;;) {
        if (i >= source.size()) {
          terminated = false;
          break;
        }
        if (source[i] == '\'') {
          if (i + 1 < source.size() && source[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        if (source[i] == '\n') {
          ++line;
          lineStart = i + 1;
        }
        text += source[i++];
      }
      // An unterminated string ends the tokens; the parser reports what comes first.
      if (!terminated) break;
      token.kind = Token::Kind::String;
      token.text = text;
    } else if (c == '"') {
      auto end = source.find('"', i + 1);
      if (end == std::string::npos) Fail(token.line, token.column, "end-of-file");
      token.kind = Token::Kind::QuotedIdentifier;
      token.text = source.substr(i + 1, end - i - 1);
      token.upper = token.text;  // quoted names keep their case
      i = end + 1;
    } else if (c == ':' && i + 1 < source.size() &&
               (IsIdentifierStart(static_cast<unsigned char>(source[i + 1])) ||
                std::isdigit(static_cast<unsigned char>(source[i + 1])))) {
      size_t begin = ++i;
      while (i < source.size() && IsIdentifierPart(static_cast<unsigned char>(source[i]))) ++i;
      token.kind = Token::Kind::Bind;
      token.text = source.substr(begin, i - begin);
      token.upper = Upper(token.text);
    } else {
      static const char* pairs[] = {
          ":=", "..", "=>", "||", "<>", "!=", "^=", "~=", "<=", ">=", "**"};
      token.kind = Token::Kind::Symbol;
      token.text = std::string(1, static_cast<char>(c));
      for (const char* pair : pairs) {
        if (source.compare(i, 2, pair) == 0) {
          token.text = pair;
          break;
        }
      }
      if (std::string("();,.+-*/=<>%@:|!^~[]").find(static_cast<char>(c)) == std::string::npos &&
          token.text.size() == 1) {
        Fail(token.line, token.column, token.text);
      }
      i += token.text.size();
      token.upper = token.text;
    }
    tokens.push_back(std::move(token));
  }
  Token end;
  end.kind = Token::Kind::End;
  end.line = line;
  end.column = static_cast<int>(i - lineStart) + 1;
  end.offset = static_cast<int>(i);
  end.text = "end-of-file";
  end.upper = "end-of-file";
  tokens.push_back(end);
  return tokens;
}

}  // namespace devdb::plsql
