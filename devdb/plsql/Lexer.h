// Splits PL/SQL source into tokens with their line and column, so that compile errors can
// name the place ("line 2, column 3") and embedded SQL can be rebuilt from its tokens.
#pragma once

#include <string>
#include <vector>

namespace devdb::plsql {

struct Token {
  enum class Kind { Identifier, QuotedIdentifier, Number, String, Bind, Symbol, End };
  Kind kind = Kind::End;
  std::string text;   // as written (strings without quotes and with '' undone; binds without colon)
  std::string upper;  // identifiers and symbols upper-cased, for comparisons
  int line = 1;       // 1-based
  int column = 1;     // 1-based
  int offset = 0;     // 0-based character offset in the source

  bool Is(const char* word) const {
    return (kind == Kind::Identifier || kind == Kind::Symbol) && upper == word;
  }
  // The token as it must be written back into SQL text.
  std::string SqlText() const;
};

class Lexer {
 public:
  // Throws PlsqlError (ORA-06550 / PLS-00103) on a character that starts no token. An
  // unterminated string or comment ends the tokens, so the parser reports what comes first.
  static std::vector<Token> Tokenize(const std::string& source);
};

}  // namespace devdb::plsql
