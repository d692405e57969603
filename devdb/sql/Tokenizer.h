// Splits Oracle SQL text into tokens with their byte offsets, as the translator needs them:
// names upper-cased unless quoted, string literals unescaped, bind variables without the
// colon. Comments and blanks are dropped. Unknown characters raise ORA-00911 at their place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace devdb::sql {

struct Token {
  enum class Kind { Word, QuotedName, String, Number, Bind, Symbol, End };
  Kind kind = Kind::End;
  std::string text;   // Word: upper case; QuotedName/String: content; Bind: upper-case name
  int offset = 0;     // byte offset of the token's first character in the statement
  int endOffset = 0;  // byte offset just after the token

  bool Is(std::string_view word) const { return kind == Kind::Word && text == word; }
  bool IsSymbol(std::string_view symbol) const { return kind == Kind::Symbol && text == symbol; }
};

class Tokenizer {
 public:
  // The last token is always an End token at the text's length. Lenient splitting (for
  // PL/SQL text, which the SQL translator only classifies) turns every character it does
  // not know into a one-character symbol instead of raising ORA-00911.
  static std::vector<Token> Split(std::string_view sql, bool lenient = false);
  // The character (not byte) offset of a byte offset, for parse error offsets.
  static int CharacterOffset(std::string_view sql, int byteOffset);
};

}  // namespace devdb::sql
