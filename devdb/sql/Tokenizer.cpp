// The lexical rules of Oracle SQL: identifiers with $ and #, doubled quotes inside strings
// and quoted names, -- and /* */ comments, and the multi-character operators.
#include "devdb/sql/Tokenizer.h"

#include <cctype>

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {
namespace {

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c >= 0x80; }
bool IsNamePart(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80; }

}  // namespace

std::vector<Token> Tokenizer::Split(std::string_view sql, bool lenient) {
  std::vector<Token> tokens;
  const int length = static_cast<int>(sql.size());
  // SQLite would end the statement at a NUL byte, wherever it stands (in a literal too).
  if (const std::size_t nul = sql.find('\0'); nul != std::string_view::npos)
    throw OracleErrors::At(texts::kInvalidCharacter, static_cast<int>(nul));
  int i = 0;
  auto at = [&](int k) -> unsigned char { return k < length ? static_cast<unsigned char>(sql[k]) : 0; };
  while (i < length) {
    const unsigned char c = at(i);
    if (std::isspace(c)) { ++i; continue; }
    if (c == '-' && at(i + 1) == '-') {
      while (i < length && sql[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && at(i + 1) == '*') {
      const std::size_t close = sql.find("*/", static_cast<std::size_t>(i) + 2);
      i = close == std::string_view::npos ? length : static_cast<int>(close) + 2;
      continue;
    }
    Token token;
    token.offset = i;
    if (IsNameStart(c)) {
      token.kind = Token::Kind::Word;
      while (i < length && IsNamePart(at(i))) {
        token.text += static_cast<char>(std::toupper(at(i)));
        ++i;
      }
    } else if (c == '"') {
      token.kind = Token::Kind::QuotedName;
      ++i;
      while (true) {
        if (i >= length) throw OracleErrors::At(texts::kMissingDoubleQuote, token.offset);
        if (sql[i] == '"') break;
        token.text += sql[i++];
      }
      ++i;
      if (token.text.empty()) throw OracleErrors::At(texts::kZeroLengthIdentifier, token.offset);
    } else if (c == '\'') {
      token.kind = Token::Kind::String;
      ++i;
      while (true) {
        if (i >= length) throw OracleErrors::At(texts::kUnterminatedString, token.offset);
        if (sql[i] == '\'') {
          if (at(i + 1) == '\'') { token.text += '\''; i += 2; continue; }
          break;
        }
        token.text += sql[i++];
      }
      ++i;
    } else if (std::isdigit(c) || (c == '.' && std::isdigit(at(i + 1)))) {
      token.kind = Token::Kind::Number;
      while (std::isdigit(at(i))) token.text += sql[i++];
      if (at(i) == '.' && at(i + 1) != '.') {
        token.text += sql[i++];
        while (std::isdigit(at(i))) token.text += sql[i++];
      }
      if ((at(i) == 'e' || at(i) == 'E') &&
          (std::isdigit(at(i + 1)) || ((at(i + 1) == '+' || at(i + 1) == '-') && std::isdigit(at(i + 2))))) {
        token.text += 'E';
        ++i;
        if (at(i) == '+' || at(i) == '-') token.text += sql[i++];
        while (std::isdigit(at(i))) token.text += sql[i++];
      }
    } else if (c == ':' && at(i + 1) == '=') {
      token.kind = Token::Kind::Symbol;
      token.text = ":=";
      i += 2;
    } else if (c == ':') {
      token.kind = Token::Kind::Bind;
      ++i;
      while (std::isspace(at(i))) ++i;
      if (at(i) == '"') {
        ++i;
        while (i < length && sql[i] != '"') token.text += sql[i++];
        if (i >= length) throw OracleErrors::At(texts::kMissingDoubleQuote, token.offset);
        ++i;
      } else {
        while (i < length && IsNamePart(at(i))) token.text += static_cast<char>(std::toupper(at(i++)));
      }
      if (token.text.empty()) throw OracleErrors::At(texts::kBadBindName, token.offset);
    } else {
      token.kind = Token::Kind::Symbol;
      static const char* const kDouble[] = {"||", "<=", ">=", "<>", "!=", "^=", "=>", "(+)"};
      bool matched = false;
      for (const char* symbol : kDouble) {
        if (sql.substr(static_cast<std::size_t>(i)).starts_with(symbol)) {
          token.text = symbol;
          i += static_cast<int>(token.text.size());
          matched = true;
          break;
        }
      }
      if (!matched) {
        if (std::string_view("(),.+-*/=<>@;").find(static_cast<char>(c)) == std::string_view::npos &&
            !lenient)
          throw OracleErrors::At(texts::kInvalidCharacter, i);
        token.text = std::string(1, static_cast<char>(c));
        ++i;
      }
      if (token.text == "!=" || token.text == "^=") token.text = "<>";
    }
    token.endOffset = i;
    tokens.push_back(std::move(token));
  }
  Token end;
  end.kind = Token::Kind::End;
  end.offset = end.endOffset = length;
  tokens.push_back(end);
  return tokens;
}

int Tokenizer::CharacterOffset(std::string_view sql, int byteOffset) {
  int characters = 0;
  for (int i = 0; i < byteOffset && i < static_cast<int>(sql.size()); ++i)
    if ((static_cast<unsigned char>(sql[i]) & 0xC0) != 0x80) ++characters;
  return characters;
}

}  // namespace devdb::sql
